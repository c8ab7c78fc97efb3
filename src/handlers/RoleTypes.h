// The role type registry: the map from a role's "Type" name to the class that plays it.
//
// Containers and the director create every handler through it. It is built once at
// start-up and torn down at exit, and it runs the one-time set-ups and clean-ups of the
// subsystems that keep process-wide tables (video, zones, audio) at fixed points of that
// order, so they happen exactly once.
//
// Guarantees: type names match exactly (case-sensitive); abstract bases have no entry;
// Lookup before Build or after TearDown finds nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
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

    // Builds the registry from the player's table (RoleTypeTable), running its set-ups.
    static void Build();
    // Builds it from a given table, for tests; clean-ups run at TearDown in order.
    static void Build(const std::vector<Entry>& table,
                      std::vector<std::function<void()>> cleanUps = {});
    static void TearDown();
    static bool IsBuilt();

    static Factory Lookup(std::string_view typeName);
    // The type names in the order they were entered.
    static std::vector<std::string> Names();

    // Looks the type up and makes a handler of it; nullptr for an unknown type.
    static std::unique_ptr<CMessageHandler> Create(std::string_view typeName);
};

// The player's table of role types in registration order, and the clean-ups run at exit.
std::vector<CRoleTypeRegistry::Entry> RoleTypeTable();
std::vector<std::function<void()>> RoleTypeCleanUps();

}  // namespace stagehand
