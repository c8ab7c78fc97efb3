#include "interaction/Cursor.h"

#include "host/ui/WindowSystem.h"
#include "interaction/ActiveCursor.h"
#include "kernel/Player.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

// "Show" and "Hide": the pointer's show count is moved until it says shown (0 or more) or
// hidden (below 0); each step moves it by one, so the walk ends.
CommandFunction ShowPointerCommand(bool show) {
    return [show](CMessageHandler& target, CArguments&) {
        if (host::WindowSystem* windows = target.Player().Windows()) {
            while ((windows->ShowPointer(show) >= 0) != show) {
            }
        }
        return 1;
    };
}

}  // namespace

std::unique_ptr<CMessageHandler> CCursor::Create() {
    return std::make_unique<CCursor>();
}

CCursor::~CCursor() {
    if (IsCreated()) {
        Player().Service<CActiveCursor>().Release(*this);
    }
}

bool CCursor::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (!player.Service<CActiveCursor>().Claim(*this)) {
        trace::Fault(kSecondCursorText);
    }
    return CActor::Initialize(player, name, parent);
}

void CCursor::SeeInput(const host::Message& message) {
    if (!IsEnabled()) {
        return;
    }
    if (message.id == host::msg::kMouseMove) {
        if (sendMouseMoveEvents_ != 0) {
            RunQueue("MouseMove", kEventScope);
        }
    } else if (message.id == host::msg::kLButtonUp && sendClickEvents_ != 0) {
        RunQueue("Click", kEventScope);
    }
}

void CCursor::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("SendMouseMoveEvents", CVariant::kBoolean, &sendMouseMoveEvents_);
    AddProperty("SendClickEvents", CVariant::kBoolean, &sendClickEvents_);
}

void CCursor::RegisterCommands() {
    CActor::RegisterCommands();
    AddCommand("Show", ShowPointerCommand(true), 0, "", "");
    AddCommand("Hide", ShowPointerCommand(false), 0, "", "");
    AddCommand(
        "Move",
        [](CMessageHandler& target, CArguments& arguments) {
            if (host::WindowSystem* windows = target.Player().Windows()) {
                windows->SetPointerPosition(
                    {ReadInteger(arguments[0].ToText()), ReadInteger(arguments[1].ToText())});
            }
            return 1;
        },
        2, "integer,integer", "0,0");
}

}  // namespace stagehand
