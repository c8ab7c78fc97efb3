// CMovieShelf: the play's Smacker movies that have a file open, by role name, and whether
// their sound goes to the mixer. Its idle step advances every movie on the shelf by one step
// when its next frame is due, and says when the next one is.
//
// The shelf also holds the frame budget every Smacker movie of the play takes its frame
// memory from (host::FrameBudget), so many movies with huge frames are refused, not kept.
// Guarantees: the idle step walks the shelf by name, so a "Notify" that opens, closes or
// destroys any movie during the walk is safe; routing is applied to every movie on the shelf
// and to each one put on it later.
// Where it bites: the application does not run idle steps at all while a video window is
// busy (CVideoBusy), so movies stand still then.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "host/ui/WindowSystem.h"
#include "host/video/FrameBudget.h"
#include "kernel/PlayerService.h"

namespace stagehand {

class CPlayer;
class CSmacker;

class CMovieShelf final : public CPlayerService {
  public:
    explicit CMovieShelf(CPlayer& player);
    ~CMovieShelf() override;

    void Put(const std::string& name, CSmacker& movie);
    void Take(const std::string& name, const CSmacker& movie);
    bool Has(std::string_view name) const { return movies_.find(name) != movies_.end(); }

    // The director's audio switch: movie sound to the mixer (true) or nowhere.
    void RouteAudio(bool routed);
    bool AudioRouted() const { return audioRouted_; }
    // The frame budget of the play's movies.
    const std::shared_ptr<host::FrameBudget>& Frames() const { return frames_; }

    // One step of every movie on the shelf at `now` (the window system's clock).
    host::IdleRequest StepAll(uint32_t now);

  private:
    std::map<std::string, CSmacker*, std::less<>> movies_;
    bool audioRouted_ = false;
    std::shared_ptr<host::FrameBudget> frames_ = std::make_shared<host::FrameBudget>();
};

}  // namespace stagehand
