// SPDX-License-Identifier: MIT
#include "sim_options.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A number (decimal, 0x hex or 0 octal) within lo ... hi.
bool parseNumber(const char* text, long lo, long hi, long& value) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 0);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) {
        return false;
    }
    value = v;
    return true;
}

// A byte: a number 0 ... 255, or a single character standing for itself.
bool parseByte(const char* text, std::uint8_t& value) {
    long v = 0;
    if (parseNumber(text, 0, 255, v)) {
        value = static_cast<std::uint8_t>(v);
        return true;
    }
    if (text != nullptr && text[0] != '\0' && text[1] == '\0' && (text[0] < '0' || text[0] > '9')) {
        value = static_cast<std::uint8_t>(text[0]);
        return true;
    }
    return false;
}

bool complain(const char* option, const char* value) {
    std::fprintf(stderr, "pylo-sim: bad value for %s: %s\n", option, value != nullptr ? value : "(missing)");
    return false;
}

// The field of an option that counts write commands or bytes (1 and up), or nullptr.
long* countOption(SimOptions& options, const char* name) {
    const struct {
        const char* name;
        long SimOptions::*field;
    } kCounts[] = {{"--silent-from", &SimOptions::silentFrom},
                   {"--unplug-after", &SimOptions::unplugAfter},
                   {"--skip-write", &SimOptions::skipWrite},
                   {"--stall-after", &SimOptions::stallAfter},
                   {"--double-write", &SimOptions::doubleWrite},
                   {"--stop-reading-after", &SimOptions::stopReadingAfter}};
    for (const auto& option : kCounts) {
        if (std::strcmp(name, option.name) == 0) return &(options.*option.field);
    }
    return nullptr;
}

// The field of an option that takes milliseconds (0 ... 60000), or nullptr.
int* millisecondOption(SimOptions& options, const char* name) {
    if (std::strcmp(name, "--delay") == 0) return &options.delayMs;
    if (std::strcmp(name, "--late-start") == 0) return &options.lateStartMs;
    return nullptr;
}

}  // namespace

void defaultSimOptions(SimOptions& options) {
    options.linkPath = nullptr;
    options.memoryOut = nullptr;
    options.wireLog = nullptr;
    options.show = false;
    options.greetingAnswered = true;
    options.greetingReply = '!';
    options.silentFrom = 0;
    options.unplugAfter = 0;
    options.skipWrite = 0;
    options.lateStartMs = 0;
    options.stallAfter = 0;
    options.doubleStart = false;
    options.doubleWrite = 0;
    options.doubleStore = false;
    options.stopReadingAfter = 0;
    options.delayMs = 0;
    options.ack = kDefaultAck;
    options.fill = 0;
    options.once = false;
    options.baud = 0;
}

bool parseSimOptions(int argc, char** argv, SimOptions& options, bool& help) {
    help = false;
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        long number = 0;
        if (std::strcmp(name, "--help") == 0 || std::strcmp(name, "-h") == 0) {
            help = true;
            return true;
        }
        if (std::strcmp(name, "--show") == 0) {
            options.show = true;
        } else if (std::strcmp(name, "--once") == 0) {
            options.once = true;
        } else if (std::strcmp(name, "--no-greeting-reply") == 0) {
            options.greetingAnswered = false;
        } else if (std::strcmp(name, "--double-start") == 0) {
            options.doubleStart = true;
        } else if (std::strcmp(name, "--double-store") == 0) {
            options.doubleStore = true;
        } else if (std::strcmp(name, "--link") == 0 || std::strcmp(name, "--memory-out") == 0 ||
                   std::strcmp(name, "--wire-log") == 0) {
            if (value == nullptr || *value == '\0') {
                return complain(name, value);
            }
            const char** target = name[2] == 'l' ? &options.linkPath
                                  : name[2] == 'm' ? &options.memoryOut
                                                   : &options.wireLog;
            *target = value;
            ++i;
        } else if (std::strcmp(name, "--greeting-reply") == 0) {
            if (!parseByte(value, options.greetingReply)) {
                return complain(name, value);
            }
            options.greetingAnswered = true;
            ++i;
        } else if (std::strcmp(name, "--ack") == 0) {
            if (!parseByte(value, options.ack)) {
                return complain(name, value);
            }
            ++i;
        } else if (std::strcmp(name, "--fill") == 0) {
            if (!parseByte(value, options.fill)) {
                return complain(name, value);
            }
            ++i;
        } else if (long* count = countOption(options, name)) {
            if (!parseNumber(value, 1, LONG_MAX, *count)) {
                return complain(name, value);
            }
            ++i;
        } else if (int* ms = millisecondOption(options, name)) {
            if (!parseNumber(value, 0, 60000, number)) {
                return complain(name, value);
            }
            *ms = static_cast<int>(number);
            ++i;
        } else if (std::strcmp(name, "--baud") == 0) {
            if (!parseNumber(value, 1, 4000000, options.baud)) {
                return complain(name, value);
            }
            ++i;
        } else {
            std::fprintf(stderr, "pylo-sim: unknown option %s (try --help)\n", name);
            return false;
        }
    }
    return true;
}

void printSimUsage(const char* program) {
    std::printf(
        "Usage: %s [options]\n"
        "A simulated PYLO on a pseudo-terminal. The terminal's path is the first line printed.\n"
        "A session runs from the first byte received to the closing byte 0xED, or until the\n"
        "host closes the port.\n"
        "\n"
        "  --link PATH            also make PATH a symbolic link to the terminal\n"
        "  --memory-out FILE      write the 8196-byte memory to FILE when a session ends\n"
        "  --wire-log FILE        append every byte received in a session to FILE\n"
        "  --show                 when a session ends, print what each input received\n"
        "  --once                 exit after the first session\n"
        "  --greeting-reply BYTE  answer the greeting with BYTE instead of \"!\"\n"
        "  --no-greeting-reply    do not answer the greeting\n"
        "  --silent-from N        answer nothing from the Nth write command (1-based) on\n"
        "  --unplug-after N       hang up the terminal after answering the Nth write command,\n"
        "                         as an unplugged adapter does, and exit\n"
        "  --skip-write N         leave the Nth write command unanswered, answer the others\n"
        "  --late-start MS        answer \"K\" MS milliseconds after it came, on its own\n"
        "  --double-start         answer \"K\" twice: the second reply one byte time after the\n"
        "                         first, on its own (as a late or extra byte always comes)\n"
        "  --double-write N       answer the Nth write command twice so\n"
        "  --double-store         answer \"S\" twice so\n"
        "  --stall-after N        stop taking bytes after the Nth byte of a session, as a line\n"
        "                         whose flow is stopped does: the host's writes time out\n"
        "  --stop-reading-after N read nothing after the Nth byte of a session, with no flow\n"
        "                         control: the host's writes still go out, unanswered\n"
        "  --delay MS             wait MS milliseconds before each reply\n"
        "  --ack BYTE             reply to write commands, \"K\" and \"S\" (default 0x%02X)\n"
        "  --fill BYTE            initial memory content (default 0)\n"
        "  --baud RATE            pace both directions like a line of RATE baud, 8N1\n"
        "                         (9600: about 1.04 ms a byte)\n"
        "  --help                 this text\n"
        "\n"
        "BYTE is a number (decimal, or hexadecimal with 0x) or a single non-digit character.\n",
        program, kDefaultAck);
}
