#include "host/sdl/SdlBackend.h"

#include <SDL.h>

#include <algorithm>
#include <ostream>
#include <string_view>

#include "base/Format.h"
#include "host/audio/Mixer.h"
#include "host/files/TextEncoding.h"
#include "host/sdl/LibraryMessages.h"
#include "host/sdl/ScreenFit.h"
#include "host/sdl/SdlKeys.h"

namespace stagehand::host {

namespace {

constexpr const char* kInitialCaption = "Stagehand";
// Larger logical screens than this are a mistake in the options, not a title's request.
constexpr int32_t kMaxScreenSide = 8192;
// A remembered window smaller than this on either side is not one anybody chose.
constexpr int32_t kMinWindowSide = 64;

std::string SdlError(std::string_view what) {
    return std::string(what) + ": " + SDL_GetError();
}

// The length of the UTF-8 sequence at the start of `text`: its lead byte's length, cut short
// where a continuation byte is missing, so a damaged sequence never swallows the next one.
size_t SequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t expected = 1;
    if (lead >= 0xF0) {
        expected = 4;
    } else if (lead >= 0xE0) {
        expected = 3;
    } else if (lead >= 0xC0) {
        expected = 2;
    }
    size_t length = 1;
    while (length < expected && length < text.size() &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        ++length;
    }
    return length;
}

// The Windows-1252 form of each character of `utf8` that has one; the others are left out.
std::string RepresentableCp1252(std::string_view utf8) {
    std::string out;
    std::string character;
    while (!utf8.empty()) {
        const size_t length = SequenceLength(utf8);
        if (Utf8ToCp1252Exact(utf8.substr(0, length), character) && character.size() == 1) {
            out += character;
        }
        utf8.remove_prefix(length);
    }
    return out;
}

// The whole multiple of the screen a window on `display` is made at.
Size WindowSizeFor(Size screen, int display) {
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0) {
        usable = {};
    }
    const int32_t multiple = LargestWholeMultiple(screen, {usable.w, usable.h});
    return {screen.width * multiple, screen.height * multiple};
}

}  // namespace

SdlBackend::SdlBackend(Size screen) : screen_(screen) {}

base::Result<std::unique_ptr<SdlBackend>> SdlBackend::Create(const Options& options) {
    const Size screen = options.screen;
    if (screen.width <= 0 || screen.height <= 0 || screen.width > kMaxScreenSide ||
        screen.height > kMaxScreenSide) {
        return base::Failure("the screen size " + std::to_string(screen.width) + "x" +
                             std::to_string(screen.height) + " is not usable");
    }
    // Closing the window asks the player to close; only a signal makes SDL_QUIT.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // SDL and its drivers speak to the trace, never to the terminal.
    RouteLibraryMessages(options.faults);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return base::Failure(SdlError("cannot open the display"));
    }
    // Folders and disc images dropped on the window reach the input sink.
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
    // When no display answers, SDL may settle for a driver that draws into memory only; a
    // player nobody can see is no use unless that was asked for.
    const char* current = SDL_GetCurrentVideoDriver();
    const std::string_view driver = current != nullptr ? current : "";
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if ((driver == "offscreen" || driver == "dummy") &&
        (requested == nullptr ||
         std::string_view(requested).find(driver) == std::string_view::npos)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return base::Failure("cannot open the display: no display answered");
    }
    // From here the destructor undoes whatever was made.
    std::unique_ptr<SdlBackend> backend(new SdlBackend(screen));
    backend->faults_ = options.faults;
    backend->notices_ = options.notices;

    backend->scaling_ = options.scaling;
    const Size windowed = backend->FittingWindowSize(options.windowSize, 0);
    backend->windowedSize_ = windowed;
    Uint32 flags = SDL_WINDOW_RESIZABLE;
    if (options.fullscreen) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    backend->window_ =
        SDL_CreateWindow(kInitialCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                         windowed.width, windowed.height, flags);
    if (backend->window_ == nullptr) {
        return base::Failure(SdlError("cannot make the window"));
    }
    backend->renderer_ = SDL_CreateRenderer(backend->window_, -1,
                                            SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (backend->renderer_ == nullptr) {
        backend->renderer_ = SDL_CreateRenderer(backend->window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (backend->renderer_ == nullptr) {
        return base::Failure(SdlError("cannot make a renderer"));
    }
    backend->texture_ = SDL_CreateTexture(backend->renderer_, SDL_PIXELFORMAT_RGB888,
                                          SDL_TEXTUREACCESS_STREAMING, screen.width, screen.height);
    if (backend->texture_ == nullptr) {
        return base::Failure(SdlError("cannot make the screen texture"));
    }
    SDL_StartTextInput();
    backend->modifiers_ = static_cast<uint16_t>(SDL_GetModState());
    backend->Redraw();
    return backend;
}

SdlBackend::~SdlBackend() {
    CloseAudio();
    DropIntermediate();
    if (texture_ != nullptr) {
        SDL_DestroyTexture(texture_);
    }
    if (renderer_ != nullptr) {
        SDL_DestroyRenderer(renderer_);
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    RouteLibraryMessages(nullptr);
}

uint32_t SdlBackend::Now() {
    const uint32_t now = SDL_GetTicks();
    silentMix_.Advance(now);
    return now;
}

namespace {

void PullMix(void* mixer, Uint8* stream, int length) {
    static_cast<Mixer*>(mixer)->Mix(reinterpret_cast<int16_t*>(stream),
                                    static_cast<size_t>(length) / 4);
}

}  // namespace

bool SdlBackend::OpenAudio(Mixer& mixer) {
    CloseAudio();
    std::string reason;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        reason = SDL_GetError();
    } else {
        audioInitialised_ = true;
        SDL_AudioSpec wanted{};
        wanted.freq = static_cast<int>(mixer.OutputRate());
        wanted.format = AUDIO_S16SYS;
        wanted.channels = 2;
        wanted.samples = 1024;
        wanted.callback = &PullMix;
        wanted.userdata = &mixer;
        SDL_AudioSpec got{};
        // SDL converts to whatever the device takes.
        audioDevice_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &got, 0);
        if (audioDevice_ != 0) {
            SDL_PauseAudioDevice(audioDevice_, 0);
            return true;
        }
        reason = SDL_GetError();
    }
    if (!noDeviceSaid_) {
        noDeviceSaid_ = true;
        if (faults_ != nullptr) {
            faults_->Fault(FormatText("No sound device could be opened (%s): sounds play silently.",
                                      {reason}));
        }
        if (notices_ != nullptr) {
            *notices_ << "stagehand: no sound device: sounds play silently\n";
        }
    }
    silentMix_.Start(mixer, SDL_GetTicks());
    return true;
}

void SdlBackend::CloseAudio() {
    silentMix_.Stop();
    if (audioDevice_ != 0) {
        SDL_CloseAudioDevice(audioDevice_);  // waits for the callback to return
        audioDevice_ = 0;
    }
    if (audioInitialised_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioInitialised_ = false;
    }
}

namespace {

// Whether the user has asked to close the player (quit, or the window's close button), with
// the request left queued.
bool CloseRequested() {
    if (SDL_HasEvent(SDL_QUIT)) {
        return true;
    }
    SDL_Event pending[32];
    const int count = SDL_PeepEvents(pending, 32, SDL_PEEKEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT);
    for (int i = 0; i < count; ++i) {
        if (pending[i].window.event == SDL_WINDOWEVENT_CLOSE) {
            return true;
        }
    }
    return false;
}

}  // namespace

void SdlBackend::Sleep(uint32_t milliseconds) {
    // In slices, looking for the user's request to close in between; the request stays queued
    // for the loop to deliver.
    constexpr uint32_t kSlice = 20;
    const uint32_t end = SDL_GetTicks() + milliseconds;
    while (true) {
        SDL_PumpEvents();
        if (CloseRequested()) {
            return;
        }
        const auto left = static_cast<int32_t>(end - SDL_GetTicks());
        if (left <= 0) {
            return;
        }
        SDL_Delay(std::min(static_cast<uint32_t>(left), kSlice));
    }
}

void SdlBackend::PollInput(InputSink& sink) {
    Drain(sink);
}

bool SdlBackend::WaitForInput(InputSink& sink, std::optional<uint32_t> until) {
    SDL_Event event;
    int got = 0;
    if (!until) {
        got = SDL_WaitEvent(&event);
    } else {
        // The time left, read as signed so a clock that wrapped past `until` counts as late.
        const auto left = static_cast<int32_t>(*until - SDL_GetTicks());
        got = left > 0 ? SDL_WaitEventTimeout(&event, left) : SDL_PollEvent(&event);
    }
    if (got != 0) {
        Handle(event, sink);
    }
    Drain(sink);
    return true;
}

void SdlBackend::Drain(InputSink& sink) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        Handle(event, sink);
    }
    FinishBatch();
}

void SdlBackend::FinishBatch() {
    if (needsRedraw_) {
        Redraw();
    }
}

void SdlBackend::Handle(const SDL_Event& event, InputSink& sink) {
    switch (event.type) {
        case SDL_QUIT:
            sink.CloseRequested();
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE:
                    sink.CloseRequested();
                    break;
                case SDL_WINDOWEVENT_EXPOSED:
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                case SDL_WINDOWEVENT_RESIZED:
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED:
                    needsRedraw_ = true;
                    break;
                default:
                    break;
            }
            break;
        case SDL_MOUSEMOTION:
            HandlePointer(event.motion.x, event.motion.y, sink);
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            // Titles know two buttons; the middle one and the rest are not passed on.
            if (event.button.button != SDL_BUTTON_LEFT && event.button.button != SDL_BUTTON_RIGHT) {
                break;
            }
            const MouseButton button =
                event.button.button == SDL_BUTTON_LEFT ? MouseButton::kLeft : MouseButton::kRight;
            const Point position = WindowToScreen(event.button.x, event.button.y);
            lastPointer_ = position;
            sink.ButtonChanged(button, event.type == SDL_MOUSEBUTTONDOWN, position);
            break;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            HandleKey(event.key, sink);
            break;
        case SDL_TEXTINPUT:
            HandleText(event.text.text, sink);
            break;
        case SDL_DROPFILE:
            if (event.drop.file != nullptr) {
                sink.FileDropped(event.drop.file);
                SDL_free(event.drop.file);
            }
            break;
        case SDL_RENDER_DEVICE_RESET:
            // The renderer lost its textures: make the screen's again and fill it.
            if (texture_ != nullptr) {
                SDL_DestroyTexture(texture_);
            }
            texture_ =
                SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                  screen_.width, screen_.height);
            textureEmpty_ = true;
            DropIntermediate();
            UploadWholeFrame();
            needsRedraw_ = true;
            break;
        case SDL_RENDER_TARGETS_RESET:
            needsRedraw_ = true;
            break;
        default:
            break;
    }
}

void SdlBackend::HandlePointer(int32_t windowX, int32_t windowY, InputSink& sink) {
    const Point position = WindowToScreen(windowX, windowY);
    if (lastPointer_ == position) {
        return;
    }
    lastPointer_ = position;
    sink.PointerMoved(position);
}

void SdlBackend::HandleKey(const SDL_KeyboardEvent& key, InputSink& sink) {
    const bool down = key.type == SDL_KEYDOWN;
    const bool repeat = key.repeat != 0;
    modifiers_ = key.keysym.mod;
    if (key.keysym.scancode == SDL_SCANCODE_RETURN ||
        key.keysym.scancode == SDL_SCANCODE_KP_ENTER) {
        if (down && !repeat && (key.keysym.mod & KMOD_ALT) != 0) {
            swallowingEnter_ = true;
            SetFullscreen(!IsFullscreen());
            return;
        }
        if (swallowingEnter_) {
            if (!down) {
                swallowingEnter_ = false;
            }
            return;
        }
    }
    const auto virtualKey =
        VirtualKeyFor(key.keysym.sym, key.keysym.scancode, (key.keysym.mod & KMOD_NUM) != 0);
    if (virtualKey) {
        sink.KeyChanged(*virtualKey, down, repeat);
    }
}

void SdlBackend::HandleText(const char* text, InputSink& sink) {
    // The window system makes the characters of Control and Alt combinations itself. AltGr
    // sets the mode modifier, not Alt, so what it types passes.
    if ((modifiers_ & (KMOD_CTRL | KMOD_ALT)) != 0) {
        return;
    }
    for (const char ch : RepresentableCp1252(text)) {
        const auto c = static_cast<unsigned char>(ch);
        // Control characters come from the keys themselves.
        if (c < 0x20 || c == 0x7F) {
            continue;
        }
        sink.CharacterTyped(c);
    }
}

Point SdlBackend::WindowToScreen(int32_t windowX, int32_t windowY) const {
    int width = 0, height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    return ScreenFit(screen_, {width, height}, scaling_).ToScreen({windowX, windowY});
}

void SdlBackend::Present(const Surface& frame, const Rect& changed) {
    lastFrame_ = &frame;
    if (textureEmpty_) {
        UploadWholeFrame();
    } else {
        const Rect area = changed.Intersection(frame.Bounds())
                              .Intersection({0, 0, screen_.width, screen_.height});
        if (!area.IsEmpty()) {
            const SDL_Rect rect{area.left, area.top, area.Width(), area.Height()};
            SDL_UpdateTexture(texture_, &rect, frame.Row(area.top) + area.left,
                              frame.Width() * static_cast<int>(sizeof(Color)));
            needsRedraw_ = true;
        }
    }
    if (needsRedraw_) {
        Redraw();
    }
}

void SdlBackend::UploadWholeFrame() {
    if (lastFrame_ == nullptr || texture_ == nullptr) {
        return;
    }
    const Rect area = lastFrame_->Bounds().Intersection({0, 0, screen_.width, screen_.height});
    if (area.IsEmpty()) {
        return;
    }
    const SDL_Rect rect{0, 0, area.Width(), area.Height()};
    SDL_UpdateTexture(texture_, &rect, lastFrame_->Row(0),
                      lastFrame_->Width() * static_cast<int>(sizeof(Color)));
    textureEmpty_ = false;
    needsRedraw_ = true;
}

void SdlBackend::Draw() {
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer_, &width, &height);
    const ScreenFit fit(screen_, {width, height}, scaling_);
    SDL_Texture* source = texture_;
    const bool drawable = !textureEmpty_ && texture_ != nullptr && !fit.Viewport().IsEmpty();
    if (drawable && fit.IntermediateMultiple() > 1) {
        // Whole pixels into the intermediate first, so the smooth step after it only blends
        // the edges between them.
        if (SDL_Texture* enlarged = Intermediate(fit.IntermediateSize())) {
            SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
            if (SDL_SetRenderTarget(renderer_, enlarged) == 0) {
                SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
                source = enlarged;
            }
            SDL_SetRenderTarget(renderer_, nullptr);
        }
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(renderer_);
    if (!drawable) {
        return;
    }
    SDL_SetTextureScaleMode(source, fit.FinalFilter() == ScreenFit::Filter::kNearest
                                        ? SDL_ScaleModeNearest
                                        : SDL_ScaleModeLinear);
    const Rect& view = fit.Viewport();
    const SDL_Rect target{view.left, view.top, view.Width(), view.Height()};
    SDL_RenderCopy(renderer_, source, nullptr, &target);
}

SDL_Texture* SdlBackend::Intermediate(Size size) {
    if (intermediate_ != nullptr && intermediateSize_ == size) {
        return intermediate_;
    }
    DropIntermediate();
    if (intermediateRefused_ == size || SDL_RenderTargetSupported(renderer_) == SDL_FALSE) {
        return nullptr;
    }
    intermediate_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                      size.width, size.height);
    if (intermediate_ == nullptr) {
        intermediateRefused_ = size;
        return nullptr;
    }
    intermediateSize_ = size;
    return intermediate_;
}

void SdlBackend::DropIntermediate() {
    if (intermediate_ != nullptr) {
        SDL_DestroyTexture(intermediate_);
        intermediate_ = nullptr;
    }
    intermediateSize_ = {};
}

void SdlBackend::Redraw() {
    Draw();
    SDL_RenderPresent(renderer_);
    needsRedraw_ = false;
}

void SdlBackend::SetCaption(const std::string& caption) {
    SDL_SetWindowTitle(window_, caption.c_str());
}

void SdlBackend::SetPointerVisible(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void SdlBackend::WarpPointer(Point position) {
    int width = 0, height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    const ScreenFit fit(screen_, {width, height}, scaling_);
    const Point target = fit.ToWindow(position);
    // The window system makes its own move message, so the move the warp causes is not
    // passed on when it lands on the same logical pixel.
    lastPointer_ = position;
    SDL_WarpMouseInWindow(window_, target.x, target.y);
}

void SdlBackend::SetClipboardText(const std::string& cp1252) {
    SDL_SetClipboardText(Cp1252ToUtf8(cp1252).c_str());
}

std::string SdlBackend::ClipboardText() {
    char* utf8 = SDL_GetClipboardText();  // "" when it holds no text; null when memory ran out
    if (utf8 == nullptr) {
        return {};
    }
    std::string text = RepresentableCp1252(utf8);
    SDL_free(utf8);
    return text;
}

bool SdlBackend::IsFullscreen() const {
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
}

void SdlBackend::SetFullscreen(bool fullscreen) {
    if (fullscreen == IsFullscreen()) {
        return;
    }
    if (fullscreen) {
        windowedSize_ = WindowSize();
    }
    if (SDL_SetWindowFullscreen(window_, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) {
        return;
    }
    if (!fullscreen) {
        // Back to the size it had, on the display the window is on, centred.
        const int display = std::max(0, SDL_GetWindowDisplayIndex(window_));
        const Size size = FittingWindowSize(windowedSize_, display);
        SDL_SetWindowSize(window_, size.width, size.height);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                              SDL_WINDOWPOS_CENTERED_DISPLAY(display));
    }
    needsRedraw_ = true;
}

void SdlBackend::SetScaling(ScaleMode mode) {
    if (mode != scaling_) {
        scaling_ = mode;
        needsRedraw_ = true;
    }
}

Size SdlBackend::WindowSize() const {
    if (IsFullscreen()) {
        return windowedSize_;
    }
    int width = 0, height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    return {width, height};
}

void SdlBackend::SetWindowSize(Size size) {
    if (size.width < kMinWindowSide || size.height < kMinWindowSide) {
        return;
    }
    windowedSize_ = size;
    if (!IsFullscreen()) {
        const Size fitting =
            FittingWindowSize(size, std::max(0, SDL_GetWindowDisplayIndex(window_)));
        SDL_SetWindowSize(window_, fitting.width, fitting.height);
        needsRedraw_ = true;
    }
}

Size SdlBackend::FittingWindowSize(std::optional<Size> wanted, int display) const {
    SDL_Rect usable{};
    if (wanted && wanted->width >= kMinWindowSide && wanted->height >= kMinWindowSide &&
        SDL_GetDisplayUsableBounds(display, &usable) == 0 && wanted->width <= usable.w &&
        wanted->height <= usable.h) {
        return *wanted;
    }
    return WindowSizeFor(screen_, display);
}

Surface SdlBackend::CaptureWindow() {
    Draw();
    int width = 0, height = 0;
    if (SDL_GetRendererOutputSize(renderer_, &width, &height) != 0) {
        return {};
    }
    Surface shot(width, height);
    if (shot.IsEmpty()) {
        return {};
    }
    if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_RGB888, shot.Row(0),
                             width * static_cast<int>(sizeof(Color))) != 0) {
        return {};
    }
    // The padding byte of the read-back format is not promised to be zero.
    for (int32_t y = 0; y < height; ++y) {
        Color* row = shot.Row(y);
        for (int32_t x = 0; x < width; ++x) {
            row[x] &= 0x00FFFFFF;
        }
    }
    return shot;
}

std::string SdlBackend::RendererName() const {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer_, &info) != 0 || info.name == nullptr) {
        return {};
    }
    return info.name;
}

}  // namespace stagehand::host
