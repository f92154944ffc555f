// SPDX-License-Identifier: MIT
// Linux port names: /dev/ttyS0 ... /dev/ttyS5 for ports 1 ... 6, any absolute path, a name under
// /dev; present are the adapters under /dev/serial/by-id and the USB and ACM terminals.
#include "link/port_name_posix.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>


namespace {

constexpr char kDeviceRoot[] = "/dev";
constexpr const char* kTerminalPrefixes[] = {"ttyACM", "ttyUSB"};

using Text = char[kPortTextSize];

// out = the parts one after the other; false (out unchanged) when they do not fit.
template <std::size_t N>
bool join(char (&out)[N], std::initializer_list<const char*> parts)
{
    std::size_t total = 0;
    for (const char* part : parts) total += std::strlen(part);
    if (total >= N) return false;
    std::size_t at = 0;
    for (const char* part : parts) {
        const std::size_t n = std::strlen(part);
        std::memcpy(out + at, part, n);
        at += n;
    }
    out[at] = '\0';
    return true;
}

const char* baseName(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

// The length of the "ttyUSB" or "ttyACM" prefix of a name made of it and digits; 0 otherwise.
std::size_t terminalPrefixLength(const char* name)
{
    for (const char* prefix : kTerminalPrefixes) {
        const std::size_t n = std::strlen(prefix);
        if (std::strncmp(name, prefix, n) != 0 || name[n] == '\0') continue;
        const char* p = name + n;
        while (*p >= '0' && *p <= '9') ++p;
        if (*p == '\0') return n;
    }
    return 0;
}

struct Name {
    char text[kPortLineSize];  // an entry of a folder: NAME_MAX is 255
};

// Name order, with the numbers of terminal names compared as numbers (ttyUSB2 before ttyUSB10).
bool terminalBefore(const Name& a, const Name& b)
{
    const std::size_t n = terminalPrefixLength(a.text);  // both are "ttyACM" or "ttyUSB"
    const int byPrefix = std::strncmp(a.text, b.text, n);
    if (byPrefix != 0) return byPrefix < 0;
    const std::size_t da = std::strlen(a.text + n);
    const std::size_t db = std::strlen(b.text + n);
    if (da != db) return da < db;
    return std::strcmp(a.text + n, b.text + n) < 0;
}

bool nameBefore(const Name& a, const Name& b) { return std::strcmp(a.text, b.text) < 0; }

struct NameSet {
    int count;
    Name names[kMaxPresentPorts];
};

// The entries of folder that keep(name) accepts, sorted with before.
void readFolder(const char* folder, bool (*keep)(const char*), bool (*before)(const Name&, const Name&),
                NameSet& set)
{
    set.count = 0;
    DIR* dir = opendir(folder);
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        if (set.count == kMaxPresentPorts) break;
        if (keep(entry->d_name) && join(set.names[set.count].text, {entry->d_name})) ++set.count;
    }
    closedir(dir);
    std::sort(set.names, set.names + set.count, before);
}

bool isVisible(const char* name) { return name[0] != '.'; }
bool isTerminal(const char* name) { return terminalPrefixLength(name) != 0; }

void addPort(PortList& list, const char* device, const char* shown)
{
    if (list.count == kMaxPresentPorts) return;
    PresentPort& entry = list.ports[list.count];
    if (join(entry.port.device, {device}) && join(entry.port.label, {device}) && join(entry.shown, {shown})) {
        ++list.count;
    }
}

}  // namespace

void fixedPort(int number, PortChoice& port)
{
    portDeviceName(number, port.device, sizeof port.device);
    std::snprintf(port.label, sizeof port.label, "%d", number);
}

bool portFromTextUnder(const char* deviceRoot, const char* text, PortChoice& port)
{
    Text device;
    if (text[0] == '/') {
        if (!join(device, {text})) return false;
    } else {
        struct stat info;
        if (text[0] == '\0' || std::strchr(text, '/') != nullptr) return false;
        if (!join(device, {deviceRoot, "/", text})) return false;
        if (stat(device, &info) != 0 || S_ISDIR(info.st_mode)) return false;
    }
    return join(port.label, {text}) && join(port.device, {device});
}

void listPresentPortsUnder(const char* deviceRoot, PortList& list)
{
    static NameSet links;
    static NameSet terminals;
    static Name linkTargets[kMaxPresentPorts];
    list.count = 0;
    Text folder;
    links.count = 0;
    if (join(folder, {deviceRoot, "/serial/by-id"})) readFolder(folder, isVisible, nameBefore, links);
    for (int i = 0; i < links.count; ++i) {
        Text path;
        Text target;
        Text shown;
        linkTargets[i].text[0] = '\0';
        if (!join(path, {folder, "/", links.names[i].text})) continue;
        const ssize_t n = readlink(path, target, sizeof target - 1);
        if (n <= 0) continue;
        target[n] = '\0';
        join(linkTargets[i].text, {baseName(target)});
        if (join(shown, {links.names[i].text, "  (", deviceRoot, "/", linkTargets[i].text, ")"})) {
            addPort(list, path, shown);
        }
    }
    readFolder(deviceRoot, isTerminal, terminalBefore, terminals);
    for (int i = 0; i < terminals.count; ++i) {
        bool linked = false;
        for (int j = 0; j < links.count; ++j) {
            linked = linked || std::strcmp(linkTargets[j].text, terminals.names[i].text) == 0;
        }
        Text path;
        if (!linked && join(path, {deviceRoot, "/", terminals.names[i].text})) addPort(list, path, path);
    }
}

bool portFromText(const char* text, PortChoice& port) { return portFromTextUnder(kDeviceRoot, text, port); }

void listPresentPorts(PortList& list) { listPresentPortsUnder(kDeviceRoot, list); }

void portDeviceName(int port, char* out, std::size_t outSize) {
    std::snprintf(out, outSize, "/dev/ttyS%d", port - 1);
}
