// SPDX-License-Identifier: MIT
// pylo-sim: a simulated PYLO on a pseudo-terminal, for tests, demonstrations and anyone
// without the device. See printSimUsage for the options.
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <poll.h>
#include <termios.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sim_device.h"
#include "sim_options.h"
#include "sim_show.h"
#include "sim_terminal.h"

namespace {

// A reply that goes out later, on its own: a late one, or the second of a doubled one.
struct Scheduled {
    std::int64_t due;
    std::uint8_t byte;
};

// Pacing of a line: each byte occupies it for 10 bit times (start, 8 data, stop).
struct SimLine {
    std::int64_t byteNs;  // 0: no pacing
    std::int64_t receiveFree;
    std::int64_t sendFree;
    Scheduled pending[8];
    int pendingCount;
};

// A late or extra byte leaves at least one byte time after what it follows, even unpaced.
constexpr std::int64_t kByteNs9600 = 10 * 1000000000LL / 9600;

struct SessionLog {
    std::array<std::uint8_t, 65536> bytes;
    std::size_t count;
};

struct Sim {
    SimOptions options;
    SimTerminal terminal;
    SimDevice device;
    SimLine line;
    SessionLog log;
    bool linkMade;
    bool quit;
    bool stalled;             // the line's flow is stopped (--stall-after)
    bool deaf;                // the device reads nothing more (--stop-reading-after)
};

Sim gSim{};  // large: kept out of the stack

std::int64_t nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void sleepUntilNs(std::int64_t when) {
    timespec ts{static_cast<time_t>(when / 1000000000), static_cast<long>(when % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void flushWireLog(Sim& sim) {
    if (sim.options.wireLog == nullptr || sim.log.count == 0) {
        sim.log.count = 0;
        return;
    }
    std::FILE* f = std::fopen(sim.options.wireLog, "ab");
    if (f == nullptr) {
        std::fprintf(stderr, "pylo-sim: cannot write %s: %s\n", sim.options.wireLog, std::strerror(errno));
    } else {
        std::fwrite(sim.log.bytes.data(), 1, sim.log.count, f);
        std::fclose(f);
    }
    sim.log.count = 0;
}

void writeMemory(const Sim& sim) {
    std::FILE* f = std::fopen(sim.options.memoryOut, "wb");
    if (f == nullptr || std::fwrite(sim.device.memory.data(), 1, kImageSize, f) != kImageSize) {
        std::fprintf(stderr, "pylo-sim: cannot write %s: %s\n", sim.options.memoryOut, std::strerror(errno));
    }
    if (f != nullptr) {
        std::fclose(f);
    }
}

void setStalled(Sim& sim, bool stalled) {
    if (sim.stalled != stalled) {
        tcflow(sim.terminal.slave, stalled ? TCOOFF : TCOON);
        sim.stalled = stalled;
    }
}

void endSession(Sim& sim, const char* how) {
    if (!sim.device.inSession) {
        return;
    }
    flushWireLog(sim);
    if (sim.options.memoryOut != nullptr) {
        writeMemory(sim);
    }
    if (sim.options.show) {
        std::printf("session %ld: %ld bytes received, %ld write commands, %s\n", sim.device.sessionNumber,
                    sim.device.bytesReceived, sim.device.writeCommands, how);
        showSession(stdout, sim.device);
        std::printf("end of session %ld\n", sim.device.sessionNumber);
        std::fflush(stdout);
    }
    resetSimSession(sim.device);
    setStalled(sim, false);
    sim.line.pendingCount = 0;
    if (sim.deaf) {
        tcflush(sim.terminal.master, TCIFLUSH);  // what the host sent meanwhile was never read
        sim.deaf = false;
    }
    if (sim.options.once) {
        sim.quit = true;
    }
}

// One byte to the host, after the line is free for it when paced.
void putByte(Sim& sim, std::uint8_t byte) {
    if (sim.line.byteNs > 0) {
        std::int64_t start = nowNs();
        if (start < sim.line.sendFree) {
            start = sim.line.sendFree;
        }
        sim.line.sendFree = start + sim.line.byteNs;
        sleepUntilNs(sim.line.sendFree);
    }
    // A host that is not reading may let the terminal fill up; the bytes are then lost, as
    // they would be on a line.
    while (write(sim.terminal.master, &byte, 1) < 0 && errno == EINTR) {
    }
}

// The scheduled reply due first, or -1 for none.
int earliest(const Sim& sim) {
    int first = -1;
    for (int i = 0; i < sim.line.pendingCount; ++i) {
        if (first < 0 || sim.line.pending[i].due < sim.line.pending[first].due) first = i;
    }
    return first;
}

// When the next scheduled reply is due; INT64_MAX for none.
std::int64_t nextDue(const Sim& sim) {
    const int first = earliest(sim);
    return first < 0 ? INT64_MAX : sim.line.pending[first].due;
}

// Sends the scheduled replies that are due by now, earliest first.
void sendDue(Sim& sim) {
    for (int next = earliest(sim); next >= 0 && sim.line.pending[next].due <= nowNs(); next = earliest(sim)) {
        const std::uint8_t byte = sim.line.pending[next].byte;
        sim.line.pending[next] = sim.line.pending[--sim.line.pendingCount];
        putByte(sim, byte);
    }
}

// Sleeps until when, sending scheduled replies as they fall due meanwhile.
void waitUntil(Sim& sim, std::int64_t when) {
    for (std::int64_t due = nextDue(sim); due < when; due = nextDue(sim)) {
        sleepUntilNs(due);
        sendDue(sim);
    }
    sleepUntilNs(when);
}

void schedule(Sim& sim, std::int64_t due, std::uint8_t byte) {
    if (sim.line.pendingCount < static_cast<int>(sizeof sim.line.pending / sizeof sim.line.pending[0])) {
        sim.line.pending[sim.line.pendingCount++] = Scheduled{due, byte};
    }
}

// Sends one reply as the step says: at once (after --delay) or later on its own, and once
// more a byte time after that when it is doubled.
void sendReply(Sim& sim, const SimStep& step) {
    const auto byte = static_cast<std::uint8_t>(step.reply);
    std::int64_t sent = nowNs();
    if (step.replyAfterMs > 0) {
        sent += static_cast<std::int64_t>(step.replyAfterMs) * 1000000;
        schedule(sim, sent, byte);
    } else {
        if (sim.options.delayMs > 0) {
            waitUntil(sim, nowNs() + static_cast<std::int64_t>(sim.options.delayMs) * 1000000);
        }
        putByte(sim, byte);
        sent = nowNs();
    }
    if (step.twice) {
        schedule(sim, sent + (sim.line.byteNs > 0 ? sim.line.byteNs : kByteNs9600), byte);
    }
}

// Bytes read together arrived at the same moment; on a paced line each becomes available
// one byte time after the line was free for it.
void takeBytes(Sim& sim, const std::uint8_t* bytes, std::size_t count, std::int64_t arrival) {
    for (std::size_t i = 0; i < count && !sim.quit && !sim.deaf; ++i) {
        if (sim.line.byteNs > 0) {
            std::int64_t start = arrival > sim.line.receiveFree ? arrival : sim.line.receiveFree;
            sim.line.receiveFree = start + sim.line.byteNs;
            waitUntil(sim, sim.line.receiveFree);
        }
        if (sim.log.count == sim.log.bytes.size()) {
            flushWireLog(sim);
        }
        sim.log.bytes[sim.log.count++] = bytes[i];
        const long writesBefore = sim.device.writeCommands;
        SimStep step = feedSimByte(sim.device, sim.options, bytes[i]);
        if (sim.options.stallAfter > 0 && sim.device.bytesReceived == sim.options.stallAfter) {
            setStalled(sim, true);  // before the reply, so the host's next write meets it
        }
        if (sim.options.stopReadingAfter > 0 && sim.device.bytesReceived == sim.options.stopReadingAfter) {
            sim.deaf = true;  // the rest stays unread, as in a device that stopped reading
        }
        if (step.reply >= 0) {
            sendReply(sim, step);
        }
        if (sim.options.unplugAfter > 0 && writesBefore < sim.options.unplugAfter &&
            sim.device.writeCommands == sim.options.unplugAfter) {
            // The host sees the line hang up: its next write fails.
            endSession(sim, "ended when the device was unplugged");
            closeSimTerminal(sim.terminal);
            sim.quit = true;
            return;
        }
        if (step.sessionEnd) {
            endSession(sim, "ended by the closing byte");
        }
    }
}

// Reads what the terminal holds; false on a read error.
bool readTerminal(Sim& sim) {
    std::uint8_t buffer[256];
    for (;;) {
        ssize_t n = read(sim.terminal.master, buffer, sizeof buffer);
        if (n > 0) {
            takeBytes(sim, buffer, static_cast<std::size_t>(n), nowNs());
            if (sim.quit) {
                return true;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

// The host closed the terminal. What it sent before has been read already: the terminal
// is always read before the watch, and the tool waits for a reply (or sends the closing
// byte well) before it closes. Reading on here could take a next host's first bytes.
void hostClosed(Sim& sim) { endSession(sim, "ended when the host closed the port"); }

bool makeLink(Sim& sim) {
    struct stat st {};
    if (lstat(sim.options.linkPath, &st) == 0) {
        if (!S_ISLNK(st.st_mode) || unlink(sim.options.linkPath) != 0) {
            std::fprintf(stderr, "pylo-sim: %s exists and is not a link it may replace\n", sim.options.linkPath);
            return false;
        }
    }
    if (symlink(sim.terminal.path, sim.options.linkPath) != 0) {
        std::fprintf(stderr, "pylo-sim: cannot make %s: %s\n", sim.options.linkPath, std::strerror(errno));
        return false;
    }
    sim.linkMade = true;
    return true;
}

int run(Sim& sim, int signals) {
    pollfd fds[3] = {
        {sim.terminal.master, POLLIN, 0},
        {signals, POLLIN, 0},
        {sim.terminal.watch, POLLIN, 0},
    };
    nfds_t count = sim.terminal.watch >= 0 ? 3 : 2;
    while (!sim.quit) {
        fds[0].events = sim.deaf ? 0 : POLLIN;
        const std::int64_t due = nextDue(sim);
        int timeoutMs = -1;
        if (due != INT64_MAX) {
            const std::int64_t waitNs = due - nowNs();
            timeoutMs = waitNs > 0 ? static_cast<int>((waitNs + 999999) / 1000000) : 0;
        }
        int rc = poll(fds, count, timeoutMs);
        sendDue(sim);
        if (rc < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::perror("pylo-sim: poll");
            return 1;
        }
        if (fds[1].revents != 0) {
            break;
        }
        if (fds[0].revents != 0 && !readTerminal(sim)) {
            std::perror("pylo-sim: read");
            return 1;
        }
        if (count == 3 && fds[2].revents != 0 && readWatchEvents(sim.terminal) && !sim.quit) {
            hostClosed(sim);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Sim& sim = gSim;
    defaultSimOptions(sim.options);
    bool help = false;
    if (!parseSimOptions(argc, argv, sim.options, help)) {
        return 2;
    }
    if (help) {
        printSimUsage(argv[0]);
        return 0;
    }

    // Termination requests are read from a descriptor, so the loop never misses one.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    int signals = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    std::signal(SIGPIPE, SIG_IGN);
    if (signals < 0) {
        std::perror("pylo-sim: signalfd");
        return 1;
    }

    initSimDevice(sim.device, sim.options.fill);
    sim.line.byteNs = sim.options.baud > 0 ? 10 * 1000000000LL / sim.options.baud : 0;
    if (sim.line.byteNs > 0) {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
    if (!openSimTerminal(sim.terminal)) {
        std::perror("pylo-sim: pseudo-terminal");
        return 1;
    }
    if (sim.terminal.watch < 0) {
        std::fprintf(stderr, "pylo-sim: cannot watch %s; sessions end only with the closing byte\n",
                     sim.terminal.path);
    }
    int status = 1;
    if (sim.options.linkPath == nullptr || makeLink(sim)) {
        std::printf("%s\n", sim.terminal.path);
        std::fflush(stdout);
        status = run(sim, signals);
        endSession(sim, "cut short when the simulator stopped");
    }
    if (sim.linkMade) {
        unlink(sim.options.linkPath);
    }
    closeSimTerminal(sim.terminal);
    close(signals);
    return status;
}
