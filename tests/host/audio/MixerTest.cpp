// The mixer against hand-worked sample values: format conversion, resampling, looping and
// ending, clipping, spans that wrap, streams, and what it refuses; time skipped unheard.
#include <gtest/gtest.h>

#include <vector>

#include "host/audio/ClockedMix.h"
#include "host/audio/Mixer.h"

namespace stagehand::host {
namespace {

std::vector<int16_t> MixLeft(Mixer& mixer, size_t frames) {
    std::vector<int16_t> out(frames * 2);
    mixer.Mix(out.data(), frames);
    std::vector<int16_t> left;
    for (size_t i = 0; i < frames; ++i) {
        left.push_back(out[2 * i]);
        EXPECT_EQ(out[2 * i], out[2 * i + 1]) << "frame " << i;  // every case is centred
    }
    return left;
}

std::vector<uint8_t> Pcm16(std::initializer_list<int16_t> samples) {
    std::vector<uint8_t> bytes;
    for (const int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    return bytes;
}

TEST(Mixer, BuffersPlayConvertedResampledLoopedAndMixedWithClipping) {
    struct Case {
        const char* what;
        PcmFormat format;
        std::vector<std::vector<uint8_t>> buffers;  // each played from 0
        bool looping;
        std::vector<int16_t> heard;
        uint32_t position;  // of the first buffer afterwards
        bool playing;
    };
    const PcmFormat mono16{1, 22050, 16};
    const Case cases[] = {
        {"16-bit mono plays once, then stops at 0",
         mono16,
         {Pcm16({100, -200, 300})},
         false,
         {100, -200, 300, 0, 0},
         0,
         false},
        {"a looping buffer wraps", mono16, {Pcm16({1, 2, 3})}, true, {1, 2, 3, 1, 2}, 4, true},
        {"a ring shorter than one output frame's step wraps within it",
         {1, 88200, 16},
         {Pcm16({1, 2, 3})},
         true,
         {1, 2, 3, 1, 2},
         4,
         true},
        {"8-bit: 0x80 is silence, 0xFF the top",
         {1, 22050, 8},
         {{0x80, 0xFF, 0x00, 0x81}},
         false,
         {0, 127 * 256, -128 * 256, 256, 0},
         0,
         false},
        {"stereo 16-bit keeps its channels (both equal here)",
         {2, 22050, 16},
         {Pcm16({7, 7, -9, -9})},
         false,
         {7, -9, 0},
         0,
         false},
        {"half the rate: every second frame is between two",
         {1, 11025, 16},
         {Pcm16({0, 1000, 2000, 3000})},
         false,
         {0, 500, 1000, 1500, 2000, 2500, 3000, 3000, 0},
         0,
         false},
        {"two buffers add up and clip at both ends",
         mono16,
         {Pcm16({30000, -30000, 100}), Pcm16({30000, -30000, 50})},
         false,
         {32767, -32768, 150},
         0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Mixer mixer;
        mixer.SetOutputRate(22050);
        std::vector<uint32_t> ids;
        for (const auto& bytes : c.buffers) {
            const uint32_t id = mixer.CreateBuffer(c.format, static_cast<uint32_t>(bytes.size()));
            ASSERT_NE(id, 0U);
            LockedSpan span;
            ASSERT_TRUE(mixer.Lock(id, 0, static_cast<uint32_t>(bytes.size()), span));
            span.first = bytes;
            ASSERT_TRUE(mixer.Unlock(span));
            mixer.Play(id, c.looping);
            ids.push_back(id);
        }
        EXPECT_EQ(MixLeft(mixer, c.heard.size()), c.heard);
        EXPECT_EQ(mixer.Position(ids[0]), c.position);
        EXPECT_EQ(mixer.IsPlaying(ids[0]), c.playing);
    }
}

// The user's volume scales the whole mix before the cut to 16 bits, so two loud sounds at
// half volume do not clip; muted, nothing is heard but the sounds still move on and end.
TEST(Mixer, MasterVolumeAndMuteScaleTheFinalMix) {
    struct Case {
        int volume;  // as set; cut to 0..100
        bool muted;
        std::vector<int16_t> heard;
        int kept;
    };
    const Case cases[] = {
        {100, false, {32767, -32768, 2000, 0}, 100},
        {50, false, {30000, -30000, 1000, 0}, 50},
        {1, false, {600, -600, 20, 0}, 1},
        {0, false, {0, 0, 0, 0}, 0},
        {250, false, {32767, -32768, 2000, 0}, 100},
        {-4, false, {0, 0, 0, 0}, 0},
        {100, true, {0, 0, 0, 0}, 100},
    };
    const PcmFormat mono16{1, 22050, 16};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.volume << (c.muted ? " muted" : ""));
        Mixer mixer;
        mixer.SetMasterVolume(c.volume);
        mixer.SetMuted(c.muted);
        EXPECT_EQ(mixer.MasterVolume(), c.kept);
        EXPECT_EQ(mixer.IsMuted(), c.muted);
        // Two sounds whose sum is beyond 16 bits in the first two frames.
        for (int i = 0; i < 2; ++i) {
            const uint32_t id = mixer.CreateBuffer(mono16, 6);
            LockedSpan span;
            ASSERT_TRUE(mixer.Lock(id, 0, 6, span));
            span.first = Pcm16({30000, -30000, 1000});
            ASSERT_TRUE(mixer.Unlock(span));
            mixer.Play(id, false);
        }
        EXPECT_EQ(MixLeft(mixer, 4), c.heard);
        EXPECT_FALSE(mixer.IsPlaying(1));
    }
}

TEST(Mixer, SpansPositionsStreamsAndRefusals) {
    Mixer mixer;
    mixer.SetOutputRate(22050);
    const PcmFormat mono16{1, 22050, 16};
    // Sizes are whole frames; a new buffer is silent; a span from 6 of 6 bytes wraps.
    const uint32_t id = mixer.CreateBuffer(mono16, 9);
    EXPECT_EQ(mixer.BufferBytes(id), 8U);
    LockedSpan span;
    ASSERT_TRUE(mixer.Lock(id, 6, 6, span));
    EXPECT_EQ(span.first, std::vector<uint8_t>(2, 0));
    EXPECT_EQ(span.second, std::vector<uint8_t>(4, 0));
    span.first = Pcm16({4});
    span.second = Pcm16({1, 2});
    ASSERT_TRUE(mixer.Unlock(span));
    span.first.push_back(0);  // longer than what was locked
    EXPECT_FALSE(mixer.Unlock(span));
    // Positions are set modulo the size, in whole frames; playing starts there.
    mixer.SetPosition(id, 8 + 3);
    EXPECT_EQ(mixer.Position(id), 2U);
    mixer.Play(id, false);
    EXPECT_EQ(MixLeft(mixer, 4), (std::vector<int16_t>{2, 0, 4, 0}));
    EXPECT_FALSE(mixer.IsPlaying(id));
    // A stopped buffer stays where it stopped.
    mixer.Play(id, true);
    MixLeft(mixer, 1);
    mixer.Stop(id);
    EXPECT_EQ(MixLeft(mixer, 2), (std::vector<int16_t>{0, 0}));
    EXPECT_EQ(mixer.Position(id), 2U);
    mixer.ReleaseBuffer(id);
    EXPECT_FALSE(mixer.Lock(id, 0, 2, span));

    // A stream plays what was pushed, then silence until more comes.
    const uint32_t stream = mixer.OpenStream(mono16);
    ASSERT_TRUE(mixer.Push(stream, Pcm16({5, 6})));
    EXPECT_EQ(MixLeft(mixer, 3), (std::vector<int16_t>{5, 6, 0}));
    EXPECT_EQ(mixer.Queued(stream), 0U);
    ASSERT_TRUE(mixer.Push(stream, Pcm16({7})));
    EXPECT_EQ(MixLeft(mixer, 2), (std::vector<int16_t>{7, 0}));
    EXPECT_FALSE(mixer.Push(stream, std::vector<uint8_t>(Mixer::kMaxQueuedBytes + 1)));
    mixer.CloseStream(stream);
    EXPECT_FALSE(mixer.Push(stream, Pcm16({1})));

    // What the mixer refuses to make.
    EXPECT_EQ(mixer.CreateBuffer(mono16, 1), 0U);
    EXPECT_EQ(mixer.CreateBuffer(mono16, Mixer::kMaxBufferBytes + 2), 0U);
    EXPECT_EQ(mixer.CreateBuffer({3, 22050, 16}, 60), 0U);
    EXPECT_EQ(mixer.CreateBuffer({2, 22050, 24}, 60), 0U);
    EXPECT_EQ(mixer.CreateBuffer({2, 0, 16}, 60), 0U);
    EXPECT_EQ(mixer.OpenStream({1, 22050, 12}), 0U);
    mixer.SetOutputRate(0);
    EXPECT_EQ(mixer.OutputRate(), Mixer::kMinOutputRate);
}

TEST(Mixer, AllBuffersTogetherStayWithinTheirBound) {
    Mixer mixer;
    const PcmFormat stereo16{2, 44100, 16};
    std::vector<uint32_t> held;
    for (uint64_t total = 0; total + Mixer::kMaxBufferBytes <= Mixer::kMaxTotalBytes;
         total += Mixer::kMaxBufferBytes) {
        held.push_back(mixer.CreateBuffer(stereo16, Mixer::kMaxBufferBytes));
        ASSERT_NE(held.back(), 0U);
    }
    EXPECT_EQ(mixer.TotalBufferBytes(), Mixer::kMaxTotalBytes);
    EXPECT_EQ(mixer.CreateBuffer(stereo16, 4), 0U);
    // A buffer given back makes room again.
    mixer.ReleaseBuffer(held.back());
    EXPECT_EQ(mixer.TotalBufferBytes(), Mixer::kMaxTotalBytes - Mixer::kMaxBufferBytes);
    EXPECT_NE(mixer.CreateBuffer(stereo16, 4), 0U);
}

// A buffer that holds only its start counts only that, and plays its rest as silence.
TEST(Mixer, ABufferHeldInPartPlaysItsRestAsSilence) {
    Mixer mixer;
    mixer.SetOutputRate(22050);
    const uint32_t id = mixer.CreateBuffer({1, 22050, 16}, Mixer::kMaxBufferBytes, 3);
    ASSERT_NE(id, 0U);
    EXPECT_EQ(mixer.BufferBytes(id), Mixer::kMaxBufferBytes);
    EXPECT_EQ(mixer.TotalBufferBytes(), 4U);  // whole frames
    LockedSpan span;
    ASSERT_TRUE(mixer.Lock(id, 0, 100, span));
    EXPECT_EQ(span.first.size(), 4U);  // only the held part locks
    span.first = Pcm16({7, 8});
    ASSERT_TRUE(mixer.Unlock(span));
    mixer.SetPosition(id, Mixer::kMaxBufferBytes - 4);
    mixer.Play(id, true);
    EXPECT_EQ(MixLeft(mixer, 5), (std::vector<int16_t>{0, 0, 7, 8, 0}));
}

// Skipping time leaves every sound where mixing it would have.
TEST(Mixer, SkippedTimeEndsWhereMixedTimeDoes) {
    struct Case {
        const char* what;
        PcmFormat format;
        uint32_t bytes;
        uint32_t start;  // play position
        bool looping;
        uint64_t frames;  // output frames at 22050
    };
    const Case cases[] = {
        {"once, still playing", {1, 22050, 16}, 200, 10, false, 50},
        {"once, ended long ago", {2, 8000, 8}, 64, 0, false, 10000},
        {"looping many times over", {1, 22050, 16}, 6, 2, true, 100001},
        {"looping faster than the output", {2, 44100, 16}, 40, 8, true, 999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Mixer mixed, skipped;
        for (Mixer* m : {&mixed, &skipped}) {
            m->SetOutputRate(22050);
            const uint32_t id = m->CreateBuffer(c.format, c.bytes);
            ASSERT_EQ(id, 1U);
            m->SetPosition(id, c.start);
            m->Play(id, c.looping);
        }
        std::vector<int16_t> out(static_cast<size_t>(c.frames) * 2);
        mixed.Mix(out.data(), static_cast<size_t>(c.frames));
        skipped.Skip(c.frames);
        EXPECT_EQ(skipped.Position(1), mixed.Position(1));
        EXPECT_EQ(skipped.IsPlaying(1), mixed.IsPlaying(1));
    }
    // A stream gives up what was played.
    Mixer mixer;
    const uint32_t stream = mixer.OpenStream({1, 22050, 16});
    ASSERT_TRUE(mixer.Push(stream, std::vector<uint8_t>(20)));
    mixer.Skip(4);
    EXPECT_EQ(mixer.Queued(stream), 12U);
}

// A clock with nobody listening moves the sounds on without mixing a frame, however long it
// runs; with a listener it mixes only until the listener takes no more.
TEST(ClockedMix, UnheardTimeIsNotMixed) {
    Mixer mixer;
    mixer.SetOutputRate(22050);
    const uint32_t id = mixer.CreateBuffer({1, 22050, 16}, 2000);
    mixer.Play(id, true);
    ClockedMix clock;
    clock.Start(mixer, 0);
    clock.Advance(0x7FFFFFFF);
    EXPECT_EQ(clock.FramesMixed(), 0U);
    EXPECT_TRUE(mixer.IsPlaying(id));
    // 0x7FFFFFFF ms at 22050 Hz, modulo the 1000 frames of the ring.
    EXPECT_EQ(mixer.Position(id), uint64_t{0x7FFFFFFF} * 22050 / 1000 % 1000 * 2);

    int blocks = 0;
    clock.Advance(0x7FFFFFFFU + 60000,
                  [&blocks](std::span<const int16_t>) { return ++blocks < 3; });
    EXPECT_EQ(blocks, 3);
    EXPECT_EQ(clock.FramesMixed(), 3U * 4096);
}

}  // namespace
}  // namespace stagehand::host
