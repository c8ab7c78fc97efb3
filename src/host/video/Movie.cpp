#include "host/video/Movie.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "host/audio/Mixer.h"
#include "host/video/MovieState.h"

namespace stagehand::host {

namespace {

using movie::AvError;

// The containers movies of old titles come in; FFmpeg opens nothing else.
constexpr const char* kFormats = "avi,smk,mpeg,mpegvideo,mov,mp4,asf,flic";
constexpr int kIoBufferBytes = 32 * 1024;

void SetUpOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_QUIET);
        av_max_alloc(512U * 1024U * 1024U);
    });
}

// A Smacker header's frame rate: milliseconds a frame when positive, tens of microseconds
// when negative, and 10 frames a second when 0.
double SmackerRate(int32_t field) {
    if (field > 0) {
        return 1000.0 / field;
    }
    if (field < 0) {
        return 100000.0 / -static_cast<double>(field);
    }
    return 10.0;
}

// A Smacker header the demuxer is not given: more frames than a movie may hold, a frame
// size out of bounds, or a frame table longer than the file. Anything else passes.
base::Result<void> CheckSmackerHeader(InputFile& file) {
    std::string head;
    if (!file.ReadSpan(0, 24, head) || head.size() < 24 ||
        (head.compare(0, 4, "SMK2") != 0 && head.compare(0, 4, "SMK4") != 0)) {
        return {};
    }
    uint32_t field[6] = {};
    std::memcpy(field, head.data(), sizeof field);  // little-endian, as the host is
    const uint64_t frames = uint64_t{field[3]} + (field[5] & 1);
    if (frames > static_cast<uint64_t>(Movie::kMaxFrames)) {
        return base::Failure("the Smacker movie claims " + std::to_string(frames) +
                             " frames, more than a movie may hold");
    }
    if (field[1] == 0 || field[2] == 0 || field[1] > static_cast<uint32_t>(Movie::kMaxSide) ||
        field[2] > static_cast<uint32_t>(Movie::kMaxSide)) {
        return base::Failure("the Smacker movie's frame size " + std::to_string(field[1]) + "x" +
                             std::to_string(field[2]) + " is not from 1x1 to 4096x4096");
    }
    // The header (104 bytes) and five bytes a frame for the frame table.
    if (file.Size() < 104 + frames * 5) {
        return base::Failure("the Smacker movie is cut short in its frame table");
    }
    return {};
}

}  // namespace

Movie::Movie() = default;
Movie::~Movie() = default;
Movie::Movie(Movie&&) noexcept = default;
Movie& Movie::operator=(Movie&&) noexcept = default;

bool Movie::Fail(std::string message) {
    error_ = std::move(message);
    return false;
}

bool Movie::IsOpen() const {
    return state_ != nullptr;
}
bool Movie::IsSmacker() const {
    return state_ && state_->smacker;
}
Size Movie::FrameSize() const {
    return state_ ? state_->size : Size{};
}
int64_t Movie::FrameCount() const {
    return state_ ? state_->frameCount : 0;
}
double Movie::FrameRate() const {
    return state_ ? state_->rate : 0;
}
double Movie::DurationSeconds() const {
    return state_ ? state_->duration : 0;
}
int64_t Movie::NextFrame() const {
    return state_ ? state_->nextFrame : 0;
}
bool Movie::HasSound() const {
    return state_ && state_->audio != nullptr;
}

void Movie::Close() {
    state_.reset();
}

base::Result<void> Movie::Open(const std::filesystem::path& path, FileOpener open) {
    open_ = std::move(open);
    palette_.clear();
    shownPixels_ = nullptr;
    snapshots_.clear();
    framesDecoded_ = 0;
    return OpenFile(path, -1);
}

base::Result<void> Movie::OpenFile(const std::filesystem::path& path, int64_t knownCount) {
    SetUpOnce();
    Close();
    path_ = path;
    auto s = std::make_unique<State>();
    s->file = open_(path);
    if (!s->file.IsOpen()) {
        return base::Failure("cannot open the movie: " + s->file.Reason());
    }
    if (base::Result<void> header = CheckSmackerHeader(s->file); !header) {
        return header;
    }
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    s->io = buffer == nullptr ? nullptr
                              : avio_alloc_context(buffer, kIoBufferBytes, 0, s.get(), State::Read,
                                                   nullptr, State::Seek);
    s->format = avformat_alloc_context();
    s->packet = av_packet_alloc();
    s->held = av_packet_alloc();
    s->frame = av_frame_alloc();
    s->audioFrame = av_frame_alloc();
    if (s->io == nullptr) {
        av_free(buffer);
    }
    if (s->io == nullptr || s->format == nullptr || s->packet == nullptr || s->held == nullptr ||
        s->frame == nullptr || s->audioFrame == nullptr) {
        return base::Failure("out of memory opening the movie");
    }
    s->format->pb = s->io;
    s->format->flags |= AVFMT_FLAG_CUSTOM_IO;
    s->format->interrupt_callback = {State::Interrupt, s.get()};
    s->format->format_whitelist = av_strdup(kFormats);
    s->format->protocol_whitelist = av_strdup("none");
    s->format->probesize = 1 << 20;
    s->format->max_analyze_duration = 5 * AV_TIME_BASE;
    int r = avformat_open_input(&s->format, nullptr, nullptr, nullptr);
    if (r < 0) {
        return base::Failure(s->TimedOut()
                                 ? "the movie took too long to open"
                                 : "not a movie file this player reads (" + AvError(r) + ")");
    }
    r = avformat_find_stream_info(s->format, nullptr);
    if (r < 0) {
        return base::Failure("the movie's streams cannot be read (" + AvError(r) + ")");
    }
    s->videoIndex = av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (s->videoIndex < 0) {
        return base::Failure("the file holds no video");
    }
    AVStream* st = s->format->streams[s->videoIndex];
    const int width = st->codecpar->width;
    const int height = st->codecpar->height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        int64_t{width} * height > Surface::kMaxPixels) {
        return base::Failure("the movie's frame size " + std::to_string(width) + "x" +
                             std::to_string(height) + " is not from 1x1 to 4096x4096");
    }
    s->size = {width, height};
    s->video = s->OpenDecoder(s->videoIndex);
    if (s->video == nullptr) {
        return base::Failure(std::string("the movie's video (") +
                             avcodec_get_name(st->codecpar->codec_id) + ") cannot be decoded");
    }
    s->smacker = std::strcmp(s->format->iformat->name, "smk") == 0;
    int64_t headerFrames = -1;
    if (s->smacker) {
        std::string head;
        if (!s->file.ReadSpan(0, 24, head) || head.size() < 24) {
            return base::Failure("the Smacker header is cut short");
        }
        int32_t field[6] = {};
        std::memcpy(field, head.data(), sizeof field);  // little-endian, as the host is
        s->rate = SmackerRate(field[4]);
        // The frame count, and one more when the movie ends with a ring frame.
        headerFrames = static_cast<uint32_t>(field[3]) + (field[5] & 1);
    } else {
        const AVRational guess = av_guess_frame_rate(s->format, st, nullptr);
        s->rate = guess.num > 0 && guess.den > 0 ? av_q2d(guess) : 0;
        if (!(s->rate >= 0.1 && s->rate <= 1000)) {
            s->rate = 25;
        }
    }
    if (s->format->duration > 0) {
        s->duration = static_cast<double>(s->format->duration) / AV_TIME_BASE;
    } else if (st->duration > 0) {
        s->duration = static_cast<double>(st->duration) * av_q2d(st->time_base);
    }
    if (headerFrames >= 0 || st->nb_frames > 0) {
        s->frameCount = headerFrames >= 0 ? headerFrames : st->nb_frames;
        s->countInHeader = true;
    } else if (knownCount >= 0) {
        s->frameCount = knownCount;
    } else {
        // Streams that do not say how many frames they hold (MPEG) are counted once.
        int64_t count = 0;
        int read = 0;
        while (count <= kMaxFrames && (read = av_read_frame(s->format, s->packet)) >= 0) {
            count += s->packet->stream_index == s->videoIndex ? 1 : 0;
            av_packet_unref(s->packet);
        }
        if (read != AVERROR_EOF && count <= kMaxFrames) {
            return base::Failure(s->TimedOut() ? "the movie took too long to open"
                                               : "the movie is damaged (" + AvError(read) + ")");
        }
        s.reset();
        return OpenFile(path, count);
    }
    if (s->frameCount > kMaxFrames) {
        return base::Failure("the movie claims " + std::to_string(s->frameCount) +
                             " frames, more than a movie may hold");
    }
    if (s->smacker || !s->countInHeader || s->duration <= 0) {
        s->duration = static_cast<double>(s->frameCount) / s->rate;
    }
    s->audioIndex = av_find_best_stream(s->format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (s->audioIndex >= 0) {
        s->audio = s->OpenDecoder(s->audioIndex);
        if (s->audio != nullptr &&
            (s->audio->sample_rate <= 0 || s->audio->sample_rate > 384000 ||
             s->audio->ch_layout.nb_channels <= 0 || s->audio->ch_layout.nb_channels > 8)) {
            avcodec_free_context(&s->audio);
        }
    }
    if (s->audio == nullptr) {
        s->audioIndex = -1;
    }
    state_ = std::move(s);
    return {};
}

base::Result<void> Movie::Reopen() {
    std::unique_ptr<State> old = std::move(state_);
    const std::filesystem::path path = path_;
    if (base::Result<void> opened = OpenFile(path, old->countInHeader ? -1 : old->frameCount);
        !opened) {
        return opened;
    }
    // The sound stream carries on into the reopened file.
    state_->soundWanted = old->soundWanted;
    std::swap(state_->mixer, old->mixer);
    std::swap(state_->stream, old->stream);
    return {};
}

}  // namespace stagehand::host
