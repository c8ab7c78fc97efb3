#include "interaction/Cursor.h"

#include "host/ui/WindowSystem.h"
#include "script/TextUtil.h"
#include "stage/Player.h"
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
    if (IsCreated() && Player().activeCursor == this) {
        Player().activeCursor = nullptr;
    }
}

bool CCursor::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (player.activeCursor == nullptr) {
        player.activeCursor = this;
    } else {
        trace::Fault(kSecondCursorText);
    }
    if (!player.cursorFilter) {
        player.cursorFilter = [&player](host::Message& message) {
            Filter(player, message);
            return false;
        };
    }
    return CActor::Initialize(player, name, parent);
}

void CCursor::Filter(CPlayer& player, const host::Message& message) {
    CCursor* cursor = player.activeCursor;
    if (cursor == nullptr || !cursor->IsEnabled()) {
        return;
    }
    if (message.id == host::msg::kMouseMove) {
        if (cursor->sendMouseMoveEvents_ != 0) {
            cursor->RunQueue("MouseMove", kEventScope);
        }
    } else if (message.id == host::msg::kLButtonUp && cursor->sendClickEvents_ != 0) {
        cursor->RunQueue("Click", kEventScope);
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
