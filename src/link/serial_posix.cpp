// SPDX-License-Identifier: MIT
// The serial link on Linux: a terminal device opened non-blocking and exclusively, set to
// raw 9600 8N1 without flow control. Reads and writes wait with poll against a monotonic
// deadline, so the short read time-out holds whatever the driver's own timers can express.
#include "link/serial.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct SerialPort {
    int fd;
    bool open;
    termios savedTermios;
    serial_struct savedSerial;
    bool lowLatencySet;
};

namespace {

SerialPort gPort{};  // the one port that may be open
char gOpenFailure[160];

// Records why the open failed, with the usual fix where there is one; always nullptr.
SerialPort* failOpen(int error, const char* why = nullptr) {
    if (why == nullptr) {
        if (error == EACCES || error == EPERM) {
            why = "Permission denied \u2014 add yourself to the dialout group (sudo usermod -aG dialout $USER) "
                  "and log in again";
        } else if (error == EBUSY || error == EWOULDBLOCK) {
            why = "Device or resource busy \u2014 another program holds the port";
        } else {
            why = std::strerror(error);
        }
    }
    std::snprintf(gOpenFailure, sizeof gOpenFailure, "%s", why);
    return nullptr;
}

// Output that a closing port may still hold is given this long to reach the line; the
// last byte then needs about 1 ms at 9600 baud to leave the shift register.
constexpr int kDrainLimitMs = 100;
constexpr int kLastByteMs = 2;

// Deadlines are kept in microseconds of the monotonic clock.
std::int64_t nowUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

std::int64_t deadlineAfterMs(std::int64_t ms) { return nowUs() + ms * 1000; }

// Milliseconds left until deadline, rounded up, at least 0.
int msLeft(std::int64_t deadline) {
    std::int64_t left = deadline - nowUs();
    return left > 0 ? static_cast<int>((left + 999) / 1000) : 0;
}

// Waits for events on fd until the deadline; >0 when ready, 0 at the deadline, -1 on error.
// A signal does not end the wait early: it goes on with the time that is left.
int waitFor(int fd, short events, std::int64_t deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int rc = poll(&p, 1, msLeft(deadline));
        if (rc > 0) {
            return (p.revents & (POLLERR | POLLNVAL)) != 0 ? -1 : 1;
        }
        if (rc == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

void sleepMs(int ms) {
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

bool setRaw9600(int fd, const termios& base) {
    termios t = base;
    cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (cfsetispeed(&t, B9600) != 0 || cfsetospeed(&t, B9600) != 0) {
        return false;
    }
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

// USB-serial adapters otherwise hold each received byte for their latency timer.
void askLowLatency(SerialPort& port) {
    port.lowLatencySet = false;
    serial_struct ss{};
    if (ioctl(port.fd, TIOCGSERIAL, &ss) != 0) {
        return;
    }
    port.savedSerial = ss;
    if ((ss.flags & ASYNC_LOW_LATENCY) != 0) {
        return;
    }
    ss.flags |= ASYNC_LOW_LATENCY;
    port.lowLatencySet = ioctl(port.fd, TIOCSSERIAL, &ss) == 0;
}

// Waits a bounded time for the driver's output queue to empty; false when it did not. What a
// stalled line still holds then is thrown away: it would reach the device later as the start of
// a command, and closing a port with output pending can block for many seconds.
bool drainOutput(int fd) {
    std::int64_t deadline = deadlineAfterMs(kDrainLimitMs);
    for (;;) {
        int queued = 0;
        if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) {
            break;
        }
        if (msLeft(deadline) == 0) {
            tcflush(fd, TCOFLUSH);
            return false;
        }
        sleepMs(1);
    }
    sleepMs(kLastByteMs);
    return true;
}

// Waits until the deadline for bytes and reads what has come, up to size: how many, 0 when none
// came in time, -1 when the read failed.
int readUntil(int fd, std::uint8_t* buffer, int size, std::int64_t deadline) {
    for (;;) {
        int ready = waitFor(fd, POLLIN, deadline);
        if (ready <= 0) {
            return ready;
        }
        ssize_t n = read(fd, buffer, static_cast<std::size_t>(size));
        if (n > 0) {
            return static_cast<int>(n);
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return -1;
        }
        // A hang-up reads as end of file and keeps the descriptor readable: give up.
        if (n == 0) {
            return -1;
        }
    }
}

}  // namespace

SerialPort* openLink(const char* device) {
    if (gPort.open) {
        return failOpen(EBUSY);
    }
    int fd = open(device, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return failOpen(errno);
    }
    // The lock comes first, so that a failed open leaves a holder's terminal untouched.
    if (!isatty(fd)) {
        close(fd);
        return failOpen(ENOTTY, "not a serial port");
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        return failOpen(error);
    }
    // Another program may hold the port exclusively without locking it; root would get past
    // that, and clear it on close.
    int exclusive = 0;
    if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
        flock(fd, LOCK_UN);
        close(fd);
        return failOpen(EBUSY);
    }
    termios saved{};
    if (tcgetattr(fd, &saved) != 0 || ioctl(fd, TIOCEXCL) != 0) {
        const int error = errno;
        close(fd);
        return failOpen(error);
    }
    if (!setRaw9600(fd, saved)) {
        const int error = errno;
        tcsetattr(fd, TCSANOW, &saved);
        ioctl(fd, TIOCNXCL);
        close(fd);
        return failOpen(error);
    }
    gPort.fd = fd;
    gPort.savedTermios = saved;
    gPort.open = true;
    tcflush(fd, TCIOFLUSH);
    askLowLatency(gPort);
    return &gPort;
}

const char* linkOpenFailure() { return gOpenFailure; }

int writeBytes(SerialPort* port, const std::uint8_t* bytes, int count) {
    std::int64_t deadline = deadlineAfterMs(static_cast<std::int64_t>(kWriteTimeoutPerByteMs) * count +
                                            kWriteTimeoutConstantMs);
    int written = 0;
    while (written < count) {
        ssize_t n = write(port->fd, bytes + written, static_cast<std::size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return -1;  // EIO, a hang-up: the device is gone
        }
        int ready = waitFor(port->fd, POLLOUT, deadline);
        if (ready < 0) {
            return -1;
        }
        if (ready == 0) {
            break;
        }
    }
    return written;
}

int readBytes(SerialPort* port, std::uint8_t* buffer, int size) {
    return readUntil(port->fd, buffer, size, deadlineAfterMs(kReadTimeoutMs));
}

int settleLine(SerialPort* port, int quietMs, int limitMs) {
    const std::int64_t limit = deadlineAfterMs(limitMs);
    int seen = 0;
    for (;;) {
        const std::int64_t quietEnd = deadlineAfterMs(quietMs);
        std::uint8_t bytes[64];
        const int n = quietEnd > limit ? -1 : readUntil(port->fd, bytes, sizeof bytes, quietEnd);
        if (n <= 0) {
            return n == 0 ? seen : -1;
        }
        seen += n;
    }
}

bool closeLink(SerialPort* port) {
    if (port == nullptr || !port->open) {
        return true;
    }
    const bool drained = drainOutput(port->fd);
    if (port->lowLatencySet) {
        ioctl(port->fd, TIOCSSERIAL, &port->savedSerial);
    }
    tcsetattr(port->fd, TCSANOW, &port->savedTermios);
    ioctl(port->fd, TIOCNXCL);
    flock(port->fd, LOCK_UN);
    close(port->fd);
    port->fd = -1;
    port->open = false;
    return drained;
}
