#!/usr/bin/env python3
"""The check of the narrow reads on planted source folders: which calls pass and which fail."""

import importlib.util
import os
import sys
import tempfile
import unittest

SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                      "check-narrow-reads.py")
spec = importlib.util.spec_from_file_location("check_narrow_reads", SCRIPT)
check_narrow_reads = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check_narrow_reads)


def run(files, pending=""):
    """The failures of the check over a folder holding `files` (path: text)."""
    saved = check_narrow_reads.PENDING
    check_narrow_reads.PENDING = pending.split("\n")
    try:
        with tempfile.TemporaryDirectory() as root:
            for path, text in files.items():
                full = os.path.join(root, path)
                os.makedirs(os.path.dirname(full), exist_ok=True)
                with open(full, "w", encoding="utf-8") as out:
                    out.write(text)
            return check_narrow_reads.check(root)
    finally:
        check_narrow_reads.PENDING = saved


class NarrowReadsCheck(unittest.TestCase):
    def test_each_call_passes_only_with_its_reason(self):
        cases = [  # (source, passes)
            ("GetModuleFileNameA(nullptr, path, MAX_PATH);", False),
            ("GetModuleFileNameA(nullptr, path, MAX_PATH); // exact-text: own ASCII folder", True),
            ("// exact-text: own ASCII folder\nGetModuleFileNameA(nullptr, path, MAX_PATH);", True),
            ("  // exact-text:\nGetTempPathA(size, buffer);", False),  # no reason given
            ("int a = 0; // exact-text: not this line's\nGetTempPathA(size, buffer);", False),
            ("// exact-text: too far above\n\nGetTempPathA(size, buffer);", False),
            ("for (Process32First(snap, &e); ok; ok = Process32Next(snap, &e))", False),
            ("Process32FirstW(snap, &e);", True),
            ("GetProcAddress(module, \"QueryFullProcessImageNameA\");", False),
            ("const char* v = std::getenv(\"APPDATA\");", False),
            ("SendMessageA(list, LVM_GETITEMTEXTA, row, item);", False),
            ("WideCharToMultiByte(CP_ACP, 0, wide, -1, text, size, nullptr, nullptr);", False),
            ("// GetLongPathNameA would best-fit the name\nExactLongPath(path, text);", True),
            ("/* SHGetFolderPathA,\n   GetTempPathA */ int a;", True),
            ("const char* s = \"// GetTempPathA\"; GetTempPathA(n, b);", False),
            ("SetWindowTextA(window, text.c_str());", True),
        ]
        for source, passes in cases:
            with self.subTest(source=source):
                failures = run({"core/ui/Planted.cpp": source + "\n"})
                self.assertEqual(failures == [], passes, failures)

    def test_a_failure_names_the_file_line_and_function(self):
        failures = run({"sysmanager/Planted.cpp": "int a;\n\nExpandEnvironmentStringsA(t, b, n);\n"})
        self.assertEqual(len(failures), 1)
        self.assertTrue(failures[0].startswith("sysmanager/Planted.cpp:3: ExpandEnvironmentStringsA"),
                        failures[0])

    def test_the_exact_layer_itself_is_not_checked(self):
        for path, passes in [("core/system/ExactNames.cpp", True), ("core/system/ExactNames.h", True),
                             ("core/system/ExactNamesMore.cpp", False),
                             ("core/scan/ExactNames.cpp", False)]:
            with self.subTest(path=path):
                failures = run({path: "SHGetFolderPathA(nullptr, id, nullptr, 0, buffer);\n"})
                self.assertEqual(failures == [], passes, failures)

    def test_a_pending_call_passes_until_it_is_gone(self):
        pending = "core/ui/Planted.cpp: GetWindowTextA"
        self.assertEqual(run({"core/ui/Planted.cpp": "GetWindowTextA(w, t, n);\n"}, pending), [])
        # Another function of the same file, and the same one in another file, still fail.
        self.assertEqual(len(run({"core/ui/Planted.cpp": "GetWindowTextA(w, t, n);\n"
                                  "GetTempPathA(n, b);\n"}, pending)), 1)
        self.assertEqual(len(run({"core/ui/Other.cpp": "GetWindowTextA(w, t, n);\n"}, pending)), 2)
        # Once the call is made exact, the entry must go.
        stale = run({"core/ui/Planted.cpp": "GetWindowTextW(w, t, n);\n"}, pending)
        self.assertEqual(len(stale), 1)
        self.assertIn("pending", stale[0])


if __name__ == "__main__":
    sys.exit(unittest.main())
