#include "host/system/FileRead.h"

#include <unistd.h>

#include <cerrno>

namespace stagehand::host {

size_t ReadAtMost(int fd, char* buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    return got;
}

}  // namespace stagehand::host
