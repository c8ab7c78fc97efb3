#include "check/TitleRoles.h"

#include "host/files/TextEncoding.h"

namespace stagehand::check {

void TitleRoles::Add(const std::string& name, const std::string& type) {
    auto [entry, added] = types_.try_emplace(name);
    entry->second.insert(type);
    if (added) {
        byFolded_[host::FoldCase1252(name)].push_back(name);
    }
}

const std::set<std::string>& TitleRoles::TypesOf(std::string_view name) const {
    static const std::set<std::string> kNone;
    const auto found = types_.find(name);
    return found == types_.end() ? kNone : found->second;
}

std::set<std::string> TitleRoles::TypesOfAnyCase(std::string_view name) const {
    std::set<std::string> types;
    const auto found = byFolded_.find(host::FoldCase1252(name));
    if (found != byFolded_.end()) {
        for (const std::string& spelling : found->second) {
            const std::set<std::string>& some = TypesOf(spelling);
            types.insert(some.begin(), some.end());
        }
    }
    return types;
}

std::string_view TitleRoles::SpelledAs(std::string_view name) const {
    const auto found = byFolded_.find(host::FoldCase1252(name));
    return found == byFolded_.end() ? std::string_view() : found->second.front();
}

}  // namespace stagehand::check
