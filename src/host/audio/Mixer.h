// The mixer: every sound the player plays, mixed into the device's format (stereo, 16 bits,
// the title's sampling rate). It holds sound buffers (rings of bytes in their own PCM format
// with a play position, looping or not) and streams (a queue of PCM bytes pushed by a movie).
//
// Guarantees: the mixer is the only object the audio thread touches; one mutex guards it and
// is held only for the length of one call, never while the logic waits. A locked span is a
// copy that the logic fills at leisure and Unlock writes back, so the audio thread never
// reads bytes the logic is writing. A buffer's play position advances with the samples the
// device actually consumed; a buffer that plays once stops at its end and goes back to 0.
// Every size is bounded: one buffer (kMaxBufferBytes), all buffers together (kMaxTotalBytes)
// and one stream's queue (kMaxQueuedBytes). Time nobody hears costs nothing: Skip moves
// every play position as Mix would, in one step per sound.
// Where it bites: resampling is linear between neighbouring frames, good enough for the
// 8 to 44 kHz sounds of old titles; several loud sounds clip rather than being scaled down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace stagehand::host {

// A PCM format: 8-bit samples are unsigned (silence 0x80), 16-bit ones signed (silence 0).
struct PcmFormat {
    uint16_t channels = 2;
    uint32_t samplesPerSecond = 22050;
    uint16_t bitsPerSample = 16;

    uint32_t BlockAlign() const { return channels * bitsPerSample / 8U; }
    uint32_t BytesPerSecond() const { return samplesPerSecond * BlockAlign(); }
    // 1 or 2 channels of 8 or 16 bits at 100 to 384000 samples per second.
    bool IsPlayable() const;
    uint8_t SilenceByte() const { return bitsPerSample == 8 ? 0x80 : 0x00; }
};

// One locked span of a buffer: up to two parts (the second from the ring's start when the
// span wraps). Fill the parts, then give the span back to Unlock.
struct LockedSpan {
    uint32_t buffer = 0;
    uint32_t offset = 0;
    std::vector<uint8_t> first;
    std::vector<uint8_t> second;
};

class Mixer {
  public:
    static constexpr uint32_t kMaxBufferBytes = 64U * 1024U * 1024U;
    static constexpr uint64_t kMaxTotalBytes = uint64_t{256} * 1024U * 1024U;
    static constexpr size_t kMaxQueuedBytes = 16U * 1024U * 1024U;
    static constexpr uint32_t kMinOutputRate = 1000;
    static constexpr uint32_t kMaxOutputRate = 192000;

    Mixer();
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // The device's samples per second (clamped to kMinOutputRate..kMaxOutputRate).
    void SetOutputRate(uint32_t samplesPerSecond);
    uint32_t OutputRate() const;

    // --- Sound buffers (0 is never a buffer) ----------------------------------------------
    // A silent, stopped buffer of `bytes` bytes (rounded down to whole frames); 0 when the
    // format cannot be played, the size is 0 or above kMaxBufferBytes, or the buffers
    // would then hold more than kMaxTotalBytes. With `held`, only the first `held` bytes
    // (whole frames, at least one) are stored and can be locked; the rest plays as silence
    // and costs nothing.
    uint32_t CreateBuffer(const PcmFormat& format, uint64_t bytes,
                          std::optional<uint64_t> held = std::nullopt);
    // What all buffers hold together (their held parts).
    uint64_t TotalBufferBytes() const;
    void ReleaseBuffer(uint32_t buffer);
    uint32_t BufferBytes(uint32_t buffer) const;
    // `bytes` from `offset` (both taken modulo the held part; at most all of it); false for
    // an unknown buffer.
    bool Lock(uint32_t buffer, uint32_t offset, uint32_t bytes, LockedSpan& span) const;
    bool Unlock(const LockedSpan& span);
    // Plays from the current position; a looping buffer wraps, another stops at its end.
    void Play(uint32_t buffer, bool looping);
    void Stop(uint32_t buffer);
    bool IsPlaying(uint32_t buffer) const;
    // The play position in bytes (a whole frame) and setting it (taken modulo the size).
    uint32_t Position(uint32_t buffer) const;
    void SetPosition(uint32_t buffer, uint32_t offset);

    // --- Streams: sound pushed as it is decoded (a movie's sound track) -------------------
    uint32_t OpenStream(const PcmFormat& format);
    void CloseStream(uint32_t stream);
    // Queues bytes to play; false (nothing queued) past kMaxQueuedBytes or an unknown stream.
    bool Push(uint32_t stream, std::span<const uint8_t> bytes);
    // Bytes queued and not yet played.
    size_t Queued(uint32_t stream) const;

    // --- The user's volume: a gain on the whole mix -----------------------------------------
    // 0..100 (cut to it), percent of full amplitude; 100 leaves the mix as the title made it.
    void SetMasterVolume(int percent);
    int MasterVolume() const;
    // Muted, the mix is silence whatever the volume; sounds play on and end as they would.
    void SetMuted(bool muted);
    bool IsMuted() const;

    // While paused the mix is silence and nothing moves on: every play position and every
    // stream's queue stays where it was (the player's pause).
    void SetPaused(bool paused);
    bool IsPaused() const;

    // --- The device side ------------------------------------------------------------------
    // Mixes `frames` stereo frames into `out` (2 × frames samples), advancing every playing
    // buffer and stream by what it consumed. Called from the audio thread.
    void Mix(int16_t* out, size_t frames);
    // Moves every playing buffer and stream on by `frames` output frames without mixing
    // them: positions, loops and ends come out as Mix would leave them.
    void Skip(uint64_t frames);

  private:
    struct Source;
    // Adds `frames` output frames of a source to the accumulator; false when it ran out.
    bool MixSource(Source& source, int32_t* accumulator, size_t frames);

    mutable std::mutex mutex_;
    uint32_t outputRate_ = 22050;
    int masterVolume_ = 100;
    bool muted_ = false;
    bool paused_ = false;
    uint32_t nextId_ = 1;
    std::map<uint32_t, std::unique_ptr<Source>> sources_;
    uint64_t totalBufferBytes_ = 0;
    std::vector<int32_t> accumulator_;
};

}  // namespace stagehand::host
