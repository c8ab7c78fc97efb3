// Cycles among the title's roles (a scene that holds itself through its children) and queues
// (a queue that runs itself through "RunQueue"): the player refuses the one and cuts the other
// at its nesting bound, so either is a fault. Edges are kept with where they were written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace stagehand::check {

class CycleFinder {
  public:
    struct Edge {
        uint32_t from = 0;
        uint32_t to = 0;
        uint32_t line = 0;
        std::string key;
    };

    void Add(Edge edge) { edges_.push_back(std::move(edge)); }

    // The edges that close a cycle, each once, found by one depth-first walk over `nodes`
    // nodes (iterative: a long chain cannot exhaust the stack). Linear in nodes and edges.
    std::vector<const Edge*> ClosingEdges(size_t nodes) const;

  private:
    std::vector<Edge> edges_;
};

}  // namespace stagehand::check
