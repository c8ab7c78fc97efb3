#include "host/files/ChangeWatch.h"

#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace stagehand::host {
namespace {

// Everything that can make a cached file read differently. A watch on an inode already
// watched replaces its mask, so files and folders share one mask and none narrows another.
constexpr uint32_t kEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE |
                             IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

// Filesystems whose files other machines (or the host of a virtual machine, or a FUSE
// daemon) can change without this kernel noticing, so inotify stays silent about them.
constexpr uint32_t kUnseenChangeFilesystems[] = {
    0x00006969,  // NFS
    0x0000517B,  // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x65735546,  // FUSE (sshfs, virtiofs, gluster, ...)
    0x01021997,  // 9P
    0x00C36400,  // Ceph
    0x5346414F,  // AFS
    0x6B414653,  // kAFS
    0x73757245,  // Coda
    0x0000564C,  // NCP
    0x01161970,  // GFS2
    0x7461636F,  // OCFS2
    0x0BD00BD0,  // Lustre
    0x47504653,  // GPFS
    0x20030528,  // OrangeFS
    0x19830326,  // BeeGFS
    0x786F4256,  // VirtualBox shared folders
    0xBACBACBC,  // VMware shared folders
    0x7C7C6673,  // Parallels shared folders
};

}  // namespace

ChangeWatch::ChangeWatch() {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_ < 0) {
        return;
    }
    const int epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (epoll < 0) {
        return;
    }
    epoll_event interest{};
    interest.events = EPOLLIN;
    if (::epoll_ctl(epoll, EPOLL_CTL_ADD, inotify_, &interest) != 0) {
        ::close(epoll);
        return;
    }
    epoll_ = epoll;
}

ChangeWatch::~ChangeWatch() {
    if (epoll_ >= 0) {
        ::close(epoll_);
    }
    if (inotify_ >= 0) {
        ::close(inotify_);
    }
}

bool ChangeWatch::SeesEveryChange(const std::filesystem::path& path) {
    struct statfs info {};
    if (::statfs(path.c_str(), &info) != 0) {
        return false;
    }
    const auto type = static_cast<uint32_t>(info.f_type);
    return std::find(std::begin(kUnseenChangeFilesystems), std::end(kUnseenChangeFilesystems),
                     type) == std::end(kUnseenChangeFilesystems);
}

ChangeWatch::Watch* ChangeWatch::Find(int id) {
    auto found =
        std::find_if(watches_.begin(), watches_.end(), [&](const Watch& w) { return w.id == id; });
    return found == watches_.end() ? nullptr : &*found;
}

int ChangeWatch::Add(const std::filesystem::path& path, bool folder) {
    if (!Available()) {
        return -1;
    }
    const int id = ::inotify_add_watch(inotify_, path.c_str(), kEvents | (folder ? IN_ONLYDIR : 0));
    if (id < 0) {
        return -1;
    }
    // The kernel gives an inode already watched its existing watch.
    Watch* watch = Find(id);
    if (watch != nullptr && watch->alive) {
        ++watch->holders;
        return id;
    }
    // A new watch (the kernel hands out ids in a cycle, so an ended one is not reused soon).
    if ((watch == nullptr && watches_.size() >= kMaxWatches) || !SeesEveryChange(path)) {
        ::inotify_rm_watch(inotify_, id);
        return -1;
    }
    if (watch == nullptr) {
        watch = &watches_.emplace_back();
        watch->id = id;
    }
    watch->alive = true;
    ++watch->holders;
    return id;
}

void ChangeWatch::Remove(int id) {
    Watch* watch = Find(id);
    if (watch == nullptr || --watch->holders > 0) {
        return;
    }
    if (watch->alive) {
        ::inotify_rm_watch(inotify_, id);
    }
    *watch = watches_.back();
    watches_.pop_back();
}

bool ChangeWatch::Pending() {
    if (!Available()) {
        return false;
    }
    epoll_event ready{};
    // An error counts as pending: the drain then reads the instance itself.
    return ::epoll_wait(epoll_, &ready, 1, 0) != 0;
}

void ChangeWatch::Drain(const std::function<void(const Change&)>& visit) {
    if (!Available()) {
        return;
    }
    for (size_t reads = 0; reads < kMaxReadsPerDrain; ++reads) {
        const ssize_t got = ::read(inotify_, buffer_.data(), buffer_.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (got <= 0 || !Deliver(static_cast<size_t>(got), visit)) {
            visit(Change{});
            return;
        }
    }
    // More waits than one drain reads; what is left is read next time, but the caller must
    // not trust anything before then.
    visit(Change{});
}

bool ChangeWatch::Deliver(size_t bytes, const std::function<void(const Change&)>& visit) {
    size_t offset = 0;
    while (offset < bytes) {
        inotify_event event{};
        if (bytes - offset < sizeof event) {
            return false;
        }
        std::memcpy(&event, buffer_.data() + offset, sizeof event);
        offset += sizeof event;
        if (event.len > bytes - offset) {
            return false;
        }
        const char* name = buffer_.data() + offset;
        offset += event.len;

        Change change;
        change.mask = event.mask;
        if ((event.mask & IN_Q_OVERFLOW) == 0) {
            change.watch = event.wd;
            change.name = std::string_view(name, ::strnlen(name, event.len));
        }
        if ((event.mask & IN_IGNORED) != 0) {
            if (Watch* ended = Find(event.wd)) {
                ended->alive = false;
            }
        }
        visit(change);
    }
    return true;
}

}  // namespace stagehand::host
