#include "app/PlayerControls.h"

#include <algorithm>
#include <ctime>
#include <system_error>

#include "host/Backend.h"
#include "host/audio/Mixer.h"
#include "host/files/TextEncoding.h"
#include "host/files/UserFolders.h"
#include "host/gfx/Png.h"
#include "host/ui/Keys.h"
#include "host/ui/WindowSystem.h"
#include "trace/Trace.h"

namespace stagehand {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCaption = "Stagehand";
constexpr const char* kResumeHint = "Ctrl+Alt+P or a click here goes on";
constexpr size_t kMaxShotName = 64;
constexpr int kMaxShotNumber = 1000;

struct KeyOfControl {
    uintptr_t id;
    uint8_t key;
};

constexpr host::ScaleMode kScaleModes[] = {host::ScaleMode::kSharp, host::ScaleMode::kNearest,
                                           host::ScaleMode::kSmooth, host::ScaleMode::kInteger};

}  // namespace

fs::path ShotFile(const fs::path& folder, const std::string& name, std::time_t when) {
    std::string safe;
    for (const char c : name.substr(0, kMaxShotName)) {
        const auto u = static_cast<unsigned char>(c);
        safe += (u < 0x20 || c == '/' || c == '\\' || c == ':' || u == 0x7F) ? '_' : c;
    }
    if (safe.empty() || safe == "." || safe == "..") {
        safe = "Stagehand";
    }
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32] = {};
    std::strftime(stamp, sizeof stamp, " %Y-%m-%d %H-%M-%S", &local);
    const std::string base = safe + stamp;
    fs::path file = folder / (base + ".png");
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(file, ec)) && n <= kMaxShotNumber; ++n) {
        file = folder / (base + " (" + std::to_string(n) + ").png");
    }
    return file;
}

bool CPlayerControls::Open(Links links) {
    links_ = std::move(links);
    host::WindowParams params;
    params.title = "player controls";
    params.style = host::style::kPopup;  // never shown: it only hears the keys
    if (links_.windows == nullptr || !CreateWindow(*links_.windows, params)) {
        return false;
    }
    static constexpr KeyOfControl kKeys[] = {
        {kMenu, 'M'},
        {kPause, 'P'},
        {kShot, 'S'},
        {kMute, '0'},
        {kVolumeDown, host::vk::kOemMinus},
        {kVolumeUp, host::vk::kOemPlus},
        {kScale, 'Z'},
        {kQuit, 'Q'},
        {kVolumeDown, host::vk::kSubtract},
        {kVolumeUp, host::vk::kAdd},
    };
    for (const KeyOfControl& k : kKeys) {
        links_.windows->RegisterHotKey(Handle(), k.id, k.key);
    }
    // The sounds pause with the title, and whatever ends a pause takes its box down.
    links_.windows->SetPauseListener([this](bool paused) {
        if (links_.mixer != nullptr) {
            links_.mixer->SetPaused(paused);
        }
        if (!paused && showing_ != Showing::kNothing) {
            showing_ = Showing::kNothing;
            mark_.Hide();
            menu_.Close();
            if (facts_.HasWindow()) {
                facts_.DestroyWindow();
            }
        }
    });
    return true;
}

bool CPlayerControls::IsPaused() const {
    return links_.windows != nullptr && links_.windows->IsPaused();
}

intptr_t CPlayerControls::OnMessage(const host::Message& message) {
    if (message.id != host::msg::kHotKey) {
        return DefaultMessage(message);
    }
    switch (message.wParam) {
        case kMenu:
            showing_ == Showing::kMenu ? menu_.Close() : OpenMenu();
            break;
        case kPause:
            TogglePause();
            break;
        case kShot:
            Screenshot();
            break;
        case kMute:
            ToggleMute();
            break;
        case kVolumeDown:
            ChangeVolume(-kVolumeStep);
            break;
        case kVolumeUp:
            ChangeVolume(kVolumeStep);
            break;
        case kScale:
            NextScaling(1);
            break;
        case kQuit:
            Quit();
            break;
        default:
            break;
    }
    return 0;
}

void CPlayerControls::Pause(Showing what) {
    showing_ = what;
    links_.windows->SetPaused(true);
}

void CPlayerControls::Resume() {
    showing_ = Showing::kNothing;
    links_.windows->SetPaused(false);  // the listener takes any box down
}

void CPlayerControls::TogglePause() {
    if (IsPaused()) {
        Resume();
        return;
    }
    ShowMark();
}

void CPlayerControls::ShowMark() {
    Pause(Showing::kMark);
    mark_.Show(*links_.windows, kResumeHint, [this] { Resume(); });
}

void CPlayerControls::OpenMenu() {
    mark_.Hide();
    if (facts_.HasWindow()) {
        facts_.DestroyWindow();
    }
    Pause(Showing::kMenu);
    using Item = host::MenuBox::Item;
    std::vector<Item> items;
    items.push_back({[] { return std::string("Resume"); }, [this] { menu_.Close(); }, {}});
    items.push_back({[this] {
                         return std::string(links_.backend->IsFullscreen() ? "Show in a window"
                                                                           : "Show full screen");
                     },
                     [this] { ToggleFullscreen(); },
                     {}});
    items.push_back({[this] {
                         return "Scaling: " +
                                std::string(host::ScaleModeName(links_.backend->Scaling()));
                     },
                     [this] { NextScaling(1); }, [this](int step) { NextScaling(step); }});
    items.push_back({[this] { return VolumeLabel(); },
                     {},
                     [this](int step) { ChangeVolume(step * kVolumeStep); }});
    items.push_back({[this] {
                         return std::string(links_.mixer != nullptr && links_.mixer->IsMuted()
                                                ? "Sound: muted"
                                                : "Sound: on");
                     },
                     [this] { ToggleMute(); },
                     {}});
    items.push_back({[] { return std::string("Screenshot"); },
                     [this] {
                         menu_.Close();
                         Screenshot();
                     },
                     {}});
    items.push_back({[] { return std::string("Title information"); },
                     [this] {
                         showing_ = Showing::kFacts;  // the menu's closing must not resume
                         menu_.Close();
                         ShowFacts();
                     },
                     {}});
    items.push_back({[] { return std::string("Quit"); }, [this] { Quit(); }, {}});
    const bool shown = menu_.Show(*links_.windows, kCaption, std::move(items), [this] {
        if (showing_ == Showing::kMenu) {
            Resume();
        }
    });
    if (!shown) {
        Resume();
    }
}

void CPlayerControls::ShowFacts() {
    const Facts facts = links_.facts ? links_.facts() : Facts{};
    const std::string text = "Title: " + facts.name + "\nFrom: " + facts.place +
                             "\nSaves: " + (facts.saves.empty() ? "(none)" : facts.saves);
    const bool shown = facts_.Show(*links_.windows, "Title information", host::Utf8ToCp1252(text),
                                   {"OK"}, [this](size_t) { OpenMenu(); });
    if (!shown) {
        OpenMenu();
    }
}

std::string CPlayerControls::VolumeLabel() const {
    const int volume = links_.mixer != nullptr ? links_.mixer->MasterVolume() : 0;
    return "Volume: " + std::to_string(volume) + "%";
}

void CPlayerControls::ToggleMute() {
    if (links_.mixer != nullptr) {
        links_.mixer->SetMuted(!links_.mixer->IsMuted());
    }
    menu_.Refresh();
}

void CPlayerControls::ChangeVolume(int step) {
    if (links_.mixer != nullptr) {
        links_.mixer->SetMasterVolume(std::clamp(links_.mixer->MasterVolume() + step, 0, 100));
    }
    menu_.Refresh();
}

void CPlayerControls::NextScaling(int step) {
    const host::ScaleMode now = links_.backend->Scaling();
    const auto* at = std::find(std::begin(kScaleModes), std::end(kScaleModes), now);
    const auto count = static_cast<int>(std::size(kScaleModes));
    const int index = at == std::end(kScaleModes) ? 0 : static_cast<int>(at - kScaleModes);
    links_.backend->SetScaling(kScaleModes[((index + step) % count + count) % count]);
    menu_.Refresh();
}

void CPlayerControls::ToggleFullscreen() {
    links_.backend->SetFullscreen(!links_.backend->IsFullscreen());
    menu_.Refresh();
}

void CPlayerControls::Screenshot() {
    // The box of the player's own goes for the moment of the shot, and comes back after it.
    const Showing was = showing_;
    if (was == Showing::kMark) {
        mark_.Hide();
    } else if (was == Showing::kMenu) {
        showing_ = Showing::kFacts;  // keeps the pause through the menu's closing
        menu_.Close();
    } else if (was == Showing::kFacts) {
        facts_.DestroyWindow();
    }
    links_.windows->WhenPresented([this, was] {
        WriteShot();
        if (was == Showing::kMark) {
            ShowMark();
        } else if (was != Showing::kNothing) {
            OpenMenu();
        }
    });
}

void CPlayerControls::WriteShot() {
    const fs::path folder = links_.shotsFolder ? links_.shotsFolder() : fs::path();
    if (folder.empty()) {
        trace::Fault("The screenshot was not taken: there is no pictures folder");
        return;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::string name = links_.facts ? links_.facts().name : std::string();
    const fs::path file = ShotFile(folder, name, std::time(nullptr));
    if (const base::Result<void> written =
            host::WritePng(links_.windows->Framebuffer(), file.string());
        !written) {
        trace::Fault("The screenshot was not taken: %s", {written.error()});
        return;
    }
    if (trace::IsOn()) {
        trace::Fault("The screenshot is in %s", {file.string()});
    }
}

void CPlayerControls::Quit() {
    // The title must be playing to hear the request; its end runs as the close button's.
    Resume();
    links_.windows->CloseRequested();
}

}  // namespace stagehand
