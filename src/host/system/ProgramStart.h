// Starts another program when a title asks for one with a Windows-style command line
// (`setup\SETUP.SH /quiet`), the way the desktop started a program and went on.
//
// Guarantees: the program is a file inside the title folder, found by TitlePaths (a bare
// name is also tried exactly as written in the folder, which reaches host names ending in a
// dot or blank); nothing outside the folder is ever started, and no shell is involved. The
// program gets its arguments as UTF-8, the title folder as its working directory, the
// player's environment, default signal dispositions, an empty signal mask and only the
// standard streams (other descriptors are closed where the C library can, glibc 2.34 and
// later). Start never waits for the program; finished programs are reaped without
// blocking at each Start and each Reap, and SIGCHLD is left as it is. Files with the "MZ"
// signature are refused as Windows programs before anything is started.
// Where it bites: a program that starts and then fails at once is not reported, since
// nothing waits for it. Its first argument is its host path, not the title's name for it.
// A program still running when the starter is destroyed is left to run and is reaped by
// nobody. At most kMaxRunning started programs are tracked; further starts are refused
// until some finish. Not thread-safe: one logic thread owns a starter. The TitlePaths must
// outlive it.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/files/TitlePaths.h"

namespace stagehand::host {

struct ProgramStartResult {
    bool started = false;
    std::string error;  // UTF-8, for the trace; empty when started
};

class ProgramStarter {
  public:
    static constexpr size_t kMaxCommandLineBytes = 32'767;  // the desktop's own limit
    static constexpr size_t kMaxRunning = 64;

    explicit ProgramStarter(const TitlePaths& paths);
    ~ProgramStarter();
    ProgramStarter(const ProgramStarter&) = delete;
    ProgramStarter& operator=(const ProgramStarter&) = delete;

    // Splits commandLine (title text, 1252) with SplitCommandLine and starts the program its
    // first argument names, with the rest as its arguments.
    ProgramStartResult Start(std::string_view commandLine);

    // Collects the exit status of every started program that has finished.
    void Reap();

    // Started programs not yet seen finished by a reap.
    size_t RunningCount() const { return running_.size(); }

  private:
    const TitlePaths& paths_;
    std::vector<pid_t> running_;
};

}  // namespace stagehand::host
