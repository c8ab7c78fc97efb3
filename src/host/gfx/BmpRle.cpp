#include "host/gfx/BmpRle.h"

#include <algorithm>

namespace stagehand::host {

namespace {

// Where the next pixel goes: x from the left edge, y counted from the bottom row. Both may
// run past the image (a long run, a delta); only pixels inside it are written.
class RleCursor {
  public:
    explicit RleCursor(Surface& image) : image_(image) {}

    bool PastTop() const { return y_ >= image_.Height(); }

    // Writes `count` pixels, the i-th one `colorOf(i)`, from the cursor on.
    template <typename ColorOf>
    void Put(int64_t count, ColorOf colorOf) {
        const int64_t room = std::max<int64_t>(0, image_.Width() - x_);
        const int64_t inside = std::min(count, room);
        if (inside > 0 && !PastTop()) {
            Color* row = image_.Row(static_cast<int32_t>(image_.Height() - 1 - y_));
            for (int64_t i = 0; i < inside; ++i) {
                row[x_ + i] = colorOf(i);
            }
        }
        x_ += count;
    }
    void NextLine() {
        x_ = 0;
        ++y_;
    }
    void Move(int64_t dx, int64_t dy) {
        x_ += dx;
        y_ += dy;
    }

  private:
    Surface& image_;
    int64_t x_ = 0;
    int64_t y_ = 0;
};

enum Escape : uint8_t { kEndOfLine = 0, kEndOfBitmap = 1, kDelta = 2 };

}  // namespace

void DecodeBmpRle(std::span<const uint8_t> stream, int bitsPerPixel, const BmpPalette& palette,
                  Surface& image) {
    const bool fourBits = bitsPerPixel == 4;
    // The index of pixel i of an RLE4 run or stretch: high nibble first, then low.
    auto nibble = [](uint8_t byte, int64_t i) -> uint8_t {
        return (i & 1) == 0 ? byte >> 4 : byte & 0x0F;
    };
    RleCursor cursor(image);
    size_t pos = 0;
    while (pos + 2 <= stream.size() && !cursor.PastTop()) {
        const uint8_t count = stream[pos];
        const uint8_t value = stream[pos + 1];
        pos += 2;
        if (count > 0) {
            // An encoded run: `count` pixels of one index (RLE4: two indexes taking turns).
            if (fourBits) {
                cursor.Put(count, [&](int64_t i) { return palette[nibble(value, i)]; });
            } else {
                cursor.Put(count, [&](int64_t) { return palette[value]; });
            }
            continue;
        }
        if (value == kEndOfLine) {
            cursor.NextLine();
        } else if (value == kEndOfBitmap) {
            return;
        } else if (value == kDelta) {
            if (pos + 2 > stream.size()) {
                return;
            }
            cursor.Move(stream[pos], stream[pos + 1]);
            pos += 2;
        } else {
            // An absolute stretch of `value` pixels, padded to a whole number of words. A
            // stretch cut off by the end of the stream is drawn as far as it goes.
            const size_t bytes = fourBits ? (size_t{value} + 1) / 2 : value;
            const size_t present = std::min(bytes, stream.size() - pos);
            const int64_t pixels = std::min<int64_t>(value, fourBits ? present * 2 : present);
            const uint8_t* data = stream.data() + pos;
            if (fourBits) {
                cursor.Put(pixels, [&](int64_t i) { return palette[nibble(data[i / 2], i)]; });
            } else {
                cursor.Put(pixels, [&](int64_t i) { return palette[data[i]]; });
            }
            if (present < bytes) {
                return;
            }
            pos += bytes + (bytes & 1);
        }
    }
}

}  // namespace stagehand::host
