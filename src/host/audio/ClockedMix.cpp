#include "host/audio/ClockedMix.h"

#include <algorithm>

namespace stagehand::host {

namespace {
constexpr size_t kBlockFrames = 4096;
}  // namespace

void ClockedMix::Start(Mixer& mixer, uint32_t now) {
    mixer_ = &mixer;
    last_ = now;
    elapsedMs_ = 0;
    framesDone_ = 0;
    framesMixed_ = 0;
    rate_ = mixer.OutputRate();
}

void ClockedMix::Advance(uint32_t now, const Sink& sink) {
    if (mixer_ == nullptr) {
        return;
    }
    elapsedMs_ += now - last_;
    last_ = now;
    const uint64_t due = elapsedMs_ * rate_ / 1000;
    bool heard = static_cast<bool>(sink);
    while (framesDone_ < due) {
        if (!heard) {
            mixer_->Skip(due - framesDone_);
            framesDone_ = due;
            break;
        }
        const size_t frames =
            static_cast<size_t>(std::min<uint64_t>(due - framesDone_, kBlockFrames));
        block_.resize(frames * 2);
        mixer_->Mix(block_.data(), frames);
        heard = sink(block_);
        framesDone_ += frames;
        framesMixed_ += frames;
    }
}

}  // namespace stagehand::host
