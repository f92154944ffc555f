// SPDX-License-Identifier: MIT
// The front end on Windows.
#include "app/platform.h"

#include <io.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "win32/wide_text.h"

// Windows: ports and files are handles of their own, never the standard streams' numbers, and a
// closed pipe makes a print fail without a signal. Nothing to prepare.
bool prepareProcess() { return true; }

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
    if (WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) &&
        written >= wide.size()) {
        return;
    }
    // A console that refuses the text, or takes only part of it, gets the rest as bytes.
    std::fputs(written == 0 ? text.c_str() : narrow(wide.c_str() + written).c_str(), stream);
}

// A console that lists this process alone was made for it; one that a command prompt shares
// lists the prompt too. No console at all (output to a pipe) gives 0.
bool consoleOpenedForThisProcess()
{
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

bool isHelpOption(const char* arg)
{
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-?") == 0 || std::strcmp(arg, "/?") == 0;
}

const std::size_t kLongestPath = kPathRoom - 1;

// A console's Ctrl-C is no signal another program can see: the status tells it.
int endBySignal(int signal) { return 128 + signal; }
