#include "app/Application.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/MainFrame.h"
#include "director/Director.h"
#include "handlers/RoleTypes.h"
#include "host/files/ProfileReader.h"
#include "host/files/TitlePaths.h"
#include "host/gfx/Font.h"
#include "host/headless/HeadlessBackend.h"
#include "host/sdl/SdlBackend.h"
#include "host/system/InstanceLock.h"
#include "host/system/ProgramStart.h"
#include "stage/IniStageManager.h"
#include "stage/PlayerLinks.h"
#include "trace/Trace.h"

namespace stagehand {

namespace fs = std::filesystem;

namespace {

// Where the program itself lies: the title of a player copied next to its title's files.
fs::path ProgramFolder() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) : program.parent_path();
}

// Everything one play sets up, taken down in the order that what depends on what needs:
// the role types, the director with every role under it, the stage manager, the main
// frame, the window system, the backend; then the links, the trace and the directory.
struct Session {
    fs::path startFolder;
    bool changedFolder = false;

    std::ofstream traceFile;
    std::unique_ptr<trace::ScopedSink> traceSink;
    bool fontErrorsTraced = false;

    std::unique_ptr<host::TitlePaths> paths;
    std::unique_ptr<host::Backend> backend;
    std::unique_ptr<host::WindowSystem> windows;
    std::unique_ptr<CMainFrame> mainFrame;
    bool registryBuilt = false;
    std::unique_ptr<host::ProgramStarter> programs;
    std::vector<std::unique_ptr<host::InstanceLock>> locks;
    std::unique_ptr<host::ProfileReader> profiles;
    std::unique_ptr<CIniStageManager> stage;
    std::unique_ptr<CDirector> director;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    ~Session() {
        if (registryBuilt)
            CRoleTypeRegistry::TearDown();
        director.reset();
        Links().director = nullptr;
        stage.reset();
        profiles.reset();
        mainFrame.reset();
        windows.reset();
        backend.reset();
        Links() = PlayerLinks{};
        programs.reset();
        locks.clear();
        if (fontErrorsTraced)
            host::Font::SetErrorSink({});
        traceSink.reset();
        traceFile.close();
        if (changedFolder) {
            std::error_code ec;
            fs::current_path(startFolder, ec);
        }
    }

    // Answers the director's question whether another player shows the title, claiming
    // the name for this one when not. A lock that cannot be had at all is no reason to stop.
    bool OtherInstanceShows(const std::string& windowName) {
        const std::string file = host::InstanceLock::FileName(windowName);
        for (const auto& lock : locks)
            if (lock->File().filename() == file)
                return false;  // ours already
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

// A path the user gave, as seen from the folder the player was started in.
std::string FromStartFolder(const fs::path& startFolder, const std::string& given) {
    const fs::path path(given);
    return path.is_absolute() ? given : (startFolder / path).string();
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

}  // namespace

int CApplication::Main(std::span<const std::string_view> arguments, std::ostream& out,
                       std::ostream& err) {
    const ParsedCommandLine line = ParseCommandLine(arguments);
    switch (line.action) {
        case ParsedCommandLine::Action::kRefused:
            err << "stagehand: " << line.reason << '\n' << Usage();
            return 2;
        case ParsedCommandLine::Action::kHelp:
            out << Usage();
            return 0;
        case ParsedCommandLine::Action::kVersion:
            out << VersionLine() << '\n';
            return 0;
        case ParsedCommandLine::Action::kRun:
            break;
    }
    CApplication application;
    return application.Run(line.options, out, err);
}

void CApplication::AddFrameStepper(FrameStepper stepper) {
    steppers_.push_back(std::move(stepper));
}

int CApplication::Run(const PlayerOptions& options, std::ostream& out, std::ostream& err) {
    firstFrameSeen_ = false;
    Session session;
    std::error_code ec;
    session.startFolder = fs::current_path(ec);

    // 1. The title folder becomes the current directory: the stage manager and the title's
    // own relative names are read from there.
    const std::string shownFolder =
        options.titleFolder.empty() ? ProgramFolder().string() : options.titleFolder;
    const fs::path folder = fs::absolute(fs::path(shownFolder), ec);
    if (ec || !fs::exists(folder, ec)) {
        err << "stagehand: the title folder " << shownFolder << " does not exist\n";
        return 1;
    }
    if (!fs::is_directory(folder, ec)) {
        err << "stagehand: " << shownFolder << " is not a folder\n";
        return 1;
    }
    // Files named on the command line are the user's, relative to where the player started.
    const std::optional<std::string> inputFile =
        options.input ? std::optional(FromStartFolder(session.startFolder, *options.input))
                      : std::nullopt;
    const bool traceToOut = options.trace && *options.trace == "-";
    const std::optional<std::string> traceFile =
        options.trace && !traceToOut
            ? std::optional(FromStartFolder(session.startFolder, *options.trace))
            : std::nullopt;

    fs::current_path(folder, ec);
    if (ec) {
        err << "stagehand: cannot enter the title folder " << shownFolder << ": " << ec.message()
            << '\n';
        return 1;
    }
    session.changedFolder = true;
    session.paths = std::make_unique<host::TitlePaths>(folder);
    const std::optional<fs::path> roles = session.paths->Resolve("roles.mii");
    if (!roles || !fs::is_regular_file(*roles, ec)) {
        err << "stagehand: " << shownFolder << " is not a title: it has no roles.mii\n";
        return 1;
    }

    // 2. The trace, open before anything of the title runs.
    if (traceFile) {
        session.traceFile.open(*traceFile, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!session.traceFile.is_open()) {
            err << "stagehand: cannot write the trace to " << *options.trace << ": "
                << ErrorText(errno) << '\n';
            return 1;
        }
    }
    if (options.trace) {
        std::ostream& traceStream = traceToOut ? out : session.traceFile;
        const std::string traceName = traceToOut ? "standard output" : *options.trace;
        session.traceSink = std::make_unique<trace::ScopedSink>(
            trace::LineWriter(traceStream, [&err, traceName](std::string_view reason) {
                err << "stagehand: the trace could not be written to " << traceName << ": "
                    << reason << '\n';
            }));
        host::Font::SetErrorSink([](const std::string& text) { trace::Fault(text); });
        session.fontErrorsTraced = true;
    }

    // 3. The backend.
    std::string error;
    if (options.headless) {
        std::unique_ptr<host::HeadlessBackend> headless;
        if (inputFile) {
            headless = host::HeadlessBackend::FromFile(*inputFile, out, err, &error);
            if (!headless) {
                err << "stagehand: " << error << '\n';
                return 1;
            }
        } else {
            headless = std::make_unique<host::HeadlessBackend>(host::InputScript{}, out, err);
        }
        // Printed lines may show the title's state: [Counter.Value].
        headless->SetPrintExpander([](const std::string& text) {
            std::string expanded = text;
            if (CStageManager* stage = CStageManager::Instance())
                stage->ExpandTags(expanded, nullptr);
            return expanded;
        });
        session.backend = std::move(headless);
    } else {
        host::SdlBackend::Options display;
        display.screen = options.screen;
        display.fullscreen = !options.window;
        session.backend = host::SdlBackend::Create(display, error);
        if (!session.backend) {
            err << "stagehand: cannot show the title: " << error << '\n';
            return 1;
        }
    }

    // 4. The window system and 5. the main frame the scenes open in.
    session.windows = std::make_unique<host::WindowSystem>(*session.backend, options.screen);
    host::WindowSystem& windows = *session.windows;
    Links().windows = &windows;
    session.mainFrame = std::make_unique<CMainFrame>();
    if (!session.mainFrame->Open(windows)) {
        err << "stagehand: the main window could not be made\n";
        return 1;
    }
    Links().mainFrame = session.mainFrame->Handle();

    // 6. The role types.
    CRoleTypeRegistry::Build();
    session.registryBuilt = true;

    // 7. Other programs and documents; a run without a desktop opens nothing, and only a
    // desktop run can meet another player of the same user.
    session.programs = std::make_unique<host::ProgramStarter>(*session.paths);
    Links().programs = session.programs.get();
    if (options.headless) {
        session.programs->SetOpener("");
    } else {
        Links().otherInstanceShows = [&session](const std::string& windowName) {
            return session.OtherInstanceShows(windowName);
        };
    }

    // 8. The stage manager over the title's files.
    session.profiles = std::make_unique<host::ProfileReader>(*session.paths);
    session.stage = std::make_unique<CIniStageManager>(*session.paths, *session.profiles);

    // 9. The director starts the title. When another instance runs it has asked the main
    // frame to close, and the loop below ends at once.
    session.director = std::make_unique<CDirector>();
    Links().director = session.director.get();
    session.director->Initialize(CDirector::kRoleName, nullptr);

    // 10. The loop's hooks and 11. the loop.
    windows.SetIdleHook([this](int count) { return Idle(count); });
    windows.AddPreTranslateHook([](host::Message& message) { return PreTranslate(message); });
    return windows.Run();
}

host::IdleRequest CApplication::Idle(int) {
    if (!firstFrameSeen_) {
        firstFrameSeen_ = true;
        if (firstFrame_)
            firstFrame_();
    }
    host::IdleRequest wanted;
    if (Links().videoBusy || Links().windows == nullptr)
        return wanted;
    const uint32_t now = Links().windows->Now();
    bool soon = false;
    // By index: a stepper may add another.
    for (size_t i = 0; i < steppers_.size(); ++i) {
        const host::IdleRequest request = steppers_[i](now);
        if (!request.more)
            continue;
        wanted.more = true;
        if (!request.wakeAt)
            soon = true;
        else if (!wanted.wakeAt || static_cast<int32_t>(*request.wakeAt - *wanted.wakeAt) < 0)
            wanted.wakeAt = request.wakeAt;
    }
    if (soon)
        wanted.wakeAt.reset();
    return wanted;
}

bool CApplication::PreTranslate(host::Message& message) {
    PlayerLinks& links = Links();
    if (links.cursorFilter)
        links.cursorFilter(message);
    return links.zoneFilter && links.zoneFilter(message);
}

}  // namespace stagehand
