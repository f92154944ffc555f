// SPDX-License-Identifier: MIT
#include "check/assist_text.h"

#include <cstring>

#include "config/config_image.h"
#include "config/config_reader.h"
#include "config/key_table.h"

namespace {

std::string twoDigits(int n) { return std::string{static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)}; }

}  // namespace

std::string sequenceHead(int input, bool isLong) { return "in" + twoDigits(input) + (isLong ? ":" : "|"); }

std::string sequenceName(int input, bool isLong)
{
    return std::string(isLong ? "long" : "short") + " sequence of input " + twoDigits(input);
}

int optionLength(int length) { return length < 6 ? length : 6; }

std::string hexByte(std::uint8_t byte)
{
    static const char kDigits[] = "0123456789abcdef";
    return std::string{'0', 'x', kDigits[byte >> 4], kDigits[byte & 15]};
}

std::string keyDetail(int number, bool keypad)
{
    const KeyTable table = keypad ? keypadKeyTable() : mainKeyTable();
    std::string out = std::string(keypad ? "keypad key " : "key ") + std::to_string(number);
    if (number > 127) out += ": Shift + key " + std::to_string(number - 128);
    std::string names;
    int count = 0;
    const char* typed = nullptr;
    for (std::size_t i = 0; i < table.count; ++i) {
        if (table.names[i].number != number) continue;
        const char* name = table.names[i].name;
        if (name[0] != '\0' && name[1] == '\0') typed = name;
        if (std::strcmp(name, " ") == 0) continue;
        names += count++ == 0 ? name : std::string(", ") + name;
    }
    if (typed != nullptr) out += std::string(", types '") + typed + "'";
    return count > 1 ? out + " (" + names + ")" : out;
}

const char* markerMeaning(char marker, bool raw)
{
    if (marker == 'd' || marker == 'D') return "the rest is a number 0 ... 250, not a name";
    if (raw) return "ignored in a raw entry";
    switch (marker) {
    case '+':
        return "press the key";
    case '-':
        return "release the key";
    case 'n':
    case 'N':
        return "look the name up among the keypad keys";
    case '~':
        return "keep the case of a one-letter name";
    default:
        return "ignored";
    }
}

std::string optionName(int kind)
{
    if (kind == kKindPrel) return "PREL:Y";
    if (kind == kKindRevx) return "REVX:Y";
    if (kind == kKindRevy) return "REVY:Y";
    if (kind >= kKindMset0 && kind < kKindRot1) return "MSET:" + std::to_string(kind - kKindMset0);
    return "ROT" + std::to_string(kind - kKindRot1 + 1) + ":Y";
}

std::string optionEffect(const Statement& statement)
{
    // The compiler applies it to an empty image; what changed is what it sets.
    ConfigImage image;
    clearImage(image);
    applyStatement(statement, image);
    std::string out;
    for (const std::size_t offset : {kOptionByte0Offset, kOptionByte1Offset}) {
        const std::uint8_t bits = image.bytes[offset];
        if (bits == 0) continue;
        const std::string where = " of option byte " + std::to_string(offset - kOptionByte0Offset) + " (image offset " +
                                  std::to_string(offset) + ")";
        if (statement.kind >= kKindMset0 && statement.kind < kKindRot1) {
            out = "sets the MSET field, bits " + hexByte(kOptionMsetMask) + where + ", to " +
                  std::to_string((bits & kOptionMsetMask) >> 2) + " (4 + " +
                  std::to_string(statement.kind - kKindMset0) + ")";
        } else {
            out = "sets bit " + hexByte(bits) + where;
        }
    }
    return out;
}
