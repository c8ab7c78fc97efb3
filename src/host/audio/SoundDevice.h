// The sound device as the logic sees it: the mixer that holds every sound buffer, and the
// switch that opens the machine's device (through the backend) at a sampling rate and closes
// it again. The application owns it; the player reaches it through CPlayer::soundDevice.
//
// Guarantees: buffers can be made and filled whether or not the device is open; they are
// heard (and their play positions move) only while it is. Opening twice does nothing.
#pragma once

#include <cstdint>

#include "host/Backend.h"
#include "host/audio/Mixer.h"

namespace stagehand::host {

class SoundDevice {
  public:
    explicit SoundDevice(Backend& backend) : backend_(backend) {}
    ~SoundDevice() { Close(); }
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Opens the device at `samplesPerSecond`, stereo, 16 bits; true when it is open.
    bool Open(uint32_t samplesPerSecond);
    void Close();
    bool IsOpen() const { return open_; }
    Mixer& Mix() { return mixer_; }

  private:
    Backend& backend_;
    Mixer mixer_;
    bool open_ = false;
};

}  // namespace stagehand::host
