// SPDX-License-Identifier: MIT
#include "config/config_image.h"

void clearImage(ConfigImage& image) { image.bytes.fill(0); }

void setOptionBit(ConfigImage& image, int optionByte, std::uint8_t bit)
{
    image.bytes[optionByte == 0 ? kOptionByte0Offset : kOptionByte1Offset] |= bit;
}

void setMsetField(ConfigImage& image, int n)
{
    std::uint8_t& b = image.bytes[kOptionByte1Offset];
    b = static_cast<std::uint8_t>((b & ~kOptionMsetMask) | (((4u + static_cast<unsigned>(n)) << 2) & kOptionMsetMask));
}

std::size_t sequenceOffset(int input, bool isLong)
{
    return static_cast<std::size_t>(input - 1) * kInputBlockSize + (isLong ? 0 : kShortSequenceOffset);
}
