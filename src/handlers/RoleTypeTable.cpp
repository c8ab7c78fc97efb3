// The role types a title can name, in the order the player enters them. A type joins this
// table when its class exists, so a title naming a type the player cannot play yet creates
// nothing for that role (and the trace says so) instead of a stand-in.
#include "director/Director.h"
#include "handlers/RoleTypes.h"
#include "interaction/Cursor.h"
#include "interaction/System.h"
#include "interaction/Timer.h"
#include "interaction/Zone.h"
#include "media/AMovie.h"
#include "media/DirectSound.h"
#include "media/MciVideo.h"
#include "media/Smacker.h"
#include "stage/Scene.h"
#include "state/ContentManager.h"
#include "state/StateVar.h"
#include "state/StateVarBool.h"
#include "visual/EditText.h"
#include "visual/Hotspot.h"
#include "visual/Password.h"
#include "visual/TextButton.h"
#include "visual/TextLabel.h"

namespace stagehand {

std::vector<CRoleTypeRegistry::Entry> RoleTypeTable() {
    return {
        {"Director", &CDirector::Create, {}},
        {"Scene", &CScene::Create, {}},
        {"Amovie", &CAMovie::Create, {}},
        {"Hotspot", &CHotspot::Create, {}},
        {"CommandButton", &CCommandButton::Create, {}},
        {"Smacker", &CSmacker::Create, {}},
        {"Zone", &CZone::Create, {}},
        {"Timer", &CTimer::Create, {}},
        {"System", &CSystem::Create, {}},
        {"Boolean", &CStateVarBool::Create, {}},
        {"String", &CStateVarString::Create, {}},
        {"Integer", &CStateVarInt::Create, {}},
        {"DirectSound", &CDirectSound::Create, {}},
        {"Edittext", &CEditText::Create, {}},
        {"TextButton", &CTextButton::Create, {}},
        {"Password", &CPassword::Create, {}},
        {"Label", &CTextLabel::Create, {}},
        {"IniContentManager", &CIniContentManager::Create, {}},
        {"Cursor", &CCursor::Create, {}},
        {"MCIVideo", &CMCIVideo::Create, {}},
    };
}

std::vector<std::function<void()>> RoleTypeCleanUps(CPlayer& player) {
    return {
        [&player] { CSmacker::ShutDown(player); },
        [&player] { CZone::ShutDown(player); },
        [&player] { CDirectSound::EndAudio(player); },
    };
}

}  // namespace stagehand
