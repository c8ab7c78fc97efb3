// The inside of a Movie, shared by the files that open it and that decode it: FFmpeg's
// contexts, the file they read through, and where decoding stands.
#pragma once

#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/files/File.h"
#include "host/video/Movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace stagehand::host {

namespace movie {

using Clock = std::chrono::steady_clock;

// Packets read in search of one frame before the file counts as damaged.
constexpr int kMaxPacketsPerFrame = 4096;

inline std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Decodes the sound of one packet into stereo 16-bit PCM at `rate`, appended to `pcm`.
void DecodeSound(AVCodecContext* audio, SwrContext*& swr, int& swrRate, int rate, AVPacket* packet,
                 AVFrame* frame, std::vector<uint8_t>& pcm);

}  // namespace movie

struct Movie::State {
    InputFile file;
    uint64_t position = 0;
    movie::Clock::time_point deadline;

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
    AVPacket* held = nullptr;  // read ahead and not yet wanted: the next one read
    bool holding = false;
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
    int64_t seekingTo = -1;  // the frame a seek cut short is on its way to
    // A kept decoder picture the decoder's first picture starts as (see GetBuffer).
    const std::vector<uint8_t>* prefill = nullptr;

    bool soundWanted = false;
    std::vector<uint8_t> pcm;
    Mixer* mixer = nullptr;
    uint32_t stream = 0;

    State() { deadline = movie::Clock::now() + std::chrono::seconds(kOperationSeconds); }
    ~State() {
        if (mixer != nullptr && stream != 0) {
            mixer->CloseStream(stream);
        }
        sws_freeContext(sws);
        swr_free(&swr);
        av_packet_free(&packet);
        av_packet_free(&held);
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

    void StartOperation() {
        deadline = movie::Clock::now() + std::chrono::seconds(kOperationSeconds);
    }

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
        return movie::Clock::now() > static_cast<State*>(opaque)->deadline ? 1 : 0;
    }

    bool TimedOut() const { return movie::Clock::now() > deadline; }
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
        if (index == videoIndex) {
            context->opaque = this;
            context->get_buffer2 = GetBuffer;
        }
        if (avcodec_open2(context, codec, nullptr) < 0) {
            avcodec_free_context(&context);
        }
        return context;
    }

    // The decoder's pictures, as FFmpeg makes them; the first one after a restart from a
    // kept picture starts as that picture, so the frames decoded on paint over it as they
    // painted over the picture it was kept from.
    static int GetBuffer(AVCodecContext* context, AVFrame* frame, int flags) {
        const int r = avcodec_default_get_buffer2(context, frame, flags);
        auto* self = static_cast<State*>(context->opaque);
        if (r < 0 || self == nullptr || self->prefill == nullptr) {
            return r;
        }
        const std::vector<uint8_t>& indices = *self->prefill;
        self->prefill = nullptr;
        const auto width = static_cast<size_t>(frame->width);
        if (frame->format == AV_PIX_FMT_PAL8 && frame->width > 0 && frame->height > 0 &&
            indices.size() == width * static_cast<size_t>(frame->height)) {
            for (int y = 0; y < frame->height; ++y) {
                std::memcpy(frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0],
                            indices.data() + static_cast<size_t>(y) * width, width);
            }
        }
        return r;
    }

    // The number of the frame just received: counted for Smacker files and where the
    // decoder gives no time, else from the frame's time.
    // The rate the sound is made at: the mixer's, once it has one.
    int SoundRate() const {
        return mixer != nullptr ? static_cast<int>(mixer->OutputRate()) : 22050;
    }

    // The next packet of the file into `packet`: the one held back first (see ReadSoundAhead).
    int ReadPacket() {
        if (holding) {
            holding = false;
            av_packet_move_ref(packet, held);
            return 0;
        }
        return av_read_frame(format, packet);
    }
    void DropHeld() {
        if (holding) {
            av_packet_unref(held);
            holding = false;
        }
    }
    // Decodes the sound stored after the frame just received that belongs to its time (until
    // `untilSeconds`), so that the sound of a frame goes to the mixer with the frame; the
    // first packet past that is held back for the next read.
    void ReadSoundAhead(double untilSeconds);

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

}  // namespace stagehand::host
