#include "scene/Scene.h"

#include "host/ui/WindowSystem.h"
#include "kernel/Container.h"
#include "kernel/Player.h"
#include "scene/ModalScenes.h"
#include "trace/Trace.h"
#include "visual/PictureCache.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CScene::Create() {
    return std::make_unique<CScene>();
}

CScene::~CScene() {
    // A scene that is (or claims to be) modal leaves the director's list before it goes, so
    // the list never names a scene that no longer exists.
    if (IsCreated() && Player().Director() != nullptr) {
        CModalScenes& modal = Player().Service<CModalScenes>();
        if (modal_ != 0 || modal.Has(*this)) {
            modal.Drop(*this);
        }
    }
    background_.Free();
    DestroyChildren();
}

bool CScene::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (!CMessageHandlerContainer::Initialize(player, name, parent)) {
        return false;  // a state's creation destroyed this scene
    }
    if (modal_ != 0 && player.Director() != nullptr) {
        player.Service<CModalScenes>().Add(*this);
    }
    OpenWindow();
    if (!CreateChildren()) {
        return false;  // a child's creation destroyed this scene
    }
    RunQueue("Load", kEventScope);
    return true;
}

void CScene::OpenWindow() {
    host::WindowSystem* windows = Player().Windows();
    if (windows == nullptr) {
        return;
    }
    // A scene directly under the director opens in the main frame; a nested scene in its
    // parent scene's window.
    host::WindowHandle parentWindow = Player().MainFrame();
    CMessageHandler* parent = GetParent();
    if (parent != nullptr && parent != Player().Director() && parent->HasWindow()) {
        parentWindow = parent->Handle();
    }
    if (!windows->Exists(parentWindow)) {
        trace::Fault("The scene \"%s\" has no window to open in.", {GetName()});
        return;
    }
    host::WindowParams params;
    params.title = GetName();
    params.style = host::style::kChild | host::style::kVisible | host::style::kClipSiblings;
    params.rect = host::Rect::FromSize(left_, top_, width_, height_);
    params.parent = parentWindow;
    if (!CreateWindow(*windows, params)) {
        trace::Fault("The window of the scene \"%s\" could not be made.", {GetName()});
        return;
    }
    windows->BringToTop(Handle());
    if (isVisible_ == 0) {
        windows->Show(Handle(), false);
    }
    if (!imageFilename_.empty()) {
        background_.Load(Player().Service<CPictureCache>(), &Player().Paths(), imageFilename_);
    }
    windows->UpdateNow(Handle());
    if (isVisible_ != 0) {
        windows->SetFocus(Player().MainFrame());
    }
}

void CScene::SetEnabled(bool enabled) {
    const int32_t state = enabled ? 1 : 0;
    if (ownDisabled_ || state == enabledState_) {
        return;
    }
    enabledState_ = state;
    // Copied first: a child's switch must not change the table under the walk.
    std::vector<CMessageHandler*> children;
    for (const auto& [name, child] : Children()) {
        children.push_back(child);
    }
    for (CMessageHandler* child : children) {
        if (auto* latch = dynamic_cast<CEnableLatch*>(child)) {
            latch->SetEnabled(enabled);  // child scenes and actors
        }
    }
}

void CScene::RegisterProperties() {
    CMessageHandlerContainer::RegisterProperties();
    AddProperty("Left", CVariant::kInteger, &left_);
    AddProperty("Top", CVariant::kInteger, &top_);
    AddProperty("Width", CVariant::kInteger, &width_);
    AddProperty("Height", CVariant::kInteger, &height_);
    AddProperty("ImageFilename", CVariant::kString, &imageFilename_);
    AddProperty("Modal", CVariant::kBoolean, &modal_);
    AddProperty("IsVisible", CVariant::kBoolean, &isVisible_);
}

void CScene::RegisterCommands() {
    CMessageHandlerContainer::RegisterCommands();
    AddCommand("Enable", SwitchCommand<CScene>(true), 0, "", "");
    AddCommand("Disable", SwitchCommand<CScene>(false), 0, "", "");
    // The window only: "IsVisible" keeps its value.
    AddCommand("Show", ShowWindowCommand(true), 0, "", "");
    AddCommand("Hide", ShowWindowCommand(false), 0, "", "");
}

intptr_t CScene::OnMessage(const host::Message& message) {
    switch (message.id) {
        case host::msg::kEraseBackground:
            return 1;  // never cleared: the background image (or what lies below) shows
        case host::msg::kPaint: {
            host::Canvas canvas = System()->BeginPaint(Handle());
            background_.Draw(canvas);
            return 0;
        }
        case host::msg::kClose: {
            // A close request that arrives while the "Unload" event runs (the event unloading
            // its own scene) closes nothing more; the first one finishes the job.
            if (closing_) {
                return 0;
            }
            closing_ = true;
            const std::weak_ptr<const char> alive = LifeToken();
            RunQueue("Unload", kEventScope);
            if (alive.expired()) {
                return 0;  // the event destroyed the scene itself
            }
            return DefaultMessage(message);  // destroys the window, which deletes the scene
        }
        default:
            return CMessageHandlerContainer::OnMessage(message);
    }
}

}  // namespace stagehand
