"""The thread that creates the JVM and runs main: its stack size, or the primary thread."""

import resource
import re
import unittest

import harness


class LaunchThreadTest(harness.LauncherTestCase):

    def recursion_depth(self, **stamp_options):
        # Interpreted frames only, so each call costs the same stack whatever the JIT would do.
        app = self.make_app("fixture.Recurse", [harness.CLASS_PATH_OPTION, "-Xint"],
                            **stamp_options)
        result = app.run()
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

    def test_zero_stack_size_gives_the_platform_default(self):
        soft, _ = resource.getrlimit(resource.RLIMIT_STACK)
        if soft == resource.RLIM_INFINITY or soft > 256 * 1024 * 1024:
            self.skipTest("the default thread stack follows a finite RLIMIT_STACK")
        self.assertEqual(self.recursion_depth(stack_size=soft),
                         self.recursion_depth(stack_size=0))

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
