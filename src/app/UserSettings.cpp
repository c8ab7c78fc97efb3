#include "app/UserSettings.h"

#include <charconv>
#include <ostream>

#include "host/Backend.h"
#include "host/audio/Mixer.h"
#include "host/files/ProfileFile.h"
#include "host/files/SettingsFile.h"
#include "host/files/TextEncoding.h"
#include "host/system/ProgramConsent.h"

namespace stagehand {

namespace {

constexpr std::string_view kDisplay = "Display";
constexpr std::string_view kSound = "Sound";

std::optional<int32_t> Number(std::string_view text, int32_t low, int32_t high) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> YesNo(std::string_view text) {
    if (host::EqualsCaseBlind1252(text, "yes")) {
        return true;
    }
    if (host::EqualsCaseBlind1252(text, "no")) {
        return false;
    }
    return std::nullopt;
}

std::optional<host::Size> WindowSize(std::string_view text) {
    const size_t x = text.find('x');
    if (x == std::string_view::npos) {
        return std::nullopt;
    }
    const auto width =
        Number(text.substr(0, x), PlayerSettings::kMinWindowSide, PlayerSettings::kMaxWindowSide);
    const auto height =
        Number(text.substr(x + 1), PlayerSettings::kMinWindowSide, PlayerSettings::kMaxWindowSide);
    if (!width || !height) {
        return std::nullopt;
    }
    return host::Size{*width, *height};
}

std::string YesNoText(bool value) {
    return value ? "yes" : "no";
}

}  // namespace

ParsedSettings ParseSettings(std::string_view text) {
    ParsedSettings parsed;
    PlayerSettings& values = parsed.values;
    const host::ProfileFile file = host::ProfileFile::Parse(text);
    // Reads one key with `read`, which says whether the value could be used.
    const auto take = [&](std::string_view section, std::string_view key, const char* wanted,
                          auto read) {
        const host::ProfileSection* found = file.FindSection(section);
        const std::optional<std::string_view> value =
            found != nullptr ? found->FindValue(key) : std::nullopt;
        if (value && !read(host::TrimProfileBlanks(*value)) && parsed.problem.empty()) {
            parsed.problem = "[" + std::string(section) + "] " + std::string(key) + "=" +
                             std::string(*value) + " is not " + wanted;
        }
    };
    take(kDisplay, "Fullscreen", "yes or no", [&](std::string_view v) {
        const std::optional<bool> yes = YesNo(v);
        values.fullscreen = yes.value_or(values.fullscreen);
        return yes.has_value();
    });
    take(kDisplay, "Window", "WIDTHxHEIGHT with each side from 64 to 16384",
         [&](std::string_view v) {
             values.windowSize = WindowSize(v);
             return values.windowSize.has_value();
         });
    take(kDisplay, "Scale", "sharp, nearest, smooth or integer", [&](std::string_view v) {
        const std::optional<host::ScaleMode> mode = host::ParseScaleMode(v);
        values.scaling = mode.value_or(values.scaling);
        return mode.has_value();
    });
    take(kSound, "Volume", "a number from 0 to 100", [&](std::string_view v) {
        const std::optional<int32_t> volume = Number(v, 0, 100);
        values.volume = volume.value_or(values.volume);
        return volume.has_value();
    });
    take(kSound, "Mute", "yes or no", [&](std::string_view v) {
        const std::optional<bool> yes = YesNo(v);
        values.muted = yes.value_or(values.muted);
        return yes.has_value();
    });
    return parsed;
}

std::string WithChangedSettings(std::string text, const PlayerSettings& before,
                                const PlayerSettings& values) {
    using host::SettingsFile;
    if (values.fullscreen != before.fullscreen) {
        text = SettingsFile::WithValue(text, kDisplay, "Fullscreen", YesNoText(values.fullscreen));
    }
    if (values.windowSize != before.windowSize && values.windowSize) {
        text = SettingsFile::WithValue(text, kDisplay, "Window",
                                       std::to_string(values.windowSize->width) + "x" +
                                           std::to_string(values.windowSize->height));
    }
    if (values.scaling != before.scaling) {
        text =
            SettingsFile::WithValue(text, kDisplay, "Scale", host::ScaleModeName(values.scaling));
    }
    if (values.volume != before.volume) {
        text = SettingsFile::WithValue(text, kSound, "Volume", std::to_string(values.volume));
    }
    if (values.muted != before.muted) {
        text = SettingsFile::WithValue(text, kSound, "Mute", YesNoText(values.muted));
    }
    return text;
}

PlayerSettings SettingsShown(const host::Backend& backend, const host::Mixer& mixer) {
    PlayerSettings shown;
    shown.fullscreen = backend.IsFullscreen();
    shown.windowSize = backend.WindowSize();
    shown.scaling = backend.Scaling();
    shown.volume = mixer.MasterVolume();
    shown.muted = mixer.IsMuted();
    return shown;
}

void ApplySound(const PlayerSettings& settings, host::Mixer& mixer) {
    mixer.SetMasterVolume(settings.volume);
    mixer.SetMuted(settings.muted);
}

CUserSettings::CUserSettings(std::filesystem::path file, std::filesystem::path oldFile,
                             std::ostream& err)
    : file_(std::move(file)), oldFile_(std::move(oldFile)) {
    const base::Result<std::string> text = host::SettingsFile::Read(file_);
    if (!text) {
        err << "stagehand: the settings in " << file_.string()
            << " could not be read: " << text.error() << "; the defaults are used\n";
        return;
    }
    readable_ = true;
    ParsedSettings parsed = ParseSettings(*text);
    if (!parsed.problem.empty()) {
        err << "stagehand: the settings in " << file_.string()
            << " could not all be read: " << parsed.problem << "; its default is used\n";
    }
    fromFile_ = parsed.values;
}

PlayerSettings CUserSettings::ForRun(const PlayerOptions& options) const {
    PlayerSettings run = fromFile_;
    if (options.window) {
        run.fullscreen = false;
    } else if (options.fullscreen) {
        run.fullscreen = true;
    }
    if (options.scale) {
        run.scaling = *options.scale;
    }
    return run;
}

base::Result<bool> CUserSettings::Keep(const PlayerSettings& now) {
    if (!readable_ || !started_ || now == *started_) {
        return false;
    }
    // Only what the user changed: what the command line chose for this run stays out.
    const PlayerSettings& started = *started_;
    return host::ProgramConsent::UpdateFolding(file_, oldFile_, [&](std::string text) {
        return WithChangedSettings(std::move(text), started, now);
    });
}

}  // namespace stagehand
