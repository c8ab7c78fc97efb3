#include "host/ui/EditControl.h"

#include <gtest/gtest.h>

#include "Recorder.h"

namespace stagehand::testing {
namespace {

using ::testing::ElementsAre;

constexpr Rect kField{10, 10, 210, 40};  // 200 wide: 198 for text between the margins

// A focused field in a frame, driven by an input script; the owner's notices go to the log.
struct Field : HeadlessScreen, EditControl::Listener {
    explicit Field(const std::string& script, EditControl::Options options = {},
                   const std::string& text = "", size_t anchor = 0, size_t caret = 0)
        : HeadlessScreen(script) {
        frame.Make(ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
        ws.SetMainWindow(frame.Handle());
        options.font = Font::Create("", 12);
        edit.Create(ws, frame.Handle(), kField, options);
        edit.Focus();
        edit.SetText(text);
        edit.SetSelection(anchor, caret);
        log.clear();
    }
    void OnKeyPressed(uint8_t key) override {
        log.push_back("edit key " + std::to_string(key) + " " + edit.Text());
    }
    void OnFocusLost() override { log.push_back("edit lost " + edit.Text()); }
    int32_t Width(const std::string& text) const {
        return Font::Create("", 12)->MeasureWidth(text);
    }

    Recorder frame{"frame", log};
    EditControl edit{this};
};

TEST(EditControl, EditsByKeysAndTheClipboard) {
    struct Case {
        const char* text;
        size_t anchor, caret;
        const char* script;
        const char* want;
        size_t wantAnchor, wantCaret;
    } cases[] = {
        {"", 0, 0, "type abc", "abc", 3, 3},
        {"abc", 0, 0, "key End\nkey BackSpace\nkey BackSpace", "a", 1, 1},
        {"abcd", 1, 1, "key Delete", "acd", 1, 1},
        {"abcd", 4, 4, "key Delete\nkey Home\nkey BackSpace\nkey Left", "abcd", 0, 0},
        {"abcd", 0, 0, "key Right\nkey Shift+Right\nkey Shift+Right\ntype X", "aXd", 2, 2},
        {"abcd", 4, 4, "key Shift+Home\nkey Left", "abcd", 0, 0},
        {"abcd", 0, 0, "key Shift+End\nkey Right\nkey Right", "abcd", 4, 4},
        {"abcd", 3, 1, "key Shift+Left", "abcd", 3, 0},
        {"hello", 1, 3, "key BackSpace", "hlo", 1, 1},
        {"hello", 3, 1, "key Delete", "hlo", 1, 1},
        {"ab cd  ef", 9, 9, "key Ctrl+Left\nkey Ctrl+Shift+Left", "ab cd  ef", 7, 3},
        {"ab cd", 0, 0, "key Ctrl+Right\nkey Ctrl+Right", "ab cd", 5, 5},
        {"hello", 1, 1, "key Ctrl+A\ntype J", "J", 1, 1},
        {"ab", 2, 2, "key Enter\nkey Escape\nkey Tab\nkey Alt+X", "ab", 2, 2},
        {"hello world", 0, 5, "key Ctrl+C\nkey End\nkey Ctrl+V", "hello worldhello", 16, 16},
        {"hello", 0, 2, "key Ctrl+X\nkey End\nkey Ctrl+V", "llohe", 5, 5},
        {"abc", 0, 1, "key Shift+Delete\nkey End\nkey Shift+Insert", "bca", 3, 3},
        {"abc", 1, 3, "key Ctrl+Insert\nkey Home\nkey Shift+Insert", "bcabc", 2, 2},
        {"abc", 0, 3, "key Ctrl+V", "abc", 0, 3},  // an empty clipboard pastes nothing
    };
    for (const Case& c : cases) {
        Field f(c.script, {}, c.text, c.anchor, c.caret);
        f.ws.Run();
        EXPECT_EQ(f.edit.Text(), c.want) << c.script;
        EXPECT_EQ(f.edit.Anchor(), c.wantAnchor) << c.script;
        EXPECT_EQ(f.edit.Caret(), c.wantCaret) << c.script;
    }
}

TEST(EditControl, KeepsToItsWidthItsLimitAndItsMask) {
    Field wide("type " + std::string(80, 'W') + "\nkey Home\ntype W");
    wide.ws.Run();
    const std::string& full = wide.edit.Text();
    EXPECT_LE(wide.Width(full), 198);
    EXPECT_GT(wide.Width(full + "W"), 198);  // no scrolling: the next one was refused

    // A paste inserts what fits, up to a line break, without control characters.
    Field paste("key Ctrl+V");
    paste.backend.SetClipboardText("a\tb" + std::string(80, 'M') + "\r\nc");
    paste.ws.Run();
    EXPECT_EQ(paste.edit.Text().substr(0, 3), "abM");
    EXPECT_GT(paste.Width(paste.edit.Text() + "M"), 198);

    EditControl::Options options;
    options.limit = 3;
    Field limited("type abcdef", options);
    limited.ws.Run();
    EXPECT_EQ(limited.edit.Text(), "abc");

    // The mask is what must fit, and nothing leaves a password field for the clipboard.
    options.limit = 0;
    options.password = true;
    Field masked("type " + std::string(80, 'i') + "\nkey Ctrl+A\nkey Ctrl+C\nkey Ctrl+X", options);
    masked.backend.SetClipboardText("kept");
    masked.ws.Run();
    EXPECT_EQ(masked.edit.Text(), std::string(masked.edit.Text().size(), 'i'));
    EXPECT_LE(masked.Width(std::string(masked.edit.Text().size(), '*')), 198);
    EXPECT_GT(masked.Width(std::string(masked.edit.Text().size() + 1, '*')), 198);
    EXPECT_EQ(masked.backend.ClipboardText(), "kept");
}

TEST(EditControl, TellsItsOwnerOfKeysAfterTheyActAndOfTheFocusAtOnce) {
    Field f("type a\nkey Enter\nkey Shift+Left\n");
    f.ws.Run();
    EXPECT_THAT(f.Only("edit "), ElementsAre("edit key 65 a", "edit key 13 a", "edit key 16 a",
                                             "edit key 37 a", "edit lost a"));

    Field g("");
    g.edit.SetText("typed");
    g.ws.SetFocus(g.frame.Handle());
    EXPECT_THAT(g.log, ElementsAre("edit lost typed", "frame:set-focus"));
}

TEST(EditControl, SelectsWithTheMouseAndTakesTheFocusWithEitherButton) {
    // A press at the left end, a drag past the right edge with the capture, a release; then a
    // right press after the frame took the focus, and a double click.
    Field f(
        "press 11 20\nmove 400 20\nrelease 400 20\nprint dragged\nrpress 50 20\n"
        "rrelease 50 20\nprint right\nwait 600\nclick 30 20\nclick 30 20\n",
        {}, "some text");
    f.ws.SetFocus({});
    f.backend.SetPrintExpander([&](const std::string& what) {
        f.log.push_back(what + " " + std::to_string(f.edit.Anchor()) + "," +
                        std::to_string(f.edit.Caret()) + (f.edit.HasFocus() ? " focus" : "") +
                        (f.ws.Capture() ? " capture" : ""));
        if (what == "dragged") {
            f.ws.SetFocus(f.frame.Handle());
        }
        return what;
    });
    f.ws.Run();
    EXPECT_THAT(f.Only(" focus"), ElementsAre("dragged 0,9 focus", "right 0,9 focus"));
    EXPECT_EQ(f.edit.Anchor(), 0u);
    EXPECT_EQ(f.edit.Caret(), 9u);  // the double click selected everything
}

TEST(EditControl, PaintsItsColoursSelectionAndABlinkingCaretOnlyWhileFocused) {
    const Color ink = Rgb(10, 20, 30), paper = Rgb(200, 220, 240);
    EditControl::Options options;
    options.textColor = ink;
    options.background = paper;
    Field f("", options);
    const auto pixel = [&](int32_t x) {
        f.ws.RunPending();
        return f.ws.Framebuffer().PixelAt(kField.left + x, kField.top + 2);
    };
    EXPECT_EQ(pixel(EditControl::kMargin), ink);  // the caret, on at first
    EXPECT_EQ(pixel(EditControl::kMargin + 5), paper);
    f.backend.Sleep(EditControl::kCaretBlinkMs);
    EXPECT_EQ(pixel(EditControl::kMargin), paper);
    f.backend.Sleep(EditControl::kCaretBlinkMs);
    EXPECT_EQ(pixel(EditControl::kMargin), ink);

    f.edit.SetText("    ");
    f.edit.SetSelection(0, 4);
    EXPECT_EQ(pixel(EditControl::kMargin + 2), Rgb(0, 120, 215));
    f.ws.SetFocus(f.frame.Handle());
    EXPECT_EQ(pixel(EditControl::kMargin + 2), paper);  // no selection shown, no caret
    f.backend.Sleep(EditControl::kCaretBlinkMs * 3);
    EXPECT_EQ(pixel(EditControl::kMargin + f.Width("    ")), paper);
}

}  // namespace
}  // namespace stagehand::testing
