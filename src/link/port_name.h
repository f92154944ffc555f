// SPDX-License-Identifier: MIT
// Port names: what a port argument or a typed answer names, what is opened for it and what the
// messages call it; and the ports present on this system beyond the six fixed ones.
// One implementation per platform.
#pragma once

#include <cstddef>

constexpr std::size_t kPortTextSize = 4096;  // a path as long as Linux allows, NUL included
constexpr std::size_t kPortLineSize = 256;   // a line of the chooser
constexpr int kFixedPortCount = 6;
constexpr int kMaxPresentPorts = 32;

// The device name of port 1 ... 6 ("COM3" on Windows, "/dev/ttyS2" on Linux) into out.
void portDeviceName(int port, char* out, std::size_t outSize);

struct PortChoice {
    char device[kPortTextSize];  // what is opened: "/dev/ttyS0", "COM3", "\\.\COM12"
    char label[kPortTextSize];   // what the messages name: "1" ... "6", or the port as named
};

struct PresentPort {
    PortChoice port;
    char shown[kPortLineSize];  // its line in the chooser
};

struct PortList {
    int count;
    PresentPort ports[kMaxPresentPorts];
};

// Port 1 ... 6: the platform's device for it, labelled with its digit.
void fixedPort(int number, PortChoice& port);

// The port that text names in a form other than "1" ... "6" (Windows: "COMn", "\\.\COMn"; Linux:
// an absolute path, or the name of an entry under /dev); false when it names none. The label is
// the text as it stands.
bool portFromText(const char* text, PortChoice& port);

// The ports present beyond the six fixed ones, in the order the chooser lists them (at most
// kMaxPresentPorts).
void listPresentPorts(PortList& list);
