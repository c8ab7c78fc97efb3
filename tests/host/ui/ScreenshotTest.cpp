// The framebuffer as a headless run's `shot` writes it, compared with a picture checked by
// eye. Set STAGEHAND_UPDATE_PICTURES=1 to write the picture anew after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "Recorder.h"
#include "host/gfx/Font.h"
#include "host/gfx/Png.h"
#include "host/gfx/TextFormat.h"
#include "support/TempFolder.h"

namespace stagehand::testing {
namespace {

constexpr Color kGrey = Rgb(96, 96, 96);
constexpr Color kBlue = Rgb(40, 60, 200);
constexpr Color kRed = Rgb(200, 30, 30);
constexpr Color kYellow = Rgb(250, 230, 80);

// A window that draws text on whatever is below it (it never erases).
class Label : public Window {
  public:
    Label(std::string text, uint32_t format, Color color)
        : text_(std::move(text)), format_(format), color_(color) {}

  protected:
    intptr_t OnMessage(const Message& m) override {
        if (m.id == msg::kEraseBackground) {
            return 1;
        }
        if (m.id != msg::kPaint) {
            return DefaultMessage(m);
        }
        Canvas canvas = System()->BeginPaint(Handle());
        canvas.DrawText(*font_, text_, System()->ClientRect(Handle()), color_, format_);
        return 0;
    }

  private:
    std::string text_;
    uint32_t format_;
    Color color_;
    std::shared_ptr<const Font> font_ = Font::Create("Arial", 14);
};

// Counts pixels whose channels differ by more than `tolerance`.
int CountDifferences(const Surface& a, const Surface& b, int tolerance) {
    int differ = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const Color p = a.PixelAt(x, y), q = b.PixelAt(x, y);
            if (std::abs(RedOf(p) - RedOf(q)) > tolerance ||
                std::abs(GreenOf(p) - GreenOf(q)) > tolerance ||
                std::abs(BlueOf(p) - BlueOf(q)) > tolerance) {
                ++differ;
            }
        }
    }
    return differ;
}

TEST(Screenshot, FilledWindowsCoveredSiblingAndText) {
    TempFolder folder;
    std::ostringstream out, errors;
    HeadlessBackend backend(ParseInputScript("shot screen.png\n"), out, errors, folder.Path());
    WindowSystem ws(backend, {640, 480});

    Window frame;
    frame.CreateWindow(
        ws, {"frame", style::kPopup | style::kVisible, {0, 0, 640, 480}, {}, false, kGrey});
    ws.SetMainWindow(frame.Handle());
    Window covered, cover;
    covered.CreateWindow(ws, {"covered",
                              kShownChild | style::kClipSiblings,
                              {250, 200, 450, 330},
                              frame.Handle(),
                              false,
                              kRed});
    cover.CreateWindow(ws, {"cover",
                            kShownChild | style::kClipSiblings,
                            {100, 100, 300, 250},
                            frame.Handle(),
                            false,
                            kBlue});
    Label wrapped("The quick brown fox jumps over the lazy dog.\r\nA second paragraph.",
                  text_format::kLeft | text_format::kWordBreak, kYellow);
    wrapped.CreateWindow(ws,
                         {"wrapped", kShownChild, {20, 300, 200, 420}, frame.Handle(), false, {}});
    Label centred("Centred",
                  text_format::kCenter | text_format::kVerticalCenter | text_format::kSingleLine,
                  Rgb(255, 255, 255));
    centred.CreateWindow(ws, {"centred", kShownChild, {0, 0, 200, 150}, cover.Handle(), false, {}});
    ws.Run();
    ASSERT_TRUE(errors.str().empty()) << errors.str();

    const auto shot = ReadPng((folder.Path() / "screen.png").string());
    ASSERT_TRUE(shot) << shot.error();
    // The fills are exact: the covered window shows only where the cover is not.
    EXPECT_EQ(shot->PixelAt(5, 5), kGrey);
    EXPECT_EQ(shot->PixelAt(110, 110), kBlue);
    EXPECT_EQ(shot->PixelAt(290, 240), kBlue);  // over the covered window
    EXPECT_EQ(shot->PixelAt(310, 260), kRed);
    EXPECT_EQ(shot->PixelAt(449, 329), kRed);
    EXPECT_EQ(shot->PixelAt(450, 330), kGrey);

    const std::filesystem::path expected =
        std::filesystem::path(std::getenv("STAGEHAND_TEST_DATA")) / "host/ui/screenshot.png";
    if (std::getenv("STAGEHAND_UPDATE_PICTURES")) {
        const base::Result<void> written = WritePng(*shot, expected.string());
        ASSERT_TRUE(written) << written.error();
        GTEST_SKIP() << "picture written to " << expected;
    }
    const auto reference = ReadPng(expected.string());
    ASSERT_TRUE(reference) << reference.error();
    ASSERT_EQ(reference->Dimensions(), shot->Dimensions());
    // Glyph edges may shift by a shade between font builds; shapes may not move.
    EXPECT_LE(CountDifferences(*shot, *reference, 40), 30);
}

}  // namespace
}  // namespace stagehand::testing
