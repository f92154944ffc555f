// Helpers for the compiler tests: temporary files, the case files beside the tests, and
// images compared byte for byte.
#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "config/config_image.h"

// A temporary file holding exactly content (NULs included); removed by the destructor.
struct TempFile {
    std::string path;
    explicit TempFile(std::string_view content);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
};

// The whole of a file in tests/config (a case table or a golden file).
std::string caseFile(const char* name);

// Compiles content with readConfigFile into an image first filled with garbage, so a
// missing clear shows up too.
ConfigImage compileText(std::string_view content);

// Succeeds when all 8196 bytes match; otherwise lists up to 24 differing offsets.
::testing::AssertionResult sameImage(const ConfigImage& expected, const ConfigImage& actual);

// Printable form of a text that may hold control bytes.
std::string visible(std::string_view text);
