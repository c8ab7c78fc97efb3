#include "host/headless/HeadlessBackend.h"

#include <fstream>
#include <sstream>

#include "base/Readable.h"
#include "host/gfx/Png.h"
#include "host/ui/Keys.h"

namespace stagehand::host {

namespace {
int32_t Until(uint32_t time, uint32_t now) {
    return static_cast<int32_t>(time - now);
}
}  // namespace

HeadlessBackend::HeadlessBackend(InputScript script, std::ostream& out, std::ostream& errors,
                                 std::filesystem::path shotFolder)
    : script_(std::move(script)), out_(out), errors_(errors), shotFolder_(std::move(shotFolder)) {
    for (const std::string& e : script_.errors) {
        errors_ << e << '\n';
    }
}

base::Result<std::unique_ptr<HeadlessBackend>> HeadlessBackend::FromFile(
    const std::filesystem::path& file, std::ostream& out, std::ostream& errors) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || !std::filesystem::is_regular_file(file, ec)) {
        return base::Failure("cannot read the input script " + file.string());
    }
    if (size > kMaxScriptBytes) {
        return base::Failure("the input script " + file.string() + " is larger than 16 MiB");
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) {
        return base::Failure("cannot read the input script " + file.string());
    }
    return std::make_unique<HeadlessBackend>(ParseInputScript(text.str()), out, errors);
}

void HeadlessBackend::SetPrintExpander(std::function<std::string(const std::string&)> expander) {
    expander_ = std::move(expander);
}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::Sleep(uint32_t milliseconds) {
    SetClock(clock_ + milliseconds);
}

void HeadlessBackend::SetClock(uint32_t now) {
    clock_ = now;
    // Without a sound file nobody hears the mix: the time passes unmixed.
    if (audioOut_.IsOpen() && audioOut_.DataBytes() < WaveWriter::kMaxDataBytes) {
        audio_.Advance(
            now, [this](std::span<const int16_t> samples) { return audioOut_.Write(samples); });
    } else {
        audio_.Advance(now);
    }
}

base::Result<void> HeadlessBackend::SetAudioOutput(const std::filesystem::path& file) {
    if (!audioOut_.Open(file, kDefaultAudioRate)) {
        return base::Failure("cannot write the sound to " + file.string());
    }
    return {};
}

bool HeadlessBackend::OpenAudio(Mixer& mixer) {
    audioOut_.SetRate(mixer.OutputRate());
    audio_.Start(mixer, clock_);
    return true;
}

void HeadlessBackend::CloseAudio() {
    audio_.Stop();
    audioOut_.Finish();
}

void HeadlessBackend::Present(const Surface& frame, const Rect&) {
    frame_ = &frame;
    ++presentCount_;
}

void HeadlessBackend::PollInput(InputSink& sink) {
    if (!waitingUntil_ || Until(*waitingUntil_, clock_) > 0 || ++starvedPolls_ < kMaxStarvedPolls) {
        return;
    }
    starvedPolls_ = 0;
    waitingUntil_.reset();
    while (!waitingUntil_ && next_ < script_.steps.size()) {
        Perform(script_.steps[next_++], sink);
    }
    if (!waitingUntil_ && !closedAtEnd_) {
        closedAtEnd_ = true;
        sink.CloseRequested();
    }
}

bool HeadlessBackend::WaitForInput(InputSink& sink, std::optional<uint32_t> until) {
    ++waitCount_;
    starvedPolls_ = 0;
    // Something the player named is already due: let it run.
    if (until && Until(*until, clock_) <= 0) {
        return true;
    }
    if (waitingUntil_) {
        if (until && Until(*until, clock_) < Until(*waitingUntil_, clock_)) {
            SetClock(*until);
            return true;
        }
        const uint32_t to = *waitingUntil_;
        waitingUntil_.reset();
        SetClock(to);
        return true;
    }
    if (next_ < script_.steps.size()) {
        Perform(script_.steps[next_++], sink);
        return true;
    }
    if (!closedAtEnd_) {
        closedAtEnd_ = true;
        sink.CloseRequested();
        return true;
    }
    return false;
}

void HeadlessBackend::Perform(const InputStep& step, InputSink& sink) {
    using Kind = InputStep::Kind;
    if (step.hasPosition) {
        pointer_ = step.position;
        sink.PointerMoved(pointer_);
    }
    switch (step.kind) {
        case Kind::kWait:
            if (step.milliseconds > 0) {
                waitingUntil_ = clock_ + step.milliseconds;
            }
            break;
        case Kind::kMove:
            break;
        case Kind::kPress:
            sink.ButtonChanged(MouseButton::kLeft, true, pointer_);
            break;
        case Kind::kRelease:
            sink.ButtonChanged(MouseButton::kLeft, false, pointer_);
            break;
        case Kind::kRightPress:
            sink.ButtonChanged(MouseButton::kRight, true, pointer_);
            break;
        case Kind::kRightRelease:
            sink.ButtonChanged(MouseButton::kRight, false, pointer_);
            break;
        case Kind::kClick:
            sink.ButtonChanged(MouseButton::kLeft, true, pointer_);
            sink.ButtonChanged(MouseButton::kLeft, false, pointer_);
            break;
        case Kind::kKey:
            Key(step, sink);
            break;
        case Kind::kCharacter:
            TypeCharacter(step.character, sink);
            break;
        case Kind::kShot:
            Shot(step.text, step.line);
            break;
        case Kind::kPrint:
            // Title text reaches a terminal here: its control bytes are written escaped.
            out_ << Readable(expander_ ? expander_(step.text) : step.text) << '\n';
            out_.flush();
            break;
        case Kind::kClock:
            out_ << "clock " << (clock_ - kStartTime) << '\n';
            out_.flush();
            break;
        case Kind::kClose:
            sink.CloseRequested();
            break;
        case Kind::kDrop:
            sink.FileDropped(step.text);
            break;
        case Kind::kMessage:
            if (runner_) {
                runner_(step.text, step.line);
            } else {
                errors_ << "input line " << step.line << ": no title runs messages here\n";
            }
            break;
    }
}

void HeadlessBackend::Key(const InputStep& step, InputSink& sink) {
    if (step.shift) {
        sink.KeyChanged(vk::kShift, true, false);
    }
    if (step.control) {
        sink.KeyChanged(vk::kControl, true, false);
    }
    if (step.alt) {
        sink.KeyChanged(vk::kMenu, true, false);
    }
    sink.KeyChanged(step.virtualKey, true, false);
    // Printable characters come from the keyboard layout, as a machine's text input does;
    // the window system makes control characters and Alt combinations itself.
    if (!step.control && !step.alt) {
        const auto c = vk::CharacterFor(step.virtualKey, step.shift);
        if (c && *c >= 32) {
            sink.CharacterTyped(*c);
        }
    }
    sink.KeyChanged(step.virtualKey, false, false);
    if (step.alt) {
        sink.KeyChanged(vk::kMenu, false, false);
    }
    if (step.control) {
        sink.KeyChanged(vk::kControl, false, false);
    }
    if (step.shift) {
        sink.KeyChanged(vk::kShift, false, false);
    }
}

void HeadlessBackend::TypeCharacter(uint8_t character, InputSink& sink) {
    const auto stroke = vk::KeyStrokeFor(character);
    if (!stroke) {
        // Characters no key of the layout types (accented letters) arrive on their own.
        sink.CharacterTyped(character);
        return;
    }
    if (stroke->shift) {
        sink.KeyChanged(vk::kShift, true, false);
    }
    sink.KeyChanged(stroke->virtualKey, true, false);
    if (character >= 32) {
        sink.CharacterTyped(character);
    }
    sink.KeyChanged(stroke->virtualKey, false, false);
    if (stroke->shift) {
        sink.KeyChanged(vk::kShift, false, false);
    }
}

void HeadlessBackend::Shot(const std::string& file, int line) {
    std::filesystem::path path(file);
    if (path.is_relative()) {
        path = shotFolder_ / path;
    }
    if (!frame_) {
        errors_ << "input line " << line << ": nothing has been shown yet\n";
        return;
    }
    if (const base::Result<void> written = WritePng(*frame_, path.string()); !written) {
        errors_ << "input line " << line << ": " << written.error() << '\n';
    }
}

}  // namespace stagehand::host
