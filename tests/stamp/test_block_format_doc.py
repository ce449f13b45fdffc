"""docs/block-format.md's tables are trellane-stamp format's output, verbatim."""

import os
import re
import subprocess
import unittest

from stamp_fixture import STAMP

DOC = os.environ["TRELLANE_BLOCK_FORMAT_DOC"]


class BlockFormatDocTest(unittest.TestCase):
    maxDiff = None

    def test_doc_holds_the_generated_tables(self):
        with open(DOC, encoding="utf-8") as f:
            doc = f.read()
        found = re.findall(r"^<!-- block-format:begin[^\n]*-->\n(.*?)^<!-- block-format:end -->$",
                           doc, re.DOTALL | re.MULTILINE)
        self.assertEqual(len(found), 1, "one block-format:begin/end pair in " + DOC)
        generated = subprocess.run([STAMP, "format"], stdout=subprocess.PIPE, check=True)
        self.assertEqual(found[0], generated.stdout.decode(),
                         DOC + " is out of date: paste `trellane-stamp format` between the "
                         "block-format markers")


if __name__ == "__main__":
    unittest.main()
