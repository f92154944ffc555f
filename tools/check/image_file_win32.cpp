// SPDX-License-Identifier: MIT
// The image file on Windows: written beside its target and moved over it once complete; a
// device (NUL, CON, COMn) or pipe is written in place, and a symbolic link keeps leading to its
// target, which gets the image. Names are UTF-8 and reach the system through the wide calls.
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "check/image_file.h"
#include "win32/wide_text.h"

namespace {

bool fail(std::FILE* err, const char* what, const char* path, int error)
{
    std::fprintf(err, "pylocheck: cannot %s \"%s\"\npylocheck: %s: %s\n", what, path, path, std::strerror(error));
    return false;
}

// errno's nearest match for the system's last error, for the message pylocheck has always given.
int lastError()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
}

// An existing file, followed through links; INVALID_HANDLE_VALUE when there is none.
HANDLE openExisting(const std::wstring& path)
{
    return CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// True when both names lead to one existing file.
bool sameFile(const std::wstring& a, const std::wstring& b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    const std::wstring* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        HANDLE h = openExisting(*paths[i]);
        if (h == INVALID_HANDLE_VALUE) return false;
        const BOOL ok = GetFileInformationByHandle(h, &info[i]);
        CloseHandle(h);
        if (!ok) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

bool writeAll(HANDLE file, const ConfigImage& image)
{
    DWORD written = 0;
    return WriteFile(file, image.bytes.data(), static_cast<DWORD>(kImageSize), &written, nullptr) &&
           written == kImageSize;
}

// A device or pipe: opened as it is and written, never replaced.
bool writeDirectly(const std::wstring& path, const char* outPath, const ConfigImage& image, std::FILE* err)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fail(err, "open", outPath, lastError());
    const bool written = writeAll(file, image);
    const int error = lastError();
    CloseHandle(file);
    return written || fail(err, "write", outPath, error);
}

}  // namespace

bool writeImageFile(const char* outPath, const char* configPath, const ConfigImage& image, std::FILE* err)
{
    const std::wstring out = widen(outPath);
    if (sameFile(out, widen(configPath))) {
        std::fprintf(err, "pylocheck: \"%s\" is the configuration file; it is not overwritten with the image\n",
                     outPath);
        return false;
    }
    // What the name leads to: a device is written in place; an existing file through any links.
    std::wstring target = out;
    HANDLE existing = openExisting(out);
    if (existing != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(existing);
        wchar_t finalPath[32768];
        const DWORD n = type == FILE_TYPE_DISK ? GetFinalPathNameByHandleW(existing, finalPath, 32768, 0) : 0;
        CloseHandle(existing);
        if (type != FILE_TYPE_DISK) return writeDirectly(out, outPath, image, err);
        if (n > 0 && n < 32768) target.assign(finalPath, n);
    }
    const std::wstring temp = target + L".pylocheck-new";
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fail(err, "open", outPath, lastError());
    const bool written = writeAll(file, image) && FlushFileBuffers(file);
    int error = written ? 0 : lastError();
    const bool closed = CloseHandle(file) != 0;
    if (!written || !closed ||
        !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        if (error == 0) error = lastError();
        DeleteFileW(temp.c_str());
        return fail(err, "write", outPath, error);
    }
    return true;
}
