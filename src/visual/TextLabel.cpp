#include "visual/TextLabel.h"

#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "trace/Trace.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CTextLabel::Create() {
    return std::make_unique<CTextLabel>();
}

bool CTextLabel::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    CActor::Initialize(player, name, parent);
    host::WindowSystem* windows = player.Windows();
    if (windows == nullptr) {
        return false;
    }
    if (parent == nullptr || !parent->HasWindow()) {
        trace::Fault("The label \"%s\" has no window to open in.", {name});
        return false;
    }
    host::WindowParams params;
    params.title = name;
    params.style = host::style::kChild | host::style::kVisible;
    params.rect = host::Rect::FromSize(left_, top_, width_, height_);
    params.parent = parent->Handle();
    if (!CreateWindow(*windows, params)) {
        trace::Fault("The window of the label \"%s\" could not be made.", {name});
        return false;
    }
    font_ = style_.MakeFont();
    return true;
}

void CTextLabel::RegisterProperties() {
    CActor::RegisterProperties();
    style_.Bind([this](const char* name, CVariant::Type type, auto* field) {
        AddProperty(name, type, field);
    });
    AddProperty("BackgroundColor", CVariant::kString, &backgroundColor_);
    AddProperty("HorizAlign", CVariant::kString, &horizAlign_);
    AddProperty("IsTransparent", CVariant::kBoolean, &isTransparent_);
    AddProperty("Left", CVariant::kInteger, &left_);
    AddProperty("Top", CVariant::kInteger, &top_);
    AddProperty("Width", CVariant::kInteger, &width_);
    AddProperty("Height", CVariant::kInteger, &height_);
}

intptr_t CTextLabel::OnMessage(const host::Message& message) {
    if (message.id == host::msg::kPaint) {
        Paint();
        return 0;
    }
    return CActor::OnMessage(message);
}

void CTextLabel::Paint() {
    const host::Rect client = System()->ClientRect(Handle());
    uint32_t alignment = CTextFont::kAlignLeft;  // also for names it does not know
    if (horizAlign_ == "Center") {
        alignment = CTextFont::kAlignCenter;
    } else if (horizAlign_ == "Right") {
        alignment = CTextFont::kAlignRight;
    }
    host::Canvas canvas = System()->BeginPaint(Handle());
    if (isTransparent_ == 0) {
        CTextFont::FillBackground(client, CTextFont::ParseColor(backgroundColor_), canvas);
    }
    if (font_) {
        font_->DrawText(style_.text, client, style_.colorNormal, canvas, 0, alignment);
    }
}

}  // namespace stagehand
