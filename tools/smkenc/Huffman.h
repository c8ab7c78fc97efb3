// The bit writer and the Huffman trees of Smacker files.
//
// Smacker reads its bit streams least significant bit first. Its trees are written as their
// shape, depth first: a node is a 1 bit followed by its 0 branch and its 1 branch, a leaf is a
// 0 bit followed by the leaf's value. Byte trees carry 8-bit values; the four block streams
// of a movie (MMAP, MCLR, FULL, TYPE) each have a 16-bit tree whose leaf values are coded
// with two byte trees, one for the low and one for the high byte.
//
// Guarantees: every code is at most kMaxCodeLength bits long (decoders limit the depth of
// byte trees to 27), and a 16-bit tree never lets a decoder's recent-value cache stand in for
// one of its leaves: its three cache markers are values no leaf has.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace stagehand::smkenc {

// Appends bits to a byte buffer, least significant bit of each byte first.
class BitWriter {
  public:
    // Appends the low `count` bits of `value` (at most 32), lowest first.
    void Put(std::uint32_t value, int count);
    std::size_t BitCount() const { return bits_; }
    // The bytes written, the last one padded with zero bits.
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t bits_ = 0;
};

constexpr int kMaxCodeLength = 24;

// A Huffman tree over the symbols with a non-zero count (symbols are the indexes of `counts`).
// A tree of one symbol gives it a code of no bits; with no symbol the tree is empty.
class HuffmanTree {
  public:
    explicit HuffmanTree(const std::vector<std::uint64_t>& counts);

    // Writes the code of a symbol that had a non-zero count.
    void Put(BitWriter& out, std::uint32_t symbol) const;
    // Writes the tree's shape, each leaf's value written by `leaf(out, symbol)`.
    template <typename LeafWriter>
    void PutShape(BitWriter& out, LeafWriter leaf) const {
        PutShape(out, root_, leaf);
    }
    std::size_t LeafCount() const { return (nodes_.size() + 1) / 2; }
    const std::vector<std::uint32_t>& Symbols() const { return symbols_; }

  private:
    struct Node {
        int zero = -1;  // children, or -1 for a leaf
        int one = -1;
        std::uint32_t symbol = 0;
    };
    struct Code {
        std::uint32_t bits = 0;  // the first branch taken in bit 0
        int length = -1;
    };

    int Build(const std::vector<std::uint64_t>& counts);
    int Depth(int node) const;
    void AssignCodes(int node, std::uint32_t bits, int length);
    template <typename LeafWriter>
    void PutShape(BitWriter& out, int node, LeafWriter& leaf) const {
        if (nodes_[node].zero < 0) {
            out.Put(0, 1);
            leaf(out, nodes_[node].symbol);
            return;
        }
        out.Put(1, 1);
        PutShape(out, nodes_[node].zero, leaf);
        PutShape(out, nodes_[node].one, leaf);
    }

    std::vector<Node> nodes_;
    int root_ = 0;
    std::vector<Code> codes_;
    std::vector<std::uint32_t> symbols_;  // ascending
};

// One of the four 16-bit block stream trees of the file header; absent when nothing was
// counted.
class BlockTree {
  public:
    // `counts` has 65536 entries, one a 16-bit value.
    explicit BlockTree(const std::vector<std::uint64_t>& counts);

    bool Present() const { return tree_.LeafCount() > 0; }
    // The presence bit and, for a present tree, its byte trees, cache markers and shape.
    void PutHeader(BitWriter& out) const;
    void Put(BitWriter& out, std::uint16_t value) const { tree_.Put(out, value); }
    // The header's size field for this tree: the bytes a decoder needs for its table.
    std::uint32_t TableBytes() const;

  private:
    HuffmanTree tree_;
    std::array<std::uint16_t, 3> markers_{};
};

}  // namespace stagehand::smkenc
