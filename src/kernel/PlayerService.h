// CPlayerService: one subsystem of a play that several roles share and that outlives any one
// of them: the sound table, the movie shelf, the zones, the active cursor, the pictures, the
// modal scenes, the identifier counters. The player holds one of each type (see
// CPlayer::Service): the application makes them all, in its order, as the player is built,
// and the player takes them down in the reverse of that order after the director and every
// role it owned have gone, so a role may always reach its services, even as it goes.
//
// CLoopHooks: what the services add to the message loop. Filters see every message before it
// is dispatched, in the order they were added, and the first that consumes it ends the walk;
// idle steps run when the queue is empty, in the order they were added.
//
// Where it bites: a service is made on the first ask when the application did not make it
// (a test that builds a bare player); its hooks then run after those made before it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

#include "host/ui/Messages.h"
#include "host/ui/WindowSystem.h"

namespace stagehand {

class CPlayerService {
  public:
    virtual ~CPlayerService() = default;
    CPlayerService() = default;
    CPlayerService(const CPlayerService&) = delete;
    CPlayerService& operator=(const CPlayerService&) = delete;
};

class CLoopHooks {
  public:
    // True: the message is consumed and not dispatched.
    using Filter = std::function<bool(host::Message& message)>;
    using IdleStep = std::function<host::IdleRequest(uint32_t now)>;

    void AddFilter(Filter filter) { filters_.push_back(std::move(filter)); }
    void AddIdleStep(IdleStep step) { idleSteps_.push_back(std::move(step)); }

    bool RunFilters(host::Message& message) const;
    // Every idle step once, by index: a step may add another, which runs in the same pass.
    host::IdleRequest RunIdleSteps(uint32_t now) const;
    // The union of two requests: more if either wants more, at the earlier time (no time,
    // that is as soon as the loop is free, is the earliest).
    static void Merge(host::IdleRequest& into, const host::IdleRequest& other);

  private:
    // Deques: a hook added while the hooks run leaves those running where they are.
    std::deque<Filter> filters_;
    std::deque<IdleStep> idleSteps_;
};

}  // namespace stagehand
