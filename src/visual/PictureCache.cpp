#include "visual/PictureCache.h"

#include <algorithm>

#include "host/gfx/BmpDecoder.h"

namespace stagehand {

namespace {

// The first read takes the headers of every picture, and all of a small one.
constexpr size_t kFirstRead = 4096;

// Reads the bytes the picture's headers declare (rounds of reads, each up to what the bytes
// so far declare; the headers settle it in three), so a file far longer than its picture
// costs no more than the picture.
base::Result<void> ReadDeclared(host::InputFile& file, std::string& bytes) {
    std::string more;
    uint64_t needed = std::min<uint64_t>(file.Size(), kFirstRead);
    while (needed > bytes.size()) {
        if (!file.ReadSpan(bytes.size(), static_cast<size_t>(needed - bytes.size()), more)) {
            return base::Failure("the file cannot be read: " + file.Reason() + ".");
        }
        if (more.empty()) {
            break;  // the file shrank while it was read: decode what was there
        }
        bytes += more;
        needed = host::BmpBytesNeeded(host::AsBytes(bytes), file.Size());
    }
    return {};
}

}  // namespace

CPictureCache::CPictureCache(uint64_t maxHeldBytes)
    : maxHeldBytes_(maxHeldBytes), held_(std::make_shared<uint64_t>(0)) {}

base::Result<CPictureCache::Picture> CPictureCache::Load(const std::filesystem::path& path,
                                                         const host::FileOpener& open) {
    host::InputFile file = open(path);
    if (!file.IsOpen()) {
        return base::Failure(file.Fault() == host::FileFault::kNotAFile
                                 ? "it is not a regular file."
                                 : "the file cannot be opened: " + file.Reason() + ".");
    }
    const uint64_t size = file.Size();
    if (size > kMaxFileBytes) {
        return base::Fail("the file is %u bytes long; images over 256 MiB are not read.", {size});
    }
    const host::FileStamp& stamp = file.Stamp();
    const std::pair key{stamp.device, stamp.inode};
    if (const auto found = entries_.find(key);
        found != entries_.end() && found->second.stamp == stamp) {
        if (Picture shared = found->second.picture.lock()) {
            return shared;
        }
    }

    std::string bytes;
    if (base::Result<void> read = ReadDeclared(file, bytes); !read) {
        return read.failure();
    }
    const uint64_t fileSize = std::max<uint64_t>(bytes.size(), size);
    const base::Result<host::BmpHeader> header =
        host::ReadBmpHeader(host::AsBytes(bytes), fileSize);
    if (!header) {
        return header.failure();
    }
    const uint64_t pictureBytes = uint64_t(header->width) * uint64_t(header->height) * 4;
    if (*held_ + pictureBytes > maxHeldBytes_) {
        return base::Fail(
            "its %u bytes of pixels would take the pictures held at once past %u MiB.",
            {pictureBytes, maxHeldBytes_ >> 20});
    }
    base::Result<host::Surface> decoded = host::DecodeBmp(host::AsBytes(bytes), fileSize);
    if (!decoded) {
        return decoded.failure();
    }
    *held_ += pictureBytes;
    Picture picture(new host::Surface(std::move(*decoded)),
                    [held = held_, pictureBytes](const host::Surface* gone) {
                        *held -= pictureBytes;
                        delete gone;
                    });
    // Files no picture is held of any more are forgotten as new ones come.
    std::erase_if(entries_, [](const auto& entry) { return entry.second.picture.expired(); });
    entries_[key] = Entry{stamp, picture};
    return picture;
}

}  // namespace stagehand
