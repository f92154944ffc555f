// SPDX-License-Identifier: MIT
// Stop requests on Windows. Ctrl-C and Ctrl-Break at the console count as SIGINT (2): the
// handler, on a thread of its own, only records the request, the upload stops between whole
// commands and an interrupted run ends with status 130. Closing the console window, logging
// off and shutting down end the process as soon as their handler returns (or after the few
// seconds the system grants), so they count as SIGHUP (1), as a hang-up does on Linux, and
// their handler returns only once the upload has sent the closing byte and put the port back.
// A process that uses windows, as this one does, gets no console event for logging off or
// shutting down: a hidden window of its own thread takes the end of the session instead.
#include <windows.h>

#include <atomic>

#include "link/interrupt.h"

namespace {

constexpr int kSighup = 1;
constexpr int kSigint = 2;

// Longer than the upload takes to stop (the reply in hand, a settle of at most a second before
// the closing byte, the close), shorter than the 5 s the system waits before it ends the process.
constexpr DWORD kStopWaitMs = 4000;
// The hidden window is made before the upload starts, so that it costs no reply its window.
constexpr DWORD kWindowWaitMs = 2000;
constexpr wchar_t kSessionClass[] = L"PyloLoadSession";

std::atomic<int> pendingSignal{0};
// Set while no upload holds the port: before the first and after each one.
HANDLE portReleased = nullptr;
HANDLE sessionWatcher = nullptr;

// The session or the console ends: the upload stops, and the process may end once the port is
// released. A Ctrl-C pressed before stays the reason.
void stopAndWait()
{
    int none = 0;
    pendingSignal.compare_exchange_strong(none, kSighup);
    WaitForSingleObject(portReleased, kStopWaitMs);
}

BOOL WINAPI consoleControlHandler(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        pendingSignal.store(kSigint);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        stopAndWait();
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CALLBACK sessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_QUERYENDSESSION) return TRUE;
    if (message == WM_ENDSESSION) {
        if (wParam != 0) stopAndWait();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The hidden window's thread: it lives as long as the process. ready is set once the window
// is there (or could not be made).
DWORD WINAPI watchSession(void* ready)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = sessionWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kSessionClass;
    const bool made = RegisterClassW(&windowClass) != 0 &&
                      CreateWindowExW(0, kSessionClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      windowClass.hInstance, nullptr) != nullptr;
    SetEvent(static_cast<HANDLE>(ready));
    MSG message;
    while (made && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}

void startSessionWatcher()
{
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (ready == nullptr) return;
    sessionWatcher = CreateThread(nullptr, 0, watchSession, ready, 0, nullptr);
    if (sessionWatcher != nullptr) WaitForSingleObject(ready, kWindowWaitMs);
    // The thread may still hold ready when the wait timed out: it stays open.
    if (sessionWatcher == nullptr) CloseHandle(ready);
}

}  // namespace

void armInterrupt()
{
    pendingSignal.store(0);
    if (portReleased == nullptr) portReleased = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    if (sessionWatcher == nullptr) startSessionWatcher();
    ResetEvent(portReleased);
    SetConsoleCtrlHandler(consoleControlHandler, TRUE);
}

void disarmInterrupt()
{
    // First let a waiting handler return: removing a handler may wait for the handlers to end.
    SetEvent(portReleased);
    SetConsoleCtrlHandler(consoleControlHandler, FALSE);
}

int pendingInterrupt()
{
    return pendingSignal.load();
}
