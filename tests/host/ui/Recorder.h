// Test windows that write down every message they get, and a window system on the headless
// backend driven by an input script.
#pragma once

#include <gmock/gmock.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "host/headless/HeadlessBackend.h"
#include "host/ui/WindowSystem.h"

namespace stagehand::testing {

using namespace stagehand::host;

constexpr uint32_t kShownChild = style::kChild | style::kVisible;

inline std::string Describe(const Message& m) {
    const Point p = UnpackPoint(m.lParam);
    const std::string at = " " + std::to_string(p.x) + "," + std::to_string(p.y);
    std::ostringstream flags;
    flags << std::hex << KeyFlagsOf(m);
    switch (m.id) {
        case msg::kMouseMove:
            return "move" + at;
        case msg::kLButtonDown:
            return "down" + at;
        case msg::kLButtonUp:
            return "up" + at;
        case msg::kLButtonDoubleClick:
            return "double" + at;
        case msg::kRButtonDown:
            return "rdown" + at;
        case msg::kRButtonUp:
            return "rup" + at;
        case msg::kKeyDown:
            return "key " + std::to_string(m.wParam) + " " + flags.str();
        case msg::kKeyUp:
            return "keyup " + std::to_string(m.wParam);
        case msg::kSysKeyDown:
            return "syskey " + std::to_string(m.wParam) + " " + flags.str();
        case msg::kSysKeyUp:
            return "syskeyup " + std::to_string(m.wParam);
        case msg::kChar:
            return "char " + std::to_string(m.wParam) + " " + flags.str();
        case msg::kSysChar:
            return "syschar " + std::to_string(m.wParam) + " " + flags.str();
        case msg::kTimer:
            return "timer " + std::to_string(m.wParam) + " @" + std::to_string(m.time);
        case msg::kPaint:
            return "paint";
        case msg::kEraseBackground:
            return "erase";
        case msg::kDestroy:
            return "destroy";
        case msg::kClose:
            return "close";
        case msg::kCaptureChanged:
            return "capture-changed " + std::to_string(m.lParam);
        case msg::kCancelMode:
            return "cancel-mode";
        case msg::kSetFocus:
            return "set-focus";
        case msg::kKillFocus:
            return "kill-focus";
        default:
            return "message " + std::to_string(m.id);
    }
}

class Recorder : public Window {
  public:
    Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}

    // Fill colour when painting; none: paint draws nothing.
    std::optional<Color> fill;
    // Runs before the recording's own handling; an answer ends the handling.
    std::function<std::optional<intptr_t>(const Message&)> hook;
    bool recordErase = false;
    bool recordMoves = true;

    bool Make(WindowSystem& ws, Rect rect, uint32_t styles, WindowHandle parent = {}) {
        return CreateWindow(ws, {name_, styles, rect, parent, false, std::nullopt});
    }

  protected:
    intptr_t OnMessage(const Message& m) override {
        const bool quiet = (m.id == msg::kEraseBackground && !recordErase) ||
                           (m.id == msg::kMouseMove && !recordMoves);
        if (!quiet) {
            log_.push_back(name_ + ":" + Describe(m));
        }
        if (hook) {
            if (auto answer = hook(m)) {
                return *answer;
            }
        }
        if (m.id == msg::kPaint) {
            Canvas canvas = System()->BeginPaint(Handle());
            if (fill) {
                canvas.Fill(System()->ClientRect(Handle()), *fill);
            }
            return 0;
        }
        return DefaultMessage(m);
    }

  private:
    std::string name_;
    std::vector<std::string>& log_;
};

// A 640x480 window system on a headless backend running `script`.
struct HeadlessScreen {
    explicit HeadlessScreen(const std::string& script = "")
        : backend(ParseInputScript(script), out, errors), ws(backend, {640, 480}) {}

    std::vector<std::string> Only(const std::string& needle) const {
        std::vector<std::string> found;
        for (const auto& line : log) {
            if (line.find(needle) != std::string::npos) {
                found.push_back(line);
            }
        }
        return found;
    }

    std::ostringstream out;
    std::ostringstream errors;
    HeadlessBackend backend;
    WindowSystem ws;
    std::vector<std::string> log;
};

}  // namespace stagehand::testing
