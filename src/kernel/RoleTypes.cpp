#include "kernel/RoleTypes.h"

#include <algorithm>

namespace stagehand {

CRoleTypeRegistry::CRoleTypeRegistry(const std::vector<Entry>& table) {
    for (const Entry& entry : table) {
        // A later entry of the same name replaces the earlier one, as in a map.
        const auto existing = std::find_if(types_.begin(), types_.end(), [&](const auto& type) {
            return type.first == entry.typeName;
        });
        if (existing != types_.end()) {
            existing->second = entry.create;
        } else {
            types_.emplace_back(std::string(entry.typeName), entry.create);
        }
    }
}

CRoleTypeRegistry::Factory CRoleTypeRegistry::Lookup(std::string_view typeName) const {
    const auto found = std::find_if(types_.begin(), types_.end(),
                                    [&](const auto& type) { return type.first == typeName; });
    return found == types_.end() ? nullptr : found->second;
}

std::vector<std::string> CRoleTypeRegistry::Names() const {
    std::vector<std::string> names;
    for (const auto& entry : types_) {
        names.push_back(entry.first);
    }
    return names;
}

std::unique_ptr<CMessageHandler> CRoleTypeRegistry::Create(std::string_view typeName) const {
    const Factory create = Lookup(typeName);
    return create ? create() : nullptr;
}

}  // namespace stagehand
