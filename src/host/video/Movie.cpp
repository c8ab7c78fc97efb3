#include "host/video/Movie.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "host/audio/Mixer.h"
#include "host/files/File.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace stagehand::host {

namespace {

using Clock = std::chrono::steady_clock;

// The containers movies of old titles come in; FFmpeg opens nothing else.
constexpr const char* kFormats = "avi,smk,mpeg,mpegvideo,mov,mp4,asf,flic";
constexpr int kIoBufferBytes = 32 * 1024;
// Packets read in search of one frame before the file counts as damaged.
constexpr int kMaxPacketsPerFrame = 4096;

void SetUpOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_QUIET);
        av_max_alloc(512U * 1024U * 1024U);
    });
}

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
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

// Decodes the sound of one packet into stereo 16-bit PCM at `rate`, appended to `pcm`.
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

// A Smacker header the demuxer is not given: more frames than a movie may hold, a frame
// size out of bounds, or a frame table longer than the file. Empty for anything else.
std::string CheckSmackerHeader(InputFile& file) {
    std::string head;
    if (!file.ReadSpan(0, 24, head) || head.size() < 24 ||
        (head.compare(0, 4, "SMK2") != 0 && head.compare(0, 4, "SMK4") != 0)) {
        return {};
    }
    uint32_t field[6] = {};
    std::memcpy(field, head.data(), sizeof field);  // little-endian, as the host is
    const uint64_t frames = uint64_t{field[3]} + (field[5] & 1);
    if (frames > static_cast<uint64_t>(Movie::kMaxFrames)) {
        return "the Smacker movie claims " + std::to_string(frames) +
               " frames, more than a movie may hold";
    }
    if (field[1] == 0 || field[2] == 0 || field[1] > static_cast<uint32_t>(Movie::kMaxSide) ||
        field[2] > static_cast<uint32_t>(Movie::kMaxSide)) {
        return "the Smacker movie's frame size " + std::to_string(field[1]) + "x" +
               std::to_string(field[2]) + " is not from 1x1 to 4096x4096";
    }
    // The header (104 bytes) and five bytes a frame for the frame table.
    if (file.Size() < 104 + frames * 5) {
        return "the Smacker movie is cut short in its frame table";
    }
    return {};
}

}  // namespace

struct Movie::State {
    InputFile file;
    uint64_t position = 0;
    Clock::time_point deadline;

    AVIOContext* io = nullptr;
    AVFormatContext* format = nullptr;
    AVCodecContext* video = nullptr;
    AVCodecContext* audio = nullptr;
    int videoIndex = -1;
    int audioIndex = -1;
    SwsContext* sws = nullptr;
    SwrContext* swr = nullptr;
    int swrRate = 0;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* audioFrame = nullptr;

    bool smacker = false;
    double rate = 0;
    int64_t frameCount = 0;
    bool countInHeader = false;  // the file says how many frames it holds
    double duration = 0;
    Size size;

    int64_t decoded = 0;     // frames received from the decoder since opening or seeking
    int64_t lastIndex = -1;  // number of the frame last received
    int64_t nextFrame = 0;
    bool pending = false;  // `frame` holds frame nextFrame, not yet given out
    bool demuxEnded = false;

    bool soundWanted = false;
    std::vector<uint8_t> pcm;
    Mixer* mixer = nullptr;
    uint32_t stream = 0;

    State() { deadline = Clock::now() + std::chrono::seconds(kOperationSeconds); }
    ~State() {
        if (mixer != nullptr && stream != 0) {
            mixer->CloseStream(stream);
        }
        sws_freeContext(sws);
        swr_free(&swr);
        av_packet_free(&packet);
        av_frame_free(&frame);
        av_frame_free(&audioFrame);
        avcodec_free_context(&video);
        avcodec_free_context(&audio);
        avformat_close_input(&format);
        if (io != nullptr) {
            av_freep(&io->buffer);
            avio_context_free(&io);
        }
    }

    void StartOperation() { deadline = Clock::now() + std::chrono::seconds(kOperationSeconds); }

    static int Read(void* opaque, uint8_t* buffer, int size) {
        auto* self = static_cast<State*>(opaque);
        if (self->position >= self->file.Size()) {
            return AVERROR_EOF;  // a demuxer reading on past the end asks again and again
        }
        std::string bytes;
        if (size <= 0 || !self->file.ReadSpan(self->position, static_cast<size_t>(size), bytes)) {
            return AVERROR(EIO);
        }
        if (bytes.empty()) {
            return AVERROR_EOF;
        }
        std::memcpy(buffer, bytes.data(), bytes.size());
        self->position += bytes.size();
        return static_cast<int>(bytes.size());
    }

    static int64_t Seek(void* opaque, int64_t offset, int whence) {
        auto* self = static_cast<State*>(opaque);
        const auto size = static_cast<int64_t>(self->file.Size());
        switch (whence & ~AVSEEK_FORCE) {
            case AVSEEK_SIZE:
                return size;
            case SEEK_SET:
                break;
            case SEEK_CUR:
                offset += static_cast<int64_t>(self->position);
                break;
            case SEEK_END:
                offset += size;
                break;
            default:
                return AVERROR(EINVAL);
        }
        if (offset < 0) {
            return AVERROR(EINVAL);
        }
        self->position = static_cast<uint64_t>(offset);
        return offset;
    }

    static int Interrupt(void* opaque) {
        return Clock::now() > static_cast<State*>(opaque)->deadline ? 1 : 0;
    }

    bool TimedOut() const { return Clock::now() > deadline; }
    int ReceiveVideo(std::string& error);

    AVCodecContext* OpenDecoder(int index) {
        const AVCodecParameters* parameters = format->streams[index]->codecpar;
        const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
        if (codec == nullptr) {
            return nullptr;
        }
        AVCodecContext* context = avcodec_alloc_context3(codec);
        if (context == nullptr || avcodec_parameters_to_context(context, parameters) < 0) {
            avcodec_free_context(&context);
            return nullptr;
        }
        context->thread_count = 1;
        if (avcodec_open2(context, codec, nullptr) < 0) {
            avcodec_free_context(&context);
        }
        return context;
    }

    // The number of the frame just received: counted for Smacker files and where the
    // decoder gives no time, else from the frame's time.
    int64_t IndexOfFrame() {
        int64_t index = lastIndex + 1;
        const int64_t ts = frame->best_effort_timestamp;
        if (!smacker && ts != AV_NOPTS_VALUE) {
            const AVStream* st = format->streams[videoIndex];
            const int64_t start = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
            const double seconds = static_cast<double>(ts - start) * av_q2d(st->time_base);
            const double at = std::round(seconds * rate);
            if (std::isfinite(at) && at >= 0 && at < static_cast<double>(kMaxFrames)) {
                index = static_cast<int64_t>(at);
            }
        }
        lastIndex = index;
        return index;
    }
};

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

bool Movie::Open(const std::filesystem::path& path) {
    palette_.clear();
    return OpenFile(path, -1);
}

bool Movie::OpenFile(const std::filesystem::path& path, int64_t knownCount) {
    SetUpOnce();
    Close();
    error_.clear();
    path_ = path;
    auto s = std::make_unique<State>();
    s->file = InputFile::Open(path);
    if (!s->file.IsOpen()) {
        return Fail("cannot open the movie: " + s->file.Reason());
    }
    if (std::string refusal = CheckSmackerHeader(s->file); !refusal.empty()) {
        return Fail(refusal);
    }
    auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferBytes));
    s->io = buffer == nullptr ? nullptr
                              : avio_alloc_context(buffer, kIoBufferBytes, 0, s.get(), State::Read,
                                                   nullptr, State::Seek);
    s->format = avformat_alloc_context();
    s->packet = av_packet_alloc();
    s->frame = av_frame_alloc();
    s->audioFrame = av_frame_alloc();
    if (s->io == nullptr) {
        av_free(buffer);
    }
    if (s->io == nullptr || s->format == nullptr || s->packet == nullptr || s->frame == nullptr ||
        s->audioFrame == nullptr) {
        return Fail("out of memory opening the movie");
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
        return Fail(s->TimedOut() ? "the movie took too long to open"
                                  : "not a movie file this player reads (" + AvError(r) + ")");
    }
    r = avformat_find_stream_info(s->format, nullptr);
    if (r < 0) {
        return Fail("the movie's streams cannot be read (" + AvError(r) + ")");
    }
    s->videoIndex = av_find_best_stream(s->format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (s->videoIndex < 0) {
        return Fail("the file holds no video");
    }
    AVStream* st = s->format->streams[s->videoIndex];
    const int width = st->codecpar->width;
    const int height = st->codecpar->height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        int64_t{width} * height > Surface::kMaxPixels) {
        return Fail("the movie's frame size " + std::to_string(width) + "x" +
                    std::to_string(height) + " is not from 1x1 to 4096x4096");
    }
    s->size = {width, height};
    s->video = s->OpenDecoder(s->videoIndex);
    if (s->video == nullptr) {
        return Fail(std::string("the movie's video (") + avcodec_get_name(st->codecpar->codec_id) +
                    ") cannot be decoded");
    }
    s->smacker = std::strcmp(s->format->iformat->name, "smk") == 0;
    int64_t headerFrames = -1;
    if (s->smacker) {
        std::string head;
        if (!s->file.ReadSpan(0, 24, head) || head.size() < 24) {
            return Fail("the Smacker header is cut short");
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
        int r = 0;
        while (count <= kMaxFrames && (r = av_read_frame(s->format, s->packet)) >= 0) {
            count += s->packet->stream_index == s->videoIndex ? 1 : 0;
            av_packet_unref(s->packet);
        }
        if (r != AVERROR_EOF && count <= kMaxFrames) {
            return Fail(s->TimedOut() ? "the movie took too long to open"
                                      : "the movie is damaged (" + AvError(r) + ")");
        }
        s.reset();
        return OpenFile(path, count);
    }
    if (s->frameCount > kMaxFrames) {
        return Fail("the movie claims " + std::to_string(s->frameCount) +
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
    return true;
}

bool Movie::Reopen() {
    std::unique_ptr<State> old = std::move(state_);
    const std::filesystem::path path = path_;
    if (!OpenFile(path, old->countInHeader ? -1 : old->frameCount)) {
        return false;
    }
    // The sound stream carries on into the reopened file.
    state_->soundWanted = old->soundWanted;
    std::swap(state_->mixer, old->mixer);
    std::swap(state_->stream, old->stream);
    return true;
}

bool Movie::DecodeNext(Surface& out) {
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
    }
    s.pending = false;
    const AVFrame* f = s.frame;
    if (f->width <= 0 || f->height <= 0 || f->width > kMaxSide || f->height > kMaxSide) {
        return Fail("a frame of the movie has a size out of bounds");
    }
    if (out.Width() != f->width || out.Height() != f->height) {
        out = Surface(f->width, f->height);
    }
    palette_.clear();
    if (f->format == AV_PIX_FMT_PAL8) {
        const auto* palette = reinterpret_cast<const uint32_t*>(f->data[1]);
        for (int i = 0; i < 256; ++i) {
            palette_.push_back(palette[i] & 0xFFFFFFU);
        }
        for (int y = 0; y < f->height; ++y) {
            const uint8_t* in = f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0];
            Color* row = out.Row(y);
            for (int x = 0; x < f->width; ++x) {
                row[x] = palette[in[x]] & 0xFFFFFFU;
            }
        }
    } else {
        s.sws = sws_getCachedContext(s.sws, f->width, f->height,
                                     static_cast<AVPixelFormat>(f->format), f->width, f->height,
                                     AV_PIX_FMT_BGR0, SWS_BICUBIC, nullptr, nullptr, nullptr);
        if (s.sws == nullptr) {
            return Fail("the movie's pixel format cannot be shown");
        }
        uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(out.Row(0)), nullptr, nullptr, nullptr};
        int strides[4] = {f->width * 4, 0, 0, 0};
        sws_scale(s.sws, f->data, f->linesize, 0, f->height, planes, strides);
        for (int y = 0; y < f->height; ++y) {  // the fourth byte is not a colour
            Color* row = out.Row(y);
            for (int x = 0; x < f->width; ++x) {
                row[x] &= 0xFFFFFFU;
            }
        }
    }
    ++s.nextFrame;
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
        r = av_read_frame(s.format, s.packet);
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
                const int rate =
                    s.mixer != nullptr ? static_cast<int>(s.mixer->OutputRate()) : 22050;
                DecodeSound(s.audio, s.swr, s.swrRate, rate, s.packet, s.audioFrame, s.pcm);
            }
            av_packet_unref(s.packet);
        }
    }
}

bool Movie::SeekToFrame(int64_t target) {
    error_.clear();
    if (!state_) {
        return Fail("no movie is open");
    }
    if (target < 0 || target >= state_->frameCount) {
        return Fail("frame " + std::to_string(target) + " is not in the movie's " +
                    std::to_string(state_->frameCount) + " frames");
    }
    if (state_->nextFrame == target) {
        return true;
    }
    state_->StartOperation();
    // Smacker movies decode forward from where they are or from the start, so the palette
    // is right; general videos go to the key frame before the target first.
    const bool fromStart = state_->smacker ? target < state_->nextFrame : !SeekBefore(target);
    if (fromStart && !Reopen()) {
        return false;
    }
    if (DecodeForwardTo(target)) {
        return true;
    }
    // A demuxer's seek can land past the frame or at the end: decode from the start then.
    if (fromStart || !Reopen()) {
        return false;
    }
    return DecodeForwardTo(target);
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
    s.demuxEnded = false;
    s.pending = false;
    s.lastIndex = -1;
    return true;
}

bool Movie::DecodeForwardTo(int64_t target) {
    State& s = *state_;
    s.StartOperation();
    s.pending = false;
    while (true) {
        const int got = s.ReceiveVideo(error_);
        if (got <= 0) {
            return got == 0 ? Fail("the movie ended before frame " + std::to_string(target))
                            : false;
        }
        const int64_t index = s.IndexOfFrame();
        if (index == target) {
            break;
        }
        if (index > target) {
            return Fail("the movie has no frame " + std::to_string(target));
        }
    }
    s.pending = true;
    s.nextFrame = target;
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
