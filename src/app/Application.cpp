#include "app/Application.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/DefaultTitle.h"
#include "app/Library.h"
#include "app/MainFrame.h"
#include "app/PlayerControls.h"
#include "app/PlayerKit.h"
#include "app/UserSettings.h"
#include "check/TitleChecker.h"
#include "director/Director.h"
#include "host/audio/SoundDevice.h"
#include "host/disc/DiscTitle.h"
#include "host/files/ProfileFile.h"
#include "host/files/ProfileReader.h"
#include "host/files/SaveFolder.h"
#include "host/files/SettingsFile.h"
#include "host/files/TextEncoding.h"
#include "host/files/TitlePaths.h"
#include "host/files/UserFolders.h"
#include "host/gfx/Font.h"
#include "host/headless/HeadlessBackend.h"
#include "host/sdl/SdlBackend.h"
#include "host/system/InstanceLock.h"
#include "host/system/ProgramConsent.h"
#include "host/system/ProgramStart.h"
#include "host/ui/InputText.h"
#include "host/ui/QuestionBox.h"
#include "kernel/Player.h"
#include "media/VideoBusy.h"
#include "trace/Trace.h"

namespace stagehand {

namespace fs = std::filesystem;

// Everything one play sets up. The members go in the reverse of their order here, which is
// the order that what depends on what needs: the player (the role types, the director with
// every role under it, the stage manager), the profile reader, the main frame, the window
// system, the sound device, the backend, the program starter, the locks; then the trace and the
// directory.
struct CApplication::Session {
    // Puts the directory the player was started in back when the play ends.
    struct StartFolder {
        fs::path path;
        bool left = false;
        ~StartFolder() {
            std::error_code ec;
            if (left) {
                fs::current_path(path, ec);
            }
        }
    } startFolder;
    std::ofstream traceFile;
    std::unique_ptr<trace::ScopedSink> traceSink;
    // Font faults go to the trace while the trace is set.
    struct FontErrors {
        bool traced = false;
        ~FontErrors() {
            if (traced) {
                host::Font::SetErrorSink({});
            }
        }
    } fontErrors;
    // The user's settings of a desktop run: read before the window opens, kept after the loop.
    std::unique_ptr<CUserSettings> settings;

    std::unique_ptr<host::TitlePaths> paths;
    std::string place;       // the title's folder or disc image, as the user knows it
    std::string rolesBytes;  // the title's roles.mii, whose hash names its save folder
    std::unique_ptr<host::SaveFolder> saves;
    std::vector<std::unique_ptr<host::InstanceLock>> locks;
    std::unique_ptr<host::ProgramStarter> programs;
    std::unique_ptr<host::ProgramConsent> consent;
    std::unique_ptr<host::Backend> backend;
    std::unique_ptr<host::SoundDevice> sound;
    std::unique_ptr<host::WindowSystem> windows;
    // The trace's clock and input, from the backend and the window system; gone before them.
    std::unique_ptr<trace::ScopedSources> traceSources;
    // The question the consent puts to the user, while it stands; the one answered last
    // otherwise.
    std::unique_ptr<host::QuestionBox> question;
    // The player's own keys, menu and pause.
    std::unique_ptr<CPlayerControls> controls;
    std::unique_ptr<CMainFrame> mainFrame;
    std::unique_ptr<host::ProfileReader> profiles;
    std::unique_ptr<CPlayer> player;

    // Answers the director's question whether another player shows the title, claiming
    // the name for this one when not. A lock that cannot be had at all is no reason to stop.
    bool OtherInstanceShows(const std::string& windowName) {
        const std::string file = host::InstanceLock::FileName(windowName);
        for (const auto& lock : locks) {
            if (lock->File().filename() == file) {
                return false;  // ours already
            }
        }
        host::InstanceLock::Result claim = host::InstanceLock::Claim(windowName);
        switch (claim.status) {
            case host::InstanceLock::Status::kClaimed:
                locks.push_back(std::move(claim.lock));
                return false;
            case host::InstanceLock::Status::kHeldElsewhere:
                return true;
            case host::InstanceLock::Status::kUnavailable:
                trace::Fault("No other player is kept from showing \"%s\": %s",
                             {windowName, claim.error});
                return false;
        }
        return false;
    }
};

namespace {

// A path the user gave, as seen from the folder the player was started in.
std::string FromStartFolder(const fs::path& startFolder, const std::string& given) {
    const fs::path path(given);
    return path.is_absolute() ? given : (startFolder / path).string();
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

}  // namespace

// The title's key: its window name (known once the director has read its role) and its
// roles.mii.
std::string CApplication::TitleKeyOf(const Session& session) {
    const std::string windowName =
        session.player && session.player->Director() != nullptr
            ? session.player->Director()->GetProperty("ApplicationWindowName")
            : std::string();
    return host::SaveFolder::TitleKey(windowName, session.rolesBytes);
}

// Where the title's saves go: the folder --save-dir names, else the user's own folder for
// this title.
fs::path CApplication::SaveFolderOf(const PlayerOptions& options, const Session& session) {
    if (options.saveDir) {
        return fs::path(FromStartFolder(session.startFolder.path, *options.saveDir));
    }
    return host::SaveFolder::DefaultFolder(TitleKeyOf(session));
}

// Whether the title may start programs and open documents: the command line's say, the
// remembered titles, and in a desktop run the user's answer to a question of the player's.
void CApplication::MakeConsent(const PlayerOptions& options, Session& session) {
    host::ProgramConsent::Settings settings;
    settings.allowAll = options.allowPrograms;
    settings.titleKey = [&session] { return TitleKeyOf(session); };
    settings.rememberedFile = host::ProgramConsent::DefaultRememberedFile();
    settings.oldFile = host::ProgramConsent::DefaultOldFile();
    if (!options.headless) {
        settings.asker = [&session](const std::string& question,
                                    host::ProgramConsent::Answer answer) {
            // The box answered last may be the one whose answer asks this: it goes here, and
            // touches nothing of itself after its answer.
            session.question = std::make_unique<host::QuestionBox>();
            const bool shown = session.question->Show(
                *session.windows, "Stagehand", host::Utf8ToCp1252(question),
                {"Allow once", "Always for this title", "No"}, [answer](size_t button) {
                    answer(button == 0   ? host::ConsentAnswer::kAllowOnce
                           : button == 1 ? host::ConsentAnswer::kAlways
                                         : host::ConsentAnswer::kNo);
                });
            if (!shown) {
                answer(host::ConsentAnswer::kNo);
            }
        };
    }
    session.consent = std::make_unique<host::ProgramConsent>(std::move(settings));
}

int CApplication::Main(std::span<const std::string_view> arguments, std::ostream& out,
                       std::ostream& err) {
    const ParsedCommandLine line = ParseCommandLine(arguments);
    switch (line.action) {
        case ParsedCommandLine::Action::kRefused:
            err << "stagehand: " << line.reason << '\n' << kTryHelp << '\n';
            return 2;
        case ParsedCommandLine::Action::kHelp:
            out << Usage();
            return 0;
        case ParsedCommandLine::Action::kVersion:
            out << VersionLine() << '\n';
            return 0;
        case ParsedCommandLine::Action::kCheck:
            return CheckTitle(line.options, out, err);
        case ParsedCommandLine::Action::kRun:
            break;
    }
    // A title, or the library and then the title chosen in it.
    return PlayTitles(line.options, out, err);
}

// `stagehand --check`: the folder given, else the title a play with no folder would play.
int CApplication::CheckTitle(const PlayerOptions& options, std::ostream& out, std::ostream& err) {
    std::string folder = options.titleFolder;
    if (folder.empty()) {
        const base::Result<fs::path> found = DefaultTitle();
        if (!found) {
            err << "stagehand: " << found.error() << '\n';
            return kRefusedExitCode;
        }
        folder = found->string();
    }
    return check::CheckTitle(folder, options.cd, out, err);
}

// The title played when none is named: the program's own folder when it holds one, else the
// bundled demo.
base::Result<fs::path> CApplication::DefaultTitle() {
    const fs::path programFolder = ProgramFolder();
    if (std::optional<fs::path> found = FindDefaultTitle(programFolder)) {
        return *found;
    }
    return base::Failure("no title folder was given, and neither " + programFolder.string() +
                         " nor the bundled demo beside the program holds a title");
}

void CApplication::AddFrameStepper(FrameStepper stepper) {
    steppers_.push_back(std::move(stepper));
}

int CApplication::Run(const PlayerOptions& options, std::ostream& out, std::ostream& err) {
    firstFrameSeen_ = false;
    Session session;
    std::error_code ec;
    session.startFolder.path = fs::current_path(ec);
    // Each step runs only when the ones before it succeeded; the first refusal is the
    // program's last word.
    const auto refuse = [&err](const base::Result<void>& step) {
        err << "stagehand: " << step.error() << '\n';
        return kRefusedExitCode;
    };
    if (const base::Result<void> entered = EnterTitleFolder(options, session); !entered) {
        return refuse(entered);
    }
    if (const base::Result<void> traced = OpenTrace(options, session, out, err); !traced) {
        return refuse(traced);
    }
    if (const base::Result<void> shown = OpenDisplay(options, session, out, err); !shown) {
        return refuse(shown);
    }
    StartPlayer(options, session);
    CPlayer& player = *session.player;
    session.windows->SetIdleHook([this, &player](int) { return Idle(player); });
    session.windows->AddPreTranslateHook([this, &player](host::Message& message) {
        if (close_ && message.id == host::msg::kClose && message.target == player.MainFrame()) {
            close_(player);
        }
        return PreTranslate(player, message);
    });
    const int exitCode = session.windows->Run();
    KeepSettings(session, err);
    return exitCode;
}

// What the user changed while playing goes into the settings file, before anything of the
// play is taken down.
void CApplication::KeepSettings(Session& session, std::ostream& err) {
    if (!session.settings) {
        return;
    }
    const base::Result<bool> kept =
        session.settings->Keep(SettingsShown(*session.backend, session.sound->Mix()));
    if (!kept) {
        err << "stagehand: the settings could not be kept in " << session.settings->File().string()
            << ": " << kept.error() << '\n';
    }
}

// The title folder becomes the current directory: the stage manager and the title's own
// relative names are read from there.
base::Result<void> CApplication::EnterTitleFolder(const PlayerOptions& options, Session& session) {
    std::string shownFolder = options.titleFolder;
    if (shownFolder.empty()) {
        const base::Result<fs::path> found = DefaultTitle();
        if (!found) {
            return found.failure();
        }
        shownFolder = found->string();
    }
    std::error_code ec;
    const fs::path folder = fs::absolute(fs::path(shownFolder), ec);
    session.place = folder.string();
    if (std::optional<base::Result<host::ImageFolder>> image = host::OpenIfDiscImage(folder)) {
        // A title on a disc image is read in the image; the current directory stays.
        if (!*image) {
            return image->failure();
        }
        session.paths = std::make_unique<host::TitlePaths>(std::move(**image));
    } else {
        if (ec || !fs::exists(folder, ec)) {
            return base::Failure("the title folder " + shownFolder + " does not exist");
        }
        if (!fs::is_directory(folder, ec)) {
            return base::Failure(shownFolder + " is not a folder");
        }
        fs::current_path(folder, ec);
        if (ec) {
            return base::Failure("cannot enter the title folder " + shownFolder + ": " +
                                 ec.message());
        }
        session.startFolder.left = true;
        session.paths = std::make_unique<host::TitlePaths>(folder);
    }
    if (options.cd) {
        const fs::path disc = FromStartFolder(session.startFolder.path, *options.cd);
        if (std::optional<base::Result<host::ImageFolder>> image = host::OpenIfDiscImage(disc)) {
            if (!*image) {
                return image->failure();
            }
            session.paths->SetDiscImage(std::move(**image));
        } else if (!fs::is_directory(disc, ec)) {
            return base::Failure("the disc folder " + *options.cd +
                                 " is neither a folder nor a disc image");
        } else {
            session.paths->SetDiscFolder(disc);
        }
    }
    const base::Result<fs::path> roles = session.paths->Locate("roles.mii");
    if (!roles) {
        return base::Failure(
            shownFolder + " is not a title: it has no roles.mii" +
            (roles.error() == host::TitlePaths::kNotFound ? "" : " (" + roles.error() + ")"));
    }
    host::FileBytes read = session.paths->Read(*roles, host::ProfileReader::kMaxFileBytes);
    if (!read.Read()) {
        return base::Failure("the roles.mii of " + shownFolder + " cannot be read: " + read.reason);
    }
    // A title starts from its director's role; a roles.mii without one (an empty or damaged
    // file, or not a role file at all) has nothing to play.
    if (host::ProfileFile::Parse(read.bytes).FindSection("Director") == nullptr) {
        return base::Failure(shownFolder +
                             " is not a title: its roles.mii has no role \"Director\"");
    }
    session.rolesBytes = std::move(read.bytes);
    session.saves = std::make_unique<host::SaveFolder>(
        [&session, options] { return SaveFolderOf(options, session); });
    return {};
}

// The trace, open before anything of the title runs. Its file is the user's, relative to
// where the player started.
base::Result<void> CApplication::OpenTrace(const PlayerOptions& options, Session& session,
                                           std::ostream& out, std::ostream& err) {
    if (!options.trace) {
        return {};
    }
    const bool toOut = *options.trace == "-";
    if (!toOut) {
        const std::string file = FromStartFolder(session.startFolder.path, *options.trace);
        session.traceFile.open(file, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!session.traceFile.is_open()) {
            const int why = errno;
            return base::Failure("cannot write the trace to " + *options.trace + ": " +
                                 ErrorText(why));
        }
    }
    std::ostream& stream = toOut ? out : session.traceFile;
    const std::string traceName = toOut ? "standard output" : *options.trace;
    session.traceSink = std::make_unique<trace::ScopedSink>(
        trace::LineWriter(stream, [&err, traceName](std::string_view reason) {
            err << "stagehand: the trace could not be written to " << traceName << ": " << reason
                << '\n';
        }));
    host::Font::SetErrorSink([](const std::string& text) { trace::Fault(text); });
    session.fontErrors.traced = true;
    return {};
}

// The backend, the window system on it and the main frame the scenes open in.
base::Result<void> CApplication::OpenDisplay(const PlayerOptions& options, Session& session,
                                             std::ostream& out, std::ostream& err) {
    if (options.headless) {
        std::unique_ptr<host::HeadlessBackend> headless;
        if (options.input) {
            const std::string input = FromStartFolder(session.startFolder.path, *options.input);
            base::Result<std::unique_ptr<host::HeadlessBackend>> read =
                host::HeadlessBackend::FromFile(input, out, err);
            if (!read) {
                return read.failure();
            }
            headless = std::move(*read);
        } else {
            headless = std::make_unique<host::HeadlessBackend>(host::InputScript{}, out, err);
        }
        // Printed lines may show the title's state: [Counter.Value].
        headless->SetPrintExpander([&session](const std::string& text) {
            std::string expanded = text;
            if (session.player) {
                session.player->Stage().ExpandTags(expanded, nullptr);
            }
            return expanded;
        });
        // A `message` line runs as message N (its line) of a queue named "input" would, and
        // like any message it makes idle time worth offering again.
        headless->SetMessageRunner([&session](const std::string& text, int line) {
            if (session.player) {
                session.player->Stage().RunMessageText(text, "input", static_cast<uint32_t>(line));
            }
            if (session.windows) {
                session.windows->OfferIdle();
            }
        });
        if (options.audioOut) {
            const std::string file = FromStartFolder(session.startFolder.path, *options.audioOut);
            if (base::Result<void> sound = headless->SetAudioOutput(file); !sound) {
                return sound;
            }
        }
        session.backend = std::move(headless);
    } else {
        session.settings = std::make_unique<CUserSettings>(
            host::SettingsFile::DefaultPath(), host::ProgramConsent::DefaultOldFile(), err);
        const PlayerSettings run = session.settings->ForRun(options);
        host::SdlBackend::Options display;
        display.screen = options.screen;
        display.fullscreen = run.fullscreen;
        display.scaling = run.scaling;
        display.windowSize = run.windowSize;
        display.faults = &trace::Faults();
        display.notices = &err;
        base::Result<std::unique_ptr<host::SdlBackend>> made = host::SdlBackend::Create(display);
        if (!made) {
            return base::Failure("cannot show the title: " + made.error());
        }
        session.backend = std::move(*made);
    }
    session.sound = std::make_unique<host::SoundDevice>(*session.backend);
    if (session.settings) {
        ApplySound(session.settings->ForRun(options), session.sound->Mix());
        session.settings->Started(SettingsShown(*session.backend, session.sound->Mix()));
    }
    session.windows = std::make_unique<host::WindowSystem>(*session.backend, options.screen);
    if (trace::IsOn()) {
        // The trace's times count from here: the virtual clock's start in a headless run.
        host::Backend& backend = *session.backend;
        const host::WindowSystem& windows = *session.windows;
        session.traceSources = std::make_unique<trace::ScopedSources>(trace::Sources{
            [&backend, start = backend.Now()] { return uint64_t{backend.Now() - start}; },
            [&windows] { return host::CurrentInputText(windows); }});
    }
    session.mainFrame = std::make_unique<CMainFrame>();
    if (!session.mainFrame->Open(*session.windows)) {
        return base::Failure("the main window could not be made");
    }
    return {};
}

// The player with its role types, stage manager and services, and the director that starts
// the title. When another instance runs the director has asked the main frame to close, and
// the loop ends at once.
void CApplication::StartPlayer(const PlayerOptions& options, Session& session) {
    session.profiles = std::make_unique<host::ProfileReader>(*session.paths);
    // Other programs and documents; a run without a desktop opens nothing, and only a
    // desktop run can meet another player of the same user.
    session.programs = std::make_unique<host::ProgramStarter>(*session.paths);
    // Tests and users without the usual desktop name their own opener and Windows runner.
    if (const char* opener = std::getenv("STAGEHAND_OPENER")) {
        session.programs->SetOpener(opener);
    } else if (options.headless) {
        session.programs->SetOpener("");
    }
    if (const char* runner = std::getenv("STAGEHAND_WINE")) {
        session.programs->SetWindowsRunner(runner);
    }
    MakeConsent(options, session);
    CPlayer::Links links;
    links.windows = session.windows.get();
    links.mainFrame = session.mainFrame->Handle();
    links.programs = session.programs.get();
    links.consent = session.consent.get();
    links.soundDevice = session.sound.get();
    links.saves = session.saves.get();
    if (!options.headless) {
        links.otherInstanceShows = [&session](const std::string& windowName) {
            return session.OtherInstanceShows(windowName);
        };
    }
    session.player = MakePlayer(*session.paths, *session.profiles, std::move(links));
    CPlayer& player = *session.player;
    OpenControls(options, session);
    for (const FrameStepper& stepper : steppers_) {
        player.Hooks().AddIdleStep(stepper);
    }
    session.mainFrame->SetKeySink([&player](const CMainFrame::KeyPress& press) {
        if (auto* director = dynamic_cast<CDirector*>(player.Director())) {
            director->OnKey(press.key, press.modifiers);
        }
    });
    player.StartDirector();
}

// The player's keys and menu over the play.
void CApplication::OpenControls(const PlayerOptions& options, Session& session) {
    CPlayerControls::Links links;
    links.windows = session.windows.get();
    links.backend = session.backend.get();
    links.mixer = &session.sound->Mix();
    links.facts = [&session, options] {
        CPlayerControls::Facts facts;
        facts.name = session.player && session.player->Director() != nullptr
                         ? host::Cp1252ToUtf8(
                               session.player->Director()->GetProperty("ApplicationWindowName"))
                         : std::string();
        facts.place = session.place;
        facts.saves = SaveFolderOf(options, session).string();
        return facts;
    };
    links.shotsFolder = [] {
        const fs::path pictures = host::UserPicturesFolder();
        return pictures.empty() ? pictures : pictures / "Stagehand";
    };
    session.controls = std::make_unique<CPlayerControls>();
    if (!session.controls->Open(std::move(links))) {
        trace::Fault("The player's own keys could not be set up");
    }
}

host::IdleRequest CApplication::Idle(CPlayer& player) {
    if (!firstFrameSeen_) {
        firstFrameSeen_ = true;
        if (firstFrame_) {
            firstFrame_(player);
        }
    }
    // A video window that plays has the machine to itself: no idle work at all.
    if (player.Service<CVideoBusy>().IsBusy() || player.Windows() == nullptr) {
        return {};
    }
    return player.Hooks().RunIdleSteps(player.Windows()->Now());
}

bool CApplication::PreTranslate(CPlayer& player, host::Message& message) {
    // A question of the player's own takes its input past the title's filters.
    if (host::WindowSystem* windows = player.Windows()) {
        if (const host::WindowHandle modal = windows->Modal();
            modal && windows->IsWithin(message.target, modal)) {
            return false;
        }
    }
    return player.Hooks().RunFilters(message);
}

}  // namespace stagehand
