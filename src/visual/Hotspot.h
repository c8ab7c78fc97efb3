// CHotspot: a clickable picture, role type "Hotspot". Its window shows one rectangular cut of
// one image: the normal cut, the highlighted cut while the mouse is over it, the selected cut
// while the left button is held on it. Releasing the button on it raises "Click".
//
// The hotspot learns that the mouse has left by capturing the mouse on the first move over
// it: every later move reaches it, and one outside its rectangle releases the capture and
// returns it to normal. A press always gives the keyboard focus to the main frame, enabled
// or not, which takes it from any edit field. Losing the capture or a cancel-mode notice
// returns it to normal and forgets the press; disabling it does too.
//
// CCommandButton ("CommandButton") is the same hotspot under another type name.
//
// Where it bites: a disabled hotspot shows its normal cut; "DisabledX" and "DisabledY" are
// kept and readable but never drawn. The image is read once, at creation: later changes of
// "ImageFile", "Left" and "Top" change nothing on screen. A press, a move off and a release
// raise no "Click". After a click it shows the normal cut until the mouse moves again.
#pragma once

#include "kernel/Actor.h"
#include "visual/Dib.h"

namespace stagehand {

class CHotspot : public CActor {
  public:
    // Which cut shows: the index of its origin in the cut table.
    enum State : int32_t { kNormal = 0, kHighlighted = 1, kSelected = 2, kDisabled = 3 };

    static std::unique_ptr<CMessageHandler> Create();

    CHotspot() = default;
    ~CHotspot() override;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;
    void SetEnabled(bool enabled) override;

    int32_t ButtonState() const { return buttonState_; }
    bool IsPressed() const { return pressed_ != 0; }

  protected:
    // Commands are the actor's: "Show" and "Hide" show and hide the window as it stands.
    void RegisterProperties() override;
    intptr_t OnMessage(const host::Message& message) override;

    // Copies the cut of the current state to the canvas's top-left corner.
    void DrawCut(host::Canvas& canvas) const;
    host::Rect ClientRect() const;

  private:
    void OnMouseMove(host::Point point);
    void OnButtonDown();
    void OnButtonUp();
    // Back to normal without a press; `release` lets go of the mouse first.
    void Reset(bool release);

    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::string imageFile_;
    int32_t buttonState_ = kNormal;
    // The top-left corner of each state's cut in the image, indexed by State.
    int32_t cutX_[4] = {};
    int32_t cutY_[4] = {};
    int32_t pressed_ = 0;
    std::unique_ptr<CDib> image_;
};

class CCommandButton : public CHotspot {
  public:
    static std::unique_ptr<CMessageHandler> Create();
};

}  // namespace stagehand
