// CScene: a container with a window, role type "Scene". Its window is a rectangle in the
// main frame (or in its parent scene) with an optional background image; its actors live
// in it as child windows.
//
// Creating a scene opens its window on top of its siblings, paints it at once, creates its
// "Child" roles and runs its "Load" event. A close request runs its "Unload" event and then
// destroys the window, which deletes the scene and everything it owns. A modal scene
// disables the director's other scenes while it exists.
//
// Guarantees: a scene deleted any way (close request, its parent's destruction, "RemoveChild")
// leaves the director's modal list and its parent's table.
// Where it bites: "Show" and "Hide" change the window only; "IsVisible" keeps its value. A
// scene disabled by its own "Disable" ignores enabling from above until its own "Enable".
#pragma once

#include "kernel/Container.h"
#include "kernel/EnableLatch.h"
#include "visual/Dib.h"

namespace stagehand {

class CScene : public CMessageHandlerContainer, public CEnableLatch {
  public:
    static std::unique_ptr<CMessageHandler> Create();

    CScene() = default;
    ~CScene() override;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    // Passes the enable state down to the child scenes and actors; ignored while the scene
    // is disabled on its own or already in that state.
    void SetEnabled(bool enabled) override;
    bool IsEnabled() const { return enabledState_ != 0; }

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;
    intptr_t OnMessage(const host::Message& message) override;

  private:
    void OpenWindow();

    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::string imageFilename_;
    CDib background_;
    int32_t enabledState_ = 1;
    int32_t modal_ = 0;
    int32_t isVisible_ = 1;
    bool closing_ = false;
};

}  // namespace stagehand
