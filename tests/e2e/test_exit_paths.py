"""How a launch ends: the exit status and what stands on stderr for each way out."""

import os
import re
import unittest

import harness

MISSING_BOOTSTRAP = (
    'Exception in thread "main" java.lang.NoClassDefFoundError: '
    "morvantic/trellane/launcher/Launcher\n"
    "Caused by: java.lang.ClassNotFoundException: morvantic.trellane.launcher.Launcher\n")


class ExitPathTest(harness.LauncherTestCase):

    def test_main_returning_exits_with_zero(self):
        self.assertLaunch(self.make_app("fixture.Hello").run(), 0, stdout="hello\n", stderr="")

    def test_exit_inside_main_is_the_jvms_own(self):
        self.assertLaunch(self.make_app("fixture.Exit").run("3"), 3, stdout="", stderr="")

    def test_unrecognized_jvm_option_fails_creation(self):
        app = self.make_app("fixture.Hello", [harness.CLASS_PATH_OPTION, "-Xbogus"])
        self.assertLaunch(app.run(), 1, stdout="",
                          stderr="Unrecognized option: -Xbogus\n"
                                 "Failed to create JVM: Error 0xffffffff\r\n")

    def test_bootstrap_class_missing_from_the_class_path(self):
        app = self.make_app("fixture.Hello", ["-Djava.class.path=&&fixtures.jar"])
        result = app.run()
        self.assertEqual(1, result.status, result.describe())
        self.assertEqual("", result.stdout)
        self.assertTrue(result.stderr.startswith(MISSING_BOOTSTRAP), result.describe())
        # Then the stack trace of the failed lookup, and nothing of the launcher's own.
        for line in result.stderr[len(MISSING_BOOTSTRAP):].splitlines():
            self.assertRegex(line, r"^\tat ", result.describe())

    def test_main_class_missing(self):
        self.assertLaunch(self.make_app("com.example.Nope").run(), 1, stdout="",
                          stderr='Exception in thread "main" '
                                 "morvantic.trellane.launcher.LaunchException: "
                                 "Main class com.example.Nope not found on the class path\n")

    def test_main_throwing_is_reported_then_the_hooks_run_and_nothing_else_is_awaited(self):
        for use_main_thread in (False, True):
            with self.subTest(use_main_thread=use_main_thread):
                app = self.make_app("fixture.Throw", use_main_thread=use_main_thread)
                # The sleeper thread would hold a launcher that waited for it for a minute.
                result = app.run(timeout=20)
                # The bootstrap class describes the exception first, the stack trace follows.
                self.assertLaunch(result, 1, stdout="described for "
                                  "morvantic.trellane.launcher.Launcher.fromException\n"
                                  "described for java.lang.Throwable.printStackTrace\n")
                # The JVM's own exit ends the process: the hook runs after the report.
                self.assertRegex(result.stderr, re.compile(
                    r"\Afixture\.Throw\.Reported: boom from main\n"
                    r"\tat fixture\.Throw\.main\(Throw\.java:\d+\)\n"
                    r"shutdown hook ran\n\Z"))

    def test_an_application_handler_decides_as_under_the_java_command(self):
        # Loggers and crash reporters install one; it runs on main's thread, and its
        # System.exit sets the status. The java command's run of the same program is the
        # reference, output and status alike.
        java = os.path.join(harness.JDK, "bin", "java")
        for mode in ("default", "default-exit42", "default-throws", "thread", "thread-exit42",
                     "thread-throws"):
            expected = harness.run(java, ["-cp", harness.FIXTURE_JAR, "fixture.Handled", mode])
            self.assertIn("handled on main: boom from main\n", expected.stderr)
            for use_main_thread in (False, True):
                with self.subTest(mode=mode, use_main_thread=use_main_thread):
                    app = self.make_app("fixture.Handled", use_main_thread=use_main_thread)
                    self.assertLaunch(app.run(mode), expected.status, stdout=expected.stdout,
                                      stderr=expected.stderr)

    def make_stub_bootstrap_app(self, main_class):
        return self.make_app(main_class, ["-Djava.class.path=&&fixtures.jar:&&stub-bootstrap.jar"],
                             jars=[harness.FIXTURE_JAR, harness.STUB_BOOTSTRAP_JAR])

    def test_bootstrap_returning_without_a_main_method(self):
        self.assertLaunch(self.make_stub_bootstrap_app("fixture.Hello").run(), 1, stdout="",
                          stderr="The bootstrap class found no main method for fixture.Hello.\r\n")

    def test_bootstrap_without_fromException_when_main_throws(self):
        # The failed lookup is described; the application's exception leaves no trace. main
        # has run, so the report's own failure also ends through the JVM's exit and the hooks.
        result = self.make_stub_bootstrap_app("fixture.Throw").run(timeout=20)
        self.assertLaunch(result, 1, stdout="",
                          stderr='Exception in thread "main" '
                                 "java.lang.NoSuchMethodError: fromException\n"
                                 "shutdown hook ran\n")

    def test_main_returning_waits_for_other_non_daemon_threads_then_runs_the_hooks(self):
        for use_main_thread in (False, True):
            with self.subTest(use_main_thread=use_main_thread):
                result = self.make_app("fixture.Linger", use_main_thread=use_main_thread).run()
                self.assertLaunch(result, 0, stdout="main returned\nworker done\n"
                                  "shutdown hook ran\n", stderr="")


if __name__ == "__main__":
    unittest.main()
