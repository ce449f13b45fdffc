"""The thread that creates the JVM and runs main: its stack size, or the primary thread."""

import re
import unittest

import harness


class LaunchThreadTest(harness.LauncherTestCase):

    def recursion_depth(self, stack_limit_kib=None, **stamp_options):
        """main's depth; stack_limit_kib: run under that "ulimit -s"."""
        # Interpreted frames only, so each call costs the same stack whatever the JIT would do.
        app = self.make_app("fixture.Recurse", [harness.CLASS_PATH_OPTION, "-Xint"],
                            **stamp_options)
        if stack_limit_kib is None:
            result = app.run()
        else:
            result = harness.run("/bin/sh", ["-c", 'ulimit -s %d && exec "$0"' % stack_limit_kib,
                                             app.launcher])
        self.assertEqual(0, result.status, result.describe())
        return int(re.fullmatch(r"depth=(\d+)\n", result.stdout).group(1))

    def test_stack_size_sets_the_depth_main_can_reach(self):
        small, large = self.recursion_depth(stack_size="2m"), self.recursion_depth(stack_size="32m")
        # Sixteen times the stack: about sixteen times the frames, less the JVM's fixed share.
        self.assertTrue(12 < large / small < 20, (small, large))

    def test_tiny_stack_size_still_starts_the_jvm(self):
        # A few KiB could not even hold the JVM's guard zones; it gets what 1m gets.
        self.assertEqual(self.recursion_depth(stack_size="1m"),
                         self.recursion_depth(stack_size="4k"))

    def test_zero_stack_size_is_one_mib_whatever_the_shell_limit(self):
        # What the java command gives main's thread: the thread library's default would
        # follow "ulimit -s", too small for class loading at 128 KiB, far larger at 64 MiB.
        one_mib = self.recursion_depth(stack_size="1m")
        for limit in (128, 64 * 1024):
            with self.subTest(ulimit_s=limit):
                self.assertEqual(one_mib, self.recursion_depth(limit, stack_size=0))

    def test_main_runs_on_the_primary_thread_only_when_asked(self):
        for use_main_thread in (False, True):
            with self.subTest(use_main_thread=use_main_thread):
                result = self.make_app("fixture.ThreadSelf",
                                       use_main_thread=use_main_thread).run()
                self.assertEqual(0, result.status, result.describe())
                pid, tid = re.fullmatch(r"pid=(\d+) tid=(\d+)\n", result.stdout).groups()
                # The primary thread's kernel id is the process id.
                self.assertEqual(use_main_thread, pid == tid, result.stdout)


if __name__ == "__main__":
    unittest.main()
