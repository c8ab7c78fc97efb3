// CEditText: role type "Edittext", a one-line entry field a title takes text from.
//
// Its window is a child of its scene, (Left, Top) and twice "Width" wide; the entry field
// inside runs from (0, 0) to (Left + Width, Top + Height) of that window, so what shows of it
// is Height high and the smaller of Left + Width and 2 x Width wide. The field is made once,
// at creation, with the font, colours, password mode, focus, text and character limit the
// role gives; later property changes do not reach it.
//
// Enter copies what the user typed into "Text", with the script's delimiters replaced
// ("," "#" "(" ")" become "`" "@" "*" "-") so the text can go into a message through a tag,
// and then raises "OnEnterKey". Escape, Tab and every other key raise "OnEscapeKey",
// "OnTabKey" and "OnKeyPress" without touching "Text". Losing the focus copies the text the
// same way and raises nothing.
//
// Where it bites: "Set" on "Text" changes the property only, not the field; "Enable" and
// "Disable" change the property only, and the field keeps taking input.
#pragma once

#include <memory>
#include <string>

#include "host/ui/EditControl.h"
#include "kernel/Actor.h"

namespace stagehand {

class CEditText : public CActor, private host::EditControl::Listener {
  public:
    static std::unique_ptr<CMessageHandler> Create();

    CEditText();
    ~CEditText() override;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    // The field's identifier: 1000 plus the number of edit text roles alive when this one
    // was made, counted over the whole process.
    int32_t ControlId() const { return controlId_; }
    // The field; null when the role has no window.
    const host::EditControl* Control() const { return control_.get(); }

    // "Text" as it is stored: the script's delimiters replaced.
    static std::string ReplaceDelimiters(std::string text);

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;

  private:
    void OnKeyPressed(uint8_t virtualKey) override;
    void OnFocusLost() override;
    void OpenWindow();
    void TakeText();

    int32_t controlId_;
    int32_t left_ = 0;
    int32_t top_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t fontSize_ = 0;
    int32_t maxCharacters_ = 0;
    std::string fontName_;
    std::string fontColor_;
    std::string backgroundColor_;
    std::string text_;
    int32_t isPasswordMode_ = 0;
    int32_t isInFocus_ = 0;
    std::unique_ptr<host::EditControl> control_;
};

}  // namespace stagehand
