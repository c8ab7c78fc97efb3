// CWaveFile: a RIFF WAVE file read in pieces: its format, then its "data" chunk a span at a
// time, from the start again whenever asked.
//
// Opening walks the chunks of the "WAVE" form by their sizes (odd sizes are padded to even),
// skipping any chunk it does not need ("LIST", "fact", "cue " ...) wherever it stands, and
// takes the first "fmt " (at least 16 bytes; longer ones keep their extra bytes) and the
// first "data" chunk.
// Guarantees: nothing past the file is ever read or allocated for: a chunk whose size runs
// beyond the file refuses the whole file, at most kMaxChunks chunks are walked, and reads are
// bounded by the "data" chunk. Every refusal comes with a reason.
// Where it bites: the format is whatever the file says; the sound roles decide what they
// can play (PCM only). Byte rates come from BytesPerSecond, never the header's average.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "base/Result.h"
#include "host/files/File.h"

namespace stagehand {

struct WaveFormat {
    static constexpr uint16_t kPcm = 1;
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    // Non-PCM formats: the bytes after the 16-bit count that follows the first 16 bytes.
    std::string extra;

    // The bytes one second of sound takes: the rate times the block, which is what playing
    // consumes. The header's average is only a hint, and a title's may say anything.
    uint64_t BytesPerSecond() const { return uint64_t{samplesPerSecond} * blockAlign; }
};

class CWaveFile {
  public:
    static constexpr size_t kMaxChunks = 4096;

    // Opens the file and reads its format, or says why it is refused.
    base::Result<void> Open(const std::filesystem::path& path,
                            const host::FileOpener& open = host::InputFile::Open);
    void Close();
    bool IsOpen() const { return file_.IsOpen(); }
    const WaveFormat& Format() const { return format_; }

    // Reading starts again at the beginning of the "data" chunk; false when closed.
    bool StartData();
    // Up to `count` bytes of data (fewer where the data ends); nothing when the file gave
    // nothing although data was left (it shrank since it was opened).
    std::optional<size_t> Read(uint8_t* out, size_t count);
    uint64_t DataLeft() const { return dataLeft_; }
    uint64_t DataSize() const { return dataSize_; }

  private:
    base::Failure Refuse(std::string text);

    host::InputFile file_;
    WaveFormat format_;
    uint64_t dataStart_ = 0;
    uint64_t dataSize_ = 0;
    uint64_t dataLeft_ = 0;
    std::string chunk_;  // the read buffer
};

}  // namespace stagehand
