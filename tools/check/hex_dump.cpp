// SPDX-License-Identifier: MIT
#include "check/hex_dump.h"

namespace {

constexpr std::size_t kRowBytes = 16;

bool rowIsZero(const ConfigImage& image, std::size_t offset, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (image.bytes[offset + i] != 0) return false;
    }
    return true;
}

}  // namespace

void printHexDump(std::FILE* out, const ConfigImage& image)
{
    bool folding = false;
    for (std::size_t offset = 0; offset < kImageSize; offset += kRowBytes) {
        const std::size_t count = kImageSize - offset < kRowBytes ? kImageSize - offset : kRowBytes;
        if (rowIsZero(image, offset, count)) {
            if (!folding) std::fputs("*\n", out);
            folding = true;
            continue;
        }
        folding = false;
        std::fprintf(out, "%04zx ", offset);
        for (std::size_t i = 0; i < count; ++i) std::fprintf(out, " %02x", image.bytes[offset + i]);
        std::fputc('\n', out);
    }
    std::fprintf(out, "%04zx\n", kImageSize);
}
