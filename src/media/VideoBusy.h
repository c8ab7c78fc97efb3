// CVideoBusy: whether a video window has the machine to itself. An MCI or ActiveMovie video
// holds it while it plays; while anyone holds it the application runs no idle work, so
// Smacker movies stand still.
//
// The one rule: busy while at least one video holds it. A video holds it at most once (a
// second hold by the same video changes nothing) and lets go of its own hold only, so when
// two videos overlap, the movies wait until both have stopped; a video that goes lets go.
// When the last hold goes, idle time is offered again at once, whatever ran the command
// that let go (a key's queue, a timer's, an input script's message line).
#pragma once

#include <algorithm>
#include <vector>

#include "kernel/PlayerService.h"

namespace stagehand {

class CPlayer;

class CVideoBusy final : public CPlayerService {
  public:
    explicit CVideoBusy(CPlayer& player) : player_(player) {}

    // `video` plays (true) or no longer does (false).
    void Hold(const void* video, bool playing) {
        const auto found = std::find(holders_.begin(), holders_.end(), video);
        if (playing && found == holders_.end()) {
            holders_.push_back(video);
        } else if (!playing && found != holders_.end()) {
            holders_.erase(found);
            if (holders_.empty()) {
                OfferIdle();
            }
        }
    }
    bool IsBusy() const { return !holders_.empty(); }

  private:
    void OfferIdle();

    CPlayer& player_;
    std::vector<const void*> holders_;
};

}  // namespace stagehand
