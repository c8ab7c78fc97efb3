#include "app/TitlePicture.h"

#include <algorithm>
#include <cstdio>

#include "host/files/File.h"
#include "host/files/FileReplacement.h"
#include "host/files/UserFolders.h"
#include "host/gfx/BmpDecoder.h"
#include "host/gfx/BmpWriter.h"
#include "host/gfx/Color.h"

namespace stagehand {

namespace fs = std::filesystem;

fs::path TitlePicture::FileFor(std::string_view location) {
    // FNV-1a: the same location names the same file in every build.
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : location) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.bmp", static_cast<unsigned long long>(hash));
    return host::UserCacheFolder() / "pictures" / name;
}

host::Surface TitlePicture::Shrink(const host::Surface& frame, host::Size to) {
    if (frame.IsEmpty() || to.width <= 0 || to.height <= 0) {
        return {};
    }
    // The largest size of the frame's shape that fits, never larger than the frame.
    int64_t width = to.width;
    int64_t height = int64_t{frame.Height()} * to.width / frame.Width();
    if (height > to.height) {
        height = to.height;
        width = int64_t{frame.Width()} * to.height / frame.Height();
    }
    width = std::clamp<int64_t>(width, 1, frame.Width());
    height = std::clamp<int64_t>(height, 1, frame.Height());
    host::Surface out(static_cast<int32_t>(width), static_cast<int32_t>(height));
    for (int64_t y = 0; y < height; ++y) {
        const int64_t top = y * frame.Height() / height;
        const int64_t bottom = std::max(top + 1, (y + 1) * frame.Height() / height);
        for (int64_t x = 0; x < width; ++x) {
            const int64_t left = x * frame.Width() / width;
            const int64_t right = std::max(left + 1, (x + 1) * frame.Width() / width);
            uint64_t r = 0;
            uint64_t g = 0;
            uint64_t b = 0;
            for (int64_t sy = top; sy < bottom; ++sy) {
                const host::Color* row = frame.Row(static_cast<int32_t>(sy));
                for (int64_t sx = left; sx < right; ++sx) {
                    r += host::RedOf(row[sx]);
                    g += host::GreenOf(row[sx]);
                    b += host::BlueOf(row[sx]);
                }
            }
            const auto n = static_cast<uint64_t>((bottom - top) * (right - left));
            out.SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y),
                         host::Rgb(static_cast<uint8_t>(r / n), static_cast<uint8_t>(g / n),
                                   static_cast<uint8_t>(b / n)));
        }
    }
    return out;
}

base::Result<void> TitlePicture::Keep(const host::Surface& frame, std::string_view location) {
    const fs::path file = FileFor(location);
    if (base::Result<void> made = host::MakePrivateFolders(file.parent_path(), "the cache folder");
        !made) {
        return made;
    }
    return host::ReplaceFile(file, host::EncodeBmp(Shrink(frame, kSize)));
}

std::optional<host::Surface> TitlePicture::Read(std::string_view location) {
    const host::FileBytes read = host::ReadFile(FileFor(location), kMaxFileBytes);
    if (!read.Read()) {
        return std::nullopt;
    }
    base::Result<host::Surface> picture = host::DecodeBmp(host::AsBytes(read.bytes));
    if (!picture || picture->IsEmpty() || picture->Width() > kSize.width ||
        picture->Height() > kSize.height) {
        return std::nullopt;
    }
    return std::move(*picture);
}

}  // namespace stagehand
