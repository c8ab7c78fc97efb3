#include "app/Library.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "app/Application.h"
#include "app/DefaultTitle.h"
#include "app/LibraryTitle.h"
#include "app/RecentTitles.h"
#include "app/TitlePicture.h"
#include "host/files/ProfileFile.h"
#include "host/files/TextEncoding.h"
#include "host/ui/Messages.h"
#include "kernel/Container.h"
#include "kernel/Player.h"
#include "visual/EditText.h"

namespace stagehand {

namespace fs = std::filesystem;

namespace {

using Fault = std::function<void(const std::string&)>;

// The exit code of a play that could not start (CApplication's).
constexpr int kNotStarted = 1;

// The bundled demo's folder, when it is there.
std::optional<fs::path> DemoFolder() {
    const std::vector<fs::path> candidates = DefaultTitleCandidates(ProgramFolder());
    for (size_t i = 1; i < candidates.size(); ++i) {
        if (HoldsTitle(candidates[i])) {
            return candidates[i];
        }
    }
    return std::nullopt;
}

bool SameFolder(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

// What the user named, as the list keeps it: absolute, without a trailing slash. A disc
// image's folder (`disc.iso:/GAME`) stays as it was written after the image's name.
std::string LocationOf(const std::string& given) {
    std::error_code ec;
    std::string location = fs::absolute(fs::path(given), ec).lexically_normal().string();
    if (ec) {
        location = given;
    }
    while (location.size() > 1 && location.back() == '/') {
        location.pop_back();
    }
    return location;
}

// The text the user typed or dropped, as a path: blanks and one pair of quotes around it
// removed, `~/` for the home folder.
std::string PathFromUser(std::string text) {
    const std::string_view trimmed = host::TrimProfileBlanks(text);
    text = std::string(trimmed);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    if (text.starts_with("~/")) {
        if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
            text = std::string(home) + text.substr(1);
        }
    }
    return text;
}

int64_t SecondsNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// One play of a title; when `remember` is set, the title goes into the list as it starts
// and its picture is kept.
int PlayOne(const PlayerOptions& options, bool remember, std::ostream& out, std::ostream& err,
            const Fault& fault) {
    CApplication application;
    if (!remember) {
        return application.Run(options, out, err);
    }
    const std::string location = LocationOf(options.titleFolder);
    CPlayer* playing = nullptr;
    bool pictureKept = false;
    std::optional<uint32_t> startedAt;
    const auto keepPicture = [&]() {
        if (pictureKept || playing == nullptr || playing->Windows() == nullptr) {
            return;
        }
        pictureKept = true;
        if (base::Result<void> kept =
                TitlePicture::Keep(playing->Windows()->Framebuffer(), location);
            !kept) {
            fault("the title's picture is not kept: " + kept.error());
        }
    };
    application.SetFirstFrameHook([&](CPlayer& player) {
        playing = &player;
        std::string name = player.Director() != nullptr
                               ? player.Director()->GetProperty("ApplicationWindowName")
                               : std::string();
        name = name.empty() ? FallbackTitleName(location) : host::Cp1252ToUtf8(name);
        const fs::path file = RecentTitles::DefaultFile();
        RecentTitles recent = RecentTitles::Load(file, fault);
        if (recent.Remember({location, name, SecondsNow()})) {
            if (base::Result<void> saved = recent.Save(file); !saved) {
                fault("the title is not remembered: " + saved.error());
            }
        }
    });
    application.AddFrameStepper([&](uint32_t now) -> host::IdleRequest {
        if (pictureKept || playing == nullptr) {
            return {};
        }
        if (!startedAt) {
            startedAt = now;
        }
        if (now - *startedAt >= TitlePicture::kTakenAfterMs) {
            keepPicture();
            return {};
        }
        return {true, *startedAt + TitlePicture::kTakenAfterMs};
    });
    application.SetCloseHook([&](CPlayer&) { keepPicture(); });
    return application.Run(options, out, err);
}

// What the user did in the library.
struct Choice {
    std::string chosen;   // the choice role's value
    std::string typed;    // the entry field's text (UTF-8)
    std::string dropped;  // a file dropped on the window
};

// Plays the library and says what was chosen; the exit code when nothing is to play next.
std::variant<int, Choice> PlayLibrary(const PlayerOptions& options, const RecentTitles& recent,
                                      bool hasDemo, const std::string& notice, std::ostream& out,
                                      std::ostream& err) {
    const fs::path folder = LibraryTitle::DefaultFolder();
    if (base::Result<void> written = LibraryTitle::Write(folder, recent.Titles(), hasDemo, notice);
        !written) {
        err << "stagehand: the library cannot be opened: " << written.error() << '\n';
        return 1;
    }
    PlayerOptions library = options;
    library.library = false;
    library.titleFolder = folder.string();
    library.cd.reset();
    Choice choice;
    CApplication application;
    application.SetFirstFrameHook([&choice](CPlayer& player) {
        if (host::WindowSystem* windows = player.Windows()) {
            windows->SetDropHook([&choice, &player, windows](const std::string& path) {
                choice.dropped = path;
                windows->Post(player.MainFrame(), host::msg::kClose);
            });
        }
    });
    application.SetCloseHook([&choice](CPlayer& player) {
        std::string value = "[" + std::string(LibraryTitle::kChoiceRole) + ".Value]";
        if (player.Stage().ExpandTags(value, nullptr)) {
            choice.chosen = value;
        }
        const auto* field =
            dynamic_cast<const CEditText*>(player.Stage().Find(LibraryTitle::kPathRole));
        if (field != nullptr && field->Control() != nullptr) {
            choice.typed = host::Cp1252ToUtf8(field->Control()->Text());
        }
    });
    const int code = application.Run(library, out, err);
    if (code != 0) {
        return code;
    }
    return choice;
}

// The title the choice names; empty for none.
std::string ChosenTitle(const Choice& choice, const RecentTitles& recent,
                        const std::optional<fs::path>& demo) {
    if (!choice.dropped.empty()) {
        return PathFromUser(choice.dropped);
    }
    if (choice.chosen == LibraryTitle::kDemo && demo) {
        return demo->string();
    }
    if (choice.chosen == LibraryTitle::kOpen) {
        return PathFromUser(choice.typed);
    }
    const size_t shown = std::min(recent.Titles().size(), LibraryTitle::kShownTitles);
    for (size_t i = 0; i < shown; ++i) {
        if (choice.chosen == std::to_string(i + 1)) {
            return recent.Titles()[i].location;
        }
    }
    return {};
}

}  // namespace

int PlayTitles(const PlayerOptions& options, std::ostream& out, std::ostream& err) {
    const Fault fault = [&err](const std::string& line) { err << "stagehand: " << line << '\n'; };
    const std::optional<fs::path> demo = DemoFolder();
    const auto isDemo = [&demo](const std::string& folder) {
        return demo && SameFolder(folder, *demo);
    };
    bool openLibrary = options.library;
    if (!openLibrary && options.titleFolder.empty() && !options.headless &&
        !HoldsTitle(ProgramFolder())) {
        openLibrary = !RecentTitles::Load(RecentTitles::DefaultFile(), {}).Empty();
    }
    if (!openLibrary) {
        const bool remember =
            !options.headless && !options.titleFolder.empty() && !isDemo(options.titleFolder);
        return PlayOne(options, remember, out, err, fault);
    }
    // A chosen title that cannot start brings the library back, saying why; a headless run
    // gives its script to the first library only.
    PlayerOptions libraryOptions = options;
    std::string notice;
    for (;;) {
        const RecentTitles recent = RecentTitles::Load(RecentTitles::DefaultFile(), fault);
        std::variant<int, Choice> played =
            PlayLibrary(libraryOptions, recent, demo.has_value(), notice, out, err);
        libraryOptions.input.reset();
        if (const int* code = std::get_if<int>(&played)) {
            return *code;
        }
        const std::string next = ChosenTitle(std::get<Choice>(played), recent, demo);
        if (next.empty()) {
            return 0;  // Quit, the window closed, or an empty field
        }
        PlayerOptions title = options;
        title.library = false;
        title.titleFolder = next;
        // The script was the library's; the chosen title starts and closes.
        title.input.reset();
        std::ostringstream refusal;
        const int code = PlayOne(title, !options.headless && !isDemo(next), out, refusal, fault);
        err << refusal.str();
        if (code != kNotStarted) {
            return code;
        }
        notice = refusal.str().substr(0, refusal.str().find('\n'));
        if (notice.starts_with("stagehand: ")) {
            notice.erase(0, 11);
        }
        notice = "Not played: " + notice;
    }
}

}  // namespace stagehand
