// The error a Result carries, or "" when it holds a value, for tests that look into the
// reason whichever way an operation went.
#pragma once

#include <string>

#include "base/Result.h"

namespace stagehand::testing {

template <typename T>
std::string ErrorOf(const base::Result<T>& result) {
    return result ? std::string() : result.error();
}

}  // namespace stagehand::testing
