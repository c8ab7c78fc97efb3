#include "handlers/RoleTypes.h"

#include <algorithm>
#include <utility>

namespace stagehand {

namespace {

struct Registry {
    bool built = false;
    std::vector<std::pair<std::string, CRoleTypeRegistry::Factory>> types;
    std::vector<std::function<void()>> cleanUps;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

auto Find(Registry& registry, std::string_view typeName) {
    return std::find_if(registry.types.begin(), registry.types.end(),
                        [typeName](const auto& type) { return type.first == typeName; });
}

}  // namespace

void CRoleTypeRegistry::Build() {
    Build(RoleTypeTable(), RoleTypeCleanUps());
}

void CRoleTypeRegistry::Build(const std::vector<Entry>& table,
                              std::vector<std::function<void()>> cleanUps) {
    Registry& registry = TheRegistry();
    if (registry.built) {
        return;
    }
    registry.built = true;
    for (const Entry& entry : table) {
        if (entry.typeName.empty()) {
            if (entry.setUp) {
                entry.setUp();
            }
            continue;
        }
        // A later entry of the same name replaces the earlier one, as in a map.
        const auto existing = Find(registry, entry.typeName);
        if (existing != registry.types.end()) {
            existing->second = entry.create;
        } else {
            registry.types.emplace_back(std::string(entry.typeName), entry.create);
        }
    }
    registry.cleanUps = std::move(cleanUps);
}

void CRoleTypeRegistry::TearDown() {
    Registry& registry = TheRegistry();
    if (!registry.built) {
        return;
    }
    registry.types.clear();
    registry.built = false;
    std::vector<std::function<void()>> cleanUps = std::move(registry.cleanUps);
    registry.cleanUps.clear();
    for (const auto& cleanUp : cleanUps) {
        if (cleanUp) {
            cleanUp();
        }
    }
}

bool CRoleTypeRegistry::IsBuilt() {
    return TheRegistry().built;
}

CRoleTypeRegistry::Factory CRoleTypeRegistry::Lookup(std::string_view typeName) {
    Registry& registry = TheRegistry();
    const auto found = Find(registry, typeName);
    return found == registry.types.end() ? nullptr : found->second;
}

std::vector<std::string> CRoleTypeRegistry::Names() {
    std::vector<std::string> names;
    for (const auto& entry : TheRegistry().types) {
        names.push_back(entry.first);
    }
    return names;
}

std::unique_ptr<CMessageHandler> CRoleTypeRegistry::Create(std::string_view typeName) {
    const Factory create = Lookup(typeName);
    return create ? create() : nullptr;
}

}  // namespace stagehand
