// SPDX-License-Identifier: MIT
#include "check/image_file.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The first message keeps the wording pylocheck has always used; the second gives the reason.
bool fail(std::FILE* err, const char* what, const char* path, int error)
{
    std::fprintf(err, "pylocheck: cannot %s \"%s\"\npylocheck: %s: %s\n", what, path, path, std::strerror(error));
    return false;
}

bool writeAll(int fd, const ConfigImage& image)
{
    std::size_t done = 0;
    while (done < kImageSize) {
        const ssize_t n = write(fd, image.bytes.data() + done, kImageSize - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Devices, pipes and the targets of links that lead nowhere yet are written in place.
bool writeDirectly(const char* outPath, const ConfigImage& image, std::FILE* err)
{
    const int fd = open(outPath, O_WRONLY | O_TRUNC | O_CREAT, 0666);
    if (fd < 0) return fail(err, "open", outPath, errno);
    const bool written = writeAll(fd, image);
    const int writeError = errno;
    if (close(fd) != 0 || !written) return fail(err, "write", outPath, written ? errno : writeError);
    return true;
}

}  // namespace

bool writeImageFile(const char* outPath, const char* configPath, const ConfigImage& image, std::FILE* err)
{
    struct stat out;
    const bool exists = stat(outPath, &out) == 0;
    struct stat config;
    if (exists && stat(configPath, &config) == 0 && out.st_dev == config.st_dev && out.st_ino == config.st_ino) {
        std::fprintf(err, "pylocheck: \"%s\" is the configuration file; it is not overwritten with the image\n",
                     outPath);
        return false;
    }
    if (exists && !S_ISREG(out.st_mode)) return writeDirectly(outPath, image, err);
    // A link stays a link: the new image replaces the file it leads to.
    struct stat link;
    std::string target = outPath;
    if (lstat(outPath, &link) == 0 && S_ISLNK(link.st_mode)) {
        char* resolved = exists ? realpath(outPath, nullptr) : nullptr;
        if (resolved == nullptr) return writeDirectly(outPath, image, err);
        target = resolved;
        std::free(resolved);
    }

    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
    std::string temp = folder + "/.pylocheck-XXXXXX";
    // Ctrl-C and its kind wait until the temporary file is renamed or removed: none is left.
    sigset_t stops, before;
    sigemptyset(&stops);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&stops, signal);
    sigprocmask(SIG_BLOCK, &stops, &before);
    const int fd = mkstemp(&temp[0]);
    if (fd < 0) {
        const int error = errno;
        sigprocmask(SIG_SETMASK, &before, nullptr);
        // A folder the user may not write can still hold a file the user may: write it in place.
        if (exists && access(target.c_str(), W_OK) == 0) return writeDirectly(target.c_str(), image, err);
        return fail(err, "open", outPath, error);
    }
    // The permissions a newly created file gets, or those of the file replaced.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, exists ? (out.st_mode & 07777) : (0666 & ~mask));
    const bool written = writeAll(fd, image) && fsync(fd) == 0;
    int error = errno;
    const bool closed = close(fd) == 0;
    if (written && !closed) error = errno;
    const bool renamed = written && closed && rename(temp.c_str(), target.c_str()) == 0;
    if (!renamed) {
        if (written && closed) error = errno;
        unlink(temp.c_str());
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return renamed ? true : fail(err, "write", outPath, error);
}
