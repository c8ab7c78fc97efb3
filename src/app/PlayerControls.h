// The player's own controls over a play: its keys, its menu, the pause, the volume, the
// screenshot, the scaling and quitting. Every key is Control+Alt with a letter, a digit or a
// sign (host/ui/HotKeys.h says why no title can have bound them); every one is also an item of
// the menu, and the headless input script presses them as any key (`key Ctrl+Alt+P`).
//
//   Ctrl+Alt+M  the menu          Ctrl+Alt+P  pause and resume    Ctrl+Alt+S  screenshot
//   Ctrl+Alt+0  mute and unmute   Ctrl+Alt+-  volume down         Ctrl+Alt+=  volume up
//   Ctrl+Alt+Z  the next scaling  Ctrl+Alt+Q  quit
//
// The pause stops the title's clock, its timers, its movies and its sounds, holds its posted
// messages, and shows a mark that takes all input; the menu pauses the title the same way.
// Quitting is the close request the window's close button makes: the title ends by its own
// end, so its saves and clean-ups run.
//
// Guarantees: one box of the player's own stands at a time (the mark, the menu or the title's
// facts); whatever ends a pause (the key, the mark, the menu, a close request) takes it down.
// A screenshot is of the logical screen as the title drew it, without the player's boxes.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

#include "host/ui/MenuBox.h"
#include "host/ui/PauseMark.h"
#include "host/ui/QuestionBox.h"
#include "host/ui/Window.h"

namespace stagehand {

namespace host {
class Backend;
class Mixer;
class WindowSystem;
}  // namespace host

class CPlayerControls : public host::Window {
  public:
    static constexpr int kVolumeStep = 10;

    // What the menu's "Title information" tells (UTF-8).
    struct Facts {
        std::string name;   // the window name
        std::string place;  // the folder or disc image
        std::string saves;  // the save folder
    };
    struct Links {
        host::WindowSystem* windows = nullptr;
        host::Backend* backend = nullptr;
        host::Mixer* mixer = nullptr;
        std::function<Facts()> facts;
        // Where screenshots go (made when needed); empty: nowhere.
        std::function<std::filesystem::path()> shotsFolder;
    };

    // Registers the keys; false when the controls' window could not be made.
    bool Open(Links links);

    void TogglePause();
    void OpenMenu();
    void ToggleMute();
    void ChangeVolume(int step);
    void NextScaling(int step);
    void ToggleFullscreen();
    // Writes the screenshot once the screen shows the title without the player's boxes.
    void Screenshot();
    void Quit();

    bool IsPaused() const;

  protected:
    intptr_t OnMessage(const host::Message& message) override;

  private:
    enum Key : uintptr_t { kMenu = 1, kPause, kShot, kMute, kVolumeDown, kVolumeUp, kScale, kQuit };

    // What stands over the title.
    enum class Showing { kNothing, kMark, kMenu, kFacts };

    void Pause(Showing what);
    void Resume();
    void ShowMark();
    void ShowFacts();
    void WriteShot();
    std::string VolumeLabel() const;

    Links links_;
    Showing showing_ = Showing::kNothing;
    host::PauseMark mark_;
    host::MenuBox menu_;
    host::QuestionBox facts_;
};

// The file a screenshot of `name` taken at `when` is written to in `folder`: the name made
// safe for a file, the date and time, and a number when that file is already there.
std::filesystem::path ShotFile(const std::filesystem::path& folder, const std::string& name,
                               std::time_t when);

}  // namespace stagehand
