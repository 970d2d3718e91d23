#!/usr/bin/env python3
"""Register arrays, enumeration-typed fields, named parts, split registers and
child maps: what the generator refuses and what it emits for them."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from regmapgenTest import run  # noqa: E402


WINDOWED = "variant windowed\nregister 0x0 32 wo\n  field 0-31\n"


class Refusals(unittest.TestCase):
    CASES = [
        ("array instances meeting another register",
         "register 0x0 8 wo count=4 name=tA\n  field 0-7\nregister 0x3 8 wo name=tB\n  field 0-7\n",
         "two registers"),
        ("empty array", "register 0x0 8 wo count=0\n  field 0-7\n", "positive"),
        ("array instances overlapping each other", "register 0x0 32 wo count=2 stride=2\n  field 0-31\n",
         "stride at least its width"),
        ("array past 24 bits", "register 0xFFFFFE 8 wo count=4\n  field 0-7\n", "24 bits"),
        ("part across two fields", "register 0x0 32 wo\n  field 0-3\n  field 4-7\n  part 2-5 name=P\n", "inside one field"),
        ("part without a name", "register 0x0 32 wo\n  field 0-31\n  part 7 bool\n", "needs a name"),
        ("writable one-bit part without a kind", "register 0x0 32 wo\n  field 0-31\n  part 7 name=P\n", "bool or num"),
        ("part named like a field", "register 0x0 32 wo\n  field 0-31 name=P\n  part 7 bool name=P\n", "used twice"),
        ("enum without a namespace", "register 0x0 8 wo\n  field 0-3 enum=Plain\n", "enum="),
        ("one enum over two widths",
         "register 0x0 8 wo\n  field 0-3 enum=n::E\nregister 0x4 16 wo\n  field 0-11 enum=n::E\n", "two widths"),
        ("read field with a kind", "register 0x0 32 urw\n  field 0-31\n  readfield 3 bool\n", "name only"),
        ("shadowed register reading other fields", "register 0x0 32 rw\n  field 0-31\n  readfield 0-7\n",
         "unshadowed read-write"),
        ("part of a register reading other fields",
         "register 0x0 32 urw\n  field 0-31\n  readfield 0-7\n  part 7 bool name=P\n", "no parts"),
        ("child of a fixed map",
         "register 0x0 32 wo\n  field 0-31\nchild n::tC member=C include=n/tC.h offset=0x10 window=0x10 embedded\n",
         "windowed"),
        ("child without an offset",
         WINDOWED + "child n::tC member=C include=n/tC.h window=0x10 embedded\n", "child needs"),
        ("group sharing the parent's window",
         WINDOWED + "child n::tC member=C include=n/tC.h offset=0x10 window=parent count=2 stride=0x10\n",
         "single child"),
        ("group whose members overlap",
         WINDOWED + "child n::tC member=C include=n/tC.h offset=0x10 window=0x20 count=2 stride=0x10\n",
         "overlap"),
        ("group name without the instance number",
         WINDOWED + "child n::tC member=C include=n/tC.h offset=0x10 window=0x10 count=2 stride=0x10 name=C\n",
         "{i}"),
        ("names on some child lines only",
         WINDOWED + "child n::tC member=C include=n/tC.h offset=0x10 window=0x10 embedded name=C\n"
         "child n::tC member=D include=n/tC.h offset=0x20 window=0x10 embedded\n", "every child line"),
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
        code, err, files = run(WINDOWED + "child n::tChild member=Child include=n/tChild.h offset=0x34 "
                               "window=parent embedded\n")
        self.assertEqual(code, 0, err)
        header = files["tProbeMap.h"]
        self.assertIn('#include "n/tChild.h"', header)
        self.assertIn("tProbeMap(tAccessor& accessor, uint32_t base, uint32_t windowStart, uint32_t windowSize,\n"
                      "      nKIVAPALS100::tStatus* status = nullptr)", header)
        # The map and its children make their locks into the builder's status.
        self.assertIn("&accessor, base, windowStart, windowSize, status),", header)
        self.assertIn("Child_(accessor, base + 0x34u, windowStart, windowSize, status)", header)
        self.assertIn("setChildMaps(family_, kChildCount);", header)
        self.assertIn("n::tChild& getChild() { return Child_; }", header)
        # Unnamed children are never published, so the map has nothing to publish them with.
        self.assertNotIn("addToDispatcher", header)

    def test_allocated_children_get_a_window_of_their_own_and_are_released(self):
        code, err, files = run(
            WINDOWED + "child n::tChild member=Part include=n/tChild.h offset=0x100 window=0x80 count=2 "
            "stride=0x80 name=Part{i}\nchild n::tOther member=Tail include=n/tOther.h offset=0x200 window=0x40 "
            "embedded name=Tail\n")
        self.assertEqual(code, 0, err)
        header, source = files["tProbeMap.h"], files["tProbeMap.cpp"]
        self.assertIn("tProbeMap(tAccessor* accessor, nKIVAPALS100::tStatus& status, uint32_t base", header)
        self.assertIn("Tail_(*accessor, base - windowStart + 0x200u, 0u, "
                      "arm::tMapFamily::childWindowSize(windowStart, windowSize, 0x200u, 0x40u), &status)", header)
        self.assertIn("Part_[i] = kivNew(status) n::tChild(*accessor, base - windowStart + offset, 0u,", header)
        self.assertIn("childWindowSize(windowStart, windowSize, offset, 0x80u), &status);", header)
        self.assertIn("if (Part_[i] == nullptr) return;", header)
        self.assertIn("static constexpr uint32_t kChildCount = 3u;", header)
        self.assertIn("family_[2u] = &Tail_;", header)
        self.assertIn("void addToDispatcher(", header)
        self.assertIn("for (uint32_t i = 2u; i-- > 0u;) delete Part_[i];", source)
        self.assertIn('"%s_Part%u", prefix, familyIndex', source)

    def test_a_split_register_lists_what_it_reads_after_what_it_takes(self):
        code, err, files = run("register 0x10 32 urw name=tSplit\n  field 0-15 name=Low\n  field 16-31 name=High\n"
                               "  readfield 0-7 name=Low\nregister 0x20 32 rw name=tPlain\n  field 0-31 name=Word\n"
                               "  part 4-7 name=Nibble\n")
        self.assertEqual(code, 0, err)
        header, source = files["tProbeMap.h"], files["tProbeMap.cpp"]
        self.assertIn("{0x10u, 32u, arm::kUnshadowedReadWrite, arm::kRegisterSplitFields, 0u, 0u, 2u, 1u,", source)
        self.assertIn("owner_.readRegister(kIndex, 2u, status)", header)  # readLow: the read list
        self.assertIn("owner_.writeRegister(kIndex, 0u, value, status, true)", header)  # writeLow
        # The part sits behind its register's fields, outside both counts.
        self.assertIn("{0x20u, 32u, arm::kReadWrite, 0u, 0u, 3u, 1u, 0u,", source)
        self.assertIn("owner_.getShadow(kIndex, 1u)", header)
        self.assertIn("kRegisters, 2u, kFields, 5u", source)


if __name__ == "__main__":
    unittest.main()
