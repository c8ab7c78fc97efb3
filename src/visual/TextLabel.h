// CTextLabel: a text in a window of its own, role type "Label". It draws its "Text" in its
// font and "FontColorNormal" (grey 155, 155, 155 unless given), aligned by "HorizAlign"
// ("Left", "Center" or "Right", exactly so; anything else is left), wrapping at word breaks
// from the top of its window; a backslash-n breaks the line. A transparent label (the
// default) writes over what the screen shows below it; with "IsTransparent" 0 it first fills
// its window with "BackgroundColor" (black when empty). It does not react to the mouse and
// raises no events.
//
// Where it bites: the font and window are made once, at creation. "Text", the colours,
// "HorizAlign" and "IsTransparent" take effect at the next paint; changing them does not
// repaint the label. "FontColorHighlight" and "FontColorClick" are kept but never drawn.
#pragma once

#include "kernel/Actor.h"
#include "visual/TextFont.h"
#include "visual/TextStyle.h"

namespace stagehand {

class CTextLabel : public CActor {
  public:
    static std::unique_ptr<CMessageHandler> Create();

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

  protected:
    void RegisterProperties() override;
    intptr_t OnMessage(const host::Message& message) override;

  private:
    void Paint();

    CTextStyle style_{"155, 155, 155"};
    int32_t isTransparent_ = 1;
    std::string backgroundColor_;
    std::string horizAlign_ = "Left";
    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    std::unique_ptr<CTextFont> font_;
};

}  // namespace stagehand
