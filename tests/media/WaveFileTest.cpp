// The wave file reader against files written here (every chunk layout and damage it must
// handle) and a public corpus (tests/data/wav).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "media/WaveFile.h"
#include "support/ErrorOf.h"
#include "support/TempFolder.h"

namespace stagehand {
namespace {

std::string Le(uint32_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
    return out;
}

std::string Chunk(const std::string& id, const std::string& body, uint32_t size = 0xFFFFFFFF) {
    const uint32_t declared = size == 0xFFFFFFFF ? static_cast<uint32_t>(body.size()) : size;
    return id + Le(declared, 4) + body + (body.size() % 2 != 0 ? std::string(1, '\0') : "");
}

std::string Fmt(uint16_t tag, uint16_t bits = 16, const std::string& tail = "") {
    return Chunk("fmt ", Le(tag, 2) + Le(2, 2) + Le(22050, 4) + Le(22050 * bits / 4, 4) +
                             Le(bits / 4, 2) + Le(bits, 2) + tail);
}

std::string Riff(const std::string& chunks, int adjust = 0) {
    return "RIFF" + Le(static_cast<uint32_t>(chunks.size() + 4 + adjust), 4) + "WAVE" + chunks;
}

TEST(WaveFile, ReadsEveryChunkLayoutAndRefusesDamageWithAReason) {
    const std::string data = Chunk("data", "abcdef");
    struct Case {
        const char* what;
        std::string bytes;
        std::string refusal;  // empty: opens, with 6 data bytes "abcdef"
        uint16_t tag = 1;
        size_t extra = 0;
    };
    const Case cases[] = {
        {"plain", Riff(Fmt(1) + data), ""},
        {"LIST, odd-sized bext and cue before data, fmt after it",
         Riff(Chunk("LIST", "INFOxxxx") + Chunk("bext", "odd") + data + Chunk("cue ", "") + Fmt(1)),
         ""},
        {"40-byte fmt of an extensible format keeps 22 extra bytes",
         Riff(Fmt(0xFFFE, 16, Le(22, 2) + std::string(22, 'x')) + data), "", 0xFFFE, 22},
        {"PCM fmt with surplus bytes", Riff(Fmt(1, 16, std::string(24, 'x')) + data), ""},
        {"bytes after the form are not looked at", Riff(Fmt(1) + data) + "junk", ""},
        {"not RIFF", "RIFX" + Riff(Fmt(1) + data).substr(4), "it is not a RIFF WAVE file"},
        {"too short for a header", "RIFF", "it is not a RIFF WAVE file"},
        {"short fmt", Riff(Chunk("fmt ", "0123456789") + data),
         "its \"fmt \" chunk is shorter than 16 bytes"},
        {"no data", Riff(Fmt(1)), "it has no \"data\" chunk"},
        {"no fmt", Riff(data), "it has no \"fmt \" chunk"},
        {"truncated data", Riff(Fmt(1) + Chunk("data", "abcdef", 600)),
         "its chunk \"data\" of 600 bytes runs past the end of the file"},
        {"RIFF size past the file", Riff(Fmt(1) + data, 2),
         "its RIFF chunk of 44 bytes runs past the end of the file"},
        {"huge chunk size", Riff(Fmt(1) + Chunk("LIST", "", 0xFFFFFFF0) + data),
         "its chunk \"LIST\" of 4294967280 bytes runs past the end of the file"},
        {"extra count past the fmt chunk", Riff(Fmt(3, 32, Le(9, 2) + "xx") + data),
         "its \"fmt \" chunk is shorter than its extra bytes"},
    };
    testing::TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CWaveFile wave;
        const base::Result<void> open = wave.Open(folder.Write("t.wav", c.bytes));
        const bool opened = open.ok();
        EXPECT_EQ(testing::ErrorOf(open), c.refusal);
        EXPECT_EQ(opened, c.refusal.empty());
        EXPECT_EQ(wave.IsOpen(), opened);
        if (!opened) {
            continue;
        }
        EXPECT_EQ(wave.Format().formatTag, c.tag);
        EXPECT_EQ(wave.Format().channels, 2);
        EXPECT_EQ(wave.Format().samplesPerSecond, 22050U);
        EXPECT_EQ(wave.Format().extra.size(), c.extra);
        // Reads are clamped to the data and start over on demand.
        uint8_t out[8] = {};
        EXPECT_EQ(wave.Read(out, 4), 4U);
        EXPECT_EQ(wave.Read(out + 4, 4), 2U);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 6), "abcdef");
        EXPECT_EQ(wave.Read(out, 4), 0U);
        ASSERT_TRUE(wave.StartData());
        EXPECT_EQ(wave.DataLeft(), 6U);
    }
    CWaveFile missing;
    const base::Result<void> none = missing.Open(folder.Path() / "none.wav");
    EXPECT_FALSE(none);
    EXPECT_FALSE(testing::ErrorOf(none).empty());
    EXPECT_FALSE(missing.StartData());
}

TEST(WaveFile, ReadsThePublicCorpus) {
    struct Case {
        const char* file;
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
        uint64_t dataBytes;
    };
    const Case cases[] = {
        {"pluck-pcm8.wav", 2, 11025, 8, 6614},
        {"pluck-pcm16.wav", 2, 11025, 16, 13228},
        {"pluck-pcm24.wav", 2, 11025, 24, 19842},
        {"sndhdr.wav", 2, 44100, 16, 20},
    };
    const std::filesystem::path corpus =
        std::filesystem::path(std::getenv("STAGEHAND_TEST_DATA")) / "wav";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CWaveFile wave;
        const base::Result<void> opened = wave.Open(corpus / c.file);
        ASSERT_TRUE(opened) << opened.error();
        EXPECT_EQ(wave.Format().formatTag, WaveFormat::kPcm);
        EXPECT_EQ(wave.Format().channels, c.channels);
        EXPECT_EQ(wave.Format().samplesPerSecond, c.rate);
        EXPECT_EQ(wave.Format().bitsPerSample, c.bits);
        EXPECT_EQ(wave.DataSize(), c.dataBytes);
    }
}

}  // namespace
}  // namespace stagehand
