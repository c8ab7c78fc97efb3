// CTextButton: a hotspot that also writes one line of text over its picture, role type
// "TextButton". The text is centred both ways in the button, in the button's font, in the
// colour of its state: "FontColorNormal", "FontColorHighlight" or "FontColorClick".
//
// A state colour left empty takes "FontColorNormal" when that is given; with no colours at
// all the text is black. The text stays on one line: a backslash-n in it breaks nothing.
//
// Where it bites: the font is made once, at creation; the text and colours take effect at
// the next paint.
#pragma once

#include "visual/Hotspot.h"
#include "visual/TextFont.h"
#include "visual/TextStyle.h"

namespace stagehand {

class CTextButton : public CHotspot {
  public:
    static std::unique_ptr<CMessageHandler> Create();

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

  protected:
    void RegisterProperties() override;
    intptr_t OnMessage(const host::Message& message) override;

  private:
    void Paint();

    CTextStyle style_;
    bool created_ = false;
    std::unique_ptr<CTextFont> font_;
};

}  // namespace stagehand
