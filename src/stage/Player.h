// CPlayer: one play of a title, as the logic sees it. The application builds it (a test does
// too, in one line); every handler is handed it when it is created and reaches everything
// title-wide through it: the stage manager, the role types, the director, the window system
// and main frame the scenes open in, the title's files, the programs the director starts,
// and the hooks of the message loop.
//
// Guarantees: the player owns the stage manager, the role type registry and the director,
// and takes them down in the reverse of their declaration below: the registry with its
// clean-ups first, then the director with every role it still owns, then the stage manager,
// whose table every handler has left by then. Links to what the application owns (windows,
// files, programs) are plain references that must outlive the player; unset ones are simply
// not used (a scene without a window system has no window).
// Where it bites: one player at a time may show a title in one window system; two players
// share nothing but the trace.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "handlers/RoleTypes.h"
#include "host/ui/Messages.h"
#include "interaction/ZoneTable.h"
#include "stage/StageManager.h"
#include "visual/PictureCache.h"

namespace stagehand {

class CCursor;
class CDirector;
class CDirectSound;
class CSmacker;

namespace host {
class SoundDevice;
class WindowSystem;
class ProgramStarter;
class ProfileReader;
class TitlePaths;
}  // namespace host

class CPlayer {
  public:
    // What the player shows on, besides the title's files: all optional.
    struct Screen {
        host::WindowSystem* windows = nullptr;
        host::WindowHandle mainFrame;
    };

    // A player of the title in `paths`, reading its files through `profiles`, with the
    // player's own role types (or the given table, for tests).
    CPlayer(const host::TitlePaths& paths, host::ProfileReader& profiles);
    CPlayer(const host::TitlePaths& paths, host::ProfileReader& profiles, Screen screen);
    CPlayer(const host::TitlePaths& paths, host::ProfileReader& profiles, Screen screen,
            const std::vector<CRoleTypeRegistry::Entry>& roleTypes,
            std::vector<std::function<void()>> cleanUps = {});
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // Creates the director from the role "Director" and starts the title; false when another
    // instance already shows it (the main frame has then been asked to close).
    bool StartDirector();

    CStageManager& Stage() { return *stage_; }
    const CRoleTypeRegistry& RoleTypes() const { return registry_; }
    // nullptr before StartDirector.
    CDirector* Director() const { return director_.get(); }
    const host::TitlePaths& Paths() const { return paths_; }
    host::ProfileReader& Profiles() const { return profiles_; }
    host::WindowSystem* Windows() const { return screen_.windows; }
    host::WindowHandle MainFrame() const { return screen_.mainFrame; }
    // The decoded pictures of the play, shared by every image that shows them.
    CPictureCache& Pictures() { return pictures_; }

    // Starts the programs and opens the documents of the director's "Shell" command; unset,
    // this run starts none.
    host::ProgramStarter* programs = nullptr;
    // Asks whether another player of this user already shows a title of this window name,
    // and claims the name for this one when not. Unset: only this process's windows count.
    std::function<bool(const std::string& windowName)> otherInstanceShows;
    // Set while a video plays in a window of its own; idle processing then pauses movies.
    bool videoBusy = false;
    // See every message before it is dispatched, in this order: the pointer's look (its
    // answer is not used), then the scenes' zones (true: the zone consumed the message).
    std::function<bool(host::Message&)> cursorFilter;
    std::function<bool(host::Message&)> zoneFilter;
    // The play's zones (see CZone): made with the first zone, dropped at exit with the role
    // types.
    std::unique_ptr<CZoneTable> zones;
    // The cursor role that sees the mouse (see CCursor), or none.
    CCursor* activeCursor = nullptr;
    // Timers alive; a new timer's identifier is 2000 plus this count, itself included.
    int32_t liveTimers = 0;
    // The sound device the sound roles play on; unset, every sound stays silent.
    host::SoundDevice* soundDevice = nullptr;
    // The sound roles by role name: made by the first sound role or audio start, gone at
    // audio end (which runs once more as the player goes, among the role types' clean-ups).
    std::optional<std::map<std::string, CDirectSound*, std::less<>>> sounds;
    // How many sound roles have made a window; each one's timer id follows from it.
    int32_t soundWindows = 0;
    // The Smacker movies with an open file, by role name (see CSmacker); emptied at exit
    // among the role types' clean-ups.
    std::map<std::string, CSmacker*, std::less<>> videos;
    // Set by the director's "StartAudio" and cleared by "EndAudio": movie sound plays.
    bool videoSoundRouted = false;

  private:
    const host::TitlePaths& paths_;
    host::ProfileReader& profiles_;
    Screen screen_;
    // Taken down in the reverse of this order.
    CPictureCache pictures_;
    std::unique_ptr<CStageManager> stage_;
    std::unique_ptr<CDirector> director_;
    CRoleTypeRegistry registry_;
};

}  // namespace stagehand
