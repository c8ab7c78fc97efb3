// The seam between the player and the machine it runs on. A backend tells the time, waits,
// presents the framebuffer and turns the machine's input into calls on an InputSink (the
// window system). There are two: host/sdl (a real window) and host/headless (a virtual clock
// and a scripted user). All player logic runs unchanged on either.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/ScaleMode.h"
#include "host/gfx/Geometry.h"
#include "host/gfx/Surface.h"

namespace stagehand::host {

class Mixer;

enum class MouseButton { kLeft, kRight };

// What the user does, in the logical screen's coordinates and the desktop's virtual-key codes
// (host/ui/Keys.h). Characters are Windows-1252 codes.
class InputSink {
  public:
    virtual ~InputSink() = default;
    virtual void PointerMoved(Point position) = 0;
    virtual void ButtonChanged(MouseButton button, bool down, Point position) = 0;
    // `repeat` is true for the machine's auto-repeat of a key that is held down.
    virtual void KeyChanged(uint8_t virtualKey, bool down, bool repeat) = 0;
    // A printable character the user typed (control characters for Enter, Tab and the like
    // are made by the window system from the key itself).
    virtual void CharacterTyped(uint8_t character) = 0;
    // The user (or the desktop) asks the player to close.
    virtual void CloseRequested() = 0;
    // A file or folder (a UTF-8 path) was dropped on the player's window. Passed over unless
    // the sink has a use for it.
    virtual void FileDropped(const std::string& /*path*/) {}
};

class Backend {
  public:
    virtual ~Backend() = default;

    // Milliseconds on a clock that only moves forward; wraps after 49 days like the desktop's.
    virtual uint32_t Now() = 0;
    // Delivers input that has already arrived, without waiting.
    virtual void PollInput(InputSink& sink) = 0;
    // Blocks until input arrives (and delivers it) or the clock reaches `until`; with no
    // `until`, until input arrives. Returns false when no input will ever come again (the
    // headless script has run out), which ends the message loop.
    virtual bool WaitForInput(InputSink& sink, std::optional<uint32_t> until) = 0;
    // Blocks the whole thread: no input is delivered meanwhile (it waits for later). A request
    // to close the player from outside ends the sleep early, so that a title waiting for
    // weeks can still be closed.
    virtual void Sleep(uint32_t milliseconds) = 0;
    // Shows the framebuffer; only `changed` differs from what was shown before.
    virtual void Present(const Surface& frame, const Rect& changed) = 0;
    // The caption of the host's window (UTF-8), for the desktop's task list.
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetPointerVisible(bool visible) = 0;
    // Puts the pointer at a logical position (the window system makes the move message).
    virtual void WarpPointer(Point position) = 0;
    // The desktop's clipboard as Windows-1252 text. Setting it replaces what it held; reading
    // it gives "" when it holds no text. Characters Windows-1252 cannot hold are left out.
    virtual void SetClipboardText(const std::string& cp1252) = 0;
    virtual std::string ClipboardText() = 0;

    // Sound: from OpenAudio until CloseAudio the backend plays `mixer` at its output rate,
    // stereo, 16 bits, pulling the mix as the device consumes it (SDL's audio thread, or the
    // clock when there is no device). False when no sound will be played at all.
    virtual bool OpenAudio(Mixer& mixer) = 0;
    virtual void CloseAudio() = 0;

    // How the picture is shown: full screen or in a window, the scaling, and the window's size
    // when it is not full screen (what the user's settings remember). A backend without a
    // window keeps them as plain values; a size with no area is not taken.
    virtual bool IsFullscreen() const { return fullscreen_; }
    virtual void SetFullscreen(bool fullscreen) { fullscreen_ = fullscreen; }
    virtual ScaleMode Scaling() const { return scaling_; }
    virtual void SetScaling(ScaleMode mode) { scaling_ = mode; }
    virtual Size WindowSize() const { return windowSize_; }
    virtual void SetWindowSize(Size size) {
        if (size.width > 0 && size.height > 0) {
            windowSize_ = size;
        }
    }

  private:
    bool fullscreen_ = false;
    ScaleMode scaling_ = ScaleMode::kSharp;
    Size windowSize_{640, 480};
};

}  // namespace stagehand::host
