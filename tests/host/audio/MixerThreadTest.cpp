// The mixer shared by the audio thread (Mix) and the logic thread (everything else), as a
// playing title shares it: run under ThreadSanitizer (scripts/test --thread), a race between
// the two is a failure.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "host/audio/Mixer.h"

namespace stagehand::host {
namespace {

TEST(MixerThreads, TheLogicChangesSoundsWhileTheAudioThreadMixes) {
    Mixer mixer;
    std::atomic<bool> done{false};
    std::atomic<size_t> mixes{0};
    std::thread audio([&] {
        std::vector<int16_t> out(2 * 256);
        while (!done.load()) {
            mixer.Mix(out.data(), 256);
            mixes.fetch_add(1);
        }
    });
    const PcmFormat format{2, 22050, 16};
    const std::vector<uint8_t> bytes(4096, 0x11);
    for (int round = 0; round < 200; ++round) {
        const uint32_t buffer = mixer.CreateBuffer(format, 4096);
        ASSERT_NE(buffer, 0u);
        LockedSpan span;
        ASSERT_TRUE(mixer.Lock(buffer, 0, 4096, span));
        std::fill(span.first.begin(), span.first.end(), uint8_t{0x22});
        ASSERT_TRUE(mixer.Unlock(span));
        mixer.Play(buffer, round % 2 == 0);
        mixer.SetPosition(buffer, 128);
        (void)mixer.Position(buffer);
        const uint32_t stream = mixer.OpenStream(format);
        EXPECT_TRUE(mixer.Push(stream, bytes));
        (void)mixer.Queued(stream);
        (void)mixer.IsPlaying(buffer);
        mixer.Stop(buffer);
        mixer.CloseStream(stream);
        mixer.ReleaseBuffer(buffer);
        if (round % 50 == 0) {
            mixer.SetOutputRate(round % 100 == 0 ? 44100 : 22050);
        }
        // Each round overlaps some mixing (a bounded wait, not a measurement).
        const size_t seen = mixes.load();
        for (int i = 0; i < 100'000 && mixes.load() == seen; ++i) {
            std::this_thread::yield();
        }
    }
    done.store(true);
    audio.join();
    EXPECT_GT(mixes.load(), 0u);
}

}  // namespace
}  // namespace stagehand::host
