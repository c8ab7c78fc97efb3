// CModalScenes: the modal scenes of the play, newest last. While one exists the other scenes
// under the director are disabled; when the newest goes, the one before it (or every scene,
// when it was the last) is enabled again.
//
// Guarantees: a scene leaves the list before it goes, so the list never names a scene that
// no longer exists; the director empties the list before its scenes go, so scenes going at
// the end of the play hand nothing back.
// Where it bites: an older modal scene that goes leaves the newer one in charge and enables
// nothing.
#pragma once

#include <algorithm>
#include <vector>

#include "kernel/PlayerService.h"

namespace stagehand {

class CPlayer;
class CScene;

class CModalScenes final : public CPlayerService {
  public:
    explicit CModalScenes(CPlayer& player) : player_(player) {}

    // A modal scene was created: the other scenes under the director are disabled.
    void Add(CScene& scene);
    // A modal scene is going: the scene that is modal now (or every scene) is enabled again.
    void Drop(CScene& scene);
    bool Has(const CScene& scene) const {
        return std::find(modal_.begin(), modal_.end(), &scene) != modal_.end();
    }
    const std::vector<CScene*>& Scenes() const { return modal_; }
    // The play ends: the scenes go without handing anything back.
    void Clear() { modal_.clear(); }

  private:
    void SetScenesEnabled(bool enabled, const CScene* except);

    CPlayer& player_;
    std::vector<CScene*> modal_;
};

}  // namespace stagehand
