#include "media/MovieShelf.h"

#include <vector>

#include "kernel/Player.h"
#include "media/Smacker.h"

namespace stagehand {

CMovieShelf::CMovieShelf(CPlayer& player) {
    player.Hooks().AddIdleStep([this](uint32_t now) { return StepAll(now); });
}

CMovieShelf::~CMovieShelf() {
    RouteAudio(false);
}

void CMovieShelf::Put(const std::string& name, CSmacker& movie) {
    movies_[name] = &movie;
}

void CMovieShelf::Take(const std::string& name, const CSmacker& movie) {
    if (auto found = movies_.find(name); found != movies_.end() && found->second == &movie) {
        movies_.erase(found);
    }
}

void CMovieShelf::RouteAudio(bool routed) {
    if (routed == audioRouted_) {
        return;
    }
    audioRouted_ = routed;
    for (const auto& [name, movie] : movies_) {
        movie->RouteSound();
    }
}

host::IdleRequest CMovieShelf::StepAll(uint32_t now) {
    // By name: a "Notify" may open, close or destroy any movie of the shelf.
    std::vector<std::string> names;
    names.reserve(movies_.size());
    for (const auto& entry : movies_) {
        names.push_back(entry.first);
    }
    for (const std::string& name : names) {
        if (auto found = movies_.find(name); found != movies_.end()) {
            found->second->Step(now);
        }
    }
    host::IdleRequest request;
    for (const auto& [name, movie] : movies_) {
        if (const std::optional<uint32_t> wake = movie->NextStepAt(now)) {
            if (!request.more || static_cast<int32_t>(*wake - *request.wakeAt) < 0) {
                request.wakeAt = wake;
            }
            request.more = true;
        }
    }
    return request;
}

}  // namespace stagehand
