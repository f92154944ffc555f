// SPDX-License-Identifier: MIT
#include "check/lsp_stdio.h"

#include <fcntl.h>
#include <io.h>

#include <climits>

namespace {

// The C runtime would turn CR LF into LF on input and LF into CR LF on output, which breaks
// every Content-Length.
void binaryMode()
{
    static const bool done = [] {
        _setmode(0, _O_BINARY);
        _setmode(1, _O_BINARY);
        return true;
    }();
    (void)done;
}

}  // namespace

ByteSource standardInput()
{
    binaryMode();
    return ByteSource{nullptr, [](void*, char* buffer, std::size_t size) -> std::size_t {
                          const int n = _read(0, buffer, static_cast<unsigned>(size < INT_MAX ? size : INT_MAX));
                          return n > 0 ? static_cast<std::size_t>(n) : 0;
                      }};
}

ByteSink standardOutput()
{
    binaryMode();
    return ByteSink{nullptr, [](void*, const char* data, std::size_t size) {
                        while (size > 0) {
                            const unsigned piece = static_cast<unsigned>(size < INT_MAX ? size : INT_MAX);
                            const int n = _write(1, data, piece);
                            if (n <= 0) return false;
                            data += n;
                            size -= static_cast<std::size_t>(n);
                        }
                        return true;
                    }};
}
