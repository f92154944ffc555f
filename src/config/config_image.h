// SPDX-License-Identifier: MIT
// The device's configuration memory as the compiler builds it and the upload sends it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

constexpr std::size_t kImageSize = 8196;
constexpr int kInputCount = 72;
constexpr std::size_t kInputBlockSize = 96;
constexpr std::size_t kShortSequenceOffset = 64;  // within an input block
constexpr int kLongSlots = 32;
constexpr int kShortSlots = 16;
constexpr std::size_t kOptionByte0Offset = 8188;  // ROT1 ... ROT4
constexpr std::size_t kOptionByte1Offset = 8189;  // REVX, REVY, MSET field, PREL

// Flag bits of an entry's first byte.
constexpr std::uint8_t kEntryShifted = 0x01;   // key number above 127
constexpr std::uint8_t kEntryUpper = 0x02;     // case marker on an upper-case letter
constexpr std::uint8_t kEntryLower = 0x04;     // case marker on a lower-case letter
constexpr std::uint8_t kEntryPlus = 0x08;
constexpr std::uint8_t kEntryMinus = 0x10;
constexpr std::uint8_t kEntryValue = 0x40;     // the whole first byte of a value entry
constexpr std::uint8_t kSequenceSFlag = 0x20;  // first byte of a sequence only
constexpr std::uint8_t kSequenceRFlag = 0x80;  // first byte of a sequence only

constexpr std::uint8_t kOptionRevx = 0x01;
constexpr std::uint8_t kOptionRevy = 0x02;
constexpr std::uint8_t kOptionMsetMask = 0x1C;
constexpr std::uint8_t kOptionPrel = 0x80;

struct ConfigImage {
    std::array<std::uint8_t, kImageSize> bytes;
};

void clearImage(ConfigImage& image);

// ORs bit into option byte 0 or 1.
void setOptionBit(ConfigImage& image, int optionByte, std::uint8_t bit);

// Replaces the MSET field of option byte 1 with 4 + n (n = 0 ... 3).
void setMsetField(ConfigImage& image, int n);

// First offset of input n's (1 ... 72) long or short sequence.
std::size_t sequenceOffset(int input, bool isLong);

inline std::uint8_t optionByte0(const ConfigImage& image) { return image.bytes[kOptionByte0Offset]; }
inline std::uint8_t optionByte1(const ConfigImage& image) { return image.bytes[kOptionByte1Offset]; }
