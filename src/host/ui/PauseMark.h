// The mark the player shows over a paused title: a small box at the top of the screen saying
// "Paused" and how to go on. While it stands it takes all input (the window system's modal
// window), so that nothing reaches the title; a click on it, or Escape (on its release), asks
// to resume.
//
// Guarantees: `resume` is told at most once a showing, and the owner takes the mark down
// (Hide); the mark never resumes the play itself.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "host/gfx/Font.h"
#include "host/ui/ModalBox.h"
#include "host/ui/WindowSystem.h"

namespace stagehand::host {

class PauseMark : public ModalBox {
  public:
    // `hint` says how to go on (Windows-1252), under "Paused".
    bool Show(WindowSystem& system, const std::string& hint, std::function<void()> resume);
    void Hide();

  protected:
    intptr_t OnMessage(const Message& message) override;

  private:
    void Paint();
    void AskResume();

    std::shared_ptr<const Font> font_;
    std::shared_ptr<const Font> big_;
    std::string hint_;
    std::function<void()> resume_;
    bool escapeDown_ = false;
};

}  // namespace stagehand::host
