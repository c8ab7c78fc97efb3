// Starts another program when a title asks for one with a Windows-style command line
// (`setup\SETUP.SH /quiet`), the way the desktop started a program and went on, and hands
// documents and web addresses to the desktop's opener (`xdg-open`).
//
// Guarantees: the program is a file inside the title folder, found by TitlePaths (a bare
// name is also tried exactly as written in the folder, which reaches host names ending in a
// dot or blank); nothing outside the folder is ever started, and no shell is involved. The
// program gets its arguments as UTF-8, the title folder as its working directory, the
// player's environment, default signal dispositions, an empty signal mask and only the
// standard streams (other descriptors are closed where the C library can, glibc 2.34 and
// later). Start never waits for the program; finished programs are reaped without
// blocking at each Start, Open and Reap, and SIGCHLD is left as it is. Files with the "MZ"
// signature are refused as Windows programs before anything is started. Open gives the
// opener exactly one argument: a web address (http, https, ftp, mailto, or `www.`) or the
// host path of an existing file inside the title folder, never anything that could read as
// an option; the opener is found on PATH, started the same way and tracked like a program.
// Where it bites: a program that starts and then fails at once is not reported, since
// nothing waits for it; nor is an opener that finds no application for a document. A
// program's first argument is its host path, not the title's name for it. A program still
// running when the starter is destroyed is left to run and is reaped by nobody. At most
// kMaxRunning started programs and openers are tracked together; further starts are
// refused until some finish. Open does not resolve title names: the caller resolves them
// with TitlePaths and Open checks that the result lies inside the folder. The opener is
// `xdg-open` until set otherwise: a run without a desktop must set it empty. Not
// thread-safe: one logic thread owns a starter. The TitlePaths must outlive it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/files/TitlePaths.h"

namespace stagehand::host {

struct ProgramStartResult {
    bool started = false;
    std::string error;   // UTF-8, for the trace; empty when started
    std::string target;  // UTF-8: the program's host path or what was opened, when started
};

class ProgramStarter {
  public:
    static constexpr size_t kMaxCommandLineBytes = 32'767;  // the desktop's own limit
    static constexpr size_t kMaxRunning = 64;
    static constexpr const char* kDefaultOpener = "xdg-open";

    explicit ProgramStarter(const TitlePaths& paths);
    ~ProgramStarter();
    ProgramStarter(const ProgramStarter&) = delete;
    ProgramStarter& operator=(const ProgramStarter&) = delete;

    // Splits commandLine (title text, 1252) with SplitCommandLine and starts the program its
    // first argument names, with the rest as its arguments.
    ProgramStartResult Start(std::string_view commandLine);

    // Hands target (UTF-8) to the opener: a web address, or the absolute host path of an
    // existing regular file inside the title folder (as TitlePaths resolves a title name).
    // Anything else is refused, and so is everything when the opener is empty.
    ProgramStartResult Open(std::string_view target);

    // The program Open starts: a name looked up on PATH or an absolute path (a relative
    // path is refused at Open). Empty opens nothing, for runs without a desktop.
    void SetOpener(std::string program) { opener_ = std::move(program); }
    const std::string& Opener() const { return opener_; }

    // The address Open would hand on for text (UTF-8) that is a web address: one with the
    // scheme http, https, ftp or mailto (any case) and something after it, or one starting
    // `www.` (given `http://` in front). Nullopt for anything else, and for text holding
    // control characters or blanks.
    static std::optional<std::string> WebAddress(std::string_view text);

    // True for a file the starter can run here: a regular file this user may execute that
    // starts as a host program does (`#!` or the ELF signature). Files copied from a
    // desktop disc often carry execute bits whatever they hold; those are not programs.
    static bool IsHostProgram(const std::filesystem::path& file);

    // Collects the exit status of every started program that has finished.
    void Reap();

    // Started programs not yet seen finished by a reap.
    size_t RunningCount() const { return running_.size(); }

  private:
    // Starts program with args (searched on PATH, when searchPath, unless it holds a
    // slash) in the title folder, and tracks it; shownName names it in errors.
    ProgramStartResult Spawn(const std::string& program, std::vector<std::string> args,
                             bool searchPath, const std::string& shownName);

    const TitlePaths& paths_;
    std::string opener_ = kDefaultOpener;
    std::vector<pid_t> running_;
};

}  // namespace stagehand::host
