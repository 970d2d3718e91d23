#!/usr/bin/env python3
"""Descriptions the generator must refuse, and the shape of what it emits."""

import contextlib
import importlib.util
import io
import os
import re
import sys
import tempfile
import traceback
import unittest

GENERATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "regmapgen.py")


def load_generator():
    # Loaded once and run in this interpreter: starting one per case cost
    # more than the cases themselves.
    sys.path.insert(0, os.path.dirname(GENERATOR))
    spec = importlib.util.spec_from_file_location("regmapgen", GENERATOR)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


regmapgen = load_generator()


def generate(argv):
    """Runs the generator's main as its command line would: exit code and stderr."""
    err = io.StringIO()
    with contextlib.redirect_stderr(err):
        try:
            code = regmapgen.main(argv)
        except SystemExit as e:
            code = e.code if isinstance(e.code, int) else 1
        except Exception:  # a crash is a failure with its traceback, as in a process of its own
            traceback.print_exc()
            code = 1
    return code, err.getvalue()

HEAD = """map ns::tProbeMap
name Probe
version 1.0
header probe/Probe
"""


def run(body, cls="tProbeMap"):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, cls + ".regmap")
        with open(path, "w") as f:
            f.write(HEAD + body)
        out = os.path.join(tmp, "out")
        returncode, stderr = generate([GENERATOR, path, out, "probe"])
        files = {}
        if os.path.isdir(out):
            for name in os.listdir(out):
                with open(os.path.join(out, name)) as f:
                    files[name] = f.read()
        return returncode, stderr, files


class Refusals(unittest.TestCase):
    CASES = [
        ("overlapping fields", "register 0x0 32 rw\n  field 0-4\n  field 4-7\n", "never overlap"),
        ("descending fields", "register 0x0 32 rw\n  field 8-9\n  field 0-1\n", "never overlap"),
        ("field past the register", "register 0x0 8 rw\n  field 4-8\n", "outside the register"),
        ("64-bit field starting above 31", "register 0x0 64 rw\n  field 32-40\n", "bits 0 to 31"),
        ("writable bit without a kind", "register 0x0 32 rw\n  field 3\n", "bool or num"),
        ("wide field marked bool", "register 0x0 32 rw\n  field 0-3 bool\n", "one-bit"),
        ("strobe kept in the shadow", "register 0x0 32 rw\n  field 0 bool strobe\n", "keep-mask"),
        ("two registers on one side",
         "register 0x0 32 rw name=tA\n  field 0-31\nregister 0x0 32 wo name=tB\n  field 0-31\n",
         "two registers"),
        ("unknown kind", "register 0x0 32 rx\n  field 0-31\n", "access kind"),
        ("odd width", "register 0x0 24 rw\n  field 0-7\n", "width"),
        ("register without fields", "register 0x0 32 rw\n", "at least one field"),
        ("reset wider than the register", "register 0x0 8 rw reset=0x100\n  field 0-7\n", "wider"),
        ("class name leaving no member", "register 0x0 32 rw name=t__\n  field 0-31\n", "no member name"),
        ("two classes, one member",
         "register 0x0 32 rw name=t_A\n  field 0-31\nregister 0x4 32 rw name=tA\n  field 0-31\n",
         "one member name"),
        ("shared class without members",
         "register 0x0 32 rw name=tA\n  field 0-31\nregister 0x8 32 rw name=tA member=B\n  field 0-31\n",
         "member="),
        ("shared class of two layouts",
         "register 0x0 32 rw name=tA member=A0\n  field 0-31\nregister 0x8 32 rw name=tA member=A1\n  field 0-7\n",
         "differ in layout"),
        ("read view on a write-only register",
         "register 0x0 32 wo readview\n  field 0-31\n  readfield 0-31 shared\n", "read view"),
        ("shared read field the write view lacks",
         "register 0x0 32 rw readview\n  field 0-7\n  readfield 0-3 shared\n", "field of the write view"),
        ("read-view field named like a written one",
         "register 0x0 32 rw readview\n  field 0-7\n  readfield 8-9 name=Bits0to7\n", "name of its own"),
        ("pending strobes without strobes", "register 0x0 32 rw pending\n  field 0-31\n", "pending register"),
        ("refresh-kept bits on a write-only register",
         "register 0x0 32 wo refreshkeep=0x1\n  field 0-31\n", "refreshkeep"),
        ("word-addressed array with a zero stride",
         "addressing word\nregister 0x0 32 rw count=2 stride=0\n  field 0-31\n", "stride"),
    ]

    def test_each_bad_description_is_refused_with_a_reason(self):
        for what, body, reason in self.CASES:
            with self.subTest(what):
                code, err, files = run(body)
                self.assertEqual(code, 1)
                self.assertIn(reason, err)
                self.assertEqual(files, {})

    def test_the_file_is_named_after_its_class(self):
        code, err, _ = run("register 0x0 32 rw\n  field 0-31\n", cls="tOtherName")
        self.assertEqual(code, 1)
        self.assertIn("named after its class", err)


class ErrorsNameTheirPlace(unittest.TestCase):
    """Every refusal names the file, the line and the word at fault: HEAD is
    four lines, so the body's first line is line 5."""
    CASES = [
        ("unknown option, by name", "register 0x0 32 rw colour=red\n  field 0-31\n", 5, "colour=red"),
        ("reversed range", "register 0x0 32 rw\n  field 7-3\n", 6, "7-3"),
        ("three-part range", "register 0x0 32 rw\n  field 0-3-5\n", 6, "0-3-5"),
        ("option given twice", "register 0x0 32 rw name=tA name=tB\n  field 0-31\n", 5, "name=tB"),
        ("field named after the register's own accessors", "register 0x0 32 rw\n  field 0-31 name=Register\n",
         6, "Register"),
        ("member that is a keyword", "register 0x0 32 rw name=tdelete\n  field 0-31\n", 5, "delete"),
        ("field that is a keyword", "register 0x0 32 rw\n  field 0-31 name=int\n", 6, "int"),
        ("name reserved to the compiler", "register 0x0 32 rw\n  field 0-31 name=_Big\n", 6, "_Big"),
        ("register class the map itself uses", "register 0x0 32 rw name=tAccessor\n  field 0-31\n", 5,
         "tAccessor"),
        ("not a number", "register 0x0 3x rw\n  field 0-31\n", 5, "3x"),
        ("second map name", "name Other\nregister 0x0 32 rw\n  field 0-31\n", 5, "Other"),
    ]

    def test_each_refusal_names_file_line_and_word(self):
        for what, body, line, word in self.CASES:
            with self.subTest(what):
                code, err, files = run(body)
                self.assertEqual(code, 1, err)
                self.assertRegex(err, rf"tProbeMap\.regmap:{line}: '{re.escape(word)}': ")
                self.assertNotIn("Traceback", err)
                self.assertEqual(files, {})

    def test_a_missing_description_is_named_without_a_traceback(self):
        code, err = generate(["regmapgen.py", "/nonexistent/tNoMap.regmap", "/tmp/x", "probe"])
        self.assertEqual(code, 1)
        self.assertIn("/nonexistent/tNoMap.regmap: cannot read", err)
        self.assertNotIn("Traceback", err)


class Output(unittest.TestCase):
    def test_placement_size_masks_and_shifts_come_from_the_description(self):
        code, err, files = run("bar 2 offset=0x4000\n"
                               "register 0x0 32 rw\n  field 0 bool name=Go\n  field 4-7 name=Mode\n"
                               "register 0x10 16 ro count=3 stride=4\n  field 0-15\n"
                               "register 0x20 64 rw name=tWide\n  field 8-39 name=Span\n  part 9 num name=Low\n")
        self.assertEqual(code, 0, err)
        header = files["tProbeMap.h"]
        self.assertIn("static constexpr uint32_t kBar = 2u;", header)
        self.assertIn("static constexpr uint64_t kBarOffset = 0x4000ull;", header)
        self.assertIn("static constexpr uint64_t kSize = 0x28ull;", header, "one past the 64-bit register at 0x20")
        self.assertIn("static constexpr uint32_t kModeMask = 0xF0u;", header)
        self.assertIn("static constexpr uint32_t kModeShift = 4u;", header)
        self.assertIn("static constexpr uint32_t kGoMask = 0x1u;", header)
        self.assertIn("static constexpr uint64_t kSpanMask = 0xFFFFFFFF00ull;", header)
        self.assertIn("static constexpr uint64_t kLowMask = 0x200ull;", header)
        code, err, files = run("bar 6 offset=0\nregister 0x0 32 rw\n  field 0-31\n")
        self.assertEqual(code, 1)
        self.assertIn("'6': a BAR index is 0 to 5", err)

    def test_a_good_description_gives_a_header_and_a_descriptor_source(self):
        code, err, files = run(
            "register 0x0 32 ro name=tState\n  field 0-31\n"
            "register 0x8 32 rw keep=0xFFFFFFFE\n  field 0 bool strobe\n  field 1 num\n  field 4-7 name=Mode\n"
            "register 0x8 64 wo view name=tWide\n")
        self.assertEqual(code, 0, err)
        self.assertEqual(sorted(files), ["tProbeMap.cpp", "tProbeMap.h"])
        header, source = files["tProbeMap.h"], files["tProbeMap.cpp"]
        self.assertIn("class tState {", header)
        self.assertIn("tRegister008 Register008;", header)
        self.assertIn("uint8_t getMode() const", header)
        state = header.split("class tState")[1].split("class tRegister008")[0]
        self.assertIsNone(re.search(r"\b(set|write|flush)\w*\(", state), "a read-only register changes nothing")
        self.assertIn("uint8_t readBit1", header)  # numeric one-bit fields take numbers
        self.assertIn("bool getBit0", header)
        self.assertIn("arm::kRegisterView", source)
        self.assertIn("arm::kFieldBoolean | arm::kFieldStrobe", source)
        self.assertIn('"Probe", "1.0", "probe/Probe"', source)

    def test_an_underscore_after_the_t_stays_out_of_the_member_name(self):
        code, err, files = run("register 0x0 32 rw name=t_Probe\n  field 0-31\n"
                               "register 0x4 32 rw name=t_ProbeArray count=2\n  field 0-31\n")
        self.assertEqual(code, 0, err)
        header = files["tProbeMap.h"]
        self.assertIn("class t_Probe {", header)
        self.assertIn("t_Probe Probe;", header)
        self.assertIn("Probe(*this)", header)
        self.assertIn("t_ProbeArray ProbeArray[2];", header)
        self.assertNotRegex(header, r"\b_Probe")


if __name__ == "__main__":
    unittest.main()
