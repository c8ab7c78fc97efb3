// Decodes the input as a BMP file, whole and from the bytes its headers declare; aborts when
// the two differ, when a refusal gives no reason, when a decoded image differs in size from
// what its header says, holds more pixels than the file's length allows or breaks the
// promises of a surface (opaque 0x00RRGGBB pixels).
#include <algorithm>

#include "host/gfx/BmpDecoder.h"

#include "FuzzCheck.h"

using namespace stagehand::host;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    const stagehand::base::Result<Surface> image = DecodeBmp(file);
    const stagehand::base::Result<BmpHeader> header = ReadBmpHeader(file);
    // Reading only the bytes the headers declare, as the image class does, decides the same,
    // and gives the same pixels unless an RLE stream runs past what its image can need.
    size_t have = 0;
    for (uint64_t need = std::min<size_t>(size, 18); need > have;
         need = BmpBytesNeeded(file.first(have), size)) {
        have = static_cast<size_t>(need);
    }
    const stagehand::base::Result<Surface> partial = DecodeBmp(file.first(have), size);
    FUZZ_CHECK(partial.ok() == image.ok());
    if (image && header->compression != kBmpRle8 && header->compression != kBmpRle4) {
        FUZZ_CHECK(image->Pixels() == partial->Pixels());
    }
    if (!image) {
        FUZZ_CHECK(!image.error().empty());
        return 0;
    }
    FUZZ_CHECK(header.ok());
    FUZZ_CHECK(!image->IsEmpty());
    FUZZ_CHECK(image->Width() == header->width && image->Height() == header->height);
    FUZZ_CHECK(header->colorCount <= 256);
    FUZZ_CHECK(header->colorTableOffset + 4 * uint64_t{header->colorCount} <= size);
    // No more than 256 pixels a byte of file, whatever the compression.
    const uint64_t pixels = uint64_t(image->Width()) * uint64_t(image->Height());
    FUZZ_CHECK(pixels <= uint64_t{Surface::kMaxPixels});
    FUZZ_CHECK(pixels <= uint64_t{size} * 256);
    FUZZ_CHECK(image->Pixels().size() == pixels);
    for (uint32_t pixel : image->Pixels()) {
        FUZZ_CHECK((pixel >> 24) == 0);
    }
    return 0;
}
