// CPlayer: one play of a title, as the logic sees it. The application builds it with the
// player's role types and services (app/PlayerKit.h; a test does too, in one line); every
// handler is handed it when it is created and reaches everything title-wide through it: the
// stage manager, the role types, the director, the window system and main frame the scenes
// open in, the title's files, the programs the director starts, the sound device, the
// services the roles share and the hooks they add to the message loop.
//
// Guarantees: the player owns the stage manager, the role type registry, the services and
// the director, and takes them down in the reverse of their declaration below: the director
// with every role it still owns first, then the services in the reverse of their making,
// then the registry and the stage manager, whose table every handler has left by then. Links
// to what the application owns (windows, files, programs, the sound device) are plain
// pointers that must outlive the player; unset ones are simply not used (a scene without a
// window system has no window, a sound without a device stays silent).
// Where it bites: one player at a time may show a title in one window system; two players
// share nothing but the trace.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/ui/Messages.h"
#include "kernel/PlayerService.h"
#include "kernel/RoleTypes.h"
#include "kernel/StageManager.h"

namespace stagehand {

class CMessageHandlerContainer;

namespace host {
class SoundDevice;
class WindowSystem;
class ProgramConsent;
class ProgramStarter;
class ProfileReader;
class SaveFolder;
class TitlePaths;
}  // namespace host

namespace detail {
// One object per service type; its address is the type's key.
template <typename S>
inline constexpr char kServiceKey = 0;
}  // namespace detail

class CPlayer {
  public:
    // What the application lends the play, besides the title's files: all optional.
    struct Links {
        Links() = default;
        // The window system and the main frame the scenes open in.
        Links(host::WindowSystem* windowSystem, host::WindowHandle frame)
            : windows(windowSystem), mainFrame(frame) {}

        host::WindowSystem* windows = nullptr;
        host::WindowHandle mainFrame;
        // Starts the programs and opens the documents of the director's "Shell" command;
        // unset, this run starts none.
        host::ProgramStarter* programs = nullptr;
        // Asks the user before a program starts or a document opens; unset, nothing is asked
        // and everything the starter can do is done (tests of the title's commands).
        host::ProgramConsent* consent = nullptr;
        // Where the title's saves go; unset, this run saves nothing.
        const host::SaveFolder* saves = nullptr;
        // The sound device the sound roles play on; unset, every sound stays silent.
        host::SoundDevice* soundDevice = nullptr;
        // Asks whether another player of this user already shows a title of this window
        // name, and claims the name for this one when not. Unset: only this process's
        // windows count.
        std::function<bool(const std::string& windowName)> otherInstanceShows;
    };

    // A player of the title in `paths`, reading its files through `profiles`, creating roles
    // of the types in `roleTypes`. It makes no service: see app/PlayerKit.h for the player's
    // own table and services.
    CPlayer(const host::TitlePaths& paths, host::ProfileReader& profiles, Links links,
            const std::vector<CRoleTypeRegistry::Entry>& roleTypes);
    ~CPlayer();
    CPlayer(const CPlayer&) = delete;
    CPlayer& operator=(const CPlayer&) = delete;

    // Creates the director from the role "Director" through the role type of that name and
    // starts the title; false when another instance already shows it (the main frame has
    // then been asked to close) or there is no such role type.
    bool StartDirector();

    CStageManager& Stage() { return *stage_; }
    const CRoleTypeRegistry& RoleTypes() const { return registry_; }
    // The root of every role; nullptr before StartDirector.
    CMessageHandlerContainer* Director() const { return director_.get(); }
    const host::TitlePaths& Paths() const { return paths_; }
    host::ProfileReader& Profiles() const { return profiles_; }
    host::WindowSystem* Windows() const { return links_.windows; }
    host::WindowHandle MainFrame() const { return links_.mainFrame; }
    host::ProgramStarter* Programs() const { return links_.programs; }
    host::ProgramConsent* Consent() const { return links_.consent; }
    host::SoundDevice* SoundDevice() const { return links_.soundDevice; }
    const host::SaveFolder* Saves() const { return links_.saves; }
    // Whether another player shows a title of this window name (see Links).
    bool OtherInstanceShows(const std::string& windowName) const {
        return links_.otherInstanceShows && links_.otherInstanceShows(windowName);
    }
    bool SeesOtherInstances() const { return static_cast<bool>(links_.otherInstanceShows); }

    // The play's one service of type S, a CPlayerService made from the player: made now if
    // nobody asked for it before.
    template <typename S>
    S& Service() {
        if (CPlayerService* found = FindService(&detail::kServiceKey<S>)) {
            return static_cast<S&>(*found);
        }
        auto made = std::make_unique<S>(*this);
        S& service = *made;
        AddService(&detail::kServiceKey<S>, std::move(made));
        return service;
    }

    // The hooks the services add to the message loop; the application runs them.
    CLoopHooks& Hooks() { return hooks_; }

  private:
    CPlayerService* FindService(const void* key) const;
    void AddService(const void* key, std::unique_ptr<CPlayerService> service);

    const host::TitlePaths& paths_;
    host::ProfileReader& profiles_;
    Links links_;
    // Taken down in the reverse of this order.
    std::unique_ptr<CStageManager> stage_;
    CRoleTypeRegistry registry_;
    CLoopHooks hooks_;
    std::vector<std::pair<const void*, std::unique_ptr<CPlayerService>>> services_;
    std::unique_ptr<CMessageHandlerContainer> director_;
};

}  // namespace stagehand
