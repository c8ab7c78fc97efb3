// Tells the profile reader which watched files and folders changed since it last asked,
// so that a file nobody touched is trusted without a stat. Built on one inotify instance
// whose readiness is polled through epoll: asking "anything new?" is one epoll_wait, which
// answers from a ready list the kernel fills while the writer's own call is still running,
// so a change finished before Pending() is always seen by it.
//
// Guarantees: a watch follows links and reports changes made through any path to the
// watched file or folder (events attach to the inode): writes, closes after writing,
// attribute and link-count changes, and for folders entries created, deleted or renamed in
// or out. Watches are shared per inode and counted, so Add and Remove pair up. When events
// were lost (the kernel's queue overflowed, a drain met more than it reads at once, or the
// instance failed) a kEverything change is reported instead. Every buffer is bounded:
// kBufferBytes per read, kMaxReadsPerDrain reads per drain, kMaxWatches watches.
// Where it bites: without inotify or epoll, or on a filesystem whose changes can come from
// elsewhere (network, cluster, FUSE and host-shared folders, which inotify only sees when
// this machine makes them), Add refuses and the caller must stat. Writes through a shared
// memory mapping and filesystems mounted over a watched folder make no events. Not
// thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

namespace stagehand::host {

class ChangeWatch {
  public:
    static constexpr size_t kBufferBytes = 4096;
    static constexpr size_t kMaxReadsPerDrain = 64;
    static constexpr size_t kMaxWatches = 1024;
    // The watch of a change that may concern anything watched.
    static constexpr int kEverything = -1;

    struct Change {
        int watch = kEverything;
        uint32_t mask = 0;      // IN_* bits
        std::string_view name;  // entry of a watched folder; empty for the watched object
    };

    // Opens the instance; when that fails every Add refuses.
    ChangeWatch();
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    bool Available() const { return epoll_ >= 0; }

    // Starts watching path (a folder when folder is set) and returns the watch, or -1 when
    // it cannot be watched or lives on a filesystem that does not report every change.
    int Add(const std::filesystem::path& path, bool folder);
    // Gives up one Add of watch; the last one ends the watch.
    void Remove(int watch);

    // True when changes may be waiting: one epoll_wait, nothing read.
    bool Pending();
    // Reads every waiting change and hands each to visit. A watch the kernel ended (its
    // object was deleted or unmounted) is reported with IN_IGNORED and must be added again.
    void Drain(const std::function<void(const Change&)>& visit);

    // Whether changes to the filesystem holding path always reach this machine's events.
    static bool SeesEveryChange(const std::filesystem::path& path);

  private:
    struct Watch {
        int id = -1;
        uint32_t holders = 0;
        bool alive = true;  // false once the kernel ended it
    };
    Watch* Find(int id);
    // Parses one read; false when the bytes are not whole events.
    bool Deliver(size_t bytes, const std::function<void(const Change&)>& visit);

    int inotify_ = -1;
    int epoll_ = -1;
    std::vector<Watch> watches_;
    std::array<char, kBufferBytes> buffer_{};
};

}  // namespace stagehand::host
