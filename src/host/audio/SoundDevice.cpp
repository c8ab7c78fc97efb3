#include "host/audio/SoundDevice.h"

namespace stagehand::host {

bool SoundDevice::Open(uint32_t samplesPerSecond) {
    if (open_) {
        return true;
    }
    mixer_.SetOutputRate(samplesPerSecond);
    open_ = backend_.OpenAudio(mixer_);
    return open_;
}

void SoundDevice::Close() {
    if (open_) {
        backend_.CloseAudio();
        open_ = false;
    }
}

}  // namespace stagehand::host
