#!/usr/bin/env python3
"""Request descriptions the generator must refuse, naming the request and
its line, and the checked-in description it must accept."""

import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
GENERATOR = os.path.join(ROOT, "tools", "requestgen.py")
DESCRIPTION = os.path.join(ROOT, "requests", "requests.desc")

HEAD = 'interface tProbe "probe" all\n'
# A well-formed request to vary.
GOOD = """request 0x202B18 vorlan_resetChannel level=20 by=channels
  in 16
    +0   u64 channelMask
    +8   u8  currentRange
    +9   pad 3
    +12  i32 status
  out 4
    +0   i32 status
"""


def run(text):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "probe.desc")
        with open(path, "w") as f:
            f.write(text)
        result = subprocess.run([sys.executable, GENERATOR, path, os.path.join(tmp, "out")], capture_output=True,
                                text=True)
        return result.returncode, result.stderr


class Refusals(unittest.TestCase):
    CASES = [
        ("a gap", ("+9   pad 3\n", ""), "previous field ends"),
        ("status not at the next 4-byte boundary", ("+9   pad 3\n    +12  i32 status", "+9   pad 7\n    +16  i32 status"),
         "padding of 7"),
        ("a field off its alignment", ("+9   pad 3\n", "+9   u16 spare\n    +11  pad 1\n"),
         "not at its natural alignment"),
        ("a wide record not rounded to 8", ("+12  i32 status\n  out 4", "+12  i32 status\n    +16  pad 8\n  out 4"),
         "laid out to 24"),
        ("a narrow record rounded", ("  out 4\n    +0   i32 status", "  out 8\n    +0   i32 status\n    +4   pad 4"),
         "the rules give 4"),
        ("a stated size that differs", ("  in 16", "  in 24"), "stated as 24"),
        ("no status word", ("  out 4\n    +0   i32 status", "  out 4\n    +0   i32 result"), "no status word"),
        ("an argument after the status", ("    +12  i32 status\n", "    +12  i32 status\n    +16  u32 late\n"),
         "last field"),
        ("a name outside its group", ("vorlan_resetChannel", "harrow_resetChannel"), "group 0x2B"),
        ("a level without a gate", ("level=20", "level=none"), "level none"),
        ("a second return value", ("  out 4\n    +0   i32 status", "  out 12\n    +0   u32 a\n    +4   u32 b\n    +8   i32 status"),
         "one return value"),
        ("an in/out parameter without its source", ("  out 4\n    +0   i32 status", "  out 8\n    +0   u32 count from=capacity\n    +4   i32 status"),
         "from=capacity"),
    ]

    def test_refusals(self):
        for label, (old, new), message in self.CASES:
            with self.subTest(label):
                self.assertIn(old, GOOD)
                code, err = run(HEAD + GOOD.replace(old, new, 1))
                self.assertEqual(code, 1, err)
                self.assertIn("vorlan_resetChannel" if "group" not in message else "harrow_resetChannel", err)
                self.assertIn(message, err)
                self.assertRegex(err, r"probe\.desc:\d+:")

    def test_a_code_twice(self):
        code, err = run(HEAD + GOOD + GOOD.replace("vorlan_resetChannel", "vorlan_resetChannel2"))
        self.assertEqual(code, 1)
        self.assertIn("already used by vorlan_resetChannel", err)

    def test_the_good_request_and_the_checked_in_description_pass(self):
        self.assertEqual(run(HEAD + GOOD), (0, ""))
        with open(DESCRIPTION) as f:
            self.assertEqual(run(f.read()), (0, ""))


if __name__ == "__main__":
    unittest.main()
