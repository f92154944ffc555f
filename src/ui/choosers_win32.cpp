// SPDX-License-Identifier: MIT
// The file chooser (the common open-file dialog) and the port window: its six ports, then
// the other COM ports present.
#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "ui/choosers.h"
#include "win32/wide_text.h"

LRESULT CALLBACK portWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

constexpr char kClassName[] = "PyloLoad";
constexpr char kWindowTitle[] = "Pylo Configuration Utility";
constexpr char kPrompt[] = "Please select the output port";
constexpr wchar_t kFileTitle[] = L"Please select a PYLO configuration file";
constexpr wchar_t kFileFilter[] = L"All files\0*.*\0";  // the array adds the closing NUL
// The dialog's answer, as long as a name Windows can open gets.
wchar_t chosenFile[32768];
constexpr const char* kPortNames[] = {"Com 1", "Com 2", "Com 3", "Com 4", "Com 5", "Com 6"};

// Shared between choosePort and the window procedure: -1 until OK is pressed.
int selectionIndex = -1;
HWND portList = nullptr;
HWND okButton = nullptr;

HWND createChild(const char* className, const char* text, DWORD style, int x, int y, int width,
                 int height, HWND parent) {
    return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                           parent, nullptr, nullptr, nullptr);
}

}  // namespace

// The wide dialog: a name outside the ANSI code page comes back whole, in UTF-8.
bool chooseFile(char* path, std::size_t size) {
    if (size == 0) {
        return false;
    }
    path[0] = '\0';
    chosenFile[0] = L'\0';
    OPENFILENAMEW dialog;
    ZeroMemory(&dialog, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = nullptr;
    dialog.lpstrFilter = kFileFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = chosenFile;
    dialog.nMaxFile = sizeof chosenFile / sizeof chosenFile[0];
    dialog.lpstrTitle = kFileTitle;
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameW(&dialog) == 0) {
        return false;
    }
    const std::string chosen = narrow(chosenFile);
    if (chosen.empty() || chosen.size() >= size) {
        return false;
    }
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return true;
}

LRESULT CALLBACK portWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) != 0) {
            return 0;  // the list's own notifications
        }
        if (reinterpret_cast<HWND>(lParam) == okButton) {
            selectionIndex = static_cast<int>(SendMessageA(portList, CB_GETCURSEL, 0, 0));
        }
        PostQuitMessage(0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool choosePortFrom(const PortList& present, PortChoice& chosen) {
    selectionIndex = -1;

    WNDCLASSEXA windowClass;
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = portWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = nullptr;
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kClassName;
    windowClass.hIconSm = nullptr;
    if (RegisterClassExA(&windowClass) == 0) {
        return false;
    }

    HWND window = CreateWindowExA(0, kClassName, kWindowTitle, WS_POPUPWINDOW | WS_DLGFRAME,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 216, 136, nullptr, nullptr,
                                  nullptr, nullptr);
    if (window == nullptr) {
        return false;  // no window to choose in: the same as no choice
    }
    createChild("STATIC", kPrompt, SS_SIMPLE, 8, 8, 200, 16, window);
    portList = createChild("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, 8, 32, 192, 128, window);
    for (const char* name : kPortNames) {
        SendMessageA(portList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    for (int i = 0; i < present.count; ++i) {
        SendMessageA(portList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(present.ports[i].shown));
    }
    SendMessageA(portList, CB_SETCURSEL, 0, 0);
    okButton = createChild("BUTTON", "OK", BS_PUSHBUTTON, 8, 64, 92, 32, window);
    createChild("BUTTON", "Cancel", BS_PUSHBUTTON, 108, 64, 92, 32, window);

    ShowWindow(window, SW_SHOWNORMAL);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    ShowWindow(window, SW_HIDE);
    if (selectionIndex < 0 || selectionIndex >= kFixedPortCount + present.count) {
        return false;
    }
    if (selectionIndex < kFixedPortCount) {
        fixedPort(selectionIndex + 1, chosen);
    } else {
        chosen = present.ports[selectionIndex - kFixedPortCount].port;
    }
    return true;
}

bool choosePort(PortChoice& chosen) {
    static PortList present;
    listPresentPorts(present);
    return choosePortFrom(present, chosen);
}
