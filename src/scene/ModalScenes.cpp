#include "scene/ModalScenes.h"

#include "kernel/Container.h"
#include "kernel/Player.h"
#include "scene/Scene.h"

namespace stagehand {

void CModalScenes::Add(CScene& scene) {
    SetScenesEnabled(false, &scene);
    modal_.push_back(&scene);
}

void CModalScenes::Drop(CScene& scene) {
    if (modal_.empty()) {
        SetScenesEnabled(true, &scene);
        return;
    }
    const auto found = std::find(modal_.begin(), modal_.end(), &scene);
    if (found == modal_.end()) {
        modal_.back()->SetEnabled(true);
        return;
    }
    if (found + 1 != modal_.end()) {
        modal_.erase(found);  // an older modal scene: the newer one stays in charge
        return;
    }
    modal_.pop_back();
    if (modal_.empty()) {
        SetScenesEnabled(true, &scene);
    } else {
        modal_.back()->SetEnabled(true);
    }
}

void CModalScenes::SetScenesEnabled(bool enabled, const CScene* except) {
    const CMessageHandlerContainer* director = player_.Director();
    if (director == nullptr) {
        return;
    }
    // Copied first: switching a scene must not change the table under the walk.
    std::vector<CScene*> scenes;
    for (const auto& [name, child] : director->Children()) {
        if (auto* scene = dynamic_cast<CScene*>(child); scene != nullptr && scene != except) {
            scenes.push_back(scene);
        }
    }
    for (CScene* scene : scenes) {
        scene->SetEnabled(enabled);
    }
}

}  // namespace stagehand
