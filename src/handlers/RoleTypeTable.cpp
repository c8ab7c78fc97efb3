// The role types a title can name, in the order the player enters them. A type joins this
// table when its class exists, so a title naming a type the player cannot play yet creates
// nothing for that role (and the trace says so) instead of a stand-in.
#include "director/Director.h"
#include "handlers/RoleTypes.h"
#include "media/DirectSound.h"
#include "stage/Scene.h"
#include "state/ContentManager.h"
#include "state/StateVar.h"
#include "state/StateVarBool.h"

namespace stagehand {

std::vector<CRoleTypeRegistry::Entry> RoleTypeTable() {
    return {
        {"Director", &CDirector::Create, {}},
        {"Scene", &CScene::Create, {}},
        {"Boolean", &CStateVarBool::Create, {}},
        {"String", &CStateVarString::Create, {}},
        {"Integer", &CStateVarInt::Create, {}},
        {"DirectSound", &CDirectSound::Create, {}},
        {"IniContentManager", &CIniContentManager::Create, {}},
    };
}

// Audio ends after these, as the player's sound table goes (see CPlayer): it needs the play.
std::vector<std::function<void()>> RoleTypeCleanUps() {
    return {};
}

}  // namespace stagehand
