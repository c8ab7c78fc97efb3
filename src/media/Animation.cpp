#include "media/Animation.h"

#include "host/files/TitlePaths.h"
#include "host/ui/WindowSystem.h"
#include "kernel/Container.h"
#include "kernel/Player.h"
#include "media/SoundTable.h"
#include "media/VideoBusy.h"
#include "script/TextUtil.h"
#include "trace/Trace.h"

namespace stagehand {

bool CAnimation::CreateVideoWindow(CPlayer& player, CMessageHandler* parent,
                                   host::WindowParams params) {
    host::WindowHandle owner = player.MainFrame();
    if (parent != nullptr && parent != player.Director()) {
        owner = parent->HasWindow() ? parent->Handle() : host::WindowHandle{};
    }
    host::WindowSystem* windows = player.Windows();
    if (windows == nullptr || !owner || !windows->Exists(owner)) {
        return false;
    }
    params.style |= host::style::kChild | host::style::kClipSiblings;
    params.parent = owner;
    params.rect = host::Rect::FromSize(left_, top_, width_, height_);
    return CreateWindow(*windows, params);
}

std::optional<std::filesystem::path> CAnimation::ResolveVideoFile(const std::string& name) const {
    base::Result<std::filesystem::path> path = Player().Paths().Locate(name);
    if (!path) {
        trace::Fault("The video \"%s\" cannot open \"%s\": %s.", {GetName(), name, path.error()});
        return std::nullopt;
    }
    return std::move(*path);
}

host::Mixer* CAnimation::VideoSoundMixer() const {
    CSoundTable& sound = Player().Service<CSoundTable>();
    if (Player().SoundDevice() == nullptr || !sound.EnsureOpen()) {
        return nullptr;
    }
    return &sound.Mixer();
}

void CAnimation::HoldVideoBusy(bool playing) const {
    Player().Service<CVideoBusy>().Hold(this, playing);
}

void CAnimation::RegisterProperties() {
    CActor::RegisterProperties();
    AddProperty("Left", CVariant::kInteger, &left_);
    AddProperty("Top", CVariant::kInteger, &top_);
    AddProperty("Width", CVariant::kInteger, &width_);
    AddProperty("Height", CVariant::kInteger, &height_);
    AddProperty("Filename", CVariant::kString, &filename_);
    AddProperty("CurrentFrame", CVariant::kInteger, &currentFrame_);
    AddProperty("TotalFrames", CVariant::kInteger, &totalFrames_);
    AddProperty("NotifyFrame", CVariant::kInteger, &notifyFrame_);
    AddProperty("NumberOfLoops", CVariant::kInteger, &numberOfLoops_);
    AddProperty("Transparent", CVariant::kBoolean, &transparent_);
    AddProperty("TransparentColor", CVariant::kInteger, &transparentColor_);
    AddProperty("AutoPlay", CVariant::kBoolean, &autoPlay_);
    AddProperty("Cursor", CVariant::kInteger, &cursor_);
    AddProperty("Modal", CVariant::kBoolean, &modal_);
    AddProperty("Status", CVariant::kInteger, &status_);
}

void CAnimation::RegisterCommands() {
    CActor::RegisterCommands();
    AddCommand(
        "Open",
        [](CMessageHandler& target, CArguments& a) {
            return static_cast<CAnimation&>(target).Open(a[0].ToText()) ? 1 : 0;
        },
        1, "string", "\"\"");
    static const Action<CAnimation> kCommands[] = {
        {"Close", 0, "", "", [](CAnimation& m, CArguments&) { m.Close(); }},
        {"Play", 0, "", "", [](CAnimation& m, CArguments&) { m.Play(); }},
        {"Pause", 0, "", "", [](CAnimation& m, CArguments&) { m.Pause(); }},
        {"Resume", 0, "", "", [](CAnimation& m, CArguments&) { m.Resume(); }},
        {"Stop", 0, "", "", [](CAnimation& m, CArguments&) { m.Stop(); }},
        {"Seek", 1, "integer", "1",
         [](CAnimation& m, CArguments& a) { m.Seek(ReadInteger(a[0].ToText())); }},
    };
    AddActions(kCommands);
}

}  // namespace stagehand
