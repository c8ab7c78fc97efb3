#include "visual/TextButton.h"

#include "host/ui/WindowSystem.h"

namespace stagehand {

std::unique_ptr<CMessageHandler> CTextButton::Create() {
    return std::make_unique<CTextButton>();
}

bool CTextButton::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (!CHotspot::Initialize(player, name, parent)) {
        return false;
    }
    font_ = style_.MakeFont();
    created_ = true;
    if (style_.colorClick.empty() && !style_.colorNormal.empty()) {
        style_.colorClick = style_.colorNormal;
    }
    if (style_.colorHighlight.empty() && !style_.colorNormal.empty()) {
        style_.colorHighlight = style_.colorNormal;
    }
    return true;
}

void CTextButton::RegisterProperties() {
    CHotspot::RegisterProperties();
    style_.Bind([this](const char* name, CVariant::Type type, auto* field) {
        AddProperty(name, type, field);
    });
}

intptr_t CTextButton::OnMessage(const host::Message& message) {
    if (message.id != host::msg::kPaint) {
        return CHotspot::OnMessage(message);
    }
    // Until creation has finished the window stays waiting for its paint, which comes again
    // once the font is there.
    if (created_) {
        Paint();
    }
    return 0;
}

void CTextButton::Paint() {
    const host::Rect client = ClientRect();
    // The picture goes on the whole window, the text only where the paint is due.
    host::Canvas whole = System()->WindowCanvas(Handle());
    DrawCut(whole);
    host::Canvas canvas = System()->BeginPaint(Handle());
    const std::string* color = nullptr;
    switch (ButtonState()) {
        case kNormal:
            color = &style_.colorNormal;
            break;
        case kHighlighted:
            color = &style_.colorHighlight;
            break;
        case kSelected:
            color = &style_.colorClick;
            break;
        default:
            return;
    }
    font_->DrawText(style_.text, client, *color, canvas, CTextFont::kSingleLineMode,
                    CTextFont::kAlignCenter);
}

}  // namespace stagehand
