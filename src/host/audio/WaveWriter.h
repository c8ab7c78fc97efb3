// Writes the device's mix (stereo, 16 bits) to a RIFF WAVE file, so that a run without a
// sound card can still be heard, and checked, afterwards. The header's sizes are written
// again at each Finish, so the file is whole whenever it was last finished.
// Guarantees: the file never holds more sound than its header can count (kMaxDataBytes);
// what comes after that is dropped.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

namespace stagehand::host {

class WaveWriter {
  public:
    // The most sound bytes a RIFF file can count, in whole stereo frames.
    static constexpr uint64_t kMaxDataBytes = (0xFFFFFFFFULL - 36) / 4 * 4;

    WaveWriter() = default;
    ~WaveWriter() { Finish(); }
    WaveWriter(const WaveWriter&) = delete;
    WaveWriter& operator=(const WaveWriter&) = delete;

    // Creates (truncates) the file; false when it cannot be written.
    bool Open(const std::filesystem::path& file, uint32_t samplesPerSecond);
    bool IsOpen() const { return out_.is_open(); }
    // Changes the rate the header names, as long as nothing has been written yet.
    void SetRate(uint32_t samplesPerSecond) {
        if (dataBytes_ == 0) {
            rate_ = samplesPerSecond;
        }
    }
    // False once the file holds all it can (or is not open): more would be dropped.
    bool Write(std::span<const int16_t> stereoSamples);
    uint64_t DataBytes() const { return dataBytes_; }
    // Writes the header's sizes for what has been written so far.
    void Finish();

  private:
    void WriteHeader();

    std::ofstream out_;
    uint32_t rate_ = 0;
    uint64_t dataBytes_ = 0;
};

}  // namespace stagehand::host
