// Feeds arbitrary text to the headless input script and plays what it reads against a small
// window tree: a frame, two overlapping children, one of them taking the capture on a press
// and destroying itself on a right click. Checks that no script, however odd, crashes the
// window system, and that every step read names the line it came from.
#include <cstdint>
#include <sstream>
#include <string_view>

#include "host/headless/HeadlessBackend.h"
#include "host/headless/InputScript.h"
#include "host/ui/WindowSystem.h"

#include "FuzzCheck.h"

using namespace stagehand::host;

namespace {

class Grabby : public Window {
  protected:
    intptr_t OnMessage(const Message& m) override {
        if (m.id == msg::kLButtonDown) {
            System()->SetCapture(Handle());
        }
        if (m.id == msg::kLButtonUp) {
            System()->ReleaseCapture();
        }
        if (m.id == msg::kRButtonDown) {
            DestroyWindow();
        }
        return DefaultMessage(m);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    InputScript script = ParseInputScript(text);
    for (const InputStep& step : script.steps) {
        FUZZ_CHECK(step.line >= 1 && static_cast<size_t>(step.line) <= size + 1);
    }
    // No files are written while fuzzing.
    std::erase_if(script.steps,
                  [](const InputStep& s) { return s.kind == InputStep::Kind::kShot; });

    std::ostringstream out, errors;
    HeadlessBackend backend(std::move(script), out, errors);
    WindowSystem ws(backend, {320, 200});
    Window frame;
    frame.CreateWindow(
        ws, {"frame", style::kPopup | style::kVisible, {0, 0, 320, 200}, {}, true, 0x202020});
    ws.SetMainWindow(frame.Handle());
    Grabby a, b;
    a.CreateWindow(
        ws,
        {"a", style::kChild | style::kVisible, {10, 10, 100, 100}, frame.Handle(), true, 0xFF0000});
    b.CreateWindow(ws, {"b",
                        style::kChild | style::kVisible | style::kClipSiblings,
                        {50, 50, 200, 150},
                        frame.Handle(),
                        false,
                        0x0000FF});
    ws.Run();
    return 0;
}
