#include "host/audio/WaveWriter.h"

#include <algorithm>
#include <array>

namespace stagehand::host {

namespace {

void Put16(std::ofstream& out, uint16_t value) {
    const std::array<char, 2> bytes{static_cast<char>(value), static_cast<char>(value >> 8)};
    out.write(bytes.data(), bytes.size());
}

void Put32(std::ofstream& out, uint32_t value) {
    Put16(out, static_cast<uint16_t>(value));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

}  // namespace

bool WaveWriter::Open(const std::filesystem::path& file, uint32_t samplesPerSecond) {
    out_.open(file, std::ios::binary | std::ios::trunc | std::ios::out);
    rate_ = samplesPerSecond;
    dataBytes_ = 0;
    if (!out_.is_open()) {
        return false;
    }
    WriteHeader();
    return static_cast<bool>(out_);
}

void WaveWriter::WriteHeader() {
    const auto data = static_cast<uint32_t>(std::min(dataBytes_, kMaxDataBytes));
    out_.seekp(0);
    out_.write("RIFF", 4);
    Put32(out_, 36 + data);
    out_.write("WAVEfmt ", 8);
    Put32(out_, 16);
    Put16(out_, 1);  // PCM
    Put16(out_, 2);
    Put32(out_, rate_);
    Put32(out_, rate_ * 4);
    Put16(out_, 4);
    Put16(out_, 16);
    out_.write("data", 4);
    Put32(out_, data);
}

bool WaveWriter::Write(std::span<const int16_t> stereoSamples) {
    if (!out_.is_open()) {
        return false;
    }
    const uint64_t room = (kMaxDataBytes - dataBytes_) / 2;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(stereoSamples.size(), room));
    for (const int16_t sample : stereoSamples.first(count)) {
        Put16(out_, static_cast<uint16_t>(sample));
    }
    dataBytes_ += uint64_t{count} * 2;
    return dataBytes_ < kMaxDataBytes;
}

void WaveWriter::Finish() {
    if (!out_.is_open()) {
        return;
    }
    WriteHeader();
    out_.seekp(0, std::ios::end);
    out_.flush();
}

}  // namespace stagehand::host
