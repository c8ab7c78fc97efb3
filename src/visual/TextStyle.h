// CTextStyle: the text and font properties that text buttons and labels share: "Text",
// "FontName", "FontSize", "FontColorNormal", "FontColorClick" and "FontColorHighlight".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "script/Variant.h"
#include "visual/TextFont.h"

namespace stagehand {

struct CTextStyle {
    CTextStyle() = default;
    // With a colour for normal text other than black.
    explicit CTextStyle(std::string normalColor) : colorNormal(std::move(normalColor)) {}

    std::string text;
    std::string fontName;
    int32_t fontSize = 0;
    std::string colorNormal;
    std::string colorHighlight;
    std::string colorClick;

    // Binds the properties to these fields through the role's `add(name, type, field)`.
    template <typename Add>
    void Bind(Add&& add) {
        add("Text", CVariant::kString, &text);
        add("FontName", CVariant::kString, &fontName);
        add("FontSize", CVariant::kInteger, &fontSize);
        add("FontColorNormal", CVariant::kString, &colorNormal);
        add("FontColorClick", CVariant::kString, &colorClick);
        add("FontColorHighlight", CVariant::kString, &colorHighlight);
    }

    // The font the properties name.
    std::unique_ptr<CTextFont> MakeFont() const {
        return std::make_unique<CTextFont>(fontName, fontSize);
    }
};

}  // namespace stagehand
