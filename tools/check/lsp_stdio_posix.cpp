// SPDX-License-Identifier: MIT
#include "check/lsp_stdio.h"

#include <cerrno>

#include <unistd.h>

ByteSource standardInput()
{
    return ByteSource{nullptr, [](void*, char* buffer, std::size_t size) -> std::size_t {
                          for (;;) {
                              const ssize_t n = read(STDIN_FILENO, buffer, size);
                              if (n >= 0) return static_cast<std::size_t>(n);
                              if (errno != EINTR) return 0;
                          }
                      }};
}

ByteSink standardOutput()
{
    return ByteSink{nullptr, [](void*, const char* data, std::size_t size) {
                        while (size > 0) {
                            const ssize_t n = write(STDOUT_FILENO, data, size);
                            if (n < 0 && errno == EINTR) continue;
                            if (n <= 0) return false;
                            data += n;
                            size -= static_cast<std::size_t>(n);
                        }
                        return true;
                    }};
}
