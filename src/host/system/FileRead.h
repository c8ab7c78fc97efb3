// Reading from a file descriptor without being cut short by signals.
#pragma once

#include <cstddef>

namespace stagehand::host {

// Reads until `size` bytes have come, the file ends or an error other than an interruption
// occurs; returns how many bytes were read.
size_t ReadAtMost(int fd, char* buffer, size_t size);

}  // namespace stagehand::host
