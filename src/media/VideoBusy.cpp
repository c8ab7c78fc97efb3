#include "media/VideoBusy.h"

#include "kernel/Player.h"

namespace stagehand {

void CVideoBusy::OfferIdle() {
    if (host::WindowSystem* windows = player_.Windows()) {
        windows->OfferIdle();
    }
}

}  // namespace stagehand
