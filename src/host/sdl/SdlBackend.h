// The real machine: one SDL window that shows the logical screen scaled to fit, SDL's clock,
// and the keyboard and mouse turned into calls on the window system's InputSink.
//
// Alt+Enter switches between full screen and a window and is never passed on. Typed text goes
// to the sink as Windows-1252 characters, except while Ctrl or Alt is held: the window system
// makes those characters from the keys itself.
//
// Sound plays through SDL's audio device, whose thread pulls the mix; when no device can be
// opened the fault sink hears why and the notices hear so, once each, and the mix is pulled by the
// clock instead, silently, so that sounds still end and report it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "base/FaultSink.h"
#include "base/Result.h"
#include "host/Backend.h"
#include "host/audio/ClockedMix.h"
#include "host/gfx/Geometry.h"
#include "host/gfx/Surface.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_KeyboardEvent;
union SDL_Event;

namespace stagehand::host {

class SdlBackend final : public Backend {
  public:
    struct Options {
        // The logical screen the player draws, in pixels.
        Size screen{640, 480};
        // Borderless over the whole display; otherwise a window at the largest whole multiple
        // of the screen that fits the display's usable area.
        bool fullscreen = true;
        // Told what the backend passes over (no sound device); nothing is said without it.
        base::FaultSink* faults = nullptr;
        // The person playing is told here, once, that there is no sound device.
        std::ostream* notices = nullptr;
    };

    // Opens the window, or says why not: there is no display, or the window or its renderer
    // cannot be made.
    static base::Result<std::unique_ptr<SdlBackend>> Create(const Options& options);
    ~SdlBackend() override;
    SdlBackend(const SdlBackend&) = delete;
    SdlBackend& operator=(const SdlBackend&) = delete;

    uint32_t Now() override;
    void PollInput(InputSink& sink) override;
    // Always true: the user can always do something more.
    bool WaitForInput(InputSink& sink, std::optional<uint32_t> until) override;
    void Sleep(uint32_t milliseconds) override;
    // `frame` must stay alive until the next Present: the window is drawn again from it when
    // the renderer loses its textures.
    void Present(const Surface& frame, const Rect& changed) override;
    void SetCaption(const std::string& caption) override;
    void SetPointerVisible(bool visible) override;
    void WarpPointer(Point position) override;
    void SetClipboardText(const std::string& cp1252) override;
    std::string ClipboardText() override;
    bool OpenAudio(Mixer& mixer) override;
    void CloseAudio() override;

    bool IsFullscreen() const;
    // What Alt+Enter does; going back to a window sizes it to a whole multiple of the screen.
    void SetFullscreen(bool fullscreen);

    // What the window shows, read back from the renderer in its own pixels (0x00RRGGBB), for
    // diagnostics and tests. Empty when the renderer cannot read back.
    Surface CaptureWindow();
    // The renderer's name, e.g. "opengl" or "software", for diagnostics.
    std::string RendererName() const;
    SDL_Window* Window() const { return window_; }

  private:
    explicit SdlBackend(Size screen);

    void Handle(const SDL_Event& event, InputSink& sink);
    void HandleKey(const SDL_KeyboardEvent& key, InputSink& sink);
    void HandleText(const char* text, InputSink& sink);
    void HandlePointer(int32_t windowX, int32_t windowY, InputSink& sink);
    // Delivers every event already queued, then draws the window again if it needs it.
    void Drain(InputSink& sink);
    void FinishBatch();

    Point WindowToScreen(int32_t windowX, int32_t windowY) const;
    // Fills the whole texture from the last frame given to Present.
    void UploadWholeFrame();
    // Draws the screen into the renderer's back buffer, bars and all, without showing it.
    void Draw();
    void Redraw();

    Size screen_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    const Surface* lastFrame_ = nullptr;
    // The texture holds nothing yet (or lost what it held): the next Present sends it all.
    bool textureEmpty_ = true;
    // The window must be drawn again (it was exposed, resized or switched).
    bool needsRedraw_ = false;
    // Where the sink last heard the pointer was; moves that stay on one logical pixel, and the
    // move a warp makes, are not passed on.
    std::optional<Point> lastPointer_;
    // The modifier keys held as of the last key event, in SDL's terms.
    uint16_t modifiers_ = 0;
    // Alt+Enter went down: its repeats and its release are not passed on either.
    bool swallowingEnter_ = false;
    // The open audio device (0: none), or the clock pulling the mix when there is none.
    uint32_t audioDevice_ = 0;
    bool audioInitialised_ = false;
    bool noDeviceSaid_ = false;
    base::FaultSink* faults_ = nullptr;
    std::ostream* notices_ = nullptr;
    ClockedMix silentMix_;
};

}  // namespace stagehand::host
