// The role type registry: the map from a role's "Type" name to the class that plays it.
//
// Containers and the director create every handler through it. The player builds it once at
// start-up from the table the application hands it (app/PlayerKit.h), and it goes with the
// player.
//
// Guarantees: type names match exactly (case-sensitive); abstract bases have no entry; a
// later entry of a name replaces an earlier one.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "kernel/MessageHandler.h"

namespace stagehand {

class CRoleTypeRegistry {
  public:
    // Makes a new, not yet initialised handler of one class; the caller owns it.
    using Factory = std::unique_ptr<CMessageHandler> (*)();

    struct Entry {
        std::string_view typeName;
        Factory create = nullptr;
    };

    // Builds the registry from a table, in order.
    explicit CRoleTypeRegistry(const std::vector<Entry>& table);
    CRoleTypeRegistry(const CRoleTypeRegistry&) = delete;
    CRoleTypeRegistry& operator=(const CRoleTypeRegistry&) = delete;

    Factory Lookup(std::string_view typeName) const;
    // The type names in the order they were entered.
    std::vector<std::string> Names() const;
    // Looks the type up and makes a handler of it; nullptr for an unknown type.
    std::unique_ptr<CMessageHandler> Create(std::string_view typeName) const;

  private:
    std::vector<std::pair<std::string, Factory>> types_;
};

}  // namespace stagehand
