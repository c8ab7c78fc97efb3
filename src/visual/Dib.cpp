#include "visual/Dib.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/files/File.h"
#include "host/files/TitlePaths.h"
#include "host/gfx/BmpDecoder.h"
#include "trace/Trace.h"

namespace stagehand {

namespace {

// No image a title shows comes near this; a bigger file is not read at all.
constexpr uint64_t kMaxFileBytes = 256ull * 1024 * 1024;
// The first read takes the headers of every image the player reads, and all of a small one.
constexpr size_t kFirstRead = 4096;

// Reads what the image's headers say it needs and decodes it, or gives the reason in `error`.
// Only that much is read: a file far longer than its image costs no more than the image.
std::optional<host::Surface> ReadImage(const std::filesystem::path& path, std::string* error) {
    host::InputFile file = host::InputFile::Open(path);
    if (!file.IsOpen()) {
        *error = file.Fault() == host::FileFault::kNotAFile
                     ? "it is not a regular file."
                     : "the file cannot be opened: " + file.Reason() + ".";
        return std::nullopt;
    }
    const uint64_t size = file.Size();
    if (size > kMaxFileBytes) {
        *error = FormatText("the file is %u bytes long; images over 256 MiB are not read.", {size});
        return std::nullopt;
    }
    std::string bytes;
    std::string more;
    uint64_t needed = std::min<uint64_t>(size, kFirstRead);
    // Each round reads up to what the bytes so far declare; the headers settle it in three.
    while (needed > bytes.size()) {
        if (!file.ReadSpan(bytes.size(), static_cast<size_t>(needed - bytes.size()), more)) {
            *error = "the file cannot be read: " + file.Reason() + ".";
            return std::nullopt;
        }
        if (more.empty()) {
            break;  // the file shrank while it was read: decode what was there
        }
        bytes += more;
        needed = host::BmpBytesNeeded(host::AsBytes(bytes), size);
    }
    return host::DecodeBmp(host::AsBytes(bytes), std::max<uint64_t>(bytes.size(), size), error);
}

}  // namespace

bool CDib::Load(const host::TitlePaths* paths, std::string_view fileName) {
    Free();
    auto refuse = [fileName](std::string_view reason) {
        trace::Fault("Image %s was not loaded: %s", {fileName, reason});
        return false;
    };

    std::filesystem::path hostPath;
    if (paths != nullptr) {
        std::optional<std::filesystem::path> resolved = paths->Resolve(fileName);
        if (!resolved)
            return refuse("the file was not found.");
        hostPath = std::move(*resolved);
    } else {
        if (fileName.empty())
            return refuse("the file was not found.");
        hostPath = std::filesystem::path(std::string(fileName));
    }

    std::string error;
    std::optional<host::Surface> image = ReadImage(hostPath, &error);
    if (!image)
        return refuse(error);
    image_ = std::move(*image);
    return true;
}

void CDib::Draw(host::Canvas& canvas) const {
    if (IsLoaded())
        canvas.Blit(image_, image_.Bounds(), {0, 0});
}

void CDib::DrawPart(host::Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
                    int32_t sourceX, int32_t sourceY) const {
    if (IsLoaded())
        canvas.Blit(image_, host::Rect::FromSize(sourceX, sourceY, width, height), {x, y});
}

void CDib::Free() {
    image_ = host::Surface();
}

}  // namespace stagehand
