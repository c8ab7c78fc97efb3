// CPictureCache: the decoded pictures of one play, shared between every image that shows them.
//
// Decoded pictures never change, so each file is decoded once and every scene or button that
// names it draws the same copy, for as long as any of them holds it. A file is known by its
// device and inode whatever spelling named it, and is decoded again when it has changed on
// disk. The pixels held at once are bounded: a picture that would take the total past
// kMaxHeldBytes is refused (the caller traces why), so a title that names a huge picture in
// many places, or many huge pictures, cannot exhaust memory.
//
// Guarantees: Load never blocks (a named pipe is refused), reads only what the picture's
// headers declare and refuses before it allocates. Pictures may outlive the cache.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "base/Result.h"
#include "host/files/File.h"
#include "host/gfx/Surface.h"
#include "kernel/PlayerService.h"

namespace stagehand {

class CPlayer;

// The play's cache is one of the player's services (CPlayer::Service<CPictureCache>); the
// checker keeps one of its own.
class CPictureCache final : public CPlayerService {
  public:
    using Picture = std::shared_ptr<const host::Surface>;

    // Far above the pictures a title shows at once (a full screen is about 1.2 MB).
    static constexpr uint64_t kMaxHeldBytes = 512ull << 20;
    // No picture a title shows comes near this; a bigger file is not read at all.
    static constexpr uint64_t kMaxFileBytes = 256ull << 20;

    explicit CPictureCache(uint64_t maxHeldBytes = kMaxHeldBytes);
    explicit CPictureCache(CPlayer&) : CPictureCache(kMaxHeldBytes) {}

    // The picture in the BMP file at `path`, or the reason it is refused (a sentence for
    // the trace). A loaded picture is never null.
    base::Result<Picture> Load(const std::filesystem::path& path,
                               const host::FileOpener& open = host::InputFile::Open);
    // The bytes of decoded pixels held now by anyone.
    uint64_t HeldBytes() const { return *held_; }

  private:
    struct Entry {
        host::FileStamp stamp;
        std::weak_ptr<const host::Surface> picture;
    };

    uint64_t maxHeldBytes_;
    std::map<std::pair<uint64_t, uint64_t>, Entry> entries_;
    // Shared with every picture's deleter, so that pictures can outlive the cache.
    std::shared_ptr<uint64_t> held_;
};

}  // namespace stagehand
