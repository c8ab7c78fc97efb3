// The process-wide references the application sets at start-up and clears at exit: the
// window system everything is shown on, the main frame that the director's scenes open in,
// the director, and the services the director's commands use. Logic reaches them here; a
// test sets only what it needs, and whatever is unset is simply not used (a scene without a
// window system has no window).
#pragma once

#include <functional>
#include <string>

#include "host/ui/Messages.h"

namespace stagehand {

class CDirector;

namespace host {
class WindowSystem;
class ProgramStarter;
}  // namespace host

struct PlayerLinks {
    host::WindowSystem* windows = nullptr;
    host::WindowHandle mainFrame;
    CDirector* director = nullptr;
    // Starts the programs and opens the documents of the director's "Shell" command.
    host::ProgramStarter* programs = nullptr;
    // Asks whether another player of this user already shows a title of this window name,
    // and claims the name for this one when not. Unset: only this process's windows count.
    std::function<bool(const std::string& windowName)> otherInstanceShows;
    // Set while a video plays in a window of its own; idle processing then pauses movies.
    bool videoBusy = false;
    // See every message before it is dispatched, in this order: the pointer's look (its
    // answer is not used), then the scenes' zones (true: the zone consumed the message).
    // Unset: nothing looks.
    std::function<bool(host::Message&)> cursorFilter;
    std::function<bool(host::Message&)> zoneFilter;
};

// The one set of references.
PlayerLinks& Links();

}  // namespace stagehand
