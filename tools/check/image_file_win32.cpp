// SPDX-License-Identifier: MIT
// The image file on Windows: written to a new file of a name no other file has, beside its
// target, and moved over the target once complete; a device (NUL, CON, COMn) or pipe is written
// in place, and a symbolic link keeps leading to its target, which gets the image. Where the
// folder takes no new file or no replacement but the file itself can be written, the file is
// written in place. The temporary file never outlives the run: a failure removes it, and so
// does Ctrl-C or closing the console while it exists. Names are UTF-8 and reach the system
// through the wide calls.
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <string>

#include "check/image_file.h"
#include "win32/wide_text.h"

namespace {

bool fail(std::FILE* err, const char* what, const char* path, int error)
{
    std::fprintf(err, "pylocheck: cannot %s \"%s\"\npylocheck: %s: %s\n", what, path, path, std::strerror(error));
    return false;
}

// errno's nearest match for a system error, for the message pylocheck has always given.
int errnoOf(DWORD error)
{
    switch (error) {
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

int lastError() { return errnoOf(GetLastError()); }

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

// An existing file written in place, never replaced: a device or pipe as it is, a file on a disk
// (for a folder that takes no new file) cut to the image and flushed. verb names the opening in
// the message when that fails.
bool writeDirectly(const std::wstring& path, bool onDisk, const char* verb, const char* outPath, const ConfigImage& image,
                   std::FILE* err)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | (onDisk ? 0 : FILE_SHARE_WRITE), nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return fail(err, verb, outPath, lastError());
    const bool written = writeAll(file, image) && (!onDisk || (SetEndOfFile(file) && FlushFileBuffers(file)));
    const int error = lastError();
    CloseHandle(file);
    return written || fail(err, "write", outPath, error);
}

// The temporary file while it exists, shared with the console handler.
SRWLOCK tempLock = SRWLOCK_INIT;
std::wstring tempPath;
bool stopped = false;  // Ctrl-C, Ctrl-Break or the console's end came: no temporary file any more

// Removes the temporary file (it goes once the writer's handle is closed, at the latest when
// the process ends), then lets the next handler, in the end the system's, end the process.
BOOL WINAPI removeTempOnStop(DWORD)
{
    AcquireSRWLockExclusive(&tempLock);
    stopped = true;
    if (!tempPath.empty()) DeleteFileW(tempPath.c_str());
    ReleaseSRWLockExclusive(&tempLock);
    return FALSE;
}

// The folder part of path, with its separator (or drive), empty for the current folder.
std::wstring folderOf(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) return path.substr(0, slash + 1);
    return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : std::wstring();
}

// Makes a new file beside target under a name no file has (another's is never opened), and
// records it for the handler. Returns the handle, or INVALID_HANDLE_VALUE with the error in *error.
HANDLE createTemp(const std::wstring& target, DWORD* error)
{
    const std::wstring folder = folderOf(target);
    const unsigned long seed = GetCurrentProcessId() ^ static_cast<unsigned long>(GetTickCount64());
    HANDLE file = INVALID_HANDLE_VALUE;
    *error = ERROR_FILE_EXISTS;
    AcquireSRWLockExclusive(&tempLock);
    for (unsigned long attempt = 0; attempt < 100 && !stopped && *error == ERROR_FILE_EXISTS; ++attempt) {
        wchar_t name[40];
        std::swprintf(name, 40, L".pylocheck-%lx-%lx", GetCurrentProcessId(), seed + attempt * 7919);
        const std::wstring path = folder + name;
        file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
        *error = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (*error == ERROR_ALREADY_EXISTS) *error = ERROR_FILE_EXISTS;
        if (file != INVALID_HANDLE_VALUE) tempPath = path;
    }
    if (stopped) *error = ERROR_OPERATION_ABORTED;
    ReleaseSRWLockExclusive(&tempLock);
    return file;
}

// Moves the finished temporary file over target when error is 0, else (or when that fails)
// removes it. Returns the error, 0 once moved.
DWORD finishTemp(const std::wstring& target, DWORD error)
{
    AcquireSRWLockExclusive(&tempLock);
    if (stopped) error = ERROR_OPERATION_ABORTED;
    if (error == 0 && !MoveFileExW(tempPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = GetLastError();
    }
    if (error != 0) DeleteFileW(tempPath.c_str());
    tempPath.clear();
    ReleaseSRWLockExclusive(&tempLock);
    return error;
}

// Through a temporary file; false with the message told. The folder's refusal falls back on
// writing an existing file in place.
bool writeThroughTemp(const std::wstring& target, bool exists, const char* outPath, const ConfigImage& image,
                      std::FILE* err)
{
    DWORD error = 0;
    HANDLE file = createTemp(target, &error);
    if (file == INVALID_HANDLE_VALUE) {
        if (error == ERROR_OPERATION_ABORTED) return false;
        if (error == ERROR_ACCESS_DENIED && exists) return writeDirectly(target, true, "open", outPath, image, err);
        return fail(err, "open", outPath, errnoOf(error));
    }
    const bool written = writeAll(file, image) && FlushFileBuffers(file);
    error = written ? 0 : GetLastError();
    if (!CloseHandle(file) && error == 0) error = GetLastError();
    if (!written && error == 0) error = ERROR_WRITE_FAULT;
    const bool complete = error == 0;
    error = finishTemp(target, error);
    if (error == 0) return true;
    if (error == ERROR_OPERATION_ABORTED) return false;
    // The folder lets no file be replaced or removed: the file itself may still be written.
    if (error == ERROR_ACCESS_DENIED && complete && exists) return writeDirectly(target, true, "write", outPath, image, err);
    return fail(err, "write", outPath, errnoOf(error));
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
        if (type != FILE_TYPE_DISK) return writeDirectly(out, false, "open", outPath, image, err);
        if (n > 0 && n < 32768) target.assign(finalPath, n);
    }
    SetConsoleCtrlHandler(removeTempOnStop, TRUE);
    const bool written = writeThroughTemp(target, existing != INVALID_HANDLE_VALUE, outPath, image, err);
    SetConsoleCtrlHandler(removeTempOnStop, FALSE);
    return written;
}
