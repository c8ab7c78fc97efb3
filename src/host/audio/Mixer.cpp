#include "host/audio/Mixer.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace stagehand::host {

namespace {

constexpr uint64_t kOne = uint64_t{1} << 32;  // one frame in the 32.32 play position

}  // namespace

bool PcmFormat::IsPlayable() const {
    return (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16) &&
           samplesPerSecond >= 100 && samplesPerSecond <= 384000;
}

// A buffer (a ring) or a stream (a queue), with its play position in 32.32 frames.
struct Mixer::Source {
    PcmFormat format;
    bool stream = false;
    std::vector<uint8_t> ring;  // the held part of a buffer
    size_t silentBytes = 0;     // a buffer's silent rest after the held part, never stored
    std::deque<uint8_t> queue;
    bool playing = false;
    bool looping = false;
    uint64_t position = 0;

    size_t Bytes() const { return stream ? queue.size() : ring.size() + silentBytes; }
    size_t Frames() const { return Bytes() / format.BlockAlign(); }
    uint8_t Byte(size_t index) const {
        if (stream) {
            return queue[index];
        }
        return index < ring.size() ? ring[index] : format.SilenceByte();
    }
    // One sample of a frame in 16-bit terms.
    int32_t Sample(size_t frame, unsigned channel) const {
        const size_t at = frame * format.BlockAlign() + channel * (format.bitsPerSample / 8U);
        if (format.bitsPerSample == 8) {
            return (static_cast<int32_t>(Byte(at)) - 0x80) * 256;
        }
        return static_cast<int16_t>(static_cast<uint16_t>(Byte(at) | (Byte(at + 1) << 8)));
    }
};

Mixer::Mixer() = default;
Mixer::~Mixer() = default;

void Mixer::SetOutputRate(uint32_t samplesPerSecond) {
    std::lock_guard lock(mutex_);
    outputRate_ = std::clamp(samplesPerSecond, kMinOutputRate, kMaxOutputRate);
}

uint32_t Mixer::OutputRate() const {
    std::lock_guard lock(mutex_);
    return outputRate_;
}

uint32_t Mixer::CreateBuffer(const PcmFormat& format, uint64_t bytes,
                             std::optional<uint64_t> held) {
    if (!format.IsPlayable() || bytes > kMaxBufferBytes) {
        return 0;
    }
    bytes -= bytes % format.BlockAlign();
    if (bytes == 0) {
        return 0;
    }
    const uint64_t size = bytes;
    if (held) {
        bytes = std::clamp<uint64_t>(std::min(*held, size) + format.BlockAlign() - 1,
                                     format.BlockAlign(), size);
        bytes -= bytes % format.BlockAlign();
    }
    {
        // Counted before the bytes are taken, so that no two buffers pass the bound together.
        std::lock_guard lock(mutex_);
        if (bytes > kMaxTotalBytes - totalBufferBytes_) {
            return 0;
        }
        totalBufferBytes_ += bytes;
    }
    auto source = std::make_unique<Source>();
    source->format = format;
    source->ring.assign(static_cast<size_t>(bytes), format.SilenceByte());
    source->silentBytes = static_cast<size_t>(size - bytes);
    std::lock_guard lock(mutex_);
    const uint32_t id = nextId_++;
    sources_.emplace(id, std::move(source));
    return id;
}

void Mixer::ReleaseBuffer(uint32_t buffer) {
    std::unique_ptr<Source> gone;  // freed outside the lock
    std::lock_guard lock(mutex_);
    if (auto found = sources_.find(buffer); found != sources_.end()) {
        gone = std::move(found->second);
        totalBufferBytes_ -= gone->ring.size();
        sources_.erase(found);
    }
}

uint64_t Mixer::TotalBufferBytes() const {
    std::lock_guard lock(mutex_);
    return totalBufferBytes_;
}

uint32_t Mixer::BufferBytes(uint32_t buffer) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(buffer);
    return found == sources_.end() ? 0 : static_cast<uint32_t>(found->second->Bytes());
}

bool Mixer::Lock(uint32_t buffer, uint32_t offset, uint32_t bytes, LockedSpan& span) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(buffer);
    if (found == sources_.end() || found->second->stream) {
        return false;
    }
    const std::vector<uint8_t>& ring = found->second->ring;
    const size_t size = ring.size();
    span.buffer = buffer;
    span.offset = static_cast<uint32_t>(offset % size);
    const size_t wanted = std::min<size_t>(bytes, size);
    const size_t first = std::min(wanted, size - span.offset);
    span.first.assign(ring.begin() + span.offset, ring.begin() + span.offset + first);
    span.second.assign(ring.begin(), ring.begin() + (wanted - first));
    return true;
}

bool Mixer::Unlock(const LockedSpan& span) {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(span.buffer);
    if (found == sources_.end() || found->second->stream) {
        return false;
    }
    std::vector<uint8_t>& ring = found->second->ring;
    // No more than was locked: the second part only after the first reached the ring's end.
    if (span.offset >= ring.size() || span.first.size() > ring.size() - span.offset ||
        span.second.size() > span.offset ||
        (!span.second.empty() && span.offset + span.first.size() != ring.size())) {
        return false;
    }
    std::copy(span.first.begin(), span.first.end(), ring.begin() + span.offset);
    std::copy(span.second.begin(), span.second.end(), ring.begin());
    return true;
}

void Mixer::Play(uint32_t buffer, bool looping) {
    std::lock_guard lock(mutex_);
    if (auto found = sources_.find(buffer); found != sources_.end() && !found->second->stream) {
        found->second->playing = true;
        found->second->looping = looping;
    }
}

void Mixer::Stop(uint32_t buffer) {
    std::lock_guard lock(mutex_);
    if (auto found = sources_.find(buffer); found != sources_.end() && !found->second->stream) {
        found->second->playing = false;
    }
}

bool Mixer::IsPlaying(uint32_t buffer) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(buffer);
    return found != sources_.end() && found->second->playing;
}

uint32_t Mixer::Position(uint32_t buffer) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(buffer);
    if (found == sources_.end()) {
        return 0;
    }
    return static_cast<uint32_t>((found->second->position >> 32) *
                                 found->second->format.BlockAlign());
}

void Mixer::SetPosition(uint32_t buffer, uint32_t offset) {
    std::lock_guard lock(mutex_);
    if (auto found = sources_.find(buffer); found != sources_.end() && !found->second->stream) {
        Source& source = *found->second;
        source.position = uint64_t{offset % source.Bytes() / source.format.BlockAlign()} << 32;
    }
}

uint32_t Mixer::OpenStream(const PcmFormat& format) {
    if (!format.IsPlayable()) {
        return 0;
    }
    auto source = std::make_unique<Source>();
    source->format = format;
    source->stream = true;
    source->playing = true;
    std::lock_guard lock(mutex_);
    const uint32_t id = nextId_++;
    sources_.emplace(id, std::move(source));
    return id;
}

void Mixer::CloseStream(uint32_t stream) {
    ReleaseBuffer(stream);
}

bool Mixer::Push(uint32_t stream, std::span<const uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(stream);
    if (found == sources_.end() || !found->second->stream ||
        bytes.size() > kMaxQueuedBytes - found->second->queue.size()) {
        return false;
    }
    found->second->queue.insert(found->second->queue.end(), bytes.begin(), bytes.end());
    return true;
}

size_t Mixer::Queued(uint32_t stream) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(stream);
    return found == sources_.end() ? 0 : found->second->queue.size();
}

bool Mixer::MixSource(Source& source, int32_t* accumulator, size_t frames) {
    const size_t count = source.Frames();
    const uint64_t step = (uint64_t{source.format.samplesPerSecond} << 32) / outputRate_;
    const bool stereo = source.format.channels == 2;
    for (size_t i = 0; i < frames; ++i) {
        const size_t frame = static_cast<size_t>(source.position >> 32);
        if (frame >= count) {
            return false;  // a stream ran dry: silence until more comes
        }
        size_t next = frame + 1;
        if (next >= count) {
            next = source.looping ? 0 : frame;
        }
        const int64_t fraction = static_cast<int64_t>(source.position & (kOne - 1));
        for (unsigned channel = 0; channel < 2; ++channel) {
            const unsigned from = stereo ? channel : 0;
            const int64_t a = source.Sample(frame, from);
            const int64_t b = source.Sample(next, from);
            accumulator[2 * i + channel] += static_cast<int32_t>(a + (((b - a) * fraction) >> 32));
        }
        source.position += step;
        if (source.stream) {
            continue;
        }
        if ((source.position >> 32) >= count) {
            if (!source.looping) {
                source.playing = false;
                source.position = 0;
                return false;
            }
            // A tiny ring at a high rate can pass its end more than once a frame.
            source.position %= uint64_t{count} << 32;
        }
    }
    return true;
}

void Mixer::SetPaused(bool paused) {
    std::lock_guard lock(mutex_);
    paused_ = paused;
}

bool Mixer::IsPaused() const {
    std::lock_guard lock(mutex_);
    return paused_;
}

void Mixer::Mix(int16_t* out, size_t frames) {
    std::lock_guard lock(mutex_);
    if (paused_) {
        std::fill_n(out, frames * 2, int16_t{0});
        return;
    }
    accumulator_.assign(frames * 2, 0);
    for (auto& [id, source] : sources_) {
        if (!source->playing) {
            continue;
        }
        MixSource(*source, accumulator_.data(), frames);
        if (source->stream) {
            // Whole frames played leave the queue; the fraction stays.
            const size_t played = std::min<size_t>(source->position >> 32, source->Frames());
            source->queue.erase(source->queue.begin(),
                                source->queue.begin() +
                                    static_cast<ptrdiff_t>(played * source->format.BlockAlign()));
            source->position &= kOne - 1;
        }
    }
    // The gain goes on the sum, before the cut to 16 bits, so a quieter mix clips less.
    const int gain = muted_ ? 0 : masterVolume_;
    for (size_t i = 0; i < frames * 2; ++i) {
        const int64_t sample = int64_t{accumulator_[i]} * gain / 100;
        out[i] = static_cast<int16_t>(std::clamp<int64_t>(sample, -32768, 32767));
    }
}

void Mixer::SetMasterVolume(int percent) {
    std::lock_guard lock(mutex_);
    masterVolume_ = std::clamp(percent, 0, 100);
}

int Mixer::MasterVolume() const {
    std::lock_guard lock(mutex_);
    return masterVolume_;
}

void Mixer::SetMuted(bool muted) {
    std::lock_guard lock(mutex_);
    muted_ = muted;
}

bool Mixer::IsMuted() const {
    std::lock_guard lock(mutex_);
    return muted_;
}

void Mixer::Skip(uint64_t frames) {
    std::lock_guard lock(mutex_);
    if (paused_) {
        return;
    }
    for (auto& [id, source] : sources_) {
        if (!source->playing) {
            continue;
        }
        const uint64_t count = source->Frames();
        const uint64_t step = (uint64_t{source->format.samplesPerSecond} << 32) / outputRate_;
        // Where the position lands, in 32.32 frames; 128 bits hold any step times any count.
        const unsigned __int128 landing =
            source->position + static_cast<unsigned __int128>(step) * frames;
        const uint64_t rest = static_cast<uint64_t>(landing) & (kOne - 1);
        const unsigned __int128 target = landing >> 32;
        if (source->stream) {
            // Whole frames played leave the queue; a stream that runs dry waits for more.
            const auto played = static_cast<size_t>(std::min<unsigned __int128>(target, count));
            source->queue.erase(source->queue.begin(),
                                source->queue.begin() +
                                    static_cast<ptrdiff_t>(played * source->format.BlockAlign()));
            source->position = target >= count ? 0 : rest;
            continue;
        }
        if (target < count) {
            source->position = (static_cast<uint64_t>(target) << 32) | rest;
        } else if (!source->looping) {
            source->playing = false;
            source->position = 0;
        } else {
            source->position = (static_cast<uint64_t>(target % count) << 32) | rest;
        }
    }
}

}  // namespace stagehand::host
