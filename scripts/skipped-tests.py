#!/usr/bin/env python3
"""Lists what the last ctest run in a build tree skipped, and why: each test's lines that
start with "skipped here: " (tests/common/run_tests.py prints one for each skipped case, the
suite's other skipping tests one each), read from the tree's Testing/Temporary/LastTest.log.

    scripts/skipped-tests.py build/linux"""

import os
import re
import sys

MARK = "skipped here: "


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.split("\n\n")[1].strip(), file=sys.stderr)
        return 2
    log = os.path.join(sys.argv[1], "Testing", "Temporary", "LastTest.log")
    try:
        with open(log, encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError as e:
        print("skipped-tests: no ctest log to read: %s" % e, file=sys.stderr)
        return 1
    skipped = []
    # Each test's section: "N/M Test: NAME" ... "Output:" ... "<end of output>".
    for match in re.finditer(r"^\d+/\d+ Test: (\S+)\n.*?^Output:\n-+\n(.*?)^<end of output>",
                             text, re.MULTILINE | re.DOTALL):
        name, output = match.groups()
        reasons = [line[len(MARK):] for line in output.splitlines() if line.startswith(MARK)]
        skipped += ["  %s: %s" % (name, reason) for reason in reasons]
    if skipped:
        print("Skipped on this machine (ctest -V -R NAME shows a test's whole output):")
        print("\n".join(sorted(skipped)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
