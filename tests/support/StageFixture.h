// A title on disk played on a headless window system: TitleFixture's files and player, the
// player showing on a window system on a headless backend (empty input, virtual clock) in a
// black full-screen main frame. Tests start the director with MakeDirector; the player goes
// before the window system.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "director/Director.h"
#include "host/headless/HeadlessBackend.h"
#include "host/ui/WindowSystem.h"
#include "scene/Scene.h"
#include "support/TitleFixture.h"

namespace stagehand::testing {

class StageFixture : public TitleFixture {
  protected:
    StageFixture() : backend_(host::InputScript{}, out_, errors_), windows_(backend_, {640, 480}) {
        host::WindowParams params;
        params.style = host::style::kPopup | host::style::kVisible;
        params.rect = {0, 0, 640, 480};
        params.background = host::kBlack;
        mainFrame_.CreateWindow(windows_, params);
        windows_.SetMainWindow(mainFrame_.Handle());
        MakePlayer({&windows_, mainFrame_.Handle()});
    }

    ~StageFixture() override {
        DropPlayer();
        mainFrame_.DestroyWindow();
    }

    // Creates the director from the role "Director" as the application does.
    CDirector& MakeDirector() {
        directorCreated_ = player->StartDirector();
        return static_cast<CDirector&>(*player->Director());
    }

    template <typename T = CMessageHandler>
    T* Find(std::string_view name) const {
        return dynamic_cast<T*>(stage->Find(name));
    }

    // Runs a plain queue on the director's behalf.
    void RunQueue(const std::string& queue) {
        player->Director()->RunQueue(queue, CMessageHandler::kPlainScope);
    }

    host::WindowSystem& Windows() { return windows_; }
    host::HeadlessBackend& Backend() { return backend_; }
    host::WindowHandle MainFrame() const { return mainFrame_.Handle(); }
    bool DirectorCreated() const { return directorCreated_; }

  private:
    std::ostringstream out_;
    std::ostringstream errors_;
    host::HeadlessBackend backend_;
    host::WindowSystem windows_;
    host::Window mainFrame_;
    bool directorCreated_ = false;
};

}  // namespace stagehand::testing
