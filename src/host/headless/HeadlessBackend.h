// The backend of runs without a display or sound device: a virtual millisecond clock that
// starts at 100000 and moves only when the input script waits (or the player sleeps), and a
// scripted user (InputScript.h). The window system asks for input only when everything due
// at the current time has run, so each script command sees the effects of the one before.
//
// `wait MS` stops at every moment the window system names (the next timer, the idle hook's
// deadline) on the way, so that each of them happens at its own time. When the script runs
// out the player is asked to close, as by `close`; if it still waits for input after that,
// the run ends.
//
// Sound moves with the virtual clock, so play positions follow the clock exactly. With
// SetAudioOutput the whole mix, from the opening of the device to its closing, goes to a wave
// file (stereo, 16 bits, at the rate of the device's first opening) until the file holds all
// it can; without it, or past that, nothing is mixed and a long wait costs nothing.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "base/Result.h"
#include "host/Backend.h"
#include "host/audio/ClockedMix.h"
#include "host/audio/WaveWriter.h"
#include "host/headless/InputScript.h"

namespace stagehand::host {

class HeadlessBackend : public Backend {
  public:
    static constexpr uint32_t kStartTime = 100000;
    static constexpr uintmax_t kMaxScriptBytes = 16 * 1024 * 1024;
    static constexpr uint32_t kDefaultAudioRate = 22050;

    // `out` takes `print` lines, `errors` the script's faults; relative `shot` files are
    // written under `shotFolder`.
    HeadlessBackend(InputScript script, std::ostream& out, std::ostream& errors,
                    std::filesystem::path shotFolder = std::filesystem::current_path());
    // Reads a script file, or says why it cannot be read.
    static base::Result<std::unique_ptr<HeadlessBackend>> FromFile(
        const std::filesystem::path& file, std::ostream& out, std::ostream& errors);
    ~HeadlessBackend() override;

    // Writes the mix to `file` (an empty sound if the device is never opened); fails when the
    // file cannot be written.
    base::Result<void> SetAudioOutput(const std::filesystem::path& file);

    // Expands a `print` line (message handler tags, once the player has them).
    void SetPrintExpander(std::function<std::string(const std::string&)> expander);
    // Runs a `message` line's text (the title's message, with the script's line number);
    // without a runner the line is reported and passed over.
    using MessageRunner = std::function<void(const std::string& text, int line)>;
    void SetMessageRunner(MessageRunner runner) { runner_ = std::move(runner); }

    uint32_t Now() override { return clock_; }
    // The script runs in WaitForInput, when the player has nothing else to do. Only when a
    // handler slept past the script's wait (a long Director.Wait) and the player then keeps
    // busy for kMaxStarvedPolls looks in a row (a timer whose queue sleeps longer than its
    // period is due again at once), the script's steps up to its next wait run here.
    void PollInput(InputSink& sink) override;
    bool WaitForInput(InputSink& sink, std::optional<uint32_t> until) override;
    void Sleep(uint32_t milliseconds) override;
    void Present(const Surface& frame, const Rect& changed) override;
    void SetCaption(const std::string& caption) override { caption_ = caption; }
    void SetPointerVisible(bool visible) override { pointerVisible_ = visible; }
    void WarpPointer(Point) override {}
    // A clipboard of the run's own: what was copied can be pasted within the run.
    void SetClipboardText(const std::string& cp1252) override { clipboard_ = cp1252; }
    std::string ClipboardText() override { return clipboard_; }
    bool OpenAudio(Mixer& mixer) override;
    void CloseAudio() override;

    const std::string& Caption() const { return caption_; }
    bool PointerVisible() const { return pointerVisible_; }
    int PresentCount() const { return presentCount_; }
    // How many times the player waited for input: a loop that spins would wait never.
    int WaitCount() const { return waitCount_; }
    bool Finished() const { return next_ >= script_.steps.size(); }

  private:
    static constexpr int kMaxStarvedPolls = 64;
    // Moves the virtual clock, mixing the sound of the time passed.
    void SetClock(uint32_t now);
    void Perform(const InputStep& step, InputSink& sink);
    void Key(const InputStep& step, InputSink& sink);
    void TypeCharacter(uint8_t character, InputSink& sink);
    void Shot(const std::string& file, int line);

    InputScript script_;
    size_t next_ = 0;
    std::ostream& out_;
    std::ostream& errors_;
    std::filesystem::path shotFolder_;
    std::function<std::string(const std::string&)> expander_;
    MessageRunner runner_;
    uint32_t clock_ = kStartTime;
    std::optional<uint32_t> waitingUntil_;
    int starvedPolls_ = 0;
    bool closedAtEnd_ = false;
    Point pointer_{0, 0};
    const Surface* frame_ = nullptr;
    std::string caption_;
    bool pointerVisible_ = true;
    std::string clipboard_;
    int presentCount_ = 0;
    int waitCount_ = 0;
    ClockedMix audio_;
    WaveWriter audioOut_;
};

}  // namespace stagehand::host
