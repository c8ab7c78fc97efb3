#include "visual/Dib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "host/files/TitlePaths.h"
#include "host/system/FileRead.h"
#include "trace/Trace.h"
#include "visual/BmpDecoder.h"

namespace stagehand {

namespace {

// No image a title shows comes near this; a bigger file is not read into memory at all.
constexpr uint64_t kMaxFileBytes = 256ull * 1024 * 1024;

// The whole file, or nullopt with the reason in `error`.
std::optional<std::vector<uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                  std::string* error) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = std::string("the file cannot be opened: ") + std::strerror(errno) + ".";
        return std::nullopt;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        *error = "it is not a regular file.";
        return std::nullopt;
    }
    const uint64_t size = static_cast<uint64_t>(info.st_size);
    if (size > kMaxFileBytes) {
        close(fd);
        *error = FormatText("the file is %u bytes long; images over 256 MiB are not read.", {size});
        return std::nullopt;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    // A file that shrinks while it is read gives what was there.
    const size_t got = host::ReadAtMost(fd, reinterpret_cast<char*>(bytes.data()), bytes.size());
    close(fd);
    bytes.resize(got);
    return bytes;
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
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(hostPath, &error);
    if (!bytes)
        return refuse(error);
    std::optional<host::Surface> image = DecodeBmp(*bytes, &error);
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
