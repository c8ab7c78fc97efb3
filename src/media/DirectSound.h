// CDirectSound: a wave file played through the sound device, role type "DirectSound".
//
// A static sound (IsStatic) is read once into a buffer that holds MilliSeconds of sound and
// plays once or loops; anything longer is cut, and what the file does not fill plays as
// silence the mixer does not store. Sizes and seeks go by the rate times the block, not the
// header's average byte rate. A streaming sound plays through a ring of
// MilliSeconds of sound that a timer of the role's own (hidden) window refills every half
// ring, looping the file or ending by itself: rewound, preloaded and, with TrackStatus,
// reporting "Notify" once after its last sound was heard. "Pause" keeps the read position
// and drops what was buffered, so "Resume" (which is "Play") skips it. A disabled scene
// pauses its sounds and enabling it resumes them.
//
// The player's sound table holds every sound role by name; audio start opens the device at
// the director's "AudioSamplingRate" and audio end gives every buffer back and closes it.
// Guarantees: a title's wave file is read only as far as it declares; formats the device
// cannot play and buffers over the mixer's bounds (one buffer, all buffers together) are
// refused with a line in the trace.
// Where it bites: a static sound that ended by itself stays "playing" (a Play does nothing)
// until Stop or Pause; a streaming sound's refills stall while a Wait blocks the loop, and
// its ring then plays again what it held.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/Sound.h"

namespace stagehand {

class CDirectSound : public CSound {
  public:
    static constexpr uint32_t kStaticPollMs = 250;

    static std::unique_ptr<CMessageHandler> Create();

    CDirectSound() = default;
    ~CDirectSound() override;

    bool Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) override;
    void SetEnabled(bool enabled) override;

    // The role's sound goes silent and its buffer is given back (audio end, "ReleaseBuffer").
    void ReleaseBuffer();

  protected:
    void RegisterProperties() override;
    void RegisterCommands() override;
    intptr_t OnMessage(const host::Message& message) override;

  private:
    bool Open(const std::string& name);
    void Close();
    void CreateBuffer();
    void Preload();
    void Play();
    void Pause();
    void Stop();
    void Seek(int32_t milliseconds);
    void StatusPoll();
    void Refill();
    // Reads into one locked part; false when the read failed (the refill ends).
    bool FillPart(std::vector<uint8_t>& part, uint32_t position);
    void KillTimer();
    bool IsStatic() const { return isStatic_ != 0; }
    uint8_t Silence() const { return wave_.Format().bitsPerSample == 8 ? 0x80 : 0x00; }

    uint32_t buffer_ = 0;
    uint32_t bufferBytes_ = 0;
    uint32_t nextWrite_ = 0;
    bool fillSilence_ = false;
    bool endFound_ = false;
    uint32_t bytesToEnd_ = 0;
    bool timerRunning_ = false;
    uintptr_t timerId_ = 0;
    int32_t isLooping_ = 0;
    int32_t isStatic_ = 0;
    int32_t milliSeconds_ = 1000;
    int32_t trackStatus_ = 0;
    int32_t initOnOpen_ = 1;
};

}  // namespace stagehand
