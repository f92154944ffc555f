"""The cross-built program stands alone: a console program that imports only DLLs every
Windows installation has, and takes its serial, window and dialog services from them."""

import re
import subprocess
import sys
import unittest

import wine_testing as t

# DLLs that ship with Windows itself.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comdlg32.dll", "advapi32.dll", "msvcrt.dll",
    "shell32.dll", "ole32.dll", "comctl32.dll", "ntdll.dll", "ws2_32.dll",
}

# What the program must take from the system, by DLL.
REQUIRED_IMPORTS = {
    "kernel32.dll": ["CreateFileA", "ClearCommError", "PurgeComm", "GetCommState", "BuildCommDCBA",
                     "SetCommState", "SetupComm", "SetCommTimeouts", "ReadFile", "WriteFile",
                     "CloseHandle", "SetConsoleCtrlHandler"],
    "user32.dll": ["RegisterClassExA", "CreateWindowExA", "ShowWindow", "SendMessageA", "GetMessageA",
                   "TranslateMessage", "DispatchMessageA", "DefWindowProcA", "PostQuitMessage",
                   "LoadIconA", "LoadCursorA"],
    "comdlg32.dll": ["GetOpenFileNameA"],
}


def imports_by_dll(text):
    """DLL name (lower case) -> imported function names, from `objdump -p`."""
    result = {}
    current = None
    for line in text.splitlines():
        match = re.match(r"\s*DLL Name: (\S+)", line)
        if match:
            current = result.setdefault(match.group(1).lower(), set())
            continue
        match = re.match(r"\s*[0-9a-f]+\s+\d+\s+(\w+)$", line)
        if current is not None and match:
            current.add(match.group(1))
    return result


class ImportTests(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.dump = subprocess.run([t.PATHS["objdump"], "-p", t.PATHS["exe"]], stdout=subprocess.PIPE,
                                  check=True, text=True).stdout
        cls.imports = imports_by_dll(cls.dump)

    def test_only_system_dlls(self):
        self.assertTrue(self.imports, "no import table found")
        self.assertLessEqual(set(self.imports), SYSTEM_DLLS)

    def test_platform_services_come_from_the_system(self):
        for dll, names in REQUIRED_IMPORTS.items():
            with self.subTest(dll=dll):
                self.assertIn(dll, self.imports)
                self.assertLessEqual(set(names), self.imports[dll])

    def test_console_program(self):
        self.assertRegex(self.dump, r"Subsystem\s+0+3\s+\(Windows CUI\)")


if __name__ == "__main__":
    unittest.main(argv=t.parse_paths(sys.argv))
