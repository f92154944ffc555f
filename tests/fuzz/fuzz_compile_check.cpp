// Fuzzes the whole compiler, line reader included: every input is written to a file and
// compiled with readConfigFile, then checked against properties that hold for every file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "config/config_reader.h"

namespace {

char gPath[64] = "";
ConfigImage gImage;
ConfigImage gOther;

void removeTempFile()
{
    if (gPath[0] != '\0') unlink(gPath);
}

void fail(const char* what, std::size_t offset)
{
    std::fprintf(stderr, "broken: %s (offset %zu)\n", what, offset);
    std::abort();
}

bool writeFile(const std::uint8_t* head, std::size_t headSize, const std::uint8_t* data, std::size_t size,
               const char* tail, std::size_t tailSize)
{
    std::FILE* f = std::fopen(gPath, "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(head, 1, headSize, f) == headSize;
    if (ok && size > 0) ok = std::fwrite(data, 1, size, f) == size;
    if (ok && tailSize > 0) ok = std::fwrite(tail, 1, tailSize, f) == tailSize;
    return std::fclose(f) == 0 && ok;
}

// Compiles into an image that first holds garbage, so a missing clear shows as a difference.
void compile(ConfigImage& image, std::uint8_t garbage)
{
    image.bytes.fill(garbage);
    if (!readConfigFile(gPath, image)) fail("readConfigFile could not open its file", 0);
}

void checkEntryByte(std::uint8_t first, std::uint8_t second, std::size_t offset)
{
    if (first == 0x40) return;  // value entry: any number
    if ((first & 0xE0) != 0) fail("key or raw entry with bits 5-7 set", offset);
    if ((first & 0x06) == 0x06) fail("both case bits set", offset);
    if ((first & 0x18) == 0x18) fail("both plus and minus set", offset);
    if (second > 0x7F) fail("key or raw entry number above 0x7F", offset + 1);
}

void checkImage(const ConfigImage& image)
{
    for (std::size_t i = 72 * 96; i < 8188; ++i) {
        if (image.bytes[i] != 0) fail("byte between the input blocks and the option bytes", i);
    }
    for (std::size_t i = 8190; i < 8196; ++i) {
        if (image.bytes[i] != 0) fail("byte after the option bytes", i);
    }
    const std::uint8_t option0 = image.bytes[8188];
    const std::uint8_t option1 = image.bytes[8189];
    if ((option0 & 0xF0) != 0) fail("option byte 0 bits 4-7", 8188);
    if ((option1 & 0x60) != 0) fail("option byte 1 bits 5-6", 8189);
    const std::uint8_t mset = option1 & 0x1C;
    if (mset != 0 && (mset & 0x10) == 0) fail("MSET field neither 0 nor 4 ... 7", 8189);
    for (std::size_t input = 0; input < 72; ++input) {
        for (const std::size_t start : {std::size_t{0}, std::size_t{64}}) {
            const std::size_t slots = start == 0 ? 32 : 16;
            for (std::size_t s = 0; s < slots; ++s) {
                const std::size_t offset = input * 96 + start + 2 * s;
                std::uint8_t first = image.bytes[offset];
                if (s == 0) first &= static_cast<std::uint8_t>(~0xA0u);  // R and S flags
                checkEntryByte(first, image.bytes[offset + 1], offset);
            }
        }
    }
}

void checkSame(const ConfigImage& a, const ConfigImage& b, const char* what)
{
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (a.bytes[i] != b.bytes[i]) fail(what, i);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* dir = std::getenv("TMPDIR");
    std::snprintf(gPath, sizeof gPath, "%s/fuzz_config_XXXXXX", dir != nullptr && std::strlen(dir) < 40 ? dir : "/tmp");
    const int fd = mkstemp(gPath);
    if (fd < 0) {
        std::perror("mkstemp");
        std::abort();
    }
    close(fd);
    std::atexit(removeTempFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::uint8_t kMark[3] = {0xEF, 0xBB, 0xBF};
    static const char kAfterEnd[] = "\x1A" "in01:[a]\nprel:y\n";

    if (!writeFile(data, size, nullptr, 0, nullptr, 0)) fail("cannot write the input file", 0);
    compile(gImage, 0xA5);
    checkImage(gImage);

    // Compiling again into different garbage gives the same image.
    compile(gOther, 0x5A);
    checkSame(gImage, gOther, "second compile differs");

    // Anything after a Ctrl-Z is never read.
    if (!writeFile(data, size, nullptr, 0, kAfterEnd, sizeof kAfterEnd - 1)) fail("cannot write", 0);
    compile(gOther, 0xFF);
    checkSame(gImage, gOther, "text after Ctrl-Z changed the image");

    // A byte-order mark in front changes nothing, unless the input starts with one itself.
    if (size < 3 || std::memcmp(data, kMark, 3) != 0) {
        if (!writeFile(kMark, 3, data, size, nullptr, 0)) fail("cannot write", 0);
        compile(gOther, 0x00);
        checkSame(gImage, gOther, "a leading byte-order mark changed the image");
    }

    // Without carriage returns of its own, the same text with CR LF line ends compiles alike.
    if (size > 0 && std::memchr(data, '\r', size) == nullptr && std::memchr(data, '\n', size) != nullptr) {
        std::FILE* f = std::fopen(gPath, "wb");
        if (f == nullptr) fail("cannot write", 0);
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] == '\n') std::fputc('\r', f);
            std::fputc(data[i], f);
        }
        std::fclose(f);
        compile(gOther, 0x33);
        checkSame(gImage, gOther, "CR LF line ends changed the image");
    }
    return 0;
}
