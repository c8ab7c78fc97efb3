// The role types a title can name, in the order the player enters them. A type joins this
// table when its class exists, so a title naming a type the player cannot play yet creates
// nothing for that role (and the trace says so) instead of a stand-in.
#include "app/PlayerKit.h"

#include "director/Director.h"
#include "interaction/ActiveCursor.h"
#include "interaction/Cursor.h"
#include "interaction/System.h"
#include "interaction/Timer.h"
#include "interaction/Zone.h"
#include "interaction/ZoneTable.h"
#include "media/AMovie.h"
#include "media/DirectSound.h"
#include "media/MciVideo.h"
#include "media/MovieShelf.h"
#include "media/Smacker.h"
#include "media/SoundTable.h"
#include "media/VideoBusy.h"
#include "scene/ModalScenes.h"
#include "scene/Scene.h"
#include "state/ContentManager.h"
#include "state/StateVar.h"
#include "state/StateVarBool.h"
#include "visual/EditText.h"
#include "visual/Hotspot.h"
#include "visual/Password.h"
#include "visual/PictureCache.h"
#include "visual/TextButton.h"
#include "visual/TextLabel.h"

namespace stagehand {

std::vector<CRoleTypeRegistry::Entry> RoleTypeTable() {
    return {
        {"Director", &CDirector::Create},
        {"Scene", &CScene::Create},
        {"Amovie", &CAMovie::Create},
        {"Hotspot", &CHotspot::Create},
        {"CommandButton", &CCommandButton::Create},
        {"Smacker", &CSmacker::Create},
        {"Zone", &CZone::Create},
        {"Timer", &CTimer::Create},
        {"System", &CSystem::Create},
        {"Boolean", &CStateVarBool::Create},
        {"String", &CStateVarString::Create},
        {"Integer", &CStateVarInt::Create},
        {"DirectSound", &CDirectSound::Create},
        {"Edittext", &CEditText::Create},
        {"TextButton", &CTextButton::Create},
        {"Password", &CPassword::Create},
        {"Label", &CTextLabel::Create},
        {"IniContentManager", &CIniContentManager::Create},
        {"Cursor", &CCursor::Create},
        {"MCIVideo", &CMCIVideo::Create},
    };
}

void MakeServices(CPlayer& player) {
    player.Service<CActiveCursor>();
    player.Service<CZoneTable>();
    player.Service<CTimerIds>();
    player.Service<CPictureCache>();
    player.Service<CModalScenes>();
    player.Service<CSoundTable>();
    player.Service<CSoundWindowIds>();
    player.Service<CMovieShelf>();
    player.Service<CVideoBusy>();
}

std::unique_ptr<CPlayer> MakePlayer(const host::TitlePaths& paths, host::ProfileReader& profiles,
                                    CPlayer::Links links) {
    auto player = std::make_unique<CPlayer>(paths, profiles, std::move(links), RoleTypeTable());
    MakeServices(*player);
    return player;
}

}  // namespace stagehand
