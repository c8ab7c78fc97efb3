// The window system the player's logic runs on: a tree of windows on one retained 32-bit
// framebuffer the size of the logical screen, a posted message queue with synchronous send,
// mouse and key input, capture and focus, per-window timers, invalidation and painting, and
// the message loop with its pre-translate and idle hooks.
//
// It follows the desktop's rules where titles can see them:
// - Mouse messages go to the topmost shown, enabled window under the pointer (children before
//   their parent, later siblings before earlier ones), or to the capture window.
// - The loop takes, in this order: posted messages and new input, the pointer's move (merged
//   into one), paint messages (parents before children, bottom to top), timer messages; when none
//   is left it presents the frame and runs the idle hook, then waits for input, the next timer or
//   the idle hook's deadline.
// - A window paints through a canvas clipped to its visible area (cut by its ancestors and,
//   with clip-siblings, by siblings stacked above it) and to the part that needs painting.
//   Windows that do not erase leave the pixels below them.
// Everything runs on one thread; handlers may create and destroy windows from any message.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/Backend.h"
#include "host/gfx/Canvas.h"
#include "host/gfx/Region.h"
#include "host/gfx/Surface.h"
#include "host/ui/HotKeys.h"
#include "host/ui/InputRouter.h"
#include "host/ui/Messages.h"
#include "host/ui/PaintQueue.h"
#include "host/ui/TimerQueue.h"
#include "host/ui/TitleClock.h"
#include "host/ui/Window.h"
#include "host/ui/WindowTree.h"

namespace stagehand::host {

// What an idle hook wants: `more` asks to be called again, at `wakeAt` (the clock's
// milliseconds) or, without it, as soon as the queue is empty again. Without `more` the hook
// is called again only after the next message.
struct IdleRequest {
    bool more = false;
    std::optional<uint32_t> wakeAt;
};

class WindowSystem : public InputSink {
  public:
    // The shortest timer period; a period of 0 gets this.
    static constexpr uint32_t kMinimumTimerPeriod = TimerQueue::kMinimumPeriod;
    static constexpr uint32_t kDoubleClickTime = InputRouter::kDoubleClickTime;
    static constexpr int32_t kDoubleClickDistance = InputRouter::kDoubleClickDistance;
    // The backend's input is read at least this often, in messages taken, however full the
    // queue stays.
    static constexpr int kMessagesBetweenPolls = 32;

    WindowSystem(Backend& backend, Size screen);
    ~WindowSystem() override;
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    Backend& GetBackend() { return backend_; }
    Size ScreenSize() const { return framebuffer_.Dimensions(); }
    const Surface& Framebuffer() const { return framebuffer_; }
    // The title's clock (TitleClock): the backend's, standing still while paused.
    uint32_t Now() { return clock_.Now(backend_.Now()); }
    // Blocks the whole thread; input that arrives meanwhile is handled afterwards. What was
    // drawn before shows during the sleep, as drawing on the desktop's screen did at once.
    void Sleep(uint32_t milliseconds) {
        PresentChanges();
        backend_.Sleep(milliseconds);
    }

    // --- The tree -------------------------------------------------------------------------
    // Creates a window for `owner` (which may be null: messages then get default handling).
    // A child needs a live parent; the new window goes on top of its siblings.
    WindowHandle Create(Window* owner, const WindowParams& params);
    // Destroys the window's children (last created first), then the window itself. From the
    // start the windows going are off the screen (nothing shows, paints or is invalidated in
    // them) and take no new children; what they showed is invalidated once at the end.
    void Destroy(WindowHandle window);
    bool Exists(WindowHandle window) const { return tree_.Exists(window); }
    WindowHandle Parent(WindowHandle window) const;
    // Bottom to top.
    std::vector<WindowHandle> Children(WindowHandle window) const;
    uint32_t Style(WindowHandle window) const;

    void Show(WindowHandle window, bool show);
    // The window's own visible style (its ancestors may still hide it).
    bool IsVisible(WindowHandle window) const;
    // Visible, and every ancestor visible.
    bool IsShown(WindowHandle window) const;
    // Disabling sends cancel mode to the window and takes the focus from it.
    void Enable(WindowHandle window, bool enable);
    bool IsEnabled(WindowHandle window) const;
    void Move(WindowHandle window, const Rect& rect);
    // Puts the window above its siblings.
    void BringToTop(WindowHandle window);

    // In the parent's client coordinates (the screen's for top-level windows).
    Rect WindowRect(WindowHandle window) const;
    // (0, 0, width, height).
    Rect ClientRect(WindowHandle window) const;
    Rect ScreenRect(WindowHandle window) const;
    Point ClientToScreen(WindowHandle window, Point p) const;
    Point ScreenToClient(WindowHandle window, Point p) const;

    std::string Title(WindowHandle window) const;
    void SetTitle(WindowHandle window, const std::string& title);
    // The top-level window whose title equals `title`, compared without regard to case as
    // the desktop does; the topmost when several match.
    WindowHandle FindTopLevel(const std::string& title) const;

    // The main window: its title is the host window's caption, a close request from outside
    // is sent to it, and its destruction ends the message loop.
    void SetMainWindow(WindowHandle window);
    WindowHandle MainWindow() const { return main_; }

    // --- Messages -------------------------------------------------------------------------
    void Post(WindowHandle target, uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Delivers at once and returns the handler's answer; 0 when the window does not exist.
    intptr_t Send(WindowHandle target, uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0);
    void PostQuit(int exitCode);
    // The desktop's default handling of a message (Window::DefaultMessage).
    intptr_t DefaultProcess(const Message& message);

    // --- Input state ----------------------------------------------------------------------
    // Returns the window that had the capture.
    WindowHandle SetCapture(WindowHandle window);
    void ReleaseCapture();
    WindowHandle Capture() const { return input_.Capture(); }
    // Returns the window that had the focus. A null handle takes the focus away.
    WindowHandle SetFocus(WindowHandle window);
    WindowHandle Focus() const { return input_.Focus(); }
    // A window of the player's own that takes all input while it stands (InputRouter's
    // modal window); a null handle ends it.
    void SetModal(WindowHandle window) { input_.SetModal(window); }
    WindowHandle Modal() const { return Exists(input_.Modal()) ? input_.Modal() : WindowHandle{}; }
    bool IsWithin(WindowHandle window, WindowHandle ancestor) const {
        return tree_.IsWithin(window, ancestor);
    }
    // Whether the key was down when the message being handled was made, as the desktop
    // answers: the state moves with the key messages taken from the queue.
    bool IsKeyDown(uint8_t virtualKey) const { return input_.IsKeyDown(virtualKey); }
    Point PointerPosition() const { return input_.Pointer(); }
    // The user's input being dispatched (a mouse, key or character message the backend's
    // input made, as it was taken, its point on the logical screen), while it is; nullptr
    // while another message is, or none. For the trace to name what started a queue run.
    const Message* CurrentInput() const { return currentInput_; }
    // Moves the pointer (clamped to the screen) and makes the move message for it.
    void SetPointerPosition(Point position);
    // Raises or lowers the pointer's show count and returns it; shown while it is >= 0.
    int ShowPointer(bool show);

    // --- Timers ---------------------------------------------------------------------------
    // (Re)starts the window's periodic timer `id`; replacing one restarts its period.
    void SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs);
    void KillTimer(WindowHandle window, uintptr_t id);

    // --- Pausing --------------------------------------------------------------------------
    // While paused the title's clock stands still, no timer comes due, the idle hook does not
    // run, and messages posted to the main window and the windows inside it (the title's)
    // wait, in their order, until the play resumes; input for them is dropped. The player's
    // own windows outside the main window go on. A close request from outside resumes first.
    void SetPaused(bool paused);
    bool IsPaused() const { return clock_.IsPaused(); }
    // Told after every change of the pause, whoever made it.
    void SetPauseListener(std::function<void(bool paused)> listener) {
        pauseListener_ = std::move(listener);
    }

    // --- The player's own keys (HotKeys) --------------------------------------------------
    // Control+Alt+`virtualKey` posts msg::kHotKey with `id` to `window`, and no window sees
    // the key.
    void RegisterHotKey(WindowHandle window, uintptr_t id, uint8_t virtualKey) {
        hotKeys_.Register(window, id, virtualKey);
    }

    // --- Painting -------------------------------------------------------------------------
    // Marks `rect` (client coordinates; the whole window when absent) for painting, with
    // the parts of windows inside it and of windows stacked above it that it overlaps.
    void Invalidate(WindowHandle window, std::optional<Rect> rect = std::nullopt,
                    bool erase = true);
    void Validate(WindowHandle window);
    // Paints the window at once if any of it waits to be painted.
    void UpdateNow(WindowHandle window);
    // For the paint message: a canvas clipped to what waits to be painted, which is then
    // no longer waiting. Erases first (msg::kEraseBackground) when erasing was asked for.
    Canvas BeginPaint(WindowHandle window);
    // A canvas on the window's whole visible area, outside the paint cycle.
    Canvas WindowCanvas(WindowHandle window);
    // The part of the screen the window may draw on, in screen coordinates.
    Region VisibleRegion(WindowHandle window) const;
    bool NeedsPaint(WindowHandle window) const;

    // --- The loop -------------------------------------------------------------------------
    // A hook sees every message before it is dispatched; it may change the message (target,
    // id) and returns true to consume it. Hooks run in the order they were added.
    using PreTranslateHook = std::function<bool(Message&)>;
    void AddPreTranslateHook(PreTranslateHook hook);
    using IdleHook = std::function<IdleRequest(int count)>;
    void SetIdleHook(IdleHook hook);
    // Runs until a quit message (its exit code) or until the backend runs out of input (0).
    int Run();
    // Idle time is worth offering again, as after any message but painting and timers: work
    // done outside a message (an input script's message line, a flag the idle hook reads)
    // says so here.
    void OfferIdle();
    // Handles everything that is due now without waiting or idling; true if anything ran.
    bool RunPending();
    // Presents what changed in the framebuffer.
    void PresentChanges();
    // Runs `job` once, the next time the loop has painted everything waiting and presented
    // it: the screen then shows what the windows hold (a screenshot's moment).
    void WhenPresented(std::function<void()> job) { whenPresented_.push_back(std::move(job)); }

    // --- InputSink (called by the backend) ---------------------------------------------------
    void PointerMoved(Point position) override;
    void ButtonChanged(MouseButton button, bool down, Point position) override;
    void KeyChanged(uint8_t virtualKey, bool down, bool repeat) override;
    void CharacterTyped(uint8_t character) override;
    void CloseRequested() override;
    void FileDropped(const std::string& path) override;
    // Who hears of a file dropped on the window (the player's library); nobody by default.
    void SetDropHook(std::function<void(const std::string&)> hook) { dropHook_ = std::move(hook); }

  private:
    friend class Window;

    using Record = WindowTree::Record;

    Record* Find(WindowHandle window) { return tree_.Find(window); }
    const Record* Find(WindowHandle window) const { return tree_.Find(window); }
    std::vector<WindowHandle>& SiblingsOf(const Record& r) { return tree_.SiblingsOf(r); }
    const std::vector<WindowHandle>& SiblingsOf(const Record& r) const {
        return tree_.SiblingsOf(r);
    }
    bool IsInside(WindowHandle window, WindowHandle ancestor) const {
        return tree_.IsInside(window, ancestor);
    }
    Message MakeMessage(WindowHandle target, uint32_t id, uintptr_t wParam, intptr_t lParam);
    intptr_t Deliver(const Message& message);
    void Detach(Window* owner);
    void MarkDying(WindowHandle window);
    // Destroys a marked subtree: notices, children first, and removal.
    void DestroyMarked(WindowHandle window);

    // Painting.
    void InvalidateScreen(const Region& area, WindowHandle from, bool erase);
    struct InvalidateRequest {
        const std::vector<WindowHandle>& path;  // top-level ancestor of `from` down to it
        bool erase;
    };
    void InvalidateStack(const std::vector<WindowHandle>& stack, bool topLevel, const Region& clip,
                         size_t depth, bool marking, const InvalidateRequest& request);
    void ClearInvalidInside(WindowHandle window);
    WindowHandle NextToPaint() const;
    // During the erase message of a paint: a canvas on just the part being painted.
    Canvas EraseCanvas(WindowHandle window);

    // Timers.
    std::optional<uint32_t> NextTimerDue() const;
    bool TakeTimerMessage(Message& out);

    // The loop.
    bool TakeMessage(Message& out);
    // While paused: whether the message is the title's, and so waits or is dropped.
    bool HeldByPause(const Message& message) const;
    void Dispatch(Message& message);

    Backend& backend_;
    Surface framebuffer_;
    std::function<void(const std::string&)> dropHook_;
    Rect damage_;
    WindowHandle erasing_;
    Region eraseClip_;
    WindowTree tree_;
    PaintQueue paint_{[this](WindowHandle a, WindowHandle b) { return tree_.PaintsBefore(a, b); }};
    WindowHandle main_;
    std::deque<Message> queue_;
    std::deque<Message> held_;  // the title's messages waiting for the pause to end
    int sincePoll_ = 0;
    bool tookInput_ = false;                 // the message TakeMessage gave last was input
    const Message* currentInput_ = nullptr;  // see CurrentInput
    TitleClock clock_;
    std::function<void(bool)> pauseListener_;
    std::vector<std::function<void()>> whenPresented_;
    HotKeys hotKeys_;
    std::map<uint32_t, Surface> savedBits_;  // what each kSaveBits window covered
    InputRouter input_;
    TimerQueue timers_;

    std::vector<PreTranslateHook> preTranslate_;
    IdleHook idle_;
    bool idleWanted_ = true;
    int idleCount_ = 0;
    std::optional<uint32_t> idleWakeAt_;
};

}  // namespace stagehand::host
