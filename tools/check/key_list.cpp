// SPDX-License-Identifier: MIT
#include "check/key_list.h"

#include <cstring>

#include "config/key_table.h"

namespace {

void printTable(std::FILE* out, const char* label, const KeyTable& table)
{
    for (std::size_t i = 0; i < table.count; ++i) {
        const KeyName& key = table.names[i];
        const char* name = std::strcmp(key.name, " ") == 0 ? "(space)" : key.name;
        if (key.number > 127) {
            std::fprintf(out, "%-6s %3d  %-14s shift + key %d\n", label, key.number, name, key.number - 128);
        } else {
            std::fprintf(out, "%-6s %3d  %s\n", label, key.number, name);
        }
    }
}

}  // namespace

void printKeyList(std::FILE* out)
{
    std::fprintf(out, "%-6s %3s  %s\n", "table", "key", "name");
    printTable(out, "main", mainKeyTable());
    printTable(out, "keypad", keypadKeyTable());
}
