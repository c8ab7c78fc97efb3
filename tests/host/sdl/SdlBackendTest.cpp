// The backend on a real display (CTest runs this program under a virtual X server). Input is
// pushed into SDL's queue as the desktop would send it; pictures are read back from the
// renderer.
#include "host/sdl/SdlBackend.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace stagehand::host {
namespace {

constexpr Color kBlue = Rgb(0, 0, 200);
constexpr Color kRed = Rgb(220, 0, 0);
constexpr Color kGreen = Rgb(0, 180, 0);

class RecordingSink : public InputSink {
  public:
    std::vector<std::string> events;

    void PointerMoved(Point p) override { Add("move %d,%d", p.x, p.y); }
    void ButtonChanged(MouseButton button, bool down, Point p) override {
        Add("%s %s %d,%d", button == MouseButton::kLeft ? "left" : "right", down ? "down" : "up",
            p.x, p.y);
    }
    void KeyChanged(uint8_t key, bool down, bool repeat) override {
        Add("key %02X %s%s", key, down ? "down" : "up", repeat ? " repeat" : "");
    }
    void CharacterTyped(uint8_t c) override { Add("char %02X", c); }
    void CloseRequested() override { events.push_back("close"); }

  private:
    template <typename... Args>
    void Add(const char* format, Args... args) {
        char text[64];
        std::snprintf(text, sizeof text, format, args...);
        events.push_back(text);
    }
};

// One window for the whole program, kept until it ends, as the player keeps its own: some X
// servers refuse a connection made right after the last one closed, and Mesa's software GL
// driver leaks a little when it is unloaded with the last window, too late for LeakSanitizer
// to name it. Each test starts from a 1280 x 960 window.
class SdlBackendTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (backend_ == nullptr && error_.empty()) {
            base::Result<std::unique_ptr<SdlBackend>> made =
                SdlBackend::Create({.fullscreen = false});
            if (made) {
                backend_ = made->release();
            } else {
                error_ = made.error();
            }
        }
    }

    void SetUp() override {
        if (backend_ == nullptr) {
            GTEST_SKIP() << "no display: " << error_;
        }
        backend_->SetFullscreen(false);
        SDL_SetWindowSize(backend_->Window(), 1280, 960);
        // Let the window settle and forget what the desktop said about it meanwhile.
        Settle();
        int width = 0, height = 0;
        SDL_GetWindowSize(backend_->Window(), &width, &height);
        if (width != 1280 || height != 960) {
            GTEST_SKIP() << "the display is too small";
        }
    }

    void Settle() {
        RecordingSink ignored;
        for (int i = 0; i < 5; ++i) {
            SDL_Delay(20);
            backend_->PollInput(ignored);
        }
    }

    std::vector<std::string> Deliver() {
        RecordingSink sink;
        backend_->PollInput(sink);
        return sink.events;
    }

    Uint32 Id() const { return SDL_GetWindowID(backend_->Window()); }
    void Push(SDL_Event event) { SDL_PushEvent(&event); }
    void PushKey(Uint32 type, SDL_Scancode scancode, SDL_Keycode keycode, Uint16 mod = KMOD_NONE,
                 bool repeat = false) {
        const Uint8 state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        Push({.key = {type, 0, Id(), state, repeat, 0, 0, {scancode, keycode, mod, 0}}});
    }
    void PushText(const char* utf8) {
        SDL_Event event{.text = {SDL_TEXTINPUT, 0, Id(), {}}};
        std::strncpy(event.text.text, utf8, sizeof event.text.text - 1);
        Push(event);
    }
    void PushMotion(int x, int y) {
        Push({.motion = {SDL_MOUSEMOTION, 0, Id(), 0, 0, x, y, 0, 0}});
    }
    void PushButton(Uint32 type, Uint8 button, int x, int y) {
        const Uint8 state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        Push({.button = {type, 0, Id(), 0, button, state, 1, 0, x, y}});
    }

    static inline SdlBackend* backend_ = nullptr;  // never deleted: see above
    static inline std::string error_;
};

using Events = std::vector<std::string>;

// The frame fills a window twice the screen; only a changed rectangle reaches the window, from
// the right place in the frame. Pointer moves are passed on once per logical pixel (window
// pixels 500 and 501 are both 250), not for the window system's own move after a warp, and
// clamped to the screen; a resized window gets bars.
TEST_F(SdlBackendTest, ShowsTheFrameScaledAndPassesPointerMovesInScreenPixels) {
    Surface frame(640, 480, kBlue);
    frame.Fill({100, 100, 200, 150}, kRed);
    backend_->Present(frame, frame.Bounds());
    Surface shot = backend_->CaptureWindow();
    ASSERT_EQ(shot.Dimensions(), (Size{1280, 960})) << backend_->RendererName();
    for (const auto& [at, color] :
         {std::pair<Point, Color>{{300, 250}, kRed}, {{100, 100}, kBlue}, {{1279, 959}, kBlue}}) {
        EXPECT_EQ(shot.PixelAt(at.x, at.y), color) << at.x << "," << at.y;
    }
    frame.Fill({300, 300, 320, 310}, kGreen);
    frame.Fill({500, 20, 520, 40}, kRed);
    backend_->Present(frame, {300, 300, 320, 310});
    shot = backend_->CaptureWindow();
    for (const auto& [at, color] : {std::pair<Point, Color>{{600, 600}, kGreen},
                                    {{639, 619}, kGreen},
                                    {{640, 610}, kBlue},
                                    {{1020, 60}, kBlue}}) {
        EXPECT_EQ(shot.PixelAt(at.x, at.y), color) << at.x << "," << at.y;
    }

    PushMotion(500, 250);
    PushMotion(501, 251);
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 501, 251);
    PushMotion(502, 251);
    EXPECT_EQ(Deliver(), (Events{"move 250,125", "left down 250,125", "move 251,125"}));
    backend_->WarpPointer({100, 100});
    SDL_Delay(50);
    for (const std::string& event : Deliver()) {
        EXPECT_NE(event, "move 100,100");
    }
    PushMotion(300, 300);
    EXPECT_EQ(Deliver(), (Events{"move 150,150"}));

    // 640 x 480 at 500 / 480: 667 pixels wide, 166 pixels of bar on the left.
    frame.Fill(frame.Bounds(), kBlue);
    backend_->Present(frame, frame.Bounds());
    SDL_SetWindowSize(backend_->Window(), 1000, 500);
    Settle();
    backend_->SetFullscreen(true);
    Settle();
    EXPECT_EQ(backend_->WindowSize(), (Size{1000, 500}));
    backend_->SetFullscreen(false);
    Settle();
    int width = 0, height = 0;
    SDL_GetWindowSize(backend_->Window(), &width, &height);
    EXPECT_EQ((Size{width, height}), (Size{1000, 500}));
    // A size larger than the display is not kept: a whole multiple that fits instead.
    backend_->SetWindowSize({100000, 100000});
    Settle();
    SDL_Rect usable{};
    SDL_GetDisplayUsableBounds(0, &usable);
    const int multiple = std::min(usable.w / 640, usable.h / 480);
    EXPECT_EQ(backend_->WindowSize(), (Size{640 * multiple, 480 * multiple}));
}

// A backend opens full screen by default. Quit and closing the window ask to close; waiting
// ends at the deadline, and one already past does not wait at all.
TEST_F(SdlBackendTest, OpensFullScreenAndQuitAndCloseAskToCloseAndWaitingEndsAtTheDeadline) {
    base::Result<std::unique_ptr<SdlBackend>> made = SdlBackend::Create(SdlBackend::Options{});
    ASSERT_TRUE(made) << made.error();
    std::unique_ptr<SdlBackend> fullscreen = std::move(*made);
    ASSERT_NE(fullscreen, nullptr);
    EXPECT_TRUE(fullscreen->IsFullscreen());
    EXPECT_STREQ(SDL_GetWindowTitle(fullscreen->Window()), "Stagehand");
    fullscreen->Present(Surface(640, 480, kBlue), {0, 0, 640, 480});
    fullscreen.reset();
    Settle();

    Push({.quit = {SDL_QUIT, 0}});
    RecordingSink sink;
    EXPECT_TRUE(backend_->WaitForInput(sink, std::nullopt));
    EXPECT_EQ(sink.events, (Events{"close"}));
    Push({.window = {SDL_WINDOWEVENT, 0, Id(), SDL_WINDOWEVENT_CLOSE, 0, 0, 0, 0, 0}});
    EXPECT_EQ(Deliver(), (Events{"close"}));
    // A request to close ends a sleep of an hour at once and is delivered afterwards.
    Push({.quit = {SDL_QUIT, 0}});
    backend_->Sleep(3'600'000);
    Push({.window = {SDL_WINDOWEVENT, 0, Id(), SDL_WINDOWEVENT_CLOSE, 0, 0, 0, 0, 0}});
    backend_->Sleep(3'600'000);
    EXPECT_EQ(Deliver(), (Events{"close", "close"}));
    const uint32_t start = backend_->Now();
    EXPECT_TRUE(backend_->WaitForInput(sink, start + 100));
    EXPECT_LT(backend_->Now() - start, 1000u);
    const uint32_t before = backend_->Now();
    EXPECT_TRUE(backend_->WaitForInput(sink, before - 10));
    EXPECT_LT(backend_->Now() - before, 50u);
}

}  // namespace
}  // namespace stagehand::host
