// libFuzzer target for the compiler and the checker together: any bytes as a configuration,
// compiled from memory. The image obeys the layout's rules, comes out the same with and
// without the checker's observer, and does not change with text after a Ctrl-Z, a leading
// byte-order mark or CR LF line ends; the checker's report prints and adds up.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "check/diagnostics.h"
#include "config/config_reader.h"

namespace {

ConfigImage gImage;
ConfigImage gOther;
std::FILE* gSink = nullptr;

void fail(const char* what, std::size_t offset)
{
    std::fprintf(stderr, "broken: %s (offset %zu)\n", what, offset);
    std::abort();
}

// Compiles into an image that first holds garbage, so a missing clear shows as a difference.
void compile(const std::uint8_t* data, std::size_t size, ConfigImage& image, std::uint8_t garbage)
{
    image.bytes.fill(garbage);
    compileConfigBuffer(data, size, image);
}

// Whether the entry at offset breaks a rule; its first byte with the R and S flags cleared.
__attribute__((always_inline, no_sanitize("address", "undefined"))) inline bool badEntry(const std::uint8_t* bytes, std::size_t offset, std::uint8_t flagMask)
{
    const std::uint8_t first = bytes[offset] & flagMask;
    if (first == 0x40) return false;  // value entry: any number
    return (first & 0xE0) != 0 || (first & 0x06) == 0x06 || (first & 0x18) == 0x18 || bytes[offset + 1] > 0x7F;
}

// Which rule the entry breaks, once one is known to be broken.
void failEntry(const std::uint8_t* bytes, std::size_t offset, std::uint8_t flagMask)
{
    const std::uint8_t first = bytes[offset] & flagMask;
    if ((first & 0xE0) != 0) fail("key or raw entry with bits 5-7 set", offset);
    if ((first & 0x06) == 0x06) fail("both case bits set", offset);
    if ((first & 0x18) == 0x18) fail("both plus and minus set", offset);
    fail("key or raw entry number above 0x7F", offset + 1);
}

// What every image obeys. A loop over a fixed array: left out of the sanitizers, whose checks
// on its 3,456 entries would cost more than a compile.
__attribute__((no_sanitize("address", "undefined"))) void checkLayout(const ConfigImage& image)
{
    const std::uint8_t* bytes = image.bytes.data();
    for (std::size_t offset = 72 * 96; offset < kImageSize; ++offset) {
        if (offset != 8188 && offset != 8189 && bytes[offset] != 0) fail("byte outside the input blocks and options", offset);
    }
    const std::uint8_t option0 = bytes[8188];
    const std::uint8_t option1 = bytes[8189];
    if ((option0 & 0xF0) != 0) fail("option byte 0 bits 4-7", 8188);
    if ((option1 & 0x60) != 0) fail("option byte 1 bits 5-6", 8189);
    const std::uint8_t mset = option1 & 0x1C;
    if (mset != 0 && (mset & 0x10) == 0) fail("MSET field neither 0 nor 4 ... 7", 8189);
    for (std::size_t block = 0; block < 72 * 96; block += 96) {
        for (std::size_t offset = block; offset < block + 96; offset += 2) {
            // The first entry of each sequence carries its R and S flags.
            const std::uint8_t mask = offset == block || offset == block + 64 ? 0x5F : 0xFF;
            if (badEntry(bytes, offset, mask)) failEntry(bytes, offset, mask);
        }
    }
}

void checkSame(const ConfigImage& a, const ConfigImage& b, const char* what)
{
    if (a.bytes == b.bytes) return;
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (a.bytes[i] != b.bytes[i]) fail(what, i);
    }
}

void checkReport(const CheckReport& report)
{
    const long long kept = static_cast<long long>(report.items.size());
    if (kept > kMostDiagnostics) fail("more findings kept than the limit", 0);
    if (kept + report.omitted != report.warnings + report.notes) fail("findings do not add up", 0);
    long long warnings = 0;
    for (const Diagnostic& d : report.items) {
        if (d.line < 1 || d.column < 1) fail("finding before line 1, column 1", 0);
        if (!d.source.empty() && (d.caret < 0 || d.caret > static_cast<int>(d.source.size()))) fail("caret beyond its source line", 0);
        if (d.severity == Severity::Warning) ++warnings;
    }
    if (report.omitted == 0 && warnings != report.warnings) fail("warnings miscounted", 0);
    printReport(gSink, "fuzz.txt", report);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    gSink = std::fopen("/dev/null", "w");
    if (gSink == nullptr) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::uint8_t kMark[3] = {0xEF, 0xBB, 0xBF};
    static const char kAfterEnd[] = "\x1A" "in01:[a]\nprel:y\n";

    // Local, so that every run frees what it allocates and libFuzzer sees no leak to chase.
    CheckReport report;
    std::vector<std::uint8_t> variant;
    variant.reserve(2 * size + 3 + sizeof kAfterEnd);

    compile(data, size, gImage, 0xA5);
    checkLayout(gImage);

    // The checker's observer changes nothing.
    gOther.bytes.fill(0x5A);
    checkConfigBuffer(data, size, report, gOther);
    checkSame(gImage, gOther, "the checker's image differs");
    checkReport(report);

    // One rewrite of the text that must not change the image, chosen by the input's length so
    // that each run compiles three times, not five, and every rewrite is still tried.
    switch (size % 3) {
    case 0:  // anything after a Ctrl-Z is never read
        variant.assign(data, data + size);
        variant.insert(variant.end(), kAfterEnd, kAfterEnd + sizeof kAfterEnd - 1);
        compile(variant.data(), variant.size(), gOther, 0xFF);
        checkSame(gImage, gOther, "text after Ctrl-Z changed the image");
        break;
    case 1:  // a byte-order mark in front changes nothing, unless the input starts with one
        if (size >= 3 && std::memcmp(data, kMark, 3) == 0) break;
        variant.assign(kMark, kMark + 3);
        variant.insert(variant.end(), data, data + size);
        compile(variant.data(), variant.size(), gOther, 0x00);
        checkSame(gImage, gOther, "a leading byte-order mark changed the image");
        break;
    default:  // without carriage returns of its own, the text with CR LF line ends compiles alike
        if (std::memchr(data, '\r', size) != nullptr || std::memchr(data, '\n', size) == nullptr) break;
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] == '\n') variant.push_back('\r');
            variant.push_back(data[i]);
        }
        compile(variant.data(), variant.size(), gOther, 0x33);
        checkSame(gImage, gOther, "CR LF line ends changed the image");
    }
    return 0;
}
