"""Modular applications: the launcher starts a main module as java -m does, on the real JVM."""

import os
import shutil
import unittest

import harness

# The application's modules in app/mods/, the bootstrap class on the class path.
MODULE_OPTIONS = ["--module-path=&&mods", "-Djava.class.path=&&trellane-runtime.jar"]


class ModuleTest(harness.LauncherTestCase):
    def make_modular_app(self, module: str, jvm_options=None, **stamp_options) -> harness.App:
        app = harness.make_image(self.make_dir(), jars=[harness.RUNTIME_JAR])
        shutil.copytree(harness.MODULES, os.path.join(app.app_dir, "mods"))
        harness.stamp(harness.LAUNCHER, app.launcher, "--module " + module,
                      MODULE_OPTIONS if jvm_options is None else jvm_options, **stamp_options)
        return app

    def java_m(self, module: str, *args: str) -> harness.Result:
        """The same application under java -m, for reference."""
        return harness.run(os.path.join(harness.JDK, "bin", "java"),
                           ["-p", harness.MODULES, "-m", module, *args])

    def test_the_main_class_from_the_descriptor_or_the_one_given(self):
        for module, main in (("app", "app.Main"), ("app/app.Other", "app.Other")):
            with self.subTest(module=module):
                app = self.make_modular_app(module, default_arguments=["--first"])
                result = app.run("second", "x y")
                expected = ("main %s in module app (app.Main)\n"
                            "service hello, launcher\n"
                            "command %s --first second x y\n"
                            "jdk.module.main app\n"
                            "arguments --first|second|x y\n" % (main, module))
                self.assertLaunch(result, status=0, stdout=expected, stderr="")
                # What java -m prints, but for the launcher's default argument.
                reference = self.java_m(module, "--first", "second", "x y")
                self.assertEqual(reference.stdout, expected, reference.describe())

    def test_a_module_linked_into_the_runtime_needs_no_module_path(self):
        # As trellane-package links an application's modules: the runtime's own image holds
        # them, so only the bootstrap class's class path is given.
        root = self.make_dir()
        runtime = os.path.join(root, "image")
        linked = harness.run(os.path.join(harness.JDK, "bin", "jlink"),
                             ["--module-path", harness.MODULES, "--add-modules",
                              "app,greeter.impl", "--output", runtime], timeout=300)
        self.assertEqual(linked.status, 0, linked.describe())
        app = harness.App(runtime)
        os.makedirs(app.app_dir)
        shutil.copy(harness.RUNTIME_JAR, app.app_dir)
        harness.stamp(harness.LAUNCHER, app.launcher, "--module app",
                      ["-Djava.class.path=&&trellane-runtime.jar"])
        result = app.run()
        self.assertLaunch(result, status=0, stderr="")
        self.assertIn("main app.Main in module app (app.Main)\nservice hello, launcher\n",
                      result.stdout)

    def test_what_cannot_start_is_said_as_the_bootstrap_or_the_jvm_says_it(self):
        cases = [
            # No main class in the descriptor, none given.
            ("greeter.impl", MODULE_OPTIONS,
             'Exception in thread "main" morvantic.trellane.launcher.LaunchException: Module '
             "greeter.impl names no main class in its descriptor: name one as "
             "greeter.impl/CLASS\n"),
            ("app/app.Missing", MODULE_OPTIONS,
             'Exception in thread "main" morvantic.trellane.launcher.LaunchException: Main '
             "class app.Missing not found in module app\n"),
            # A class of another module of the layer is not the main module's.
            ("app/greeter.impl.Friendly", MODULE_OPTIONS,
             'Exception in thread "main" morvantic.trellane.launcher.LaunchException: Main '
             "class greeter.impl.Friendly not found in module app\n"),
        ]
        for module, options, stderr in cases:
            with self.subTest(module=module):
                app = self.make_modular_app(module, options)
                self.assertLaunch(app.run(), status=1, stdout="", stderr=stderr)
        # No module path: the JVM ends the process while it is created, as under java -m.
        app = self.make_modular_app("app/app.Main", ["-Djava.class.path=&&trellane-runtime.jar"])
        self.assertLaunch(app.run(), status=1, stderr="",
                          stdout="Error occurred during initialization of boot layer\n"
                                 "java.lang.module.FindException: Module app not found\n")

    def test_the_module_option_comes_after_the_configured_ones(self):
        app = self.make_modular_app("app")
        result = app.run("a", env={"TRELLANE_DUMP_JVM_ARGS": ""})
        self.assertEqual(result.status, 0, result.describe())
        self.assertEqual(result.stderr, "".join(
            "JVM arg %d: %s\n" % (i, option) for i, option in enumerate([
                "--module-path=%smods" % app.app_dir,
                "-Djava.class.path=%strellane-runtime.jar" % app.app_dir,
                "-Djdk.module.main=app", "-Dsun.java.command=app a"])))


if __name__ == "__main__":
    unittest.main()
