// Decodes the input as a PNG file; aborts when a decoded image breaks the promises of a
// surface (size within the limits, opaque 0x00RRGGBB pixels) or when decoding reports failure
// without saying why.
#include "host/gfx/Png.h"

#include "FuzzCheck.h"

using namespace stagehand::host;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const stagehand::base::Result<Surface> image = DecodePng(std::span(data, size));
    if (!image) {
        FUZZ_CHECK(!image.error().empty());
        return 0;
    }
    FUZZ_CHECK(!image->IsEmpty());
    FUZZ_CHECK(int64_t{image->Width()} * image->Height() <= Surface::kMaxPixels);
    FUZZ_CHECK(image->Pixels().size() == static_cast<size_t>(image->Width()) * image->Height());
    for (uint32_t pixel : image->Pixels()) {
        FUZZ_CHECK((pixel >> 24) == 0);
    }
    return 0;
}
