// RoleTypeFacts: what each role type of the player understands (properties, commands and
// their parameters, whether it holds children) and which events it raises.
//
// Properties and commands come from the handler classes themselves: one handler of each type
// is made through the role type table and fills its tables without being created (no window,
// no file, no title). Only the events are a table of their own (EventTable), since a class
// raises them from its code; a unit test keeps that table and the role type table in step.
// Event names match case-blind, as the queue file finds a queue by its section name.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kernel/MessageHandler.h"

namespace stagehand::check {

// The events one role type raises; `eventPrefix` covers a family of events (the director's
// key events "Key_...").
struct RoleTypeEvents {
    std::string_view type;
    std::vector<std::string_view> events;
    std::string_view eventPrefix;
};

// Every role type with the events it raises, in the role type table's order.
const std::vector<RoleTypeEvents>& EventTable();

class RoleTypeFacts {
  public:
    RoleTypeFacts();
    ~RoleTypeFacts();
    RoleTypeFacts(const RoleTypeFacts&) = delete;
    RoleTypeFacts& operator=(const RoleTypeFacts&) = delete;

    bool IsType(std::string_view type) const { return types_.count(type) != 0; }
    // The registered type that matches case-blind, or "" (a hint for a misspelt type).
    std::string_view SpelledAs(std::string_view type) const;

    bool HasProperty(std::string_view type, std::string_view property) const;
    // The command's descriptor for a role of that type, or nullptr.
    const CCommand* FindCommand(std::string_view type, std::string_view command) const;
    // A container: it takes "Child" and "State" entries.
    bool IsContainer(std::string_view type) const;
    bool Raises(std::string_view type, std::string_view event) const;

  private:
    struct Type {
        std::unique_ptr<CMessageHandler> probe;
        bool container = false;
        const RoleTypeEvents* events = nullptr;
    };
    const Type* Find(std::string_view type) const;

    std::map<std::string, Type, std::less<>> types_;
};

}  // namespace stagehand::check
