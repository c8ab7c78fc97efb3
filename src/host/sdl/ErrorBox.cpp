#include "host/sdl/ErrorBox.h"

#include <SDL.h>

namespace stagehand::host {

bool ShowErrorBox(const std::string& caption, const std::string& text) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr) ==
           0;
}

}  // namespace stagehand::host
