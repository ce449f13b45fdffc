"""TRELLANE_DUMP_JVM_ARGS: the final JVM options on stderr, before the JVM is created."""

import unittest

import harness


class DumpTest(harness.LauncherTestCase):

    def make_dumping_app(self, *extra_options):
        return self.make_app("fixture.Hello",
                             ["-Xint", harness.CLASS_PATH_OPTION, "-Dlib=&&lib&&&"]
                             + list(extra_options),
                             default_arguments=["--first"])

    def expected_dump(self, app, *extra_options):
        options = ["-Xint",
                   "-Djava.class.path=%sfixtures.jar:%strellane-runtime.jar"
                   % (app.app_dir, app.app_dir),
                   "-Dlib=%slib%s&" % (app.app_dir, app.app_dir)]
        options += list(extra_options)
        options.append("-Dsun.java.command=fixture.Hello --first x %sy" % app.app_dir)
        return "".join("JVM arg %d: %s\n" % (i, o) for i, o in enumerate(options))

    def test_defined_variable_dumps_every_option_whatever_its_value(self):
        app = self.make_dumping_app()
        for value in ("", "0", "no"):
            with self.subTest(value=value):
                result = app.run("x", "&&y", env={"TRELLANE_DUMP_JVM_ARGS": value})
                self.assertLaunch(result, 0, stdout="hello\n", stderr=self.expected_dump(app))

    def test_undefined_variable_dumps_nothing(self):
        result = self.make_dumping_app().run("x", "&&y")
        self.assertLaunch(result, 0, stdout="hello\n", stderr="")

    def test_dump_precedes_a_failing_jvm_creation(self):
        app = self.make_dumping_app("-Xno-such-option")
        result = app.run("x", "&&y", env={"TRELLANE_DUMP_JVM_ARGS": ""})
        self.assertLaunch(result, 1, stdout="",
                          stderr=self.expected_dump(app, "-Xno-such-option")
                          + "Unrecognized option: -Xno-such-option\n"
                          + "Failed to create JVM: Error 0xffffffff\r\n")


if __name__ == "__main__":
    unittest.main()
