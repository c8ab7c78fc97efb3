#include "media/DirectSound.h"

#include <algorithm>
#include <vector>

#include "host/audio/SoundDevice.h"
#include "host/files/TitlePaths.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Container.h"
#include "kernel/Player.h"
#include "media/SoundTable.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

host::Mixer& MixerOf(CPlayer& player) {
    return player.Service<CSoundTable>().Mixer();
}

void FillSilence(std::vector<uint8_t>& part, size_t from, uint8_t silence) {
    std::fill(part.begin() + static_cast<ptrdiff_t>(from), part.end(), silence);
}

}  // namespace

std::unique_ptr<CMessageHandler> CDirectSound::Create() {
    return std::make_unique<CDirectSound>();
}

CDirectSound::~CDirectSound() {
    if (!IsCreated()) {
        return;
    }
    CPlayer& player = Player();
    if (timerId_ != 0) {
        player.Service<CSoundWindowIds>().Give();
    }
    player.Service<CSoundTable>().Remove(GetName(), *this);
    // The role's sound goes with it.
    if (buffer_ != 0) {
        MixerOf(player).ReleaseBuffer(buffer_);
    }
}

bool CDirectSound::Initialize(CPlayer& player, const std::string& name, CMessageHandler* parent) {
    if (!CSound::Initialize(player, name, parent)) {
        return false;
    }
    player.Service<CSoundTable>().Add(name, *this);
    // Streaming refills and the end of a tracked static sound come from a timer, which needs
    // a window: a hidden child of the scene, or of the main frame for the director's sounds.
    if (!IsStatic() || trackStatus_ != 0) {
        host::WindowHandle owner = player.MainFrame();
        if (parent != nullptr && parent != player.Director()) {
            owner = parent->HasWindow() ? parent->Handle() : host::WindowHandle{};
        }
        host::WindowParams params;
        params.title = name;
        params.style = host::style::kChild;
        params.parent = owner;
        if (player.Windows() != nullptr && owner && CreateWindow(*player.Windows(), params)) {
            timerId_ = player.Service<CSoundWindowIds>().Take();
        }
    }
    if (!filename_.empty()) {
        Open("");
        if (autoPlay_ != 0) {
            Play();
        }
    }
    return true;
}

void CDirectSound::RegisterProperties() {
    CSound::RegisterProperties();
    AddProperty("IsLooping", CVariant::kBoolean, &isLooping_);
    AddProperty("IsStatic", CVariant::kBoolean, &isStatic_);
    AddProperty("MilliSeconds", CVariant::kInteger, &milliSeconds_);
    AddProperty("TrackStatus", CVariant::kBoolean, &trackStatus_);
    AddProperty("InitDirectSoundOnOpen", CVariant::kBoolean, &initOnOpen_);
}

void CDirectSound::RegisterCommands() {
    CSound::RegisterCommands();
    static const Action<CDirectSound> kCommands[] = {
        {"Open", 1, "string", "\"\"",
         [](CDirectSound& s, CArguments& a) { s.Open(a[0].ToText()); }},
        {"Close", 0, "", "", [](CDirectSound& s, CArguments&) { s.Close(); }},
        {"Play", 0, "", "", [](CDirectSound& s, CArguments&) { s.Play(); }},
        {"Pause", 0, "", "", [](CDirectSound& s, CArguments&) { s.Pause(); }},
        {"Resume", 0, "", "", [](CDirectSound& s, CArguments&) { s.Play(); }},
        {"Stop", 0, "", "", [](CDirectSound& s, CArguments&) { s.Stop(); }},
        {"Seek", 1, "integer", "0",
         [](CDirectSound& s, CArguments& a) { s.Seek(ReadInteger(a[0].ToText())); }},
        {"ReleaseBuffer", 0, "", "", [](CDirectSound& s, CArguments&) { s.ReleaseBuffer(); }},
    };
    AddActions(kCommands);
}

bool CDirectSound::Open(const std::string& name) {
    if (!name.empty()) {
        filename_ = name;
    }
    if (filename_.empty()) {
        return false;
    }
    Close();
    const base::Result<std::filesystem::path> path = Player().Paths().Locate(filename_);
    const base::Result<void> opened =
        path ? wave_.Open(*path, Player().Paths().Opener()) : path.failure();
    if (!opened) {
        trace::Fault("The sound \"%s\" cannot open \"%s\": %s.",
                     {GetName(), filename_, opened.error()});
        return false;
    }
    if (wave_.Format().formatTag != WaveFormat::kPcm) {
        trace::Fault("The sound \"%s\" cannot play \"%s\": its format %u is not PCM.",
                     {GetName(), filename_, uint32_t{wave_.Format().formatTag}});
        wave_.Close();
        return false;
    }
    if (initOnOpen_ != 0 && buffer_ == 0) {
        CreateBuffer();
    }
    return true;
}

void CDirectSound::Close() {
    Stop();
    wave_.Close();
    ReleaseBuffer();
}

void CDirectSound::CreateBuffer() {
    if (buffer_ != 0 || !wave_.IsOpen()) {
        return;
    }
    if (!Player().Service<CSoundTable>().EnsureOpen()) {
        return;
    }
    const WaveFormat& format = wave_.Format();
    const host::PcmFormat pcm{format.channels, format.samplesPerSecond, format.bitsPerSample};
    if (!pcm.IsPlayable() || format.blockAlign != pcm.BlockAlign()) {
        trace::Fault(
            "The sound \"%s\" cannot play \"%s\" (%u channels of %u bits at %u Hz, %u bytes "
            "a frame): only 1 or 2 channels of 8 or 16 bits play.",
            {GetName(), filename_, uint32_t{format.channels}, uint32_t{format.bitsPerSample},
             format.samplesPerSecond, uint32_t{format.blockAlign}});
        return;
    }
    // In whole hundredths of a second, as the titles' buffers were sized.
    const uint64_t hundredths = static_cast<uint64_t>(std::max(milliSeconds_, 0)) / 10;
    const uint64_t bytes = hundredths * format.BytesPerSecond() / 100;
    // A static buffer is read once: past what the file holds it is only silence, which the
    // mixer plays without storing it.
    const std::optional<uint64_t> held =
        IsStatic() ? std::optional<uint64_t>(wave_.DataSize()) : std::nullopt;
    host::Mixer& mixer = MixerOf(Player());
    buffer_ = mixer.CreateBuffer(pcm, bytes, held);
    if (buffer_ == 0) {
        if (bytes > host::Mixer::kMaxBufferBytes) {
            trace::Fault(
                "The sound \"%s\" gets no buffer of %u bytes (%d ms): one buffer holds "
                "at most %u bytes.",
                {GetName(), bytes, milliSeconds_, host::Mixer::kMaxBufferBytes});
        } else if (bytes >= pcm.BlockAlign()) {
            trace::Fault(
                "The sound \"%s\" gets no buffer of %u bytes (%d ms): the sounds' "
                "buffers hold %u bytes already, of at most %u.",
                {GetName(), bytes, milliSeconds_, mixer.TotalBufferBytes(),
                 host::Mixer::kMaxTotalBytes});
        } else {
            trace::Fault("The sound \"%s\" gets no buffer of %u bytes (%d ms).",
                         {GetName(), bytes, milliSeconds_});
        }
        return;
    }
    bufferBytes_ = MixerOf(Player()).BufferBytes(buffer_);
    if (!IsStatic()) {
        endFound_ = false;
        fillSilence_ = false;
        bytesToEnd_ = 0;
    }
    Preload();
}

void CDirectSound::Preload() {
    host::LockedSpan span;
    // Only what the data fills is copied out and back, not the whole ring.
    const auto wanted = static_cast<uint32_t>(std::min<uint64_t>(bufferBytes_, wave_.DataLeft()));
    if (buffer_ == 0 || !MixerOf(Player()).Lock(buffer_, 0, wanted, span)) {
        return;
    }
    // What the data does not fill keeps what the ring held: a static sound paused after its
    // whole file was read plays again from its start.
    wave_.Read(span.first.data(), span.first.size());
    nextWrite_ = 0;
    MixerOf(Player()).Unlock(span);
}

void CDirectSound::Play() {
    if (buffer_ == 0) {
        CreateBuffer();
    }
    if (buffer_ == 0 || playing_ != 0) {
        return;
    }
    playing_ = 1;
    host::Mixer& mixer = MixerOf(Player());
    mixer.SetPosition(buffer_, 0);
    mixer.Play(buffer_, !(IsStatic() && isLooping_ == 0));
    if (timerId_ != 0 && !timerRunning_ && HasWindow()) {
        const uint32_t period =
            IsStatic() ? kStaticPollMs : static_cast<uint32_t>(milliSeconds_) / 2;
        System()->SetTimer(Handle(), timerId_, period);
        timerRunning_ = true;
    }
    fillSilence_ = false;
}

void CDirectSound::Pause() {
    if (buffer_ == 0 || playing_ == 0) {
        return;
    }
    playing_ = 0;
    MixerOf(Player()).Stop(buffer_);
    KillTimer();
    // The ring is filled again from where reading stands: what it held unheard is skipped.
    Preload();
}

void CDirectSound::Stop() {
    if (buffer_ != 0 && playing_ != 0) {
        playing_ = 0;
        MixerOf(Player()).Stop(buffer_);
        KillTimer();
    }
    if (wave_.StartData()) {
        bytesToEnd_ = 0;
        endFound_ = false;
        fillSilence_ = false;
        Preload();
    }
}

void CDirectSound::ReleaseBuffer() {
    if (buffer_ == 0) {
        return;
    }
    Stop();
    MixerOf(Player()).ReleaseBuffer(buffer_);
    buffer_ = 0;
    bufferBytes_ = 0;
    // Stop's preload read into the buffer that is gone: the next buffer starts the file over.
    wave_.StartData();
}

void CDirectSound::Seek(int32_t milliseconds) {
    if (buffer_ != 0) {
        const uint64_t offset =
            wave_.Format().BytesPerSecond() * static_cast<uint32_t>(milliseconds) / 1000;
        MixerOf(Player()).SetPosition(buffer_, static_cast<uint32_t>(offset % bufferBytes_));
    }
}

void CDirectSound::KillTimer() {
    if (timerRunning_ && HasWindow()) {
        System()->KillTimer(Handle(), timerId_);
    }
    timerRunning_ = false;
}

void CDirectSound::StatusPoll() {
    if (buffer_ != 0 && MixerOf(Player()).IsPlaying(buffer_)) {
        return;
    }
    KillTimer();
    RunQueue("Notify", kEventScope);  // may destroy this role: nothing after it
}

void CDirectSound::Refill() {
    if (buffer_ == 0) {
        return;
    }
    host::Mixer& mixer = MixerOf(Player());
    const uint32_t played = mixer.Position(buffer_);
    if (played == nextWrite_) {
        return;
    }
    if (endFound_ && bytesToEnd_ == 0) {
        // The last of the sound has been heard.
        fillSilence_ = true;
        Stop();
        if (trackStatus_ != 0) {
            RunQueue("Notify", kEventScope);  // may destroy this role: nothing after it
        }
        return;
    }
    const uint32_t size =
        played > nextWrite_ ? played - nextWrite_ : bufferBytes_ - nextWrite_ + played;
    host::LockedSpan span;
    if (!mixer.Lock(buffer_, nextWrite_, size, span)) {
        return;
    }
    if (endFound_ || fillSilence_) {
        if (endFound_) {
            bytesToEnd_ = size > bytesToEnd_ ? 0 : bytesToEnd_ - size;
        }
        FillSilence(span.first, 0, Silence());
        FillSilence(span.second, 0, Silence());
    } else if (!FillPart(span.first, played) || !FillPart(span.second, played)) {
        mixer.Unlock(span);
        return;
    }
    if (!mixer.Unlock(span)) {
        return;
    }
    nextWrite_ += size;
    if (nextWrite_ >= bufferBytes_) {
        nextWrite_ -= bufferBytes_;
    }
}

bool CDirectSound::FillPart(std::vector<uint8_t>& part, uint32_t played) {
    std::optional<size_t> got = wave_.Read(part.data(), part.size());
    if (!got) {
        return false;
    }
    size_t filled = *got;
    while (filled < part.size()) {
        if (isLooping_ == 0 || wave_.DataSize() == 0) {
            // The data ends here: what is still to be heard is the ring from the play
            // position up to where this refill began.
            FillSilence(part, filled, Silence());
            endFound_ = true;
            bytesToEnd_ =
                played < nextWrite_ ? nextWrite_ - played : bufferBytes_ - played + nextWrite_;
            return true;
        }
        if (!wave_.StartData()) {
            return false;
        }
        got = wave_.Read(part.data() + filled, part.size() - filled);
        if (!got) {
            return false;
        }
        filled += *got;
    }
    return true;
}

void CDirectSound::SetEnabled(bool enabled) {
    // The "Enabled" property stays as it is: only the sound follows the scene.
    if (ownDisabled_) {
        return;
    }
    if (!enabled) {
        if (playing_ != 0) {
            Pause();
            pausedByDisable_ = 1;
        }
    } else if (pausedByDisable_ != 0) {
        Play();
        pausedByDisable_ = 0;
    }
}

intptr_t CDirectSound::OnMessage(const host::Message& message) {
    switch (message.id) {
        case host::msg::kTimer:
            if (IsStatic()) {
                StatusPoll();
            } else {
                Refill();
            }
            return 0;
        case host::msg::kClose:
        case host::msg::kDestroy:
            Close();
            pausedByDisable_ = 0;
            break;
        default:
            break;
    }
    return CSound::OnMessage(message);
}

}  // namespace stagehand
