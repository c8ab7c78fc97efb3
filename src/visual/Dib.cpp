#include "visual/Dib.h"

#include <filesystem>
#include <optional>
#include <string>

#include "host/files/TitlePaths.h"
#include "trace/Trace.h"

namespace stagehand {

bool CDib::Load(CPictureCache& cache, const host::TitlePaths* paths, std::string_view fileName) {
    Free();
    auto refuse = [fileName](std::string_view reason) {
        trace::Fault("Image %s was not loaded: %s", {fileName, reason});
        return false;
    };

    std::filesystem::path hostPath;
    if (paths != nullptr) {
        std::optional<std::filesystem::path> resolved = paths->Resolve(fileName);
        if (!resolved) {
            return refuse("the file was not found.");
        }
        hostPath = std::move(*resolved);
    } else {
        if (fileName.empty()) {
            return refuse("the file was not found.");
        }
        hostPath = std::filesystem::path(std::string(fileName));
    }

    base::Result<CPictureCache::Picture> loaded =
        paths != nullptr ? cache.Load(hostPath, paths->Opener()) : cache.Load(hostPath);
    if (!loaded) {
        return refuse(loaded.error());
    }
    picture_ = std::move(*loaded);
    return true;
}

const host::Surface& CDib::Image() const {
    static const host::Surface kNone;
    return picture_ ? *picture_ : kNone;
}

void CDib::Draw(host::Canvas& canvas) const {
    if (IsLoaded()) {
        canvas.Blit(*picture_, picture_->Bounds(), {0, 0});
    }
}

void CDib::DrawPart(host::Canvas& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
                    int32_t sourceX, int32_t sourceY) const {
    if (IsLoaded()) {
        canvas.Blit(*picture_, host::Rect::FromSize(sourceX, sourceY, width, height), {x, y});
    }
}

void CDib::Free() {
    picture_.reset();
}

}  // namespace stagehand
