#include "interaction/ActiveCursor.h"

#include "interaction/Cursor.h"
#include "kernel/Player.h"

namespace stagehand {

CActiveCursor::CActiveCursor(CPlayer& player) {
    player.Hooks().AddFilter([this](host::Message& message) {
        if (cursor_ != nullptr) {
            cursor_->SeeInput(message);
        }
        return false;
    });
}

bool CActiveCursor::Claim(CCursor& cursor) {
    if (cursor_ != nullptr) {
        return false;
    }
    cursor_ = &cursor;
    return true;
}

void CActiveCursor::Release(const CCursor& cursor) {
    if (cursor_ == &cursor) {
        cursor_ = nullptr;
    }
}

}  // namespace stagehand
