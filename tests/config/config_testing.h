// Helpers for the compiler tests: temporary configuration files, expected images built
// from (offset, bytes) runs, and whole-image comparison that names every differing byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "config/config_image.h"

// Offsets worked out here on purpose rather than taken from the compiler.
constexpr std::size_t longAt(int input) { return static_cast<std::size_t>(input - 1) * 96; }
constexpr std::size_t shortAt(int input) { return static_cast<std::size_t>(input - 1) * 96 + 64; }
constexpr std::size_t kOpt0 = 8188;
constexpr std::size_t kOpt1 = 8189;

// Bytes expected from offset on.
struct ByteRun {
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
};

// An all-zero image with the given runs written into it.
ConfigImage imageOf(const std::vector<ByteRun>& runs);

// A temporary file holding exactly content (NULs included); removed by the destructor.
struct TempFile {
    std::string path;
    explicit TempFile(std::string_view content);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
};

// Writes content to a temporary file and compiles it with readConfigFile into an image that
// was first filled with garbage, so a missing clear shows up too.
ConfigImage compileText(std::string_view content);

// Succeeds when all 8196 bytes match; otherwise lists up to 24 differing offsets.
::testing::AssertionResult sameImage(const ConfigImage& expected, const ConfigImage& actual);

// Printable form of a text that may hold control bytes, for test names and messages.
std::string visible(std::string_view text);

// A test name made of letters, digits and underscores.
std::string safeName(std::string_view label);
