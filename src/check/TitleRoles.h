// TitleRoles: every name a handler of the title can have, with the role types it can have
// under it. A handler takes the name it is created under: the role file's section names, the
// names that "Child" entries and literal "Load" and "AddChild" messages create, the names of
// "State" entries, and "Director". Messages find handlers by exact name; role sections are
// found case-blind.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace stagehand::check {

class TitleRoles {
  public:
    // A name a handler can have; `type` is what its role says ("" when unknown, which turns
    // off the checks that need the type).
    void Add(const std::string& name, const std::string& type);

    bool Has(std::string_view name) const { return types_.count(name) != 0; }
    // The types a handler of exactly that name can have (empty when unknown).
    const std::set<std::string>& TypesOf(std::string_view name) const;
    // The types of every name that matches case-blind.
    std::set<std::string> TypesOfAnyCase(std::string_view name) const;
    // A known name that matches case-blind, or "" (a hint for a misspelt name).
    std::string_view SpelledAs(std::string_view name) const;
    bool HasAnyCase(std::string_view name) const { return !SpelledAs(name).empty(); }

  private:
    std::map<std::string, std::set<std::string>, std::less<>> types_;
    std::unordered_map<std::string, std::vector<std::string>> byFolded_;
};

}  // namespace stagehand::check
