// CCursor: the mouse pointer for scripts, role type "Cursor". "Show" and "Hide" show and
// hide the pointer, "Move" puts it at a point of the logical screen, and with
// "SendMouseMoveEvents" or "SendClickEvents" set the cursor raises "MouseMove" for every
// mouse move and "Click" for every left-button release anywhere in the play.
//
// The cursor has no window: the loop's cursor filter shows it every message first, before
// the zones and the window the message is for, and its event runs to the end before the
// message goes on.
//
// Guarantees: one cursor per play sees the mouse, the first one made; another cursor made
// while it lives is an ordinary role that raises nothing (the trace says so), and a cursor
// made after the first has gone takes its place.
// Where it bites: a disabled cursor raises nothing, but its commands still work. "Show"
// undoes any number of hides, "Hide" any number of shows.
#pragma once

#include "kernel/Actor.h"

namespace stagehand {

class CCursor : public CActor {
  public:
    static std::unique_ptr<CMessageHandler> Create();

    static constexpr std::string_view kSecondCursorText =
        "Error: Attempting to create more than one instance of the Cursor actor";

    CCursor() = default;
    ~CCursor() override;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;

    // The cursor filter shows the cursor that sees the mouse every message: raises its events.
    void SeeInput(const host::Message& message);

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;

  private:
    int32_t sendMouseMoveEvents_ = 0;
    int32_t sendClickEvents_ = 0;
};

}  // namespace stagehand
