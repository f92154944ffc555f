// SPDX-License-Identifier: MIT
#include "app/console_text.h"

#include <io.h>
#include <windows.h>

#include <string>

#include "win32/wide_text.h"

void printText(std::FILE* stream, const char* format, std::va_list args)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
        std::vfprintf(stream, format, args);
        return;
    }
    std::va_list measure;
    va_copy(measure, args);
    const int size = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (size <= 0) return;
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), format, args);
    const std::wstring wide = widen(text.c_str());
    std::fflush(stream);  // what the stream holds comes first
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
