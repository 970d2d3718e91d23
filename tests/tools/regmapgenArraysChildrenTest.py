#!/usr/bin/env python3
"""Register arrays, enumeration-typed fields, named parts and embedded child
maps: what the generator refuses and what it emits for them."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from regmapgenTest import run  # noqa: E402


class Refusals(unittest.TestCase):
    CASES = [
        ("array instances meeting another register",
         "register 0x0 8 wo count=4 name=tA\n  field 0-7\nregister 0x3 8 wo name=tB\n  field 0-7\n",
         "two registers"),
        ("empty array", "register 0x0 8 wo count=0\n  field 0-7\n", "positive"),
        ("array past 24 bits", "register 0xFFFFFE 8 wo count=4\n  field 0-7\n", "24 bits"),
        ("part across two fields", "register 0x0 32 wo\n  field 0-3\n  field 4-7\n  part 2-5 name=P\n", "inside one field"),
        ("part without a name", "register 0x0 32 wo\n  field 0-31\n  part 7 bool\n", "needs a name"),
        ("writable one-bit part without a kind", "register 0x0 32 wo\n  field 0-31\n  part 7 name=P\n", "bool or num"),
        ("part named like a field", "register 0x0 32 wo\n  field 0-31 name=P\n  part 7 bool name=P\n", "used twice"),
        ("enum without a namespace", "register 0x0 8 wo\n  field 0-3 enum=Plain\n", "enum="),
        ("one enum over two widths",
         "register 0x0 8 wo\n  field 0-3 enum=n::E\nregister 0x4 16 wo\n  field 0-11 enum=n::E\n", "two widths"),
        ("child of a fixed map", "register 0x0 32 wo\n  field 0-31\nchild n::tC n/tC.h C base=0x10\n", "windowed"),
        ("child without a base", "variant windowed\nregister 0x0 32 wo\n  field 0-31\nchild n::tC n/tC.h C\n", "child"),
    ]

    def test_each_bad_description_is_refused_with_a_reason(self):
        for what, body, reason in self.CASES:
            with self.subTest(what):
                code, err, files = run(body)
                self.assertEqual(code, 1, err)
                self.assertIn(reason, err)
                self.assertEqual(files, {})


class Output(unittest.TestCase):
    def test_an_array_is_one_class_with_one_descriptor_entry_per_instance(self):
        code, err, files = run(
            "register 0x900 32 rw name=tPeer count=3 stride=0x10\n  field 0 num name=Enable enum=n::Enable_t\n"
            "  part 0 num name=Alias\n")
        self.assertEqual(code, 0, err)
        header, source = files["tProbeMap.h"], files["tProbeMap.cpp"]
        self.assertIn("namespace n { enum Enable_t : uint8_t; }", header)
        self.assertIn("tPeer Peer[3];", header)
        self.assertIn("Peer{{*this, 0u}, {*this, 1u}, {*this, 2u}}", header)
        self.assertIn("tPeer& writeEnable(n::Enable_t value", header)
        self.assertIn("writeAlias(uint8_t value", header)
        for offset in ("0x900u", "0x910u", "0x920u"):
            self.assertIn(f"{{{offset}, 32u, arm::kReadWrite, 0u, 0u, 0u, 1u,", source)
        self.assertIn("kRegisters, 3u, kFields, 2u", source)  # parts follow the fields, outside the count

    def test_a_child_is_built_on_the_same_accessor_and_handed_to_the_walks(self):
        code, err, files = run(
            "variant windowed\nregister 0x0 32 wo\n  field 0-31\nchild n::tChild n/tChild.h Child base=0x34\n")
        self.assertEqual(code, 0, err)
        header = files["tProbeMap.h"]
        self.assertIn('#include "n/tChild.h"', header)
        self.assertIn("Child(accessor, base + 0x34u, windowStart, windowSize)", header)
        self.assertIn("setChildMaps(children_, 1u);", header)
        self.assertIn("n::tChild Child;", header)


if __name__ == "__main__":
    unittest.main()
