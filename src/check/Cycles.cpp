#include "check/Cycles.h"

namespace stagehand::check {

std::vector<const CycleFinder::Edge*> CycleFinder::ClosingEdges(size_t nodes) const {
    std::vector<std::vector<const Edge*>> out(nodes);
    for (const Edge& edge : edges_) {
        if (edge.from < nodes && edge.to < nodes) {
            out[edge.from].push_back(&edge);
        }
    }
    enum : uint8_t { kNew, kOnPath, kDone };
    std::vector<uint8_t> state(nodes, kNew);
    std::vector<const Edge*> closing;
    // The walk's path: each node with the index of its next edge.
    std::vector<std::pair<uint32_t, size_t>> path;
    for (uint32_t start = 0; start < nodes; ++start) {
        if (state[start] != kNew) {
            continue;
        }
        state[start] = kOnPath;
        path.emplace_back(start, 0);
        while (!path.empty()) {
            auto& [node, next] = path.back();
            if (next == out[node].size()) {
                state[node] = kDone;
                path.pop_back();
                continue;
            }
            const Edge* edge = out[node][next++];
            if (state[edge->to] == kOnPath) {
                closing.push_back(edge);
            } else if (state[edge->to] == kNew) {
                state[edge->to] = kOnPath;
                path.emplace_back(edge->to, 0);
            }
        }
    }
    return closing;
}

}  // namespace stagehand::check
