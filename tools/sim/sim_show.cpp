// SPDX-License-Identifier: MIT
#include "sim_show.h"

#include <cctype>
#include <cstring>

#include "config/key_table.h"

namespace {

const char* findName(KeyTable table, int number) {
    for (std::size_t i = 0; i < table.count; ++i) {
        if (table.names[i].number == number) {
            return table.names[i].name;
        }
    }
    return nullptr;
}

void showKeyEntry(std::FILE* out, std::uint8_t flags, std::uint8_t low) {
    int number = low + ((flags & kEntryShifted) != 0 ? 128 : 0);
    const char* name = findName(mainKeyTable(), number);
    bool keypad = false;
    if (name == nullptr) {
        name = findName(keypadKeyTable(), number);
        keypad = name != nullptr;
    }
    std::fputc('[', out);
    if ((flags & kEntryPlus) != 0) {
        std::fputs("(+)", out);
    }
    if ((flags & kEntryMinus) != 0) {
        std::fputs("(-)", out);
    }
    if (keypad) {
        std::fputs("(n)", out);
    }
    bool upper = (flags & kEntryUpper) != 0;
    if (upper || (flags & kEntryLower) != 0) {
        std::fputs("(~)", out);
    }
    if (name == nullptr) {
        std::fprintf(out, "?%d", number);
    } else if (std::strcmp(name, " ") == 0) {
        std::fputs("space", out);
    } else if (upper && name[0] != '\0' && name[1] == '\0') {
        std::fputc(std::toupper(static_cast<unsigned char>(name[0])), out);
    } else {
        std::fputs(name, out);
    }
    std::fputc(']', out);
}

void showSequence(std::FILE* out, const SimDevice& device, int input, bool isLong) {
    std::size_t base = sequenceOffset(input, isLong);
    int slots = isLong ? kLongSlots : kShortSlots;
    const std::uint8_t* m = device.memory.data() + base;
    std::uint8_t head = m[0];
    bool rawEntries = (head & kSequenceSFlag) != 0;
    std::fprintf(out, "in%02d%c%s%s", input, isLong ? ':' : '|', (head & kSequenceRFlag) != 0 ? "<R>" : "",
                 rawEntries ? "<S>" : "");
    for (int s = 0; s < slots && m[2 * s + 1] != 0; ++s) {
        std::uint8_t flags = m[2 * s];
        if (s == 0) {
            flags = static_cast<std::uint8_t>(flags & ~(kSequenceRFlag | kSequenceSFlag));
        }
        std::uint8_t low = m[2 * s + 1];
        if (flags == kEntryValue) {
            std::fprintf(out, "[(d)%d]", low);
        } else if ((flags & ~0x1Fu) != 0 || low > 0x7F) {
            std::fprintf(out, "[?%02X %02X]", flags, low);
        } else if (rawEntries) {
            std::fprintf(out, "[%d]", low + ((flags & kEntryShifted) != 0 ? 128 : 0));
        } else {
            showKeyEntry(out, flags, low);
        }
    }
    std::fputc('\n', out);
}

bool anyWritten(const SimDevice& device, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i) {
        if (device.written[i] != 0) {
            return true;
        }
    }
    return false;
}

void showOptions(std::FILE* out, const SimDevice& device) {
    std::uint8_t o0 = device.memory[kOptionByte0Offset];
    std::uint8_t o1 = device.memory[kOptionByte1Offset];
    std::fprintf(out, "options %02X %02X:", o0, o1);
    for (int n = 1; n <= 4; ++n) {
        if ((o0 & (1u << (n - 1))) != 0) {
            std::fprintf(out, " ROT%d", n);
        }
    }
    if ((o1 & kOptionRevx) != 0) {
        std::fputs(" REVX", out);
    }
    if ((o1 & kOptionRevy) != 0) {
        std::fputs(" REVY", out);
    }
    unsigned mset = (o1 & kOptionMsetMask) >> 2;
    if (mset >= 4) {
        std::fprintf(out, " MSET:%u", mset - 4);
    }
    if ((o1 & kOptionPrel) != 0) {
        std::fputs(" PREL", out);
    }
    std::fputc('\n', out);
}

}  // namespace

void showSession(std::FILE* out, const SimDevice& device) {
    int emptied = 0;
    for (int input = 1; input <= kInputCount; ++input) {
        std::size_t block = sequenceOffset(input, true);
        if (!anyWritten(device, block, kInputBlockSize)) {
            continue;
        }
        if (device.memory[block + 1] == 0 && device.memory[block + kShortSequenceOffset + 1] == 0) {
            ++emptied;
            continue;
        }
        showSequence(out, device, input, true);
        showSequence(out, device, input, false);
    }
    if (emptied > 0) {
        std::fprintf(out, "%d input%s with both sequences empty\n", emptied, emptied == 1 ? "" : "s");
    }
    if (anyWritten(device, kOptionByte0Offset, 2)) {
        showOptions(out, device);
    }
}
