// Opens the input as a movie, decodes frames, goes to frames and pumps its sound; aborts when
// a refusal gives no reason, or an opened movie reports or decodes a size out of bounds.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "host/audio/Mixer.h"
#include "host/video/Movie.h"

#include "FuzzCheck.h"

using namespace stagehand;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("movie", 0);
    FUZZ_CHECK(fd >= 0);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));
    host::Mixer mixer;  // outlives the movie, whose sound stream it holds
    host::Movie movie;
    if (const base::Result<void> opened = movie.Open("/proc/self/fd/" + std::to_string(fd));
        !opened) {
        FUZZ_CHECK(!opened.error().empty());
        return 0;
    }
    const host::Size frameSize = movie.FrameSize();
    FUZZ_CHECK(frameSize.width > 0 && frameSize.width <= host::Movie::kMaxSide);
    FUZZ_CHECK(frameSize.height > 0 && frameSize.height <= host::Movie::kMaxSide);
    FUZZ_CHECK(movie.FrameCount() >= 0 && movie.FrameCount() <= host::Movie::kMaxFrames);
    FUZZ_CHECK(movie.FrameRate() > 0);
    host::Surface frame;
    auto step = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            if (!movie.DecodeNext(frame)) {
                return;
            }
            FUZZ_CHECK(frame.Width() > 0 && frame.Width() <= host::Movie::kMaxSide);
            FUZZ_CHECK(frame.Height() > 0 && frame.Height() <= host::Movie::kMaxSide);
            movie.PumpSound(mixer);
        }
    };
    step(8);
    for (const int64_t target : {movie.FrameCount() - 1, int64_t{1}, int64_t{0}}) {
        if (const base::Result<void> sought = movie.SeekToFrame(target)) {
            FUZZ_CHECK(movie.NextFrame() == target);
            step(2);
        } else {
            FUZZ_CHECK(!sought.error().empty());
        }
    }
    return 0;
}
