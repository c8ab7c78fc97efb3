#include <algorithm>
#include <cstring>

#include "host/audio/Mixer.h"
#include "host/video/FrameChanges.h"
#include "host/video/MovieState.h"

namespace stagehand::host {

namespace movie {

void DecodeSound(AVCodecContext* audio, SwrContext*& swr, int& swrRate, int rate, AVPacket* packet,
                 AVFrame* frame, std::vector<uint8_t>& pcm) {
    if (avcodec_send_packet(audio, packet) < 0) {
        return;
    }
    while (avcodec_receive_frame(audio, frame) == 0) {
        if (swr == nullptr || swrRate != rate) {
            swr_free(&swr);
            AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
            if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, rate, &audio->ch_layout,
                                    audio->sample_fmt, audio->sample_rate, 0, nullptr) < 0 ||
                swr_init(swr) < 0) {
                swr_free(&swr);
                return;
            }
            swrRate = rate;
        }
        const int room = swr_get_out_samples(swr, frame->nb_samples);
        if (room <= 0) {
            continue;
        }
        const size_t at = pcm.size();
        const size_t bytes = static_cast<size_t>(room) * 4;
        if (at + bytes > Movie::kMaxPendingSoundBytes) {
            continue;  // nobody takes the sound: drop it rather than grow
        }
        pcm.resize(at + bytes);
        uint8_t* out = pcm.data() + at;
        const int got = swr_convert(
            swr, &out, room, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        pcm.resize(at + static_cast<size_t>(std::max(got, 0)) * 4);
    }
}

}  // namespace movie

namespace {

// Whether a block's span of colour indices is the same in both rows (`room` is what is left
// of the row from there): a whole block is two 8-byte words.
bool SameSpan(const uint8_t* a, const uint8_t* b, int32_t room) {
    if (room >= kBlock) {
        static_assert(kBlock == 16);
        uint64_t x[2];
        uint64_t y[2];
        std::memcpy(x, a, sizeof x);
        std::memcpy(y, b, sizeof y);
        return x[0] == y[0] && x[1] == y[1];
    }
    return std::memcmp(a, b, static_cast<size_t>(room)) == 0;
}

}  // namespace

using movie::AvError;
using movie::DecodeSound;
using movie::kMaxPacketsPerFrame;

bool Movie::DecodeNext(Surface& out, std::vector<Rect>* changed) {
    error_.clear();
    if (!state_) {
        return Fail("no movie is open");
    }
    State& s = *state_;
    s.StartOperation();
    if (!s.pending) {
        const int got = s.ReceiveVideo(error_);
        if (got <= 0) {
            return false;
        }
        s.nextFrame = s.IndexOfFrame();
        Received(s.nextFrame);
    }
    s.pending = false;
    if (s.soundWanted) {
        s.ReadSoundAhead(static_cast<double>(s.nextFrame + 1) / s.rate);
    }
    const AVFrame* f = s.frame;
    if (f->width <= 0 || f->height <= 0 || f->width > kMaxSide || f->height > kMaxSide) {
        return Fail("a frame of the movie has a size out of bounds");
    }
    if (out.Width() != f->width || out.Height() != f->height) {
        out = Surface(f->width, f->height);
        shownPixels_ = nullptr;  // a new surface, whatever its address
    }
    if (f->format == AV_PIX_FMT_PAL8) {
        ShowPaletted(*f, out, changed);
    } else if (!ShowConverted(*f, out, changed)) {
        return false;
    }
    shownPixels_ = out.Row(0);
    // Let go of the frame, so the decoder can build the next one in place without a copy.
    av_frame_unref(s.frame);
    ++s.nextFrame;
    return true;
}

void Movie::ShowPaletted(const AVFrame& f, Surface& out, std::vector<Rect>* changed) {
    const int32_t width = f.width;
    const int32_t height = f.height;
    std::array<Color, 256> colors;
    const auto* entries = reinterpret_cast<const uint32_t*>(f.data[1]);
    for (size_t i = 0; i < colors.size(); ++i) {
        colors[i] = entries[i] & 0xFFFFFFU;
    }
    palette_.assign(colors.begin(), colors.end());
    const size_t plane = static_cast<size_t>(width) * static_cast<size_t>(height);
    const bool sameAsShown = changed != nullptr && shownPixels_ == out.Row(0) &&
                             shownIndices_.size() == plane && colors == shownPalette_;
    shownIndices_.resize(plane);
    shownPalette_ = colors;
    const auto source = [&](int32_t y) {
        return f.data[0] + static_cast<ptrdiff_t>(y) * f.linesize[0];
    };
    const auto kept = [&](int32_t y) {
        return shownIndices_.data() + static_cast<size_t>(y) * width;
    };
    const auto show = [&](const Rect& r) {
        for (int32_t y = r.top; y < r.bottom; ++y) {
            const uint8_t* in = source(y);
            Color* row = out.Row(y);
            for (int32_t x = r.left; x < r.right; ++x) {
                row[x] = colors[in[x]];
            }
            std::memcpy(kept(y) + r.left, in + r.left, static_cast<size_t>(r.right - r.left));
        }
    };
    if (!sameAsShown) {
        show(out.Bounds());
        if (changed != nullptr) {
            *changed = {out.Bounds()};
        }
        return;
    }
    // Only the blocks whose colour indices changed are made again. Rows that did not change
    // are passed over whole; in the others each block's span not yet known to have changed is
    // compared, and once every block of a band has, its remaining rows are passed over.
    const int32_t columns = (width + kBlock - 1) / kBlock;
    std::vector<uint8_t> marks(static_cast<size_t>(columns) * ((height + kBlock - 1) / kBlock));
    for (int32_t top = 0; top < height; top += kBlock) {
        uint8_t* band = marks.data() + static_cast<size_t>(top / kBlock) * columns;
        int32_t marked = 0;
        for (int32_t y = top; y < std::min(top + kBlock, height) && marked < columns; ++y) {
            const uint8_t* in = source(y);
            const uint8_t* was = kept(y);
            if (std::memcmp(in, was, static_cast<size_t>(width)) == 0) {
                continue;
            }
            for (int32_t column = 0; column < columns; ++column) {
                const int32_t left = column * kBlock;
                if (band[column] == 0 && !SameSpan(in + left, was + left, width - left)) {
                    band[column] = 1;
                    ++marked;
                }
            }
        }
    }
    *changed = ChangedBlocks(width, height, [&](const Rect& r) {
        return marks[static_cast<size_t>(r.top / kBlock) * columns + r.left / kBlock] != 0;
    });
    for (const Rect& r : *changed) {
        show(r);
    }
}

bool Movie::ShowConverted(const AVFrame& f, Surface& out, std::vector<Rect>* changed) {
    State& s = *state_;
    shownIndices_.clear();
    palette_.clear();
    s.sws = sws_getCachedContext(s.sws, f.width, f.height, static_cast<AVPixelFormat>(f.format),
                                 f.width, f.height, AV_PIX_FMT_BGR0, SWS_BICUBIC, nullptr, nullptr,
                                 nullptr);
    if (s.sws == nullptr) {
        return Fail("the movie's pixel format cannot be shown");
    }
    Surface& target = changed != nullptr ? converted_ : out;
    if (target.Dimensions() != out.Dimensions()) {
        target = Surface(f.width, f.height);
    }
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(target.Row(0)), nullptr, nullptr, nullptr};
    int strides[4] = {f.width * 4, 0, 0, 0};
    sws_scale(s.sws, f.data, f.linesize, 0, f.height, planes, strides);
    for (int y = 0; y < f.height; ++y) {  // the fourth byte is not a colour
        Color* row = target.Row(y);
        for (int x = 0; x < f.width; ++x) {
            row[x] &= 0xFFFFFFU;
        }
    }
    if (changed != nullptr) {
        *changed = shownPixels_ == out.Row(0) ? ChangedRects(out, converted_)
                                              : std::vector<Rect>{out.Bounds()};
        std::swap(out, converted_);
    }
    return true;
}

// Receives the next decoded video frame into `frame`: 1, 0 at the end, -1 with `error` set.
int Movie::State::ReceiveVideo(std::string& error) {
    State& s = *this;
    for (int packets = 0;;) {
        int r = avcodec_receive_frame(s.video, s.frame);
        if (r == 0) {
            ++s.decoded;
            return 1;
        }
        if (r == AVERROR_EOF) {
            if (s.countInHeader && s.lastIndex + 1 < s.frameCount) {
                error = "the movie ends after " + std::to_string(s.lastIndex + 1) + " of its " +
                        std::to_string(s.frameCount) + " frames";
                return -1;
            }
            return 0;
        }
        if (r != AVERROR(EAGAIN)) {
            error = "the movie's video is damaged (" + AvError(r) + ")";
            return -1;
        }
        if (++packets > kMaxPacketsPerFrame) {
            error = "the movie holds no frame where one should be";
            return -1;
        }
        r = s.ReadPacket();
        if (r == AVERROR_EOF) {
            s.demuxEnded = true;
            avcodec_send_packet(s.video, nullptr);
            continue;
        }
        if (r < 0) {
            error = s.TimedOut() ? "the movie took too long to decode"
                                 : "the movie is damaged (" + AvError(r) + ")";
            return -1;
        }
        if (s.packet->size > Movie::kMaxPacketBytes) {
            av_packet_unref(s.packet);
            error = "the movie holds a packet too large to be real";
            return -1;
        }
        if (s.packet->stream_index == s.videoIndex) {
            r = avcodec_send_packet(s.video, s.packet);
            av_packet_unref(s.packet);
            if (r < 0 && r != AVERROR(EAGAIN)) {
                error = "frame " + std::to_string(s.lastIndex + 1) + " of the movie is damaged (" +
                        AvError(r) + ")";
                return -1;
            }
        } else {
            if (s.packet->stream_index == s.audioIndex && s.soundWanted) {
                DecodeSound(s.audio, s.swr, s.swrRate, s.SoundRate(), s.packet, s.audioFrame,
                            s.pcm);
            }
            av_packet_unref(s.packet);
        }
    }
}

void Movie::State::ReadSoundAhead(double untilSeconds) {
    if (audio == nullptr || holding || demuxEnded || smacker) {
        return;  // a Smacker file stores each frame's sound before its picture
    }
    const AVStream* st = format->streams[audioIndex];
    const int64_t start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
    for (int packets = 0; packets < kMaxPacketsPerFrame; ++packets) {
        if (av_read_frame(format, held) < 0) {
            return;  // the next read meets the end or the damage again and says so
        }
        const bool sound = held->stream_index == audioIndex;
        if (sound && held->pts != AV_NOPTS_VALUE && held->size <= Movie::kMaxPacketBytes &&
            static_cast<double>(held->pts - start) * av_q2d(st->time_base) < untilSeconds) {
            DecodeSound(audio, swr, swrRate, SoundRate(), held, audioFrame, pcm);
            av_packet_unref(held);
        } else if (!sound && held->stream_index != videoIndex) {
            av_packet_unref(held);  // a stream nobody plays
        } else {
            holding = true;
            return;
        }
    }
}

base::Result<void> Movie::SeekToFrame(int64_t target) {
    const base::Result<bool> sought = SeekToward(target, kMaxFrames);
    if (!sought) {
        return sought.failure();
    }
    if (!*sought) {
        return base::Failure("the movie took too long to go to frame " + std::to_string(target));
    }
    return {};
}

int64_t Movie::SnapshotSpacing() const {
    if (!state_ || !state_->smacker) {
        return 0;
    }
    const auto plane = static_cast<uint64_t>(state_->size.width) * state_->size.height;
    if (plane == 0 || plane > kMaxSnapshotBytes) {
        return 0;
    }
    // As many pictures as the bytes allow, spread evenly over the movie.
    const uint64_t kept = kMaxSnapshotBytes / plane;
    const auto frames = static_cast<uint64_t>(std::max<int64_t>(state_->frameCount, 1));
    return std::max<int64_t>(kMinSnapshotSpacing, static_cast<int64_t>((frames + kept - 1) / kept));
}

void Movie::Received(int64_t index) {
    ++framesDecoded_;
    const State& s = *state_;
    const int64_t spacing = SnapshotSpacing();
    const AVFrame* f = s.frame;
    if (spacing == 0 || (index + 1) % spacing != 0 || index + 1 >= s.frameCount ||
        f->format != AV_PIX_FMT_PAL8 || f->width != s.size.width || f->height != s.size.height ||
        snapshots_.count(index + 1) != 0) {
        return;
    }
    std::vector<uint8_t> indices(static_cast<size_t>(f->width) * f->height);
    for (int y = 0; y < f->height; ++y) {
        std::memcpy(indices.data() + static_cast<size_t>(y) * f->width,
                    f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0],
                    static_cast<size_t>(f->width));
    }
    snapshots_.emplace(index + 1, std::move(indices));
}

base::Result<bool> Movie::SeekToward(int64_t target, int64_t maxDecodes) {
    if (!state_) {
        return base::Failure("no movie is open");
    }
    if (target < 0 || target >= state_->frameCount) {
        return base::Failure("frame " + std::to_string(target) + " is not in the movie's " +
                             std::to_string(state_->frameCount) + " frames");
    }
    if (state_->nextFrame == target) {
        return true;
    }
    state_->StartOperation();
    maxDecodes = std::max<int64_t>(maxDecodes, 1);
    const int64_t here = state_->lastIndex;  // the frame the decoder's picture holds
    if (state_->smacker) {
        // Each frame paints over the one before: decode on from here, or start over from
        // the nearest kept picture before the target when that is less work (or from the
        // first frame), so the palette and picture are those of the target frame.
        auto kept = snapshots_.upper_bound(target);
        const int64_t from = kept == snapshots_.begin() ? 0 : std::prev(kept)->first;
        if (here >= target || target - here > target - from + 1) {
            base::Result<void> restarted = from > 0 ? RestoreBefore(from) : Reopen();
            if (!restarted) {
                return restarted.failure();
            }
        }
        return DecodeForwardTo(target, maxDecodes);
    }
    // General videos go to the key frame before the target first, unless a seek cut short
    // is on its way there.
    const bool goingOn = state_->seekingTo == target && here < target;
    const bool fromStart = !goingOn && !SeekBefore(target);
    if (fromStart) {
        if (base::Result<void> reopened = Reopen(); !reopened) {
            return reopened.failure();
        }
    }
    base::Result<bool> reached = DecodeForwardTo(target, maxDecodes);
    if (reached || fromStart) {
        return reached;
    }
    // A demuxer's seek can land past the frame or at the end: decode from the start then.
    if (base::Result<void> reopened = Reopen(); !reopened) {
        return reopened.failure();
    }
    return DecodeForwardTo(target, maxDecodes);
}

base::Result<void> Movie::RestoreBefore(int64_t from) {
    if (base::Result<void> reopened = Reopen(); !reopened) {
        return reopened;
    }
    State& s = *state_;
    // The file is read up to frame `from` without decoding: the demuxer keeps the palette
    // and gives it whole with every frame.
    for (int64_t seen = 0; seen < from;) {
        const int r = s.ReadPacket();
        if (r < 0) {
            return base::Failure(s.TimedOut() ? "the movie took too long to go to a frame"
                                              : "the movie is damaged (" + AvError(r) + ")");
        }
        seen += s.packet->stream_index == s.videoIndex ? 1 : 0;
        av_packet_unref(s.packet);
    }
    s.prefill = &snapshots_.at(from);
    s.lastIndex = from - 1;
    s.nextFrame = from;
    return {};
}

bool Movie::SeekBefore(int64_t target) {
    State& s = *state_;
    const AVStream* st = s.format->streams[s.videoIndex];
    const int64_t start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
    const double seconds = static_cast<double>(target) / s.rate;
    const int64_t ts = start + static_cast<int64_t>(seconds / av_q2d(st->time_base));
    if (av_seek_frame(s.format, s.videoIndex, ts, AVSEEK_FLAG_BACKWARD) < 0) {
        return false;
    }
    avcodec_flush_buffers(s.video);
    if (s.audio != nullptr) {
        avcodec_flush_buffers(s.audio);
    }
    s.pcm.clear();
    s.DropHeld();
    s.demuxEnded = false;
    s.pending = false;
    s.lastIndex = -1;
    return true;
}

base::Result<bool> Movie::DecodeForwardTo(int64_t target, int64_t maxDecodes) {
    State& s = *state_;
    s.pending = false;
    for (int64_t decoded = 0;; ++decoded) {
        if (decoded >= maxDecodes) {
            s.nextFrame = s.lastIndex + 1;  // where the next call goes on from
            s.seekingTo = target;
            return false;
        }
        if (s.TimedOut()) {
            return base::Failure("the movie took too long to go to frame " +
                                 std::to_string(target));
        }
        std::string damage;
        const int got = s.ReceiveVideo(damage);
        if (got < 0) {
            return base::Failure(std::move(damage));
        }
        if (got == 0) {
            return base::Failure("the movie ended before frame " + std::to_string(target));
        }
        const int64_t index = s.IndexOfFrame();
        Received(index);
        if (index == target) {
            break;
        }
        if (index > target) {
            return base::Failure("the movie has no frame " + std::to_string(target));
        }
    }
    s.pending = true;
    s.nextFrame = target;
    s.seekingTo = -1;
    return true;
}

void Movie::PumpSound(Mixer& mixer) {
    if (!state_ || state_->audio == nullptr) {
        return;
    }
    State& s = *state_;
    s.soundWanted = true;
    if (s.mixer != &mixer) {
        if (s.mixer != nullptr && s.stream != 0) {
            s.mixer->CloseStream(s.stream);
        }
        s.mixer = &mixer;
        s.stream = mixer.OpenStream(PcmFormat{2, mixer.OutputRate(), 16});
    }
    if (s.stream != 0 && !s.pcm.empty() && mixer.Push(s.stream, s.pcm)) {
        s.pcm.clear();
    }
}

void Movie::CloseSound() {
    if (!state_) {
        return;
    }
    if (state_->mixer != nullptr && state_->stream != 0) {
        state_->mixer->CloseStream(state_->stream);
    }
    state_->mixer = nullptr;
    state_->stream = 0;
    state_->soundWanted = false;
    state_->pcm.clear();
}

}  // namespace stagehand::host
