#include "stage/Player.h"

#include "director/Director.h"
#include "media/DirectSound.h"
#include "stage/IniStageManager.h"

namespace stagehand {

CPlayer::CPlayer(const host::TitlePaths& paths, host::ProfileReader& profiles)
    : CPlayer(paths, profiles, Screen{}) {}

CPlayer::CPlayer(const host::TitlePaths& paths, host::ProfileReader& profiles, Screen screen)
    : CPlayer(paths, profiles, screen, RoleTypeTable(), RoleTypeCleanUps()) {}

CPlayer::CPlayer(const host::TitlePaths& paths, host::ProfileReader& profiles, Screen screen,
                 const std::vector<CRoleTypeRegistry::Entry>& roleTypes,
                 std::vector<std::function<void()>> cleanUps)
    : paths_(paths),
      profiles_(profiles),
      screen_(screen),
      stage_(std::make_unique<CIniStageManager>(profiles)),
      registry_(roleTypes, std::move(cleanUps)) {}

CPlayer::~CPlayer() = default;

CPlayer::AudioEnd::~AudioEnd() {
    CDirectSound::EndAudio(*player);
}

bool CPlayer::StartDirector() {
    director_ = std::make_unique<CDirector>();
    return director_->Initialize(*this, CDirector::kRoleName, nullptr);
}

}  // namespace stagehand
