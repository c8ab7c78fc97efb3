// Starts another program when a title asks for one with a Windows-style command line
// (`setup\SETUP.EXE /quiet`), the way the desktop started a program and went on, and hands
// documents and web addresses to the desktop's opener (`xdg-open`). Whether the user allows
// it is asked before (ProgramConsent): this only starts what it is given.
//
// Guarantees: the program is a regular file inside the title folder, found by TitlePaths:
// every link on the way is resolved and followed only where it stays inside, and the file
// is opened again through no link at all to be looked at. Nothing outside the folder is
// ever started, and no shell is involved. A file with the "MZ" signature is a Windows
// program: it is started through the Windows runner (`wine`) when one is set and found on
// PATH, and refused otherwise. The program gets its arguments as UTF-8, the title folder as
// its working directory, the player's environment, default signal dispositions, an empty
// signal mask and only the standard streams (other descriptors are closed where the C
// library can, glibc 2.34 and later). Start never waits for the program; finished programs
// are reaped without blocking at each Start, Open and Reap, and SIGCHLD is left as it is.
// Open gives the opener exactly one argument: a web address (http, https, ftp, mailto, or
// `www.`) or the host path of a regular file inside the title folder (as TitlePaths hands
// them out), never anything that could read as an option; the opener is found on PATH,
// started the same way and tracked like a program.
// Where it bites: a program that starts and then fails at once is not reported, since
// nothing waits for it; nor is an opener that finds no application for a document. A
// program's first argument is its host path, not the title's name for it. The program is
// started by its link-free path: a folder on the way swapped for a link between the look and
// the start is not seen. A program still running when the starter is destroyed is left to
// run and is reaped by nobody. At most kMaxRunning started programs and openers are tracked
// together; further starts are refused until some finish. The opener is `xdg-open` until set
// otherwise: a run without a desktop must set it empty. Not thread-safe: one logic thread
// owns a starter. The TitlePaths must outlive it.
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

// A program the title named, found and looked at, ready to start.
struct ProgramPlan {
    std::filesystem::path program;  // its host path, without links, inside the title folder
    std::vector<std::string> args;  // the arguments after it, UTF-8
    bool windows = false;           // an "MZ" file, started through the Windows runner
    std::string shown;              // the title's name for it, UTF-8, for questions and the trace
};

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
    static constexpr const char* kDefaultWindowsRunner = "wine";

    explicit ProgramStarter(const TitlePaths& paths);
    ~ProgramStarter();
    ProgramStarter(const ProgramStarter&) = delete;
    ProgramStarter& operator=(const ProgramStarter&) = delete;

    // Splits commandLine (title text, 1252) with SplitCommandLine and finds the program its
    // first argument names, with the rest as its arguments; or says why it cannot start
    // ("`sh`: the link sh leads outside the title's folders, to /bin/sh").
    base::Result<ProgramPlan> Plan(std::string_view commandLine) const;
    // Starts a planned program (a Windows one through the runner).
    ProgramStartResult Start(const ProgramPlan& plan);
    // Plan and Start in one.
    ProgramStartResult Start(std::string_view commandLine);

    // Hands target (UTF-8) to the opener: a web address, or the absolute host path of an
    // existing regular file inside the title folder (as TitlePaths resolves a title name).
    // Anything else is refused, and so is everything when the opener is empty.
    ProgramStartResult Open(std::string_view target);

    // The program Open starts: a name looked up on PATH or an absolute path (a relative
    // path is refused at Open). Empty opens nothing, for runs without a desktop.
    void SetOpener(std::string program) { opener_ = std::move(program); }
    const std::string& Opener() const { return opener_; }
    // The program Windows programs are started through, with the program's host path as its
    // first argument: a name looked up on PATH or an absolute path. Empty starts none.
    void SetWindowsRunner(std::string program) { windowsRunner_ = std::move(program); }

    // The address Open would hand on for text (UTF-8) that is a web address: one with the
    // scheme http, https, ftp or mailto (any case) and something after it, or one starting
    // `www.` (given `http://` in front). Nullopt for anything else, and for text holding
    // control characters or blanks.
    static std::optional<std::string> WebAddress(std::string_view text);

    // True for a file the starter can run here: a regular file (opened, at `path`) this user
    // may execute that starts as a host program does (`#!` or the ELF signature). Files copied from
    // a desktop disc often carry execute bits whatever they hold; those are not programs.
    static bool IsHostProgram(InputFile& file, const std::filesystem::path& path);

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
    std::string windowsRunner_ = kDefaultWindowsRunner;
    std::vector<pid_t> running_;
};

}  // namespace stagehand::host
