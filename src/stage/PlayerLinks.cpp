#include "stage/PlayerLinks.h"

namespace stagehand {

PlayerLinks& Links() {
    static PlayerLinks links;
    return links;
}

}  // namespace stagehand
