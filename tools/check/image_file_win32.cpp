// SPDX-License-Identifier: MIT
// The image file on Windows: written beside its target and moved over it once complete.
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "check/image_file.h"

namespace {

bool fail(std::FILE* err, const char* what, const char* path, int error)
{
    std::fprintf(err, "pylocheck: cannot %s \"%s\"\npylocheck: %s: %s\n", what, path, path, std::strerror(error));
    return false;
}

// True when both names lead to one existing file.
bool sameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
        HANDLE h = CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        const BOOL ok = GetFileInformationByHandle(h, &info[i]);
        CloseHandle(h);
        if (!ok) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace

bool writeImageFile(const char* outPath, const char* configPath, const ConfigImage& image, std::FILE* err)
{
    if (sameFile(outPath, configPath)) {
        std::fprintf(err, "pylocheck: \"%s\" is the configuration file; it is not overwritten with the image\n",
                     outPath);
        return false;
    }
    const std::string temp = std::string(outPath) + ".pylocheck-new";
    std::FILE* file = std::fopen(temp.c_str(), "wb");
    if (file == nullptr) return fail(err, "open", outPath, errno);
    const bool written = std::fwrite(image.bytes.data(), 1, kImageSize, file) == kImageSize;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed ||
        !MoveFileExA(temp.c_str(), outPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        std::remove(temp.c_str());
        return fail(err, "write", outPath, errno != 0 ? errno : EIO);
    }
    return true;
}
