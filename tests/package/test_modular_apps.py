"""Modular applications (--module, --module-path) and --app-content: modules of the tests' own,
compiled by the build's javac, linked into runtimes by the real jlink (Linux and Windows) or
put in app/mods/ beside a given runtime, run on the real JVM; and what is refused before
anything is built."""

import os
import shutil
import subprocess
import tempfile
import unittest

from package_fixture import (JDK, LAUNCHER, WINDOWS_JDK, PackageTestCase, jdk_version, listing,
                             read_block, write)

SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures", "modules")


def release_modules(runtime: str) -> list:
    with open(os.path.join(runtime, "release")) as f:
        for line in f:
            if line.startswith("MODULES="):
                return line.split("=", 1)[1].strip().strip('"').split()
    return []


class ModularAppTest(PackageTestCase):

    @classmethod
    def setUpClass(cls):
        cls.shared = os.path.realpath(tempfile.mkdtemp(prefix="trellane-modules-"))
        mods = cls.mods = os.path.join(cls.shared, "mods")
        os.makedirs(mods)

        def module(name: str, jar: str, *jar_options: str, path: str = mods):
            classes = os.path.join(cls.shared, "classes", jar)
            sources = [os.path.join(folder, f) for folder, _, files in
                       os.walk(os.path.join(SOURCES, name)) for f in files]
            subprocess.run([os.path.join(JDK, "bin", "javac"), "-p", mods, "-d", classes,
                            *sources], check=True)
            subprocess.run([os.path.join(JDK, "bin", "jar"), "--create", "--file",
                            os.path.join(path, jar + ".jar"), *jar_options, "-C", classes, "."],
                           check=True)

        module("greeter", "greeter")
        module("loud", "loud")
        module("app", "app", "--main-class", "app.Main")
        # The same module without a main class in its descriptor, on a path of its own.
        cls.nameless = os.path.join(cls.shared, "nameless")
        os.makedirs(cls.nameless)
        module("app", "app", path=cls.nameless)
        # A runtime of java.base alone, as jlink makes one.
        cls.runtime = os.path.join(cls.shared, "runtime")
        subprocess.run([os.path.join(JDK, "bin", "jlink"), "--add-modules", "java.base",
                        "--no-header-files", "--no-man-pages", "--output", cls.runtime],
                       check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.shared, True)

    def run_image(self, launcher: str, *arguments: str) -> str:
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        done = subprocess.run([launcher, *arguments], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=120, env=env)
        self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8", "replace"))
        return done.stdout.decode()

    def test_a_linked_runtime_holds_the_modules_and_starts_the_main_module(self):
        # The splash needs java.desktop in the runtime; without a display there is none, and
        # the application starts as without it.
        write(self.path("content", "notes.txt"), "from the app content\n")
        write(self.path("art", "splash.png"), "not shown")
        # A second launcher of a module of the JDK's own, which only jlink can add.
        write(self.path("shell.properties"),
              "module=jdk.jshell/jdk.internal.jshell.tool.JShellToolProvider\n")
        self.assertBuilt(self.package(
            "--module-path", self.mods, "--module", "app", "--dest", "out", "--console-app",
            "--app-content", "content/notes.txt,art", "--java-options",
            "-Dapp.content=$APPDIR/notes.txt -splash:$APPDIR/art/splash.png",
            "--add-launcher", "shell=shell.properties"))
        image = self.path("out", "Main")  # named after the descriptor's main class
        self.assertEqual(
            self.run_image(os.path.join(image, "bin", "Main"), "modular", "world"),
            "HELLO MODULAR WORLD!\nmodule: app, command: app modular world\n"
            "content: from the app content\n")
        self.assertEqual(self.run_image(os.path.join(image, "bin", "shell"), "--version"),
                         "jshell %s\n" % jdk_version(JDK))
        self.assertTrue({"app", "greeter", "loud", "java.desktop", "jdk.jshell"} <=
                        set(release_modules(image)))
        self.assertEqual(sorted(os.listdir(os.path.join(image, "app"))),
                         ["art", "notes.txt", "trellane-runtime.jar"])
        block = read_block(os.path.join(image, "bin", "Main"), LAUNCHER)
        self.assertEqual(block.main_class, "app/")

    def test_with_a_given_runtime_the_modules_go_into_app_mods(self):
        self.assertBuilt(self.package(
            "-p", self.mods, "-m", "app/app.Main", "--runtime-image", self.runtime,
            "--name", "greet", "--dest", "out", "--console-app"))
        image = self.path("out", "greet")
        self.assertEqual(listing(os.path.join(image, "app")),
                         ["mods/", "mods/app.jar", "mods/greeter.jar", "mods/loud.jar",
                          "trellane-runtime.jar"])
        block = read_block(os.path.join(image, "bin", "greet"), LAUNCHER)
        self.assertEqual((block.main_class, block.jvm_options[1:]),
                         ("app/app.Main", ["--module-path=&&mods"]))
        self.assertEqual(self.run_image(os.path.join(image, "bin", "greet"), "you"),
                         "HELLO YOU!\nmodule: app, command: app/app.Main you\n")

    def test_a_windows_runtime_is_linked_with_the_modules(self):
        self.assertBuilt(self.package(
            "--target", "windows", "--runtime-jdk", WINDOWS_JDK, "--module-path", self.mods,
            "--module", "app", "--name", "greet", "--dest", "out"))
        modules = release_modules(self.path("out", "greet"))
        self.assertTrue({"app", "greeter", "loud"} <= set(modules), modules)

    def test_what_cannot_start_is_refused(self):
        write(self.path("content", "trellane-runtime.jar"), "")
        os.makedirs(self.path("alone"))
        shutil.copy(os.path.join(self.mods, "app.jar"), self.path("alone", "app.jar"))
        plain = self.path("plain", "tool.jar")
        shutil.copy(os.path.join(self.shared, "classes", "app", "app", "Main.class"),
                    write(self.path("plain", "app", "Main.class"), ""))
        subprocess.run([os.path.join(JDK, "bin", "jar"), "--create", "--file", plain,
                        "--main-class", "app.Main", "-C", self.path("plain"), "app"], check=True)
        write(self.path("java.properties"), "module=app\n")
        write(self.path("jar.properties"), "main-jar=tool.jar\n")
        write(self.path("class.properties"), "main-class=app.Nope\n")
        runtime = ("--runtime-image", self.runtime)
        cases = [
            # The given runtime's own bin/java stays.
            (["-p", self.mods, "--module", "app", *runtime, "--add-launcher",
              "java=java.properties"], 1,
             "the runtime has a bin/java of its own, which the launcher java would replace"),
            # A modular application with no --input has no jars.
            (["-p", self.mods, "--module", "app", *runtime, "--add-launcher",
              "tool=jar.properties"], 1,
             "--add-launcher tool names main-jar tool.jar, and there is no --input to hold it"),
            (["-p", self.nameless + ":" + self.mods, "--module", "app", *runtime], 1,
             "the module app (%s/app.jar) names no main class in its descriptor: give "
             "--module app/CLASS" % self.nameless),
            (["-p", self.mods, "--module", "app/app.Nope", *runtime], 1,
             "holds no class app.Nope"),
            (["-p", self.mods, "--module", "app", *runtime, "--add-launcher",
              "tool=class.properties"], 1,
             "--add-launcher tool: the main module app (%s/app.jar) holds no class app.Nope: "
             "check its main-class (dotted), or give the main-jar that holds it" % self.mods),
            (["-p", self.path("alone"), "--module", "app", *runtime], 1,
             "the module app requires greeter, which is neither on --module-path nor in the "
             "runtime"),
            (["-p", self.path("plain"), "--module", "tool"], 1,
             "is not a modular jar: the JVM takes it as the automatic module tool, which jlink "
             "cannot link"),
            (["-p", self.mods, "--module", "app", *runtime, "--java-options",
              "-splash:$APPDIR/s.png"], 1, "has no java.desktop"),
            (["-p", self.mods, "--module", "app", *runtime, "--app-content",
              "content/trellane-runtime.jar"], 1, "which the input, another --app-content"),
            (["-p", self.mods, "--module", "app", *runtime, "--app-content", "missing"], 1,
             "--app-content missing does not exist"),
            (["--module", "app", "--input", ".", "--main-jar", "app.jar"], 2,
             "--main-jar and --module both say"),
            (["--module", "app"], 2, "--module needs --module-path"),
            (["--module", "app", "--main-class", "app.Main", "-p", self.mods], 2,
             "names the main class: leave --main-class out"),
        ]
        for arguments, status, message in cases:
            with self.subTest(arguments=arguments):
                done = self.package(*arguments, "--dest", "out")
                self.assertEqual(done.returncode, status, done.stderr)
                self.assertIn(message, done.stderr.decode())
                self.assertFalse(os.path.exists(self.path("out")))


if __name__ == "__main__":
    unittest.main()
