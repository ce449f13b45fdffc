"""The README's block format tables are trellane-stamp format's output, verbatim."""

import os
import re
import subprocess
import unittest

from stamp_fixture import STAMP

README = os.environ["TRELLANE_README"]


class ReadmeFormatTest(unittest.TestCase):
    maxDiff = None

    def test_readme_holds_the_generated_tables(self):
        with open(README, encoding="utf-8") as f:
            readme = f.read()
        found = re.findall(r"^<!-- block-format:begin[^\n]*-->\n(.*?)^<!-- block-format:end -->$",
                           readme, re.DOTALL | re.MULTILINE)
        self.assertEqual(len(found), 1, "one block-format:begin/end pair in " + README)
        generated = subprocess.run([STAMP, "format"], stdout=subprocess.PIPE, check=True)
        self.assertEqual(found[0], generated.stdout.decode(),
                         "README.md is out of date: paste `trellane-stamp format` between the "
                         "block-format markers")


if __name__ == "__main__":
    unittest.main()
