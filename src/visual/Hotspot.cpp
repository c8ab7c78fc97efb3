#include "visual/Hotspot.h"

#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "trace/Trace.h"
#include "visual/PictureCache.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CHotspot::Create() {
    return std::make_unique<CHotspot>();
}

std::unique_ptr<CMessageHandler> CCommandButton::Create() {
    return std::make_unique<CCommandButton>();
}

CHotspot::~CHotspot() {
    if (image_) {
        image_->Free();
    }
}

bool CHotspot::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CActor::Initialize(player, name, parent);
    image_.reset();
    if (!imageFile_.empty()) {
        image_ = std::make_unique<CDib>();
        image_->Load(player.Service<CPictureCache>(), &player.Paths(), imageFile_);
    }
    host::WindowSystem* windows = player.Windows();
    if (windows == nullptr) {
        return false;
    }
    if (parent == nullptr || !parent->HasWindow()) {
        trace::Fault("The button \"%s\" has no window to open in.", {name});
        return false;
    }
    host::WindowParams params;
    params.title = name;
    params.style = host::style::kChild | host::style::kVisible | host::style::kClipSiblings;
    params.rect = host::Rect::FromSize(left_, top_, width_, height_);
    params.parent = parent->Handle();
    if (!CreateWindow(*windows, params)) {
        trace::Fault("The window of the button \"%s\" could not be made.", {name});
        return false;
    }
    windows->BringToTop(Handle());
    windows->UpdateNow(Handle());
    return true;
}

void CHotspot::SetEnabled(bool enabled) {
    if (ownDisabled_) {
        return;
    }
    enabled_ = enabled ? 1 : 0;
    if (!enabled && buttonState_ != kNormal) {
        Reset(true);
    }
}

void CHotspot::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("Left", CVariant::kInteger, &left_);
    AddProperty("Top", CVariant::kInteger, &top_);
    AddProperty("Width", CVariant::kInteger, &width_);
    AddProperty("Height", CVariant::kInteger, &height_);
    static constexpr const char* kCutNames[4][2] = {{"NormalX", "NormalY"},
                                                    {"HighlightX", "HighlightY"},
                                                    {"SelectedX", "SelectedY"},
                                                    {"DisabledX", "DisabledY"}};
    for (int state = 0; state < 4; ++state) {
        AddProperty(kCutNames[state][0], CVariant::kInteger, &cutX_[state]);
        AddProperty(kCutNames[state][1], CVariant::kInteger, &cutY_[state]);
    }
    AddProperty("ImageFile", CVariant::kString, &imageFile_);
}

host::Rect CHotspot::ClientRect() const {
    return System()->ClientRect(Handle());
}

void CHotspot::DrawCut(host::Canvas& canvas) const {
    if (image_ && buttonState_ >= kNormal && buttonState_ <= kDisabled) {
        image_->DrawPart(canvas, 0, 0, width_, height_, cutX_[buttonState_], cutY_[buttonState_]);
    }
}

intptr_t CHotspot::OnMessage(const host::Message& message) {
    switch (message.id) {
        case host::msg::kPaint: {
            host::Canvas canvas = System()->BeginPaint(Handle());
            DrawCut(canvas);
            return 0;
        }
        case host::msg::kMouseMove:
            OnMouseMove(host::UnpackPoint(message.lParam));
            return 0;
        case host::msg::kLButtonDown:
            OnButtonDown();
            return 0;
        case host::msg::kLButtonUp:
            OnButtonUp();
            return 0;
        case host::msg::kCancelMode:
        case host::msg::kCaptureChanged:
            if (buttonState_ != kNormal) {
                Reset(false);
            }
            return 0;
        default:
            return CActor::OnMessage(message);
    }
}

void CHotspot::OnMouseMove(host::Point point) {
    if (enabled_ == 0) {
        return;
    }
    if (buttonState_ == kNormal) {
        System()->SetCapture(Handle());
        buttonState_ = kHighlighted;
        System()->Invalidate(Handle());
    } else if (!ClientRect().Contains(point)) {
        Reset(true);  // the mouse has left: a press is cancelled
    }
}

void CHotspot::OnButtonDown() {
    System()->SetFocus(Player().MainFrame());
    if (enabled_ == 0) {
        return;
    }
    if (buttonState_ == kNormal) {
        System()->SetCapture(Handle());
    }
    buttonState_ = kSelected;
    System()->Invalidate(Handle());
    pressed_ = 1;
}

void CHotspot::OnButtonUp() {
    if (enabled_ == 0 || pressed_ == 0) {
        return;
    }
    Reset(true);
    RunQueue("Click", kEventScope);  // may destroy this hotspot: nothing follows
}

void CHotspot::Reset(bool release) {
    buttonState_ = kNormal;
    pressed_ = 0;
    if (!HasWindow()) {
        return;
    }
    if (release) {
        // The capture notice this sends finds the state already normal: nothing to undo.
        System()->ReleaseCapture();
    }
    System()->Invalidate(Handle());
}

}  // namespace stagehand
