#include "host/system/ProgramStart.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

#include "host/files/File.h"
#include "host/files/TextEncoding.h"
#include "host/system/CommandLine.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

ProgramStartResult Failed(std::string error) {
    ProgramStartResult result;
    result.error = std::move(error);
    return result;
}

std::string Named(std::string_view titleName) {
    return "`" + Cp1252ToUtf8(titleName) + "`";
}

// The first bytes of an opened file, fewer when it is shorter or cannot be read.
std::string FileHead(InputFile& file, size_t size) {
    std::string head;
    if (!file.IsOpen() || !file.ReadSpan(0, size, head)) {
        return {};
    }
    return head;
}

// Whether a program named as the opener or runner is, would be found: an absolute path to an
// executable file, or a name found so on PATH.
bool CanStart(const std::string& program) {
    if (program.empty()) {
        return false;
    }
    if (program.find('/') != std::string::npos) {
        return program.front() == '/' && access(program.c_str(), X_OK) == 0;
    }
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        if (!folder.empty()) {
            const fs::path candidate = fs::path(folder) / program;
            std::error_code ec;
            if (fs::is_regular_file(candidate, ec) && access(candidate.c_str(), X_OK) == 0) {
                return true;
            }
        }
        if (colon == std::string_view::npos) {
            return false;
        }
        folders.remove_prefix(colon + 1);
    }
}

bool StartsWithCaseBlind(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Control characters (C0, DEL, and C1 as UTF-8) and blanks, none of which belongs in an
// address handed on as one argument.
bool HoldsControlOrBlank(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c <= 0x20 || c == 0x7F) {
            return true;
        }
        if (c == 0xC2 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x80 && next <= 0x9F) {
                return true;
            }
        }
    }
    return false;
}

// The spawn attributes and file actions, released however the start ends.
class SpawnSetup {
  public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attributes_);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Returns 0 or the error number of the first step that failed.
    int Prepare(const fs::path& workingDirectory) {
        int err = posix_spawn_file_actions_addchdir_np(&actions_, workingDirectory.c_str());
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        if (err == 0) {
            err = posix_spawn_file_actions_addclosefrom_np(&actions_, STDERR_FILENO + 1);
        }
#endif
        // The player may ignore or block signals (a broken pipe, say); the program should
        // start as if from a fresh session.
        sigset_t defaults;
        sigfillset(&defaults);
        sigdelset(&defaults, SIGKILL);
        sigdelset(&defaults, SIGSTOP);
        sigset_t mask;
        sigemptyset(&mask);
        if (err == 0) {
            err = posix_spawnattr_setsigdefault(&attributes_, &defaults);
        }
        if (err == 0) {
            err = posix_spawnattr_setsigmask(&attributes_, &mask);
        }
        if (err == 0) {
            err = posix_spawnattr_setflags(&attributes_,
                                           POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        }
        return err;
    }

    int Spawn(pid_t& pid, const std::string& program, const std::vector<std::string>& args,
              bool searchPath) {
        std::vector<char*> argv;
        argv.reserve(args.size() + 1);
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        return searchPath ? posix_spawnp(&pid, program.c_str(), &actions_, &attributes_,
                                         argv.data(), environ)
                          : posix_spawn(&pid, program.c_str(), &actions_, &attributes_, argv.data(),
                                        environ);
    }

  private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

}  // namespace

ProgramStarter::ProgramStarter(const TitlePaths& paths) : paths_(paths) {}

ProgramStarter::~ProgramStarter() {
    Reap();
}

std::optional<std::string> ProgramStarter::WebAddress(std::string_view text) {
    if (text.size() > kMaxCommandLineBytes || HoldsControlOrBlank(text)) {
        return std::nullopt;
    }
    static constexpr std::string_view kSchemes[] = {"http://", "https://", "ftp://", "mailto:"};
    for (std::string_view scheme : kSchemes) {
        if (StartsWithCaseBlind(text, scheme)) {
            if (text.size() == scheme.size()) {
                return std::nullopt;
            }
            return std::string(text);
        }
    }
    if (StartsWithCaseBlind(text, "www.") && text.size() > 4) {
        return "http://" + std::string(text);
    }
    return std::nullopt;
}

bool ProgramStarter::IsHostProgram(InputFile& file, const fs::path& path) {
    if (!file.IsOpen() || access(path.c_str(), X_OK) != 0) {
        return false;
    }
    const std::string head = FileHead(file, 4);
    static constexpr char kElf[] = {'\x7F', 'E', 'L', 'F'};
    return head.starts_with("#!") || head == std::string_view(kElf, sizeof kElf);
}

base::Result<ProgramPlan> ProgramStarter::Plan(std::string_view commandLine) const {
    if (commandLine.size() > kMaxCommandLineBytes) {
        return base::Failure("command line longer than " + std::to_string(kMaxCommandLineBytes) +
                             " bytes");
    }
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty()) {
        return base::Failure("empty command line");
    }
    const std::string& name = args.front();
    base::Result<fs::path> found = paths_.Locate(name);
    if (!found) {
        if (found.error() == TitlePaths::kNotFound) {
            return base::Failure(Named(name) + " is not a file in the title folder");
        }
        return base::Failure(Named(name) + ": " + found.error());
    }
    if (paths_.IsInImage(*found)) {
        return base::Failure(Named(name) + " lies in a disc image, where nothing is started");
    }
    InputFile file = paths_.Open(*found);
    if (!file.IsOpen()) {
        return base::Failure(Named(name) + " is not an executable file");
    }
    ProgramPlan plan;
    plan.program = std::move(*found);
    plan.shown = Cp1252ToUtf8(name);
    plan.windows = FileHead(file, 2) == "MZ";
    if (plan.windows) {
        if (!CanStart(windowsRunner_)) {
            return base::Failure(Named(name) + " is a Windows program, and " +
                                 (windowsRunner_.empty()
                                      ? std::string("this run starts none")
                                      : "`" + windowsRunner_ + "` is not installed to start it"));
        }
    } else if (access(plan.program.c_str(), X_OK) != 0) {
        return base::Failure(Named(name) + " is not an executable file");
    }
    for (size_t i = 1; i < args.size(); ++i) {
        plan.args.push_back(Cp1252ToUtf8(args[i]));
    }
    return plan;
}

ProgramStartResult ProgramStarter::Start(std::string_view commandLine) {
    base::Result<ProgramPlan> plan = Plan(commandLine);
    if (!plan) {
        Reap();
        return Failed(plan.error());
    }
    return Start(*plan);
}

ProgramStartResult ProgramStarter::Start(const ProgramPlan& plan) {
    Reap();
    const std::string shown = "`" + plan.shown + "`";
    // The program sees its own host path first, then the title's arguments.
    std::vector<std::string> args{plan.program.native()};
    args.insert(args.end(), plan.args.begin(), plan.args.end());
    if (!plan.windows) {
        return Spawn(plan.program.native(), std::move(args), false, shown);
    }
    if (windowsRunner_.empty()) {
        return Failed(shown + " is a Windows program, and this run starts none");
    }
    args.insert(args.begin(), windowsRunner_);
    ProgramStartResult result = Spawn(windowsRunner_, std::move(args), true, shown);
    if (result.started) {
        result.target = plan.program.native();
    }
    return result;
}

ProgramStartResult ProgramStarter::Open(std::string_view target) {
    Reap();
    std::string argument;
    if (std::optional<std::string> address = WebAddress(target)) {
        argument = std::move(*address);
    } else {
        const fs::path file(target);
        if (target.empty() || target.size() > kMaxCommandLineBytes ||
            target.find('\0') != std::string_view::npos || !file.is_absolute() ||
            paths_.TitleFullName(file).empty()) {
            return Failed("`" + std::string(target) +
                          "` is neither a web address nor a file in the title folder");
        }
        if (paths_.IsInImage(file)) {
            return Failed("`" + std::string(target) +
                          "` lies in a disc image, which the desktop's opener cannot read");
        }
        // Opened again through no link: a path the resolver did not hand out is refused.
        if (!paths_.Open(file).IsOpen()) {
            return Failed("`" + std::string(target) + "` is not a file in the title folder");
        }
        argument = file.lexically_normal().native();
    }
    if (opener_.empty()) {
        return Failed("documents and web addresses are not opened in a run without a desktop");
    }
    // Programs start in the title folder, where a relative path would find the title's files.
    if (opener_.find('/') != std::string::npos && opener_.front() != '/') {
        return Failed("the opener `" + opener_ + "` is neither a name nor an absolute path");
    }
    const std::string shown = "the opener `" + opener_ + "` for `" + argument + "`";
    ProgramStartResult result = Spawn(opener_, {opener_, argument}, true, shown);
    if (result.started) {
        result.target = std::move(argument);
    }
    return result;
}

ProgramStartResult ProgramStarter::Spawn(const std::string& program, std::vector<std::string> args,
                                         bool searchPath, const std::string& shownName) {
    if (running_.size() >= kMaxRunning) {
        return Failed("cannot start " + shownName + ": " + std::to_string(running_.size()) +
                      " programs started earlier are still running");
    }
    SpawnSetup setup;
    int err = setup.Prepare(paths_.Root());
    pid_t pid = 0;
    if (err == 0) {
        err = setup.Spawn(pid, program, args, searchPath);
    }
    if (err != 0) {
        return Failed("cannot start " + shownName + ": " + std::generic_category().message(err));
    }
    running_.push_back(pid);
    ProgramStartResult result;
    result.started = true;
    result.target = program;
    return result;
}

void ProgramStarter::Reap() {
    std::erase_if(running_, [](pid_t pid) {
        int status = 0;
        pid_t result = 0;
        do {
            result = waitpid(pid, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        // Finished, or no longer ours to wait for (the player may have set SIGCHLD to be
        // ignored, and then the kernel reaps it).
        return result != 0;
    });
}

}  // namespace stagehand::host
