// SPDX-License-Identifier: MIT
// pylocheck: shows what a configuration file becomes, and explains what the compiler skips.
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/types.h>

#include "app/platform.h"
#include "check/check_tool.h"

namespace {

// Standard output closed at start is no place for the report: every write to it fails, as a
// write to the closed descriptor would, and pylocheck says so and ends with status 2.
ssize_t refuseWrite(void*, const char*, size_t)
{
    errno = EBADF;
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool outputClosed = fcntl(1, F_GETFD) == -1 && errno == EBADF;
    if (!prepareProcess()) return kCheckFileError;
    std::FILE* out = stdout;
    if (outputClosed) {
        out = fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, refuseWrite, nullptr, nullptr});
        if (out == nullptr) return kCheckFileError;
    }
    return runCheckTool(argc, argv, out, stderr);
}
