// CCountedIds: identifiers handed out the way the titles' timers and sound windows were
// numbered: a new one is the first identifier plus the count of those alive, itself included,
// and one that goes lowers the count. Two alive ones can share an identifier after an older
// one went; titles saw the same. Each use is its own service type (the Tag).
#pragma once

#include <cstdint>

#include "kernel/PlayerService.h"

namespace stagehand {

class CPlayer;

template <typename Tag, uintptr_t First>
class CCountedIds final : public CPlayerService {
  public:
    explicit CCountedIds(CPlayer&) {}

    uintptr_t Take() { return First + static_cast<uintptr_t>(++alive_); }
    void Give() { --alive_; }
    int32_t Alive() const { return alive_; }

  private:
    int32_t alive_ = 0;
};

}  // namespace stagehand
