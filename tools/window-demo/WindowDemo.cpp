// A small program that shows the host layer working before the player exists: a frame with
// three buttons that track the mouse through capture, a label that counts clicks, an entry
// field to type in, and a block that a timer moves while the third button has it running.
//
//   stagehand-window-demo [--window] [--screen WxH] [--close-after MS]
//   stagehand-window-demo --headless --input FILE
#include <charconv>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>

#include "host/gfx/Font.h"
#include "host/gfx/TextFormat.h"
#include "host/headless/HeadlessBackend.h"
#include "host/sdl/SdlBackend.h"
#include "host/ui/EditControl.h"
#include "host/ui/Keys.h"
#include "host/ui/WindowSystem.h"

using namespace stagehand::host;

namespace {

constexpr uint32_t kShownChild = style::kChild | style::kVisible | style::kClipSiblings;
constexpr uintptr_t kMoveTimer = 1;
constexpr uintptr_t kCloseTimer = 2;

// Draws a text on a solid background; changing the text repaints it.
class TextBox : public Window {
  public:
    TextBox(Color background, Color ink, uint32_t format)
        : background_(background), ink_(ink), format_(format) {}
    void SetText(std::string text) {
        text_ = std::move(text);
        if (HasWindow()) {
            System()->Invalidate(Handle());
        }
    }
    const std::string& Text() const { return text_; }

  protected:
    intptr_t OnMessage(const Message& m) override {
        if (m.id == msg::kEraseBackground) {
            return 1;
        }
        if (m.id != msg::kPaint) {
            return DefaultMessage(m);
        }
        Canvas canvas = System()->BeginPaint(Handle());
        const Rect client = System()->ClientRect(Handle());
        canvas.Fill(client, background_);
        canvas.DrawText(*font_, text_, client.Offset(0, 0), ink_, format_);
        return 0;
    }

  private:
    Color background_, ink_;
    uint32_t format_;
    std::string text_;
    std::shared_ptr<const Font> font_ = Font::Create("Arial", 14);
};

// A button in the titles' manner: highlighted while the pointer is over it (it keeps the
// capture to learn when the pointer leaves), pressed while the left button is down on it.
class Button : public Window {
  public:
    Button(std::string caption, std::function<void()> onClick)
        : caption_(std::move(caption)), onClick_(std::move(onClick)) {}

  protected:
    intptr_t OnMessage(const Message& m) override {
        WindowSystem& ws = *System();
        switch (m.id) {
            case msg::kMouseMove:
                if (state_ == 0) {
                    ws.SetCapture(Handle());
                    SetState(1);
                } else if (!ws.ClientRect(Handle()).Contains(UnpackPoint(m.lParam))) {
                    ws.ReleaseCapture();
                }
                return 0;
            case msg::kLButtonDown:
                if (state_ == 0) {
                    ws.SetCapture(Handle());
                }
                SetState(2);
                return 0;
            case msg::kLButtonUp:
                if (state_ != 2) {
                    return 0;
                }
                ws.ReleaseCapture();
                onClick_();
                return 0;
            case msg::kCaptureChanged:
            case msg::kCancelMode:
                SetState(0);
                return 0;
            case msg::kEraseBackground:
                return 1;
            case msg::kPaint: {
                Canvas canvas = ws.BeginPaint(Handle());
                const Rect client = ws.ClientRect(Handle());
                const Color face[] = {Rgb(90, 90, 110), Rgb(130, 130, 170), Rgb(60, 60, 200)};
                canvas.Fill(client, Rgb(20, 20, 30));
                canvas.Fill({2, 2, client.right - 2, client.bottom - 2}, face[state_]);
                canvas.DrawText(
                    *font_, caption_, client, Rgb(255, 255, 255),
                    text_format::kCenter | text_format::kVerticalCenter | text_format::kSingleLine);
                return 0;
            }
            default:
                return DefaultMessage(m);
        }
    }

  private:
    void SetState(int state) {
        if (state == state_) {
            return;
        }
        state_ = state;
        System()->Invalidate(Handle());
    }

    std::string caption_;
    std::function<void()> onClick_;
    int state_ = 0;  // 0 normal, 1 highlighted, 2 pressed
    std::shared_ptr<const Font> font_ = Font::Create("Arial", 12);
};

class Frame : public Window, private EditControl::Listener {
  public:
    explicit Frame(WindowSystem& ws) {
        const Size screen = ws.ScreenSize();
        CreateWindow(ws, {"Window demo",
                          style::kPopup | style::kVisible,
                          {0, 0, screen.width, screen.height},
                          {},
                          false,
                          Rgb(30, 40, 60)});
        ws.SetMainWindow(Handle());
        counter_.CreateWindow(ws, {"counter", kShownChild, {40, 40, 400, 80}, Handle(), false, {}});
        for (int i = 0; i < 3; ++i) {
            buttons_[i].CreateWindow(ws, {"button",
                                          kShownChild,
                                          {40 + i * 140, 120, 160 + i * 140, 170},
                                          Handle(),
                                          false,
                                          {}});
        }
        track_.CreateWindow(
            ws, {"track", kShownChild, {40, 200, 600, 260}, Handle(), false, Rgb(10, 10, 10)});
        block_.CreateWindow(
            ws, {"block", kShownChild, {0, 10, 40, 50}, track_.Handle(), false, Rgb(250, 200, 40)});
        Count();
        EditControl::Options field;
        field.font = Font::Create("Arial", 14);
        field.textColor = Rgb(20, 20, 20);
        field.background = Rgb(240, 240, 230);
        typed_.Create(ws, Handle(), {40, 300, 600, 330}, field);
        typed_.SetText("Type here. Escape closes.");
        typed_.SelectAll();
        typed_.Focus();
    }

  protected:
    intptr_t OnMessage(const Message& m) override {
        WindowSystem& ws = *System();
        if (m.id == msg::kChar && m.wParam == 27) {
            ws.Post(Handle(), msg::kClose);
            return 0;
        }
        if (m.id == msg::kTimer && m.wParam == kMoveTimer) {
            Rect r = ws.WindowRect(block_.Handle());
            const int32_t x = (r.left + 8) % (ws.ClientRect(track_.Handle()).right - 40);
            ws.Move(block_.Handle(), Rect::FromSize(x, r.top, 40, 40));
            return 0;
        }
        if (m.id == msg::kTimer && m.wParam == kCloseTimer) {
            ws.Post(Handle(), msg::kClose);
            return 0;
        }
        return DefaultMessage(m);
    }

  private:
    void OnKeyPressed(uint8_t key) override {
        if (key == vk::kEscape) {
            System()->Post(Handle(), msg::kClose);
        }
    }
    void OnFocusLost() override {}
    void Count() { counter_.SetText("Clicks: " + std::to_string(clicks_)); }
    void ToggleMotion() {
        moving_ = !moving_;
        if (moving_) {
            System()->SetTimer(Handle(), kMoveTimer, 40);
        } else {
            System()->KillTimer(Handle(), kMoveTimer);
        }
    }

    int clicks_ = 0;
    bool moving_ = false;
    TextBox counter_{Rgb(30, 40, 60), Rgb(250, 230, 120),
                     text_format::kLeft | text_format::kSingleLine | text_format::kVerticalCenter};
    EditControl typed_{this};
    Button buttons_[3] = {
        Button("Count", [this] { ++clicks_, Count(); }),
        Button("Reset", [this] { clicks_ = 0, Count(); }),
        Button("Move", [this] { ToggleMotion(); }),
    };
    Window track_, block_;
};

bool ReadSize(const char* text, Size& size) {
    const char* x = std::strchr(text, 'x');
    if (!x) {
        return false;
    }
    auto [p1, e1] = std::from_chars(text, x, size.width);
    auto [p2, e2] = std::from_chars(x + 1, text + std::strlen(text), size.height);
    return e1 == std::errc() && e2 == std::errc() && p1 == x && *p2 == '\0' && size.width >= 64 &&
           size.height >= 64 && size.width <= 4096 && size.height <= 4096;
}

}  // namespace

int main(int argc, char** argv) {
    SdlBackend::Options options;
    bool headless = false;
    const char* input = nullptr;
    uint32_t closeAfter = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--window") {
            options.fullscreen = false;
        } else if (arg == "--headless") {
            headless = true;
        } else if (arg == "--input" && i + 1 < argc) {
            input = argv[++i];
        } else if (arg == "--screen" && i + 1 < argc && ReadSize(argv[i + 1], options.screen)) {
            ++i;
        } else if (arg == "--close-after" && i + 1 < argc) {
            closeAfter = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::cerr
                << "usage: stagehand-window-demo [--window] [--screen WxH] [--close-after MS]\n"
                   "       stagehand-window-demo --headless --input FILE\n";
            return 2;
        }
    }

    std::unique_ptr<Backend> backend;
    std::string error;
    if (headless) {
        if (!input) {
            std::cerr << "stagehand-window-demo: --headless needs --input FILE\n";
            return 2;
        }
        stagehand::base::Result<std::unique_ptr<HeadlessBackend>> read =
            HeadlessBackend::FromFile(input, std::cout, std::cerr);
        if (read) {
            backend = std::move(*read);
        } else {
            error = read.error();
        }
    } else {
        stagehand::base::Result<std::unique_ptr<SdlBackend>> made = SdlBackend::Create(options);
        if (made) {
            backend = std::move(*made);
        } else {
            error = made.error();
        }
    }
    if (!backend) {
        std::cerr << "stagehand-window-demo: " << error << '\n';
        return 1;
    }
    WindowSystem ws(*backend, options.screen);
    {
        Frame frame(ws);
        if (closeAfter > 0) {
            ws.SetTimer(frame.Handle(), kCloseTimer, closeAfter);
        }
        ws.Run();
    }
    return 0;
}
