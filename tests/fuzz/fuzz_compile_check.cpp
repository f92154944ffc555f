// SPDX-License-Identifier: MIT
// libFuzzer target for the compiler and the checker together: any bytes as a configuration, compiled
// from memory. The image obeys the layout's rules, comes out the same with and without the checker's
// observer and with text after a Ctrl-Z, a leading byte-order mark or CR LF line ends; the report adds up.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "check/diagnostics.h"
#include "config/config_reader.h"

namespace {

ConfigImage gImage, gOther;

void require(bool holds, const char* what, std::size_t offset)
{
    if (holds) return;
    std::fprintf(stderr, "broken: %s (offset %zu)\n", what, offset);
    std::abort();
}

// What every image obeys (the first entry of a sequence also carries its R and S flags, a value
// entry any number). Out of the sanitizers and skipping the empty parts eight bytes at a time, so
// that it costs far less than a compile.
__attribute__((no_sanitize("address", "undefined"))) void checkLayout(const std::uint8_t* b)
{
    std::uint8_t outside = 0;
    for (std::size_t at = 72 * 96; at < 8188; ++at) outside |= b[at];
    for (std::size_t at = 8190; at < kImageSize; ++at) outside |= b[at];
    require(outside == 0, "byte outside the blocks and options", 0);
    require((b[8188] & 0xF0) == 0 && (b[8189] & 0x60) == 0, "option bits that are always 0", 8188);
    require((b[8189] & 0x1C) == 0 || (b[8189] & 0x10) != 0, "MSET field neither 0 nor 4 ... 7", 8189);
    for (std::size_t word = 0; word < 72 * 96; word += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, b + word, 8);
        if (eight == 0) continue;
        for (std::size_t at = word; at < word + 8; at += 2) {
            const std::uint8_t first = b[at] & (at % 96 == 0 || at % 96 == 64 ? 0x5F : 0xFF);
            require(first == 0x40 || ((first & 0xE0) == 0 && (first & 0x06) != 0x06 && (first & 0x18) != 0x18 && b[at + 1] <= 0x7F),
                    "key or raw entry with bits 5-7, both case bits, both plus and minus or a number above 0x7F", at);
        }
    }
}

// The two images byte for byte, in words and out of the sanitizers' range checks.
__attribute__((no_sanitize("address", "undefined"))) bool sameImages()
{
    std::uint64_t differ = 0;
    for (std::size_t at = 0; at < kImageSize; at += 4) {
        std::uint32_t a;
        std::uint32_t b;
        std::memcpy(&a, gImage.bytes.data() + at, 4);
        std::memcpy(&b, gOther.bytes.data() + at, 4);
        differ |= a ^ b;
    }
    return differ == 0;
}

// Compiles text into the other image, which still holds the last input's image (a missing clear
// shows), and compares.
void compileAlike(const std::uint8_t* text, std::size_t size, const char* what, CheckReport* report = nullptr)
{
    report != nullptr ? checkConfigBuffer(text, size, *report, gOther) : compileConfigBuffer(text, size, gOther);
    require(sameImages(), what, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const char kAfterEnd[] = "\x1A" "in01:[a]\nprel:y\n";
    static std::FILE* sink = [] {
        std::FILE* null = std::fopen("/dev/null", "w");
        std::setvbuf(null, nullptr, _IOFBF, 1 << 16);  // fewer system calls for reports nobody reads
        return null;
    }();
    // Kept from run to run, so that their buffers are allocated once, not for every input (a run that
    // allocates more than it frees is run again to look for a leak).
    static CheckReport report;
    static std::vector<std::uint8_t> text;
    gImage.bytes.fill(0xA5);
    compileConfigBuffer(data, size, gImage);
    checkLayout(gImage.bytes.data());
    compileAlike(data, size, "the checker's image differs", &report);
    long long warnings = 0;
    for (const Diagnostic& d : report.items) {
        require(d.line >= 1 && d.column >= 1, "finding before line 1, column 1", 0);
        require(d.source.empty() || (d.caret >= 0 && d.caret <= static_cast<int>(d.source.size())), "caret beyond its source line", 0);
        warnings += d.severity == Severity::Warning ? 1 : 0;
    }
    const long long kept = static_cast<long long>(report.items.size());
    require(kept <= kMostDiagnostics && kept + report.omitted == report.warnings + report.notes, "findings do not add up", 0);
    require(report.omitted != 0 || warnings == report.warnings, "warnings miscounted", 0);
    printReport(sink, "fuzz.txt", report);
    clearReport(report);  // the findings are freed by the run that made them: no leak to suspect
    // One rewrite of the text that must not change the image, chosen by the input's length so
    // that each run compiles three times, not five, and every rewrite is still tried.
    text.assign(data, data + size);
    if (size % 3 == 0) {  // anything after a Ctrl-Z is never read
        text.insert(text.end(), kAfterEnd, kAfterEnd + sizeof kAfterEnd - 1);
        compileAlike(text.data(), text.size(), "text after Ctrl-Z changed the image");
    } else if (size % 3 == 1 && (size < 3 || std::memcmp(data, "\xEF\xBB\xBF", 3) != 0)) {  // a byte-order mark, unless there is one
        text.insert(text.begin(), {0xEF, 0xBB, 0xBF});
        compileAlike(text.data(), text.size(), "a leading byte-order mark changed the image");
    } else if (size % 3 == 2 && std::memchr(data, '\r', size) == nullptr && std::memchr(data, '\n', size) != nullptr) {
        text.clear();  // CR LF line ends, in a text without CRs of its own
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] == '\n') text.push_back('\r');
            text.push_back(data[i]);
        }
        compileAlike(text.data(), text.size(), "CR LF line ends changed the image");
    }
    return 0;
}
