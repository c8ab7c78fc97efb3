#include "app/LibraryTitle.h"

#include <algorithm>
#include <cstdlib>

#include "app/TitlePicture.h"
#include "host/files/FileReplacement.h"
#include "host/files/TextEncoding.h"
#include "host/files/UserFolders.h"
#include "host/gfx/BmpWriter.h"
#include "host/gfx/Color.h"

namespace stagehand {

namespace fs = std::filesystem;

namespace {

// The page's layout, in the 640x480 screen.
constexpr int kRowTop = 64;
constexpr int kRowHeight = 50;
constexpr int kNoticeTop = 362;
constexpr host::Size kPictureSize{64, 48};
constexpr host::Size kNameButton{400, 24};
constexpr host::Size kButton{150, 30};
constexpr int kButtonsTop = 390;
constexpr int kFieldTop = 436;

host::Color Mix(host::Color a, host::Color b, int step, int steps) {
    const auto blend = [&](uint8_t x, uint8_t y) {
        return static_cast<uint8_t>(x + (y - x) * step / std::max(1, steps));
    };
    return host::Rgb(blend(host::RedOf(a), host::RedOf(b)),
                     blend(host::GreenOf(a), host::GreenOf(b)),
                     blend(host::BlueOf(a), host::BlueOf(b)));
}

host::Surface Gradient(host::Size size, host::Color top, host::Color bottom) {
    host::Surface surface(size.width, size.height);
    for (int32_t y = 0; y < size.height; ++y) {
        surface.Fill({0, y, size.width, y + 1}, Mix(top, bottom, y, size.height - 1));
    }
    return surface;
}

// A button's three cuts one above the other: normal, highlighted, pressed.
host::Surface ButtonCuts(host::Size size) {
    host::Surface cuts(size.width, size.height * 3);
    const host::Color tops[3] = {host::Rgb(70, 96, 140), host::Rgb(96, 128, 180),
                                 host::Rgb(200, 176, 96)};
    const host::Color bottoms[3] = {host::Rgb(38, 54, 86), host::Rgb(56, 78, 120),
                                    host::Rgb(150, 120, 50)};
    for (int cut = 0; cut < 3; ++cut) {
        const host::Surface face = Gradient(size, tops[cut], bottoms[cut]);
        cuts.Blit(face, face.Bounds(), {0, size.height * cut});
    }
    return cuts;
}

// The title's picture as its button: the picture, and beneath it the same with a light frame
// for the highlighted cut.
host::Surface PictureCuts(const host::Surface& picture) {
    const host::Surface small = TitlePicture::Shrink(picture, kPictureSize);
    host::Surface cuts(kPictureSize.width, kPictureSize.height * 2, host::Rgb(16, 24, 40));
    const host::Point at{(kPictureSize.width - small.Width()) / 2,
                         (kPictureSize.height - small.Height()) / 2};
    cuts.Blit(small, small.Bounds(), at);
    cuts.Blit(small, small.Bounds(), {at.x, at.y + kPictureSize.height});
    const host::Color light = host::Rgb(255, 232, 150);
    const int32_t top = kPictureSize.height;
    const int32_t w = kPictureSize.width;
    const int32_t h = kPictureSize.height;
    cuts.Fill({0, top, w, top + 2}, light);
    cuts.Fill({0, top + h - 2, w, top + h}, light);
    cuts.Fill({0, top, 2, top + h}, light);
    cuts.Fill({w - 2, top, w, top + h}, light);
    return cuts;
}

void Place(std::string& out, int left, int top, int width, int height) {
    out += "Left=" + std::to_string(left) + "\nTop=" + std::to_string(top) +
           "\nWidth=" + std::to_string(width) + "\nHeight=" + std::to_string(height) + "\n";
}

void TextButton(std::string& out, const std::string& name, int left, int top, host::Size size,
                const std::string& image, const std::string& text) {
    out += "\n[" + name + "]\nType=TextButton\n";
    Place(out, left, top, size.width, size.height);
    out += "ImageFile=" + image + "\nHighlightY=" + std::to_string(size.height) +
           "\nSelectedY=" + std::to_string(size.height * 2) + "\nText=" + text +
           "\nFontName=Arial\nFontSize=11\nFontColorNormal=255, 255, 255\n"
           "FontColorHighlight=255, 232, 150\nFontColorClick=40, 28, 8\n";
}

void Label(std::string& out, const std::string& name, int left, int top, int width, int height,
           const std::string& text, int fontSize, const char* color, const char* align) {
    out += "\n[" + name + "]\nType=Label\n";
    Place(out, left, top, width, height);
    out += "Text=" + text + "\nFontName=Arial\nFontSize=" + std::to_string(fontSize) +
           "\nFontColorNormal=" + color + "\nHorizAlign=" + align + "\n";
}

void Choice(std::string& out, const std::string& queue, std::string_view value) {
    out += "\n[" + queue + "]\n1=" + std::string(LibraryTitle::kChoiceRole) + ".Set(Value," +
           std::string(value) + ")\n2=Director.End()\n";
}

// A location under the user's home folder as the desktop shows it: `~/titles/Ocean`.
std::string ShownLocation(const std::string& location) {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        return location;
    }
    std::string prefix(home);
    while (prefix.size() > 1 && prefix.back() == '/') {
        prefix.pop_back();
    }
    if (location.size() > prefix.size() && location.starts_with(prefix) &&
        location[prefix.size()] == '/') {
        return "~" + location.substr(prefix.size());
    }
    return location;
}

}  // namespace

fs::path LibraryTitle::DefaultFolder() {
    return host::UserCacheFolder() / "library";
}

std::string LibraryTitle::ShownText(std::string_view utf8, size_t maxCharacters) {
    std::string text = host::Utf8ToCp1252(utf8);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            c = '?';
        } else if (c == '[') {
            c = '(';
        } else if (c == ']') {
            c = ')';
        } else if (c == '\\') {
            c = '/';
        }
    }
    if (text.size() > maxCharacters && maxCharacters > 3) {
        text = "..." + text.substr(text.size() - (maxCharacters - 3));
    }
    return text;
}

std::string LibraryTitle::Roles(const std::vector<RecentTitle>& titles,
                                const std::vector<bool>& withPicture, bool hasDemo,
                                const std::string& notice) {
    const size_t shown = std::min(titles.size(), kShownTitles);
    std::string out =
        "; The library: the titles played recently, the demo, and a field to open another.\n"
        "[Director]\nApplicationWindowName=" +
        std::string(kWindowName) +
        "\nChild1=Shelf\nKeyList=Escape\nState1=" + std::string(kChoiceRole) + ", String\n";
    std::vector<std::string> children = {"Heading"};
    if (shown == 0) {
        children.emplace_back("Nothing");
    }
    for (size_t i = 1; i <= shown; ++i) {
        if (withPicture[i - 1]) {
            children.push_back("Picture" + std::to_string(i));
        }
        children.push_back("Pick" + std::to_string(i));
        children.push_back("Where" + std::to_string(i));
    }
    if (!notice.empty()) {
        children.emplace_back("Notice");
    }
    children.insert(children.end(),
                    {"OpenButton", "QuitButton", "FieldLabel", std::string(kPathRole)});
    if (hasDemo) {
        children.emplace_back("DemoButton");
    }
    out += "\n[Shelf]\nType=Scene\n";
    Place(out, 0, 0, 640, 480);
    out += "ImageFilename=back.bmp\n";
    for (size_t i = 0; i < children.size(); ++i) {
        out += "Child" + std::to_string(i + 1) + "=" + children[i] + "\n";
    }
    Label(out, "Heading", 0, 16, 640, 34,
          shown == 0 ? "Stagehand" : "Stagehand: the titles played recently", 18, "255, 255, 255",
          "Center");
    if (shown == 0) {
        Label(out, "Nothing", 0, 160, 640, 30,
              "No title has been played yet. Type a folder or disc image below.", 12,
              "200, 216, 240", "Center");
    }
    for (size_t i = 1; i <= shown; ++i) {
        const RecentTitle& title = titles[i - 1];
        const int top = kRowTop + static_cast<int>(i - 1) * kRowHeight;
        const std::string n = std::to_string(i);
        if (withPicture[i - 1]) {
            out += "\n[Picture" + n + "]\nType=Hotspot\n";
            Place(out, 40, top, kPictureSize.width, kPictureSize.height);
            out += "ImageFile=picture" + n +
                   ".bmp\nHighlightY=" + std::to_string(kPictureSize.height) +
                   "\nSelectedY=" + std::to_string(kPictureSize.height) + "\n";
        }
        TextButton(out, "Pick" + n, 116, top, kNameButton, "name-button.bmp",
                   ShownText(title.name, 60));
        Label(out, "Where" + n, 116, top + 26, 500, 20,
              ShownText(ShownLocation(title.location), 80), 9, "176, 192, 216", "Left");
    }
    if (!notice.empty()) {
        Label(out, "Notice", 40, kNoticeTop, 560, 22, ShownText(notice, 90), 10, "255, 200, 120",
              "Center");
    }
    TextButton(out, "OpenButton", 40, kButtonsTop, kButton, "button.bmp", "Open");
    if (hasDemo) {
        TextButton(out, "DemoButton", 245, kButtonsTop, kButton, "button.bmp", "The demo");
    }
    TextButton(out, "QuitButton", 450, kButtonsTop, kButton, "button.bmp", "Quit");
    Label(out, "FieldLabel", 40, kFieldTop + 4, 150, 22, "Folder or disc image:", 10,
          "200, 216, 240", "Left");
    out += "\n[" + std::string(kPathRole) + "]\nType=Edittext\n";
    Place(out, 190, kFieldTop, 225, 26);
    out +=
        "FontName=Arial\nFontSize=11\nFontColor=20, 20, 40\nBackgroundColor=255, 255, 240\n"
        "MaxCharacters=1000\nIsInFocus=1\n";
    return out;
}

std::string LibraryTitle::Messages(size_t shownTitles, const std::vector<bool>& withPicture,
                                   bool hasDemo) {
    std::string out = "; Every choice is kept in " + std::string(kChoiceRole) +
                      " and ends the library's play; the player then plays what was chosen.\n";
    for (size_t i = 1; i <= shownTitles; ++i) {
        const std::string n = std::to_string(i);
        Choice(out, "Pick" + n + "|Click", n);
        if (withPicture[i - 1]) {
            Choice(out, "Picture" + n + "|Click", n);
        }
    }
    if (hasDemo) {
        Choice(out, "DemoButton|Click", kDemo);
    }
    Choice(out, "OpenButton|Click", kOpen);
    Choice(out, std::string(kPathRole) + "|OnEnterKey", kOpen);
    Choice(out, "QuitButton|Click", kQuit);
    Choice(out, "Director|Key_Escape", kQuit);
    // The field has the keys while it has the focus.
    Choice(out, std::string(kPathRole) + "|OnEscapeKey", kQuit);
    return out;
}

base::Result<void> LibraryTitle::Write(const fs::path& folder,
                                       const std::vector<RecentTitle>& titles, bool hasDemo,
                                       const std::string& notice) {
    if (base::Result<void> made = host::MakePrivateFolders(folder, "the library's folder"); !made) {
        return made;
    }
    const size_t shown = std::min(titles.size(), kShownTitles);
    std::vector<bool> withPicture(shown, false);
    std::vector<std::pair<std::string, std::string>> files;
    for (size_t i = 0; i < shown; ++i) {
        if (std::optional<host::Surface> picture = TitlePicture::Read(titles[i].location)) {
            withPicture[i] = true;
            files.emplace_back("picture" + std::to_string(i + 1) + ".bmp",
                               host::EncodeBmp(PictureCuts(*picture)));
        }
    }
    files.emplace_back("back.bmp", host::EncodeBmp(Gradient({640, 480}, host::Rgb(34, 50, 82),
                                                            host::Rgb(12, 18, 32))));
    files.emplace_back("button.bmp", host::EncodeBmp(ButtonCuts(kButton)));
    files.emplace_back("name-button.bmp", host::EncodeBmp(ButtonCuts(kNameButton)));
    files.emplace_back("roles.mii", Roles(titles, withPicture, hasDemo, notice));
    files.emplace_back("msg.mii", Messages(shown, withPicture, hasDemo));
    for (const auto& [name, bytes] : files) {
        if (base::Result<void> written = host::ReplaceFile(folder / name, bytes); !written) {
            return base::Failure("cannot write the library's " + name + ": " + written.error());
        }
    }
    return {};
}

}  // namespace stagehand
