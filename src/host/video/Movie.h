// One movie file decoded with FFmpeg: Smacker, AVI, MPEG and the other formats old titles
// ship. It gives the frame size, count and rate, decodes frames in order into 32-bit
// surfaces, goes to a frame, and decodes the sound track for a mixer stream.
//
// Guarantees: the file is read through host::InputFile (a regular file only, never
// blocking); every read, packet, frame size (kMaxSide a side, Surface::kMaxPixels in all),
// frame count and queued sound is bounded, and each call gives up after kOperationSeconds,
// so a damaged file gives an error, never a crash or a hang. Only the formats in
// the list of movie containers are opened; nothing else is ever looked up by name.
// Smacker files: the header's frame rate is read by the player (0 means 10 frames a
// second). Each frame paints over the one before, so as frames are decoded the movie keeps
// the decoder's picture every SnapshotSpacing() frames (kMaxSnapshotBytes a movie at most);
// going to a frame starts from the nearest kept picture before it: the file is read
// forward to there without decoding (the palette comes whole with every frame) and at most
// SnapshotSpacing() frames are decoded. A general video goes to the key frame before.
// Where it bites: the first time a far frame of a Smacker movie is asked for, nothing is
// kept past the frames decoded so far, so it costs the decoding of every frame before it;
// SeekToward spreads that over several calls.
// The mixer given to PumpSound must outlive the movie or CloseSound must come first.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"
#include "host/files/File.h"
#include "host/gfx/Geometry.h"
#include "host/gfx/Surface.h"

struct AVFrame;

namespace stagehand::host {

class Mixer;

class Movie {
  public:
    static constexpr int32_t kMaxSide = 4096;
    static constexpr int64_t kMaxFrames = 1'000'000;
    static constexpr int kMaxPacketBytes = 16 * 1024 * 1024;
    static constexpr size_t kMaxPendingSoundBytes = 4 * 1024 * 1024;
    static constexpr int kOperationSeconds = 20;
    // The decoder pictures a Smacker movie keeps to go to a frame quickly, in bytes.
    static constexpr size_t kMaxSnapshotBytes = 16 * 1024 * 1024;
    static constexpr int64_t kMinSnapshotSpacing = 8;

    Movie();
    ~Movie();
    Movie(Movie&&) noexcept;
    Movie& operator=(Movie&&) noexcept;
    Movie(const Movie&) = delete;
    Movie& operator=(const Movie&) = delete;

    // Opens a host path (the caller resolves title names), or says why it cannot.
    base::Result<void> Open(const std::filesystem::path& path, FileOpener open = InputFile::Open);
    // Closes the file and the sound stream.
    void Close();
    bool IsOpen() const;
    bool IsSmacker() const;
    // Why the last DecodeNext failed, as a sentence part; empty when it met the end.
    const std::string& Error() const { return error_; }

    Size FrameSize() const;
    // The frames the file holds (from its header, or its duration times its rate).
    int64_t FrameCount() const;
    double FrameRate() const;
    double DurationSeconds() const;
    // 0-based number of the frame the next DecodeNext gives.
    int64_t NextFrame() const;
    bool HasSound() const;

    // Decodes the next frame into `out` (made the frame's size); false at the end of the
    // movie (Error() empty) or on damage (Error() says what), with `out` as it was.
    // With `changed`, `out` is the surface the previous call filled, untouched since: only
    // the blocks that differ from it are written, and `changed` gets them (FrameChanges.h);
    // a new surface, size or palette gives the whole frame.
    bool DecodeNext(Surface& out, std::vector<Rect>* changed = nullptr);
    // Makes `frame` the one the next DecodeNext gives; fails past the end or on damage.
    base::Result<void> SeekToFrame(int64_t frame);
    // SeekToFrame decoding at most `maxDecodes` frames: true when the movie is there, false
    // when it has gone part of the way (the next call goes on from there).
    base::Result<bool> SeekToward(int64_t frame, int64_t maxDecodes);
    // Frames received from the decoder since Open, seeks included: the work done.
    int64_t FramesDecoded() const { return framesDecoded_; }
    // Frames apart of the pictures kept for going to a frame; 0 when none are kept.
    int64_t SnapshotSpacing() const;
    // The 256 colours of the frame last decoded when it was paletted (Smacker), else empty.
    const std::vector<Color>& Palette() const { return palette_; }

    // Pushes the sound decoded so far into a stream of `mixer` (opened at the first call,
    // stereo 16-bit at the mixer's rate). Sound decoded before the first call is dropped.
    void PumpSound(Mixer& mixer);
    void CloseSound();

  private:
    struct State;
    bool Fail(std::string message);
    // Opens with the frame count already known for a stream whose header gives none.
    base::Result<void> OpenFile(const std::filesystem::path& path, int64_t knownCount);
    base::Result<void> Reopen();
    // Puts the demuxer at the key frame at or before `target`; false when it cannot.
    bool SeekBefore(int64_t target);
    // Decodes on to `target`, at most `maxDecodes` frames: true there, false part-way.
    base::Result<bool> DecodeForwardTo(int64_t target, int64_t maxDecodes);
    // Starts over from the kept picture `from` (the decoder's picture before frame `from`).
    base::Result<void> RestoreBefore(int64_t from);
    // Counts the frame just received and keeps the decoder's picture when one is due.
    void Received(int64_t index);
    void ShowPaletted(const AVFrame& f, Surface& out, std::vector<Rect>* changed);
    bool ShowConverted(const AVFrame& f, Surface& out, std::vector<Rect>* changed);

    std::filesystem::path path_;
    FileOpener open_ = InputFile::Open;
    std::unique_ptr<State> state_;
    std::string error_;
    std::vector<Color> palette_;
    // What the surface last filled holds: its pixels' address, and for a paletted movie the
    // colour indices and palette it was made from.
    const Color* shownPixels_ = nullptr;
    std::vector<uint8_t> shownIndices_;
    std::array<Color, 256> shownPalette_{};
    Surface converted_;
    // Kept decoder pictures (colour indices, row after row) by the frame they come before.
    std::map<int64_t, std::vector<uint8_t>> snapshots_;
    int64_t framesDecoded_ = 0;
};

}  // namespace stagehand::host
