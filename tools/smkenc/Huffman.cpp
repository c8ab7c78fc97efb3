#include "smkenc/Huffman.h"

#include <algorithm>
#include <queue>
#include <stdexcept>
#include <tuple>

namespace stagehand::smkenc {

void BitWriter::Put(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i, ++bits_) {
        if (bits_ % 8 == 0) {
            bytes_.push_back(0);
        }
        if ((value >> i) & 1U) {
            bytes_.back() |= static_cast<std::uint8_t>(1U << (bits_ % 8));
        }
    }
}

HuffmanTree::HuffmanTree(const std::vector<std::uint64_t>& counts) : codes_(counts.size()) {
    for (std::uint32_t s = 0; s < counts.size(); ++s) {
        if (counts[s] != 0) {
            symbols_.push_back(s);
        }
    }
    if (symbols_.empty()) {
        return;
    }
    // Too deep a tree is rebuilt from flatter counts until it fits: halving every count
    // ends, at worst, at equal counts and a balanced tree.
    std::vector<std::uint64_t> flattened = counts;
    root_ = Build(flattened);
    while (Depth(root_) > kMaxCodeLength) {
        for (std::uint64_t& c : flattened) {
            c = c == 0 ? 0 : c / 2 + 1;
        }
        root_ = Build(flattened);
    }
    AssignCodes(root_, 0, 0);
}

int HuffmanTree::Build(const std::vector<std::uint64_t>& counts) {
    nodes_.clear();
    // Lightest first; among equals the older node, so the tree does not depend on the queue.
    using Entry = std::tuple<std::uint64_t, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    for (std::uint32_t s : symbols_) {
        nodes_.push_back({-1, -1, s});
        queue.emplace(counts[s], static_cast<int>(nodes_.size()) - 1);
    }
    while (queue.size() > 1) {
        const auto [weightA, a] = queue.top();
        queue.pop();
        const auto [weightB, b] = queue.top();
        queue.pop();
        nodes_.push_back({a, b, 0});
        queue.emplace(weightA + weightB, static_cast<int>(nodes_.size()) - 1);
    }
    return std::get<1>(queue.top());
}

int HuffmanTree::Depth(int node) const {
    if (nodes_[node].zero < 0) {
        return 0;
    }
    return 1 + std::max(Depth(nodes_[node].zero), Depth(nodes_[node].one));
}

void HuffmanTree::AssignCodes(int node, std::uint32_t bits, int length) {
    if (nodes_[node].zero < 0) {
        codes_[nodes_[node].symbol] = {bits, length};
        return;
    }
    AssignCodes(nodes_[node].zero, bits, length + 1);
    AssignCodes(nodes_[node].one, bits | (1U << length), length + 1);
}

void HuffmanTree::Put(BitWriter& out, std::uint32_t symbol) const {
    const Code& code = codes_.at(symbol);
    if (code.length < 0) {
        throw std::logic_error("a symbol without a code was written");
    }
    out.Put(code.bits, code.length);
}

namespace {

std::vector<std::uint64_t> ByteCounts(const std::vector<std::uint32_t>& values, int shift) {
    std::vector<std::uint64_t> counts(256);
    for (std::uint32_t v : values) {
        ++counts[(v >> shift) & 0xFF];
    }
    return counts;
}

void PutByteTree(BitWriter& out, const HuffmanTree& tree) {
    out.Put(1, 1);  // present
    tree.PutShape(out, [](BitWriter& o, std::uint32_t value) { o.Put(value, 8); });
    out.Put(0, 1);  // end of the tree
}

}  // namespace

BlockTree::BlockTree(const std::vector<std::uint64_t>& counts) : tree_(counts) {
    // The decoder keeps its three most recent values in the leaves whose values are the
    // three markers; markers that no leaf has keep that cache out of the way.
    std::size_t next = 0;
    const std::vector<std::uint32_t>& used = tree_.Symbols();
    auto taken = used.begin();
    for (std::uint32_t v = 0; v < 0x10000 && next < markers_.size(); ++v) {
        while (taken != used.end() && *taken < v) {
            ++taken;
        }
        if (taken == used.end() || *taken != v) {
            markers_[next++] = static_cast<std::uint16_t>(v);
        }
    }
    if (next < markers_.size()) {
        throw std::invalid_argument("more than 65533 different 16-bit block values");
    }
}

void BlockTree::PutHeader(BitWriter& out) const {
    if (!Present()) {
        out.Put(0, 1);
        return;
    }
    out.Put(1, 1);
    const HuffmanTree low(ByteCounts(tree_.Symbols(), 0));
    const HuffmanTree high(ByteCounts(tree_.Symbols(), 8));
    PutByteTree(out, low);
    PutByteTree(out, high);
    for (std::uint16_t marker : markers_) {
        out.Put(marker, 16);
    }
    tree_.PutShape(out, [&](BitWriter& o, std::uint32_t value) {
        low.Put(o, value & 0xFF);
        high.Put(o, value >> 8);
    });
    out.Put(0, 1);  // end of the tree
}

std::uint32_t BlockTree::TableBytes() const {
    if (!Present()) {
        return 0;
    }
    // One 32-bit entry per node and leaf, and one for each of the three cache slots.
    return static_cast<std::uint32_t>(4 * (2 * tree_.LeafCount() - 1 + 3));
}

}  // namespace stagehand::smkenc
