// CSoundTable: the play's sound output as the sound and movie roles share it: the sound
// device the application lent the player and the wave sound roles by role name, which audio
// end silences.
//
// Guarantees: StartAudio opens the device once, at the director's AudioSamplingRate brought into
// the device's range (the trace says when it was not), and says whether sound plays; EndAudio
// releases the sound of every listed role, forgets them and closes the device. A role leaves
// the table as it goes. Audio ends once more as the play ends (this service going).
// Where it bites: without a device nothing opens and every sound stays silent; a role made
// after an audio end is listed again, and the next StartAudio plays it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "kernel/CountedIds.h"
#include "kernel/PlayerService.h"

namespace stagehand {

class CDirectSound;
class CPlayer;

namespace host {
class Mixer;
class SoundDevice;
}  // namespace host

class CSoundTable final : public CPlayerService {
  public:
    static constexpr int32_t kDefaultSamplingRate = 22050;

    explicit CSoundTable(CPlayer& player);
    ~CSoundTable() override;

    // The director's "StartAudio": true when the device is open (it may have been already).
    bool StartAudio();
    // The director's "EndAudio".
    void EndAudio();

    // Whether sound plays now: there is a device and it is open.
    bool IsOpen() const;
    // The open device's mixer; only while IsOpen.
    host::Mixer& Mixer() const;
    // Opens the device if it is not open yet; true when sound plays.
    bool EnsureOpen() { return IsOpen() || StartAudio(); }

    void Add(const std::string& name, CDirectSound& sound);
    void Remove(const std::string& name, const CDirectSound& sound);

  private:
    CPlayer& player_;
    host::SoundDevice* device_;
    std::map<std::string, CDirectSound*, std::less<>> sounds_;
};

// The timers of the sound roles' windows, numbered from 2201 as the roles that made one come.
using CSoundWindowIds = CCountedIds<struct SoundWindowIdsTag, 2200>;

}  // namespace stagehand
