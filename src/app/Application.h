// CApplication: one play of a title, from the command line to the exit code. It makes the
// title folder the current directory, sets up the trace, the backend, the window system,
// the main frame, the role types, the program starter, the stage manager and the director,
// runs the message loop, and takes everything down again in the reverse of what depends on
// what.
//
// Guarantees: Run returns instead of exiting, and leaves the process as it found it: the
// current directory and the trace sink are restored and everything of the play is gone, so
// tests and benchmarks can play titles one after another in one process. Failures before the
// title starts are one line on the error stream and exit code 1; a refused command line is
// exit code 2.
// Where it bites: one play at a time per process (the current directory and the trace are
// process-wide). Without --trace the trace goes wherever the caller's sink sends it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "app/Options.h"
#include "base/Result.h"
#include "host/ui/WindowSystem.h"

namespace stagehand {

class CPlayer;

class CApplication {
  public:
    // One per-frame job of the idle time (a movie stepping its frames): it is given the
    // clock and says whether, and when, it wants to run again.
    using FrameStepper = std::function<host::IdleRequest(uint32_t now)>;

    CApplication() = default;
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // The whole program: reads the arguments (those after the program's name), prints the
    // usage, version or refusal, or plays the title. Returns the process's exit code.
    static int Main(std::span<const std::string_view> arguments, std::ostream& out,
                    std::ostream& err);

    // Plays the title. `out` takes the headless run's printed lines (and the trace with
    // "--trace -"), `err` the player's own error lines.
    int Run(const PlayerOptions& options, std::ostream& out, std::ostream& err);

    // Adds a job to the idle time; it runs while no video window is busy.
    void AddFrameStepper(FrameStepper stepper);
    // Runs once, when the loop first runs out of work with the title started: the first frame
    // has just been presented. It may look at the player and post messages.
    void SetFirstFrameHook(std::function<void(CPlayer&)> hook) { firstFrame_ = std::move(hook); }
    // Runs each time the main frame is asked to close (by the title, the user or the script),
    // before anything of the title is taken down: the roles can still be looked at.
    void SetCloseHook(std::function<void(CPlayer&)> hook) { close_ = std::move(hook); }

  private:
    struct Session;
    // The exit code of a play that could not start.
    static constexpr int kRefusedExitCode = 1;

    // The steps of Run. A step that fails says why the play cannot go on, as the line Run
    // prints after "stagehand: " before it exits with kRefusedExitCode.
    base::Result<void> EnterTitleFolder(const PlayerOptions& options, Session& session);
    base::Result<void> OpenTrace(const PlayerOptions& options, Session& session, std::ostream& out,
                                 std::ostream& err);
    base::Result<void> OpenDisplay(const PlayerOptions& options, Session& session,
                                   std::ostream& out, std::ostream& err);
    void StartPlayer(const PlayerOptions& options, Session& session);
    static std::string TitleKeyOf(const Session& session);
    static std::filesystem::path SaveFolderOf(const PlayerOptions& options, const Session& session);
    static void MakeConsent(const PlayerOptions& options, Session& session);
    static void KeepSettings(Session& session, std::ostream& err);
    static base::Result<std::filesystem::path> DefaultTitle();
    static int CheckTitle(const PlayerOptions& options, std::ostream& out, std::ostream& err);
    static void OpenControls(const PlayerOptions& options, Session& session);

    // The idle hook: the services' idle steps (the movies) and then the frame steppers,
    // unless a video window has the machine to itself.
    host::IdleRequest Idle(CPlayer& player);
    // The pre-translate hook: the services' filters, the pointer's look before the zones.
    static bool PreTranslate(CPlayer& player, host::Message& message);

    std::vector<FrameStepper> steppers_;
    std::function<void(CPlayer&)> firstFrame_;
    std::function<void(CPlayer&)> close_;
    bool firstFrameSeen_ = false;
};

}  // namespace stagehand
