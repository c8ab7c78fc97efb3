#include "media/WaveFile.h"

#include <algorithm>
#include <cstring>

namespace stagehand {

namespace {

constexpr size_t kReadSlice = 64 * 1024;

uint16_t Get16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                                 (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

uint32_t Get32(const std::string& bytes, size_t at) {
    return Get16(bytes, at) | (static_cast<uint32_t>(Get16(bytes, at + 2)) << 16);
}

// A chunk identifier as it can be shown: four characters, odd bytes escaped by the trace.
std::string ChunkName(const std::string& header) {
    return "\"" + header.substr(0, 4) + "\"";
}

}  // namespace

base::Failure CWaveFile::Refuse(std::string text) {
    Close();
    return base::Failure(std::move(text));
}

base::Result<void> CWaveFile::Open(const std::filesystem::path& path,
                                   const host::FileOpener& open) {
    Close();
    file_ = open(path);
    if (!file_.IsOpen()) {
        return Refuse(file_.Reason());
    }
    const uint64_t fileSize = file_.Size();
    std::string header;
    if (!file_.ReadSpan(0, 12, header) || header.size() < 12 || header.compare(0, 4, "RIFF") != 0 ||
        header.compare(8, 4, "WAVE") != 0) {
        return Refuse("it is not a RIFF WAVE file");
    }
    const uint64_t formEnd = 8 + uint64_t{Get32(header, 4)};
    if (formEnd > fileSize) {
        return Refuse("its RIFF chunk of " + std::to_string(formEnd - 8) +
                      " bytes runs past the end of the file");
    }
    bool haveFormat = false;
    bool haveData = false;
    uint64_t at = 12;
    for (size_t walked = 0; at + 8 <= formEnd; ++walked) {
        if (walked == kMaxChunks) {
            return Refuse("it holds more than " + std::to_string(kMaxChunks) + " chunks");
        }
        if (!file_.ReadSpan(at, 8, header) || header.size() < 8) {
            return Refuse("it could not be read");
        }
        const uint64_t size = Get32(header, 4);
        const uint64_t body = at + 8;
        if (body + size > formEnd) {
            return Refuse("its chunk " + ChunkName(header) + " of " + std::to_string(size) +
                          " bytes runs past the end of the file");
        }
        if (!haveFormat && header.compare(0, 4, "fmt ") == 0) {
            if (size < 16) {
                return Refuse("its \"fmt \" chunk is shorter than 16 bytes");
            }
            // The first 16 bytes, the extra count and at most 65535 extra bytes.
            const size_t wanted = static_cast<size_t>(std::min<uint64_t>(size, 18 + 0xFFFF));
            std::string fmt;
            if (!file_.ReadSpan(body, wanted, fmt) || fmt.size() < wanted) {
                return Refuse("it could not be read");
            }
            format_ = WaveFormat{Get16(fmt, 0),
                                 Get16(fmt, 2),
                                 Get32(fmt, 4),
                                 Get32(fmt, 8),
                                 Get16(fmt, 12),
                                 Get16(fmt, 14),
                                 {}};
            if (format_.formatTag != WaveFormat::kPcm && size >= 18) {
                const size_t count = Get16(fmt, 16);
                if (count > wanted - 18) {
                    return Refuse("its \"fmt \" chunk is shorter than its extra bytes");
                }
                format_.extra = fmt.substr(18, count);
            }
            haveFormat = true;
        } else if (!haveData && header.compare(0, 4, "data") == 0) {
            dataStart_ = body;
            dataSize_ = size;
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat) {
        return Refuse("it has no \"fmt \" chunk");
    }
    if (!haveData) {
        return Refuse("it has no \"data\" chunk");
    }
    StartData();
    return {};
}

void CWaveFile::Close() {
    file_ = host::InputFile();
    format_ = WaveFormat();
    dataStart_ = dataSize_ = dataLeft_ = 0;
    chunk_.clear();
    chunk_.shrink_to_fit();
}

bool CWaveFile::StartData() {
    if (!IsOpen()) {
        return false;
    }
    dataLeft_ = dataSize_;
    return true;
}

std::optional<size_t> CWaveFile::Read(uint8_t* out, size_t count) {
    count = static_cast<size_t>(std::min<uint64_t>(count, dataLeft_));
    size_t done = 0;
    while (done < count) {
        const uint64_t from = dataStart_ + (dataSize_ - dataLeft_);
        const size_t slice = std::min(count - done, kReadSlice);
        if (!file_.ReadSpan(from, slice, chunk_) || chunk_.empty()) {
            return std::nullopt;
        }
        std::memcpy(out + done, chunk_.data(), chunk_.size());
        done += chunk_.size();
        dataLeft_ -= chunk_.size();
    }
    return done;
}

}  // namespace stagehand
