// Opens the input as a disc image after 16 sectors of zeros (the system area, so that seeds
// hold only descriptors and folders), walks the whole tree and reads the first and last byte
// of every file; aborts when a refusal gives no reason, when an entry's extent lies outside
// the image, when a folder is reached twice or when a file's bytes are not the image's.
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "host/disc/DiscImage.h"

#include "FuzzCheck.h"

using namespace stagehand;

namespace {

constexpr size_t kSystemArea = 16 * 2048;

// Reads one byte of a file and checks it is the image's byte at `at`.
void CheckByte(host::InputFile& file, uint64_t offset, const std::string& image, uint64_t at) {
    std::string byte;
    FUZZ_CHECK(file.ReadSpan(offset, 1, byte));
    FUZZ_CHECK(byte.size() == 1 && byte[0] == image[at]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("disc", 0);
    FUZZ_CHECK(fd >= 0);
    std::string image(kSystemArea, '\0');
    image.append(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(ftruncate(fd, 0) == 0);
    FUZZ_CHECK(pwrite(fd, image.data(), image.size(), 0) == static_cast<ssize_t>(image.size()));
    auto disc = host::DiscImage::Open(host::InputFile::Open("/proc/self/fd/" + std::to_string(fd)));
    if (!disc) {
        FUZZ_CHECK(!disc.error().empty());
        return 0;
    }
    std::vector<bool> reached(disc->FolderCount(), false);
    std::vector<size_t> folders = {host::DiscImage::kRoot};
    reached[host::DiscImage::kRoot] = true;
    while (!folders.empty()) {
        const size_t folder = folders.back();
        folders.pop_back();
        for (const host::DiscImage::Entry& entry : disc->Children(folder)) {
            FUZZ_CHECK(!entry.name.empty());
            FUZZ_CHECK(entry.offset <= image.size() && entry.size <= image.size() - entry.offset);
            if (entry.folder) {
                FUZZ_CHECK(entry.index < reached.size() && !reached[entry.index]);
                reached[entry.index] = true;
                folders.push_back(entry.index);
                continue;
            }
            host::InputFile file = disc->OpenFile(entry);
            FUZZ_CHECK(file.IsOpen() && file.Size() == entry.size);
            if (entry.size > 0) {
                CheckByte(file, 0, image, entry.offset);
                CheckByte(file, entry.size - 1, image, entry.offset + entry.size - 1);
            }
        }
    }
    return 0;
}
