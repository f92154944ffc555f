// SPDX-License-Identifier: MIT
// Windows port names: COM1 ... COM6 for ports 1 ... 6, "COMn" and "\\.\COMn" for any port (any
// case, n from 1 to 9999 without leading zeros); present are the COM devices the system knows.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "link/port_name.h"

namespace {

constexpr char kDevicePrefix[] = "\\\\.\\";
constexpr int kMaxDigits = 4;
constexpr DWORD kDeviceListSize = 256 * 1024;

bool isCom(const char* text)
{
    return (text[0] == 'C' || text[0] == 'c') && (text[1] == 'O' || text[1] == 'o') &&
           (text[2] == 'M' || text[2] == 'm');
}

// n when text is "COMn" in any case; 0 otherwise.
int comNumber(const char* text)
{
    if (!isCom(text) || text[3] < '1' || text[3] > '9') return 0;
    int number = 0;
    int digits = 0;
    for (const char* p = text + 3; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || ++digits > kMaxDigits) return 0;
        number = number * 10 + (*p - '0');
    }
    return number;
}

// Ports 1 ... 9 open as "COMn"; from 10 on only the device form "\\.\COMn" reaches them.
void comPort(int number, const char* label, PortChoice& port)
{
    std::snprintf(port.device, sizeof port.device, number < 10 ? "COM%d" : "\\\\.\\COM%d", number);
    std::snprintf(port.label, sizeof port.label, "%s", label);
}

}  // namespace

void fixedPort(int number, PortChoice& port)
{
    portDeviceName(number, port.device, sizeof port.device);
    std::snprintf(port.label, sizeof port.label, "%d", number);
}

bool portFromText(const char* text, PortChoice& port)
{
    const std::size_t prefix = std::strlen(kDevicePrefix);
    const int number = comNumber(std::strncmp(text, kDevicePrefix, prefix) == 0 ? text + prefix : text);
    if (number == 0) return false;
    comPort(number, text, port);
    return true;
}

void listPresentPorts(PortList& list)
{
    static char names[kDeviceListSize];
    static int numbers[kMaxPresentPorts];
    int count = 0;
    const DWORD size = QueryDosDeviceA(nullptr, names, kDeviceListSize);
    for (DWORD at = 0; size != 0 && at < size && names[at] != '\0'; at += std::strlen(names + at) + 1) {
        const int number = comNumber(names + at);
        if (number > kFixedPortCount && count < kMaxPresentPorts &&
            std::find(numbers, numbers + count, number) == numbers + count) {
            numbers[count++] = number;
        }
    }
    std::sort(numbers, numbers + count);
    list.count = count;
    for (int i = 0; i < count; ++i) {
        char label[16];
        std::snprintf(label, sizeof label, "COM%d", numbers[i]);
        comPort(numbers[i], label, list.ports[i].port);
        std::snprintf(list.ports[i].shown, sizeof list.ports[i].shown, "Com %d", numbers[i]);
    }
}

void portDeviceName(int port, char* out, std::size_t outSize) {
    char name[] = "COM1";
    name[3] = static_cast<char>('0' + static_cast<unsigned>(port) % 10u);
    if (outSize == 0) {
        return;
    }
    std::size_t length = std::strlen(name);
    if (length >= outSize) {
        length = outSize - 1;
    }
    std::memcpy(out, name, length);
    out[length] = '\0';
}
