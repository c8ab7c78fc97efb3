#include "visual/EditText.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>

#include "host/ui/Keys.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Player.h"
#include "trace/Trace.h"
#include "visual/TextFont.h"

namespace stagehand {

namespace {

// Edit text roles alive in the process: the next one's field is numbered 1000 plus this.
int32_t liveEditTexts = 0;

// The field's colours. Both are read into one set of components, zero at first: a component
// the background text leaves out keeps the text colour's. A colour with no text is left to
// the field (black text, white background).
struct FieldColors {
    std::optional<host::Color> text;
    std::optional<host::Color> background;
};

FieldColors ReadFieldColors(const std::string& textColor, const std::string& background) {
    FieldColors colors;
    uint8_t rgb[3] = {0, 0, 0};
    if (!textColor.empty()) {
        CTextFont::ReadColorComponents(textColor, rgb);
        colors.text = host::Rgb(rgb[0], rgb[1], rgb[2]);
    }
    if (!background.empty()) {
        CTextFont::ReadColorComponents(background, rgb);
        colors.background = host::Rgb(rgb[0], rgb[1], rgb[2]);
    }
    return colors;
}

int32_t Clamp32(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

std::unique_ptr<CMessageHandler> CEditText::Create() {
    return std::make_unique<CEditText>();
}

CEditText::CEditText() : controlId_(1000 + ++liveEditTexts) {}

CEditText::~CEditText() {
    --liveEditTexts;
}

bool CEditText::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (!CActor::Initialize(player, name, parent)) {
        return false;
    }
    OpenWindow();
    return true;
}

void CEditText::OpenWindow() {
    host::WindowSystem* windows = Player().Windows();
    if (windows == nullptr) {
        return;
    }
    host::WindowHandle parentWindow = Player().MainFrame();
    if (GetParent() != nullptr && GetParent()->HasWindow()) {
        parentWindow = GetParent()->Handle();
    }
    if (!windows->Exists(parentWindow)) {
        trace::Fault("The edit text \"%s\" has no window to open in.", {GetName()});
        return;
    }
    host::WindowParams params;
    params.style = host::style::kChild | host::style::kVisible;
    params.rect = {left_, top_, Clamp32(int64_t{left_} + 2 * int64_t{width_}),
                   Clamp32(int64_t{top_} + height_)};
    params.parent = parentWindow;
    if (!CreateWindow(*windows, params)) {
        trace::Fault("The window of the edit text \"%s\" could not be made.", {GetName()});
        return;
    }

    const FieldColors colors = ReadFieldColors(fontColor_, backgroundColor_);
    host::EditControl::Options options;
    options.font = host::Font::Create(fontName_, fontSize_);
    options.textColor = colors.text;
    options.background = colors.background;
    options.password = isPasswordMode_ != 0;
    control_ = std::make_unique<host::EditControl>(static_cast<Listener*>(this));
    // The field starts at the window's corner but is as wide as Left + Width: the window cuts
    // off what passes its right edge.
    const host::Rect field{0, 0, Clamp32(int64_t{left_} + width_),
                           Clamp32(int64_t{top_} + height_)};
    if (!control_->Create(*windows, Handle(), field, options)) {
        trace::Fault("The entry field of the edit text \"%s\" could not be made.", {GetName()});
        control_.reset();
        return;
    }
    if (isInFocus_ != 0) {
        control_->Focus();
    }
    if (!text_.empty()) {
        control_->SetText(text_);
    }
    if (maxCharacters_ > 0) {
        control_->SetLimit(static_cast<size_t>(maxCharacters_));
    }
}

std::string CEditText::ReplaceDelimiters(std::string text) {
    for (char& c : text) {
        switch (c) {
            case ',':
                c = '`';
                break;
            case '#':
                c = '@';
                break;
            case '(':
                c = '*';
                break;
            case ')':
                c = '-';
                break;
            default:
                break;
        }
    }
    return text;
}

void CEditText::TakeText() {
    if (control_) {
        text_ = ReplaceDelimiters(control_->Text());
    }
}

void CEditText::OnKeyPressed(uint8_t virtualKey) {
    // Each event may destroy this role: nothing follows its queue.
    switch (virtualKey) {
        case host::vk::kReturn:
            TakeText();
            RunQueue("OnEnterKey", kEventScope);
            return;
        case host::vk::kEscape:
            RunQueue("OnEscapeKey", kEventScope);
            return;
        case host::vk::kTab:
            RunQueue("OnTabKey", kEventScope);
            return;
        default:
            RunQueue("OnKeyPress", kEventScope);
            return;
    }
}

void CEditText::OnFocusLost() {
    TakeText();
}

void CEditText::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("Left", CVariant::kInteger, &left_);
    AddProperty("Top", CVariant::kInteger, &top_);
    AddProperty("Width", CVariant::kInteger, &width_);
    AddProperty("Height", CVariant::kInteger, &height_);
    AddProperty("FontName", CVariant::kString, &fontName_);
    AddProperty("FontSize", CVariant::kInteger, &fontSize_);
    AddProperty("FontColor", CVariant::kString, &fontColor_);
    AddProperty("IsPasswordMode", CVariant::kBoolean, &isPasswordMode_);
    AddProperty("IsInFocus", CVariant::kBoolean, &isInFocus_);
    AddProperty("Text", CVariant::kString, &text_);
    AddProperty("MaxCharacters", CVariant::kInteger, &maxCharacters_);
    AddProperty("BackgroundColor", CVariant::kString, &backgroundColor_);
}

void CEditText::RegisterCommands() {
    CActor::RegisterCommands();
    AddCommand(
        "SetFocus",
        [](CMessageHandler& target, CArguments&) {
            auto& field = static_cast<CEditText&>(target);
            if (field.control_) {
                field.control_->Focus();
            }
            return 1;
        },
        0, "", "");
}

}  // namespace stagehand
