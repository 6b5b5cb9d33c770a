#pragma once

// Turning a failed system call into an exception that carries the system's
// own description of `errno` and what was being attempted.

#include <string>
#include <system_error>

namespace halvora::util {

[[noreturn]] inline void throwErrno(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

}  // namespace halvora::util
