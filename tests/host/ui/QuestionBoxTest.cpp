#include "host/ui/QuestionBox.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Recorder.h"

namespace stagehand::testing {
namespace {

const std::vector<std::string> kButtons = {"Allow once", "Always for this title", "No"};

// A title's window that holds the focus and the capture, and a question over it; the script
// is the user. Answers and what reached the title go to the log.
struct Asked : HeadlessScreen {
    explicit Asked(const std::string& script) : HeadlessScreen(script) {
        title.Make(ws, {0, 0, 640, 480}, style::kPopup | style::kVisible);
        ws.SetMainWindow(title.Handle());
        ws.SetFocus(title.Handle());
        ws.SetCapture(title.Handle());
        title.recordMoves = false;
        EXPECT_TRUE(box.Show(ws, "Stagehand", "This title wants to start SETUP.EXE.", kButtons,
                             [this](size_t button) { answers.push_back(button); }));
        log.clear();
    }
    // What reached the title's window, paints and focus aside.
    std::vector<std::string> TitleInput() const {
        std::vector<std::string> input;
        for (const std::string& line : log) {
            if (line.find("paint") == std::string::npos &&
                line.find("focus") == std::string::npos &&
                line.find("capture") == std::string::npos && line != "title:close" &&
                line != "title:destroy") {
                input.push_back(line);
            }
        }
        return input;
    }

    Recorder title{"title", log};
    QuestionBox box;
    std::vector<size_t> answers;
};

std::string ClickOn(const Rect& r) {
    return "click " + std::to_string(r.left + r.Width() / 2) + " " +
           std::to_string(r.top + r.Height() / 2) + "\n";
}

// Every way to answer, and every way not to: input never reaches the title while the box
// stands, whoever held the capture, and after the answer the focus is back with the title.
TEST(QuestionBox, AnswersByKeysAndClicksAndKeepsInputFromTheTitle) {
    std::vector<Rect> buttons;
    {
        Asked probe("");
        for (size_t i = 0; i < kButtons.size(); ++i) {
            buttons.push_back(probe.box.ButtonOnScreen(i));
        }
        EXPECT_EQ(probe.box.Focused(), 2u);  // the cautious answer first
    }
    const Rect first = buttons[0];
    struct Case {
        std::string script;
        std::optional<size_t> answer;
    } cases[] = {
        {"key Enter", 2},
        {"key Escape", 2},
        {"key Left\nkey Left\nkey Space", 0},
        {"key Right\nkey Enter", 0},  // round from the last to the first
        {"key Tab\nkey Tab\nkey Enter", 1},
        {"key Shift+Tab\nkey Enter", 1},
        {ClickOn(buttons[1]), 1},
        {ClickOn(first), 0},
        // Pressed on one button and released off it: nothing, as on the desktop.
        {"press " + std::to_string(first.left + 2) + " " + std::to_string(first.top + 2) +
             "\nrelease 5 5",
         std::nullopt},
        {"click 5 5\nkey A\nrpress 5 5\nrrelease 5 5", std::nullopt},
    };
    for (const Case& c : cases) {
        Asked asked(c.script);
        asked.ws.Run();
        EXPECT_EQ(asked.answers, c.answer ? std::vector<size_t>{*c.answer} : std::vector<size_t>{})
            << c.script;
        EXPECT_EQ(asked.TitleInput(), std::vector<std::string>{}) << c.script;
        EXPECT_EQ(asked.box.HasWindow(), !c.answer) << c.script;
        if (c.answer) {
            EXPECT_EQ(asked.ws.Modal(), WindowHandle{});
            EXPECT_EQ(asked.ws.Focus(), asked.title.Handle()) << c.script;
        }
    }
}

// Once answered, the title has its input again; a box whose window goes without an answer
// (the play ends) answers nothing.
TEST(QuestionBox, GivesInputBackAndAnswersNothingWhenItGoesUnanswered) {
    Asked asked("key Enter\nkey A");
    asked.ws.Run();
    EXPECT_EQ(asked.answers, std::vector<size_t>{2});
    EXPECT_EQ(asked.Only("title:key"),
              (std::vector<std::string>{"title:key 65 0", "title:keyup 65"}));

    Asked gone("");
    gone.ws.Destroy(gone.title.Handle());
    gone.box.DestroyWindow();
    EXPECT_EQ(gone.answers, std::vector<size_t>{});
    EXPECT_FALSE(gone.box.Show(gone.ws, "x", "q", {}, {}));  // a box needs a button
}

}  // namespace
}  // namespace stagehand::testing
