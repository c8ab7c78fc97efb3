// A title on disk played on a headless window system: TitleFixture's files, stage manager and
// registry, plus a window system on a headless backend (empty input, virtual clock), a black
// full-screen main frame, and the player's links set to them. Tests create the director with
// MakeDirector; it is deleted before the stage manager and the window system go.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "director/Director.h"
#include "host/headless/HeadlessBackend.h"
#include "host/ui/WindowSystem.h"
#include "stage/PlayerLinks.h"
#include "stage/Scene.h"
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
        Links() = PlayerLinks{};
        Links().windows = &windows_;
        Links().mainFrame = mainFrame_.Handle();
    }

    ~StageFixture() override {
        DeleteDirector();
        mainFrame_.DestroyWindow();
        Links() = PlayerLinks{};
    }

    // Creates the director from the role "Director" as the application does.
    CDirector& MakeDirector() {
        director_ = std::make_unique<CDirector>();
        Links().director = director_.get();
        directorCreated_ = director_->Initialize(CDirector::kRoleName, nullptr);
        return *director_;
    }
    void DeleteDirector() {
        director_.reset();
        Links().director = nullptr;
    }

    template <typename T = CMessageHandler>
    T* Find(std::string_view name) const {
        return dynamic_cast<T*>(stage->Find(name));
    }

    // Runs a plain queue on the director's behalf.
    void RunQueue(const std::string& queue) {
        director_->RunQueue(queue, CMessageHandler::kPlainScope);
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
    std::unique_ptr<CDirector> director_;
    bool directorCreated_ = false;
};

}  // namespace stagehand::testing
