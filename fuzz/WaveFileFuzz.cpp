// Opens the input as a wave file; aborts when a refusal gives no reason, when an opened file
// claims more data than it holds or reads a different amount than it claims, or when its
// sound, put in a mixer buffer, cannot be played and mixed.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/audio/Mixer.h"
#include "media/WaveFile.h"

#include "FuzzCheck.h"

using namespace stagehand;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("wave", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    CWaveFile wave;
    const base::Result<void> opened = wave.Open("/proc/self/fd/" + std::to_string(fd));
    if (!opened) {
        FUZZ_CHECK(!opened.error().empty());
        FUZZ_CHECK(!wave.IsOpen());
        return 0;
    }
    FUZZ_CHECK(wave.DataSize() + 44 <= size);
    FUZZ_CHECK(wave.Format().extra.size() <= 0xFFFF);
    std::vector<uint8_t> bytes(4096);
    uint64_t total = 0;
    while (true) {
        const std::optional<size_t> got = wave.Read(bytes.data(), 1000);
        FUZZ_CHECK(got.has_value());
        if (*got == 0) {
            break;
        }
        total += *got;
    }
    FUZZ_CHECK(total == wave.DataSize());

    const WaveFormat& format = wave.Format();
    const host::PcmFormat pcm{format.channels, format.samplesPerSecond, format.bitsPerSample};
    if (!pcm.IsPlayable()) {
        return 0;
    }
    host::Mixer mixer;
    mixer.SetOutputRate(format.averageBytesPerSecond);
    const uint32_t buffer =
        mixer.CreateBuffer(pcm, static_cast<uint32_t>(std::min<uint64_t>(wave.DataSize(), 4096)));
    if (buffer == 0) {
        return 0;
    }
    host::LockedSpan span;
    FUZZ_CHECK(mixer.Lock(buffer, format.blockAlign, 4096, span));
    FUZZ_CHECK(wave.StartData());
    wave.Read(span.first.data(), span.first.size());
    FUZZ_CHECK(mixer.Unlock(span));
    mixer.Play(buffer, format.blockAlign % 2 == 0);
    std::vector<int16_t> out(2 * 300);
    mixer.Mix(out.data(), 300);
    FUZZ_CHECK(mixer.Position(buffer) < mixer.BufferBytes(buffer));
    return 0;
}
