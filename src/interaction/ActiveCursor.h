// CActiveCursor: the one cursor role of the play that sees the mouse, and the loop's cursor
// filter, which runs before the zones' and shows that cursor every message first.
//
// Guarantees: the first cursor made takes the place; one made while it lives does not (the
// trace says so); one made after it has gone does. The filter never changes or consumes a
// message.
#pragma once

#include "kernel/PlayerService.h"

namespace stagehand {

class CCursor;
class CPlayer;

class CActiveCursor final : public CPlayerService {
  public:
    explicit CActiveCursor(CPlayer& player);

    // True when `cursor` now sees the mouse.
    bool Claim(CCursor& cursor);
    void Release(const CCursor& cursor);

  private:
    CCursor* cursor_ = nullptr;
};

}  // namespace stagehand
