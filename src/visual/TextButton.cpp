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
    font_ = std::make_unique<CTextFont>(fontName_, fontSize_);
    created_ = true;
    if (fontColorClick_.empty() && !fontColorNormal_.empty()) {
        fontColorClick_ = fontColorNormal_;
    }
    if (fontColorHighlight_.empty() && !fontColorNormal_.empty()) {
        fontColorHighlight_ = fontColorNormal_;
    }
    return true;
}

void CTextButton::RegisterProperties() {
    CHotspot::RegisterProperties();
    AddProperty("Text", CVariant::kString, &text_);
    AddProperty("FontName", CVariant::kString, &fontName_);
    AddProperty("FontSize", CVariant::kInteger, &fontSize_);
    AddProperty("FontColorNormal", CVariant::kString, &fontColorNormal_);
    AddProperty("FontColorClick", CVariant::kString, &fontColorClick_);
    AddProperty("FontColorHighlight", CVariant::kString, &fontColorHighlight_);
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
            color = &fontColorNormal_;
            break;
        case kHighlighted:
            color = &fontColorHighlight_;
            break;
        case kSelected:
            color = &fontColorClick_;
            break;
        default:
            return;
    }
    font_->DrawText(text_, client, *color, canvas, CTextFont::kSingleLineMode,
                    CTextFont::kAlignCenter);
}

}  // namespace stagehand
