// The role type registry: the map from a role's "Type" name to the class that plays it.
//
// Containers and the director create every handler through it. The player builds it once at
// start-up and it goes with the player; it runs the one-time set-ups and clean-ups of the
// subsystems that keep process-wide tables (video, zones, audio) at fixed points of that
// order, so they happen exactly once per play.
//
// Guarantees: type names match exactly (case-sensitive); abstract bases have no entry; the
// clean-ups run in order when the registry is destroyed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "handlers/MessageHandler.h"

namespace stagehand {

class CRoleTypeRegistry {
  public:
    // Makes a new, not yet initialised handler of one class; the caller owns it.
    using Factory = std::unique_ptr<CMessageHandler> (*)();

    // One step of the build: a type entry, or a one-time set-up run at that point.
    struct Entry {
        std::string_view typeName;  // empty for a set-up step
        Factory create = nullptr;
        std::function<void()> setUp;
    };

    // Builds the registry from a table in order, running its set-ups; the clean-ups run when
    // the registry goes.
    explicit CRoleTypeRegistry(const std::vector<Entry>& table,
                               std::vector<std::function<void()>> cleanUps = {});
    ~CRoleTypeRegistry();
    CRoleTypeRegistry(const CRoleTypeRegistry&) = delete;
    CRoleTypeRegistry& operator=(const CRoleTypeRegistry&) = delete;

    Factory Lookup(std::string_view typeName) const;
    // The type names in the order they were entered.
    std::vector<std::string> Names() const;
    // Looks the type up and makes a handler of it; nullptr for an unknown type.
    std::unique_ptr<CMessageHandler> Create(std::string_view typeName) const;

  private:
    std::vector<std::pair<std::string, Factory>> types_;
    std::vector<std::function<void()>> cleanUps_;
};

// The player's table of role types in registration order, and the clean-ups of the play's
// tables run at exit.
std::vector<CRoleTypeRegistry::Entry> RoleTypeTable();
std::vector<std::function<void()>> RoleTypeCleanUps(CPlayer& player);

}  // namespace stagehand
