#!/usr/bin/env python3
"""Registers one GoogleTest binary with CTest as one entry per test folder.

Usage: ctestEntries.py TEST_BINARY OUTPUT_FILE

Starting a process per test costs more than the tests themselves, so each
folder under tests/ (a subsystem) becomes one CTest entry, named
tests.<folder> and labelled <folder>, that runs that folder's suites in one
process. The binary tells where each test is written (--gtest_output=json
with --gtest_list_tests), so a new test file needs no registration.
"""

import collections
import json
import os
import subprocess
import sys
import tempfile


def cmake_quote(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def folder_of(path):
    parts = path.replace("\\", "/").split("/")
    # Paths are relative to the tree ("tests/<folder>/..."); keep working
    # with absolute ones too.
    if "tests" in parts:
        rest = parts[len(parts) - 1 - parts[::-1].index("tests") + 1:]
        if len(rest) > 1:
            return rest[0]
    return "other"


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    binary, output = argv[1], argv[2]
    with tempfile.TemporaryDirectory() as tmp:
        listing = os.path.join(tmp, "list.json")
        subprocess.run([binary, "--gtest_list_tests", "--gtest_output=json:" + listing],
                       check=True, stdout=subprocess.DEVNULL)
        with open(listing, encoding="utf-8") as f:
            suites = json.load(f)["testsuites"]

    # A suite whose tests live in one folder is named by a pattern; a suite
    # spread over folders test by test.
    patterns = collections.defaultdict(list)
    for suite in suites:
        folders = {folder_of(t["file"]) for t in suite["testsuite"]}
        if len(folders) == 1:
            patterns[folders.pop()].append(suite["name"] + ".*")
        else:
            for t in suite["testsuite"]:
                patterns[folder_of(t["file"])].append(suite["name"] + "." + t["name"])

    lines = ["# Written by tools/ctestEntries.py after each build of the test binary."]
    for folder in sorted(patterns):
        name = "tests." + folder
        selection = "--gtest_filter=" + ":".join(patterns[folder])
        lines.append(f"add_test({name} {cmake_quote(binary)} {cmake_quote(selection)} --gtest_brief=1)")
        lines.append(f"set_tests_properties({name} PROPERTIES LABELS {folder} TIMEOUT 600)")
    text = "\n".join(lines) + "\n"
    if not os.path.exists(output) or open(output, encoding="utf-8").read() != text:
        with open(output, "w", encoding="utf-8") as f:
            f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
