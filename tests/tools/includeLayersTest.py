#!/usr/bin/env python3
"""The layering check: what it lets through and what it refuses."""

import importlib.util
import os
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "checkIncludeLayers.py")
spec = importlib.util.spec_from_file_location("checkIncludeLayers", CHECK)
layers = importlib.util.module_from_spec(spec)
spec.loader.exec_module(layers)


def tree(files):
    root = tempfile.mkdtemp()
    for path, text in files.items():
        os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
        with open(os.path.join(root, path), "w") as f:
            f.write(text)
    return root


class IncludeLayers(unittest.TestCase):
    def test_down_and_within_a_folder_pass_up_and_sideways_fail(self):
        root = tree({
            "platform/a.h": '#include "kal/include/nKIVKAL.h"\n#include "platform/b.h"\n#include <stdint.h>\n',
            "device/d.cpp": '#include "storage/s.h"\n#include "regmaps/r.h"\n',
            "framework/f.h": '// #include "device/d.h" is only a comment\n#include "framework/g.h"\n',
            "regmaps/r.h": '#include "routing/x.h"\n',
            "kal/host/h.h": '  #  include "platform/driver/record.h"\n',
        })
        found = layers.violations(root)
        self.assertEqual(len(found), 2, found)
        self.assertTrue(found[0].startswith("kal/host/h.h:1: kal (rank 0) includes \"platform/driver/record.h\""))
        self.assertTrue(found[1].startswith("regmaps/r.h:1: regmaps (rank 3)"), "one rank: independent")


if __name__ == "__main__":
    unittest.main()
