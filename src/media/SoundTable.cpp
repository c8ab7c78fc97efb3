#include "media/SoundTable.h"

#include <algorithm>
#include <vector>

#include "host/audio/SoundDevice.h"
#include "kernel/Container.h"
#include "kernel/Player.h"
#include "media/DirectSound.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

CSoundTable::CSoundTable(CPlayer& player) : player_(player), device_(player.SoundDevice()) {}

CSoundTable::~CSoundTable() {
    EndAudio();
}

bool CSoundTable::IsOpen() const {
    return device_ != nullptr && device_->IsOpen();
}

host::Mixer& CSoundTable::Mixer() const {
    return device_->Mix();
}

bool CSoundTable::StartAudio() {
    if (IsOpen()) {
        return true;
    }
    if (device_ == nullptr) {
        trace::Fault("There is no sound device: sounds stay silent.");
        return false;
    }
    // The director's "AudioSamplingRate" as it stands now.
    const CMessageHandlerContainer* director = player_.Director();
    const int32_t asked = director != nullptr
                              ? ReadInteger(director->GetProperty("AudioSamplingRate"))
                              : kDefaultSamplingRate;
    const auto rate = static_cast<uint32_t>(
        std::clamp<int64_t>(asked, host::Mixer::kMinOutputRate, host::Mixer::kMaxOutputRate));
    if (static_cast<int64_t>(rate) != asked) {
        trace::Fault("AudioSamplingRate %d is no rate a sound device plays; %u is used.",
                     {asked, rate});
    }
    if (!device_->Open(rate)) {
        trace::Fault("The sound device could not be opened: sounds stay silent.");
        return false;
    }
    return true;
}

void CSoundTable::EndAudio() {
    // Releasing a sound may not touch the table, but a copy keeps the walk safe regardless.
    std::vector<CDirectSound*> sounds;
    for (const auto& [name, sound] : sounds_) {
        sounds.push_back(sound);
    }
    for (CDirectSound* sound : sounds) {
        sound->ReleaseBuffer();
    }
    sounds_.clear();
    if (device_ != nullptr) {
        device_->Close();
    }
}

void CSoundTable::Add(const std::string& name, CDirectSound& sound) {
    sounds_[name] = &sound;
}

void CSoundTable::Remove(const std::string& name, const CDirectSound& sound) {
    if (auto found = sounds_.find(name); found != sounds_.end() && found->second == &sound) {
        sounds_.erase(found);
    }
}

}  // namespace stagehand
