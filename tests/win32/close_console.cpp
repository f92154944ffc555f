// SPDX-License-Identifier: MIT
// Closes the console of a running program as Windows does when its window is closed: the
// program's control handlers get CTRL_CLOSE_EVENT on a thread of their own (the system's
// handler routine, started in that process), and once they return the process is ended.
//   close_console.exe PROGRAM.exe   (the most recent process of that name)
// Exit status 0 when the handlers returned within 10 s, 1 when they did not, 2 when there
// is no such process, 3 when the thread could not be started.
#include <windows.h>
#include <tlhelp32.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) return 2;
    DWORD id = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, argv[1]) == 0) id = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    HANDLE process = id != 0 ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, id) : nullptr;
    if (process == nullptr) return 2;
    // The routine lies at the same address in every process of the session.
    const auto routine = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "CtrlRoutine")));
    HANDLE thread = routine != nullptr ? CreateRemoteThread(process, nullptr, 0, routine,
                                                            reinterpret_cast<void*>(CTRL_CLOSE_EVENT), 0, nullptr)
                                       : nullptr;
    if (thread == nullptr) return 3;
    const bool returned = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
    TerminateProcess(process, STATUS_CONTROL_C_EXIT);
    return returned ? 0 : 1;
}
