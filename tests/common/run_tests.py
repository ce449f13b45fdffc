"""Runs one ctest's Python tests, as `python3 -m unittest -v` does, and makes what was skipped
visible: each skipped case (or subtest) and its reason printed at the end on a line that
starts with SKIP_MARK (scripts/skipped-tests.py gathers them from ctest's log after a run),
and the status SKIPPED_STATUS, which ctest shows as "Skipped", when the machine let nothing be
checked.

    run_tests.py NAME... [--except NAME...]

Each NAME is a module, a module.Class or a module.Class.test of the current folder; --except
leaves out cases that another ctest runs."""

import argparse
import sys
import unittest

SKIP_MARK = "skipped here: "
SKIPPED_STATUS = 77


class Result(unittest.TextTestResult):
    """A verbose result that counts what was checked: tests and subtests that passed."""

    def __init__(self, *arguments, **options):
        super().__init__(*arguments, **options)
        self.checked = 0

    def addSuccess(self, test):
        super().addSuccess(test)
        self.checked += 1

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is None:
            self.checked += 1


def cases(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from cases(test)
        else:
            yield test


def leave_out(suite: unittest.TestSuite, names) -> unittest.TestSuite:
    """The suite without the tests whose ids are or lie under one of names."""
    def kept(test):
        return not any(test.id() == name or test.id().startswith(name + ".") for name in names)
    kept_suite = unittest.TestSuite()
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            test = leave_out(test, names)
            if test.countTestCases():
                kept_suite.addTest(test)
        elif kept(test):
            kept_suite.addTest(test)
    return kept_suite


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("names", nargs="+")
    parser.add_argument("--except", dest="left_out", nargs="+", default=[])
    options = parser.parse_args()
    sys.path.insert(0, ".")
    suite = leave_out(unittest.defaultTestLoader.loadTestsFromNames(options.names),
                      options.left_out)
    result = unittest.TextTestRunner(verbosity=2, resultclass=Result).run(suite)
    # After unittest's own report, on the same stream.
    for test, reason in result.skipped:
        print(SKIP_MARK + "%s: %s" % (test, " ".join(reason.split())), file=sys.stderr)
    if not result.wasSuccessful():
        return 1
    if result.testsRun == 0 and not result.skipped:
        print("No test of %s was found." % " ".join(options.names), file=sys.stderr)
        return 1
    if result.checked == 0:
        print("Nothing could be checked on this machine: every case was skipped.",
              file=sys.stderr)
        return SKIPPED_STATUS
    return 0


if __name__ == "__main__":
    sys.exit(main())
