#include "host/system/ProgramStart.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

#include "host/files/TextEncoding.h"
#include "host/system/CommandLine.h"
#include "host/system/FileRead.h"

namespace stagehand::host {
namespace fs = std::filesystem;

namespace {

std::string Named(std::string_view titleName) {
    return "`" + Cp1252ToUtf8(titleName) + "`";
}

// The program file for the command line's first argument: resolved as a title name, and a
// bare name also exactly as written, which reaches host names the resolver cannot (those
// ending in a dot or blank). Either way the file is an entry inside the title folder.
std::optional<fs::path> FindProgram(const TitlePaths& paths, const std::string& name) {
    if (std::optional<fs::path> found = paths.Resolve(name)) {
        return found;
    }
    if (name.empty() || name == "." || name == ".." || !TitlePaths::IsBareName(name)) {
        return std::nullopt;
    }
    const fs::path exact = paths.Root() / Cp1252ToUtf8(name);
    std::error_code ec;
    if (fs::exists(exact, ec)) {
        return exact;
    }
    return std::nullopt;
}

// True when the file starts with the signature of the desktop's own program format. A file
// that cannot be read is left for the start itself to judge.
bool HasWindowsSignature(const fs::path& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    char head[2] = {};
    const size_t got = ReadAtMost(fd, head, sizeof head);
    close(fd);
    return got == sizeof head && head[0] == 'M' && head[1] == 'Z';
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

    int Spawn(pid_t& pid, const fs::path& program, const std::vector<std::string>& args) {
        std::vector<char*> argv;
        argv.reserve(args.size() + 1);
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        return posix_spawn(&pid, program.c_str(), &actions_, &attributes_, argv.data(), environ);
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

ProgramStartResult ProgramStarter::Start(std::string_view commandLine) {
    Reap();
    if (commandLine.size() > kMaxCommandLineBytes) {
        return {false,
                "command line longer than " + std::to_string(kMaxCommandLineBytes) + " bytes"};
    }
    std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty()) {
        return {false, "empty command line"};
    }
    const std::string name = args.front();
    const std::optional<fs::path> program = FindProgram(paths_, name);
    if (!program) {
        return {false, Named(name) + " is not a file in the title folder"};
    }
    std::error_code ec;
    if (!fs::is_regular_file(*program, ec)) {
        return {false, Named(name) + " is not an executable file"};
    }
    if (HasWindowsSignature(*program)) {
        return {false, Named(name) + " is a Windows program, which cannot run here"};
    }
    if (access(program->c_str(), X_OK) != 0) {
        return {false, Named(name) + " is not an executable file"};
    }
    if (running_.size() >= kMaxRunning) {
        return {false, "cannot start " + Named(name) + ": " + std::to_string(running_.size()) +
                           " programs started earlier are still running"};
    }

    // The program sees its own host path first, then the title's arguments as host text.
    args.front() = program->native();
    for (size_t i = 1; i < args.size(); ++i) {
        args[i] = Cp1252ToUtf8(args[i]);
    }
    SpawnSetup setup;
    int err = setup.Prepare(paths_.Root());
    pid_t pid = 0;
    if (err == 0) {
        err = setup.Spawn(pid, *program, args);
    }
    if (err != 0) {
        return {false, "cannot start " + Named(name) + ": " + std::generic_category().message(err)};
    }
    running_.push_back(pid);
    return {true, {}};
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
