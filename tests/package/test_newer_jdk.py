"""Linux images whose runtime a JDK of version 21 or later links, run on that JVM: the image
itself, the ahead-of-time cache that --cds makes from version 24 on and where it still serves,
and --cds auto's silence, also on a runtime that came without its own archive. The JDK is
TRELLANE_NEWER_JDK, else the newest in the system's JVM folder (Temurin 25, whose jlink links
from its run-time image, has no jmods/); without one the cases are skipped, saying so."""

import os
import shutil
import subprocess
import unittest

from package_fixture import (APP_JAR, LAUNCHER, SYSTEM_JVM_FOLDER, PackageTestCase, listing,
                             newer_jdk, read_block, write)
from package_fixture import _feature_version

JDK = newer_jdk()
GREETING = "Guten Tag aus dem app-Ordner"
OUTPUT = ("arguments: one\n"
          "data: " + GREETING + "\n"
          "date: Freitag, 1. M\u00e4rz 2024\n")
MAIN_CLASS = "com.example.packaged.Main"
BOOTSTRAP_CLASS = "morvantic.trellane.launcher.Launcher"


def setUpModule():
    if JDK is None:
        raise unittest.SkipTest("no JDK of version 21 or later in %s, and TRELLANE_NEWER_JDK "
                                "is not set: the newer runtime's cases are skipped"
                                % SYSTEM_JVM_FOLDER)


def run(launcher: str, *arguments: str, **env: str) -> subprocess.CompletedProcess:
    return subprocess.run([launcher, *arguments], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          env=dict(os.environ, **env), timeout=120)


class NewerJdkImageTest(PackageTestCase):

    def setUp(self):
        super().setUp()
        self.version = _feature_version(JDK)
        shutil.copyfile(APP_JAR, write(self.path("input", "app.jar"), ""))
        write(self.path("input", "data", "greeting.txt"), GREETING + "\n")
        self.image = self.path("out", "hello")
        self.home = self.path("home")
        os.makedirs(self.home)

    def package_hello(self, *arguments: str) -> None:
        # A user may ask the JVM where each class came from, which is how these tests see
        # whether an archive served.
        self.assertBuilt(self.package(
            "--input", "input", "--main-jar", "app.jar", "--name", "hello", "--dest", "out",
            "--console-app", "--java-options", "-Dapp.data=&&data/greeting.txt",
            "--allow-user-option", "-Xlog:class+load", "--quiet", *arguments))

    def run_hello(self, image: str = None, **env: str) -> subprocess.CompletedProcess:
        return run(os.path.join(image or self.image, "bin", "hello"), "one", HOME=self.home, **env)

    def assertRunsQuietly(self, image: str = None) -> None:
        ran = self.run_hello(image)
        self.assertEqual((ran.returncode, ran.stdout.decode(), ran.stderr.decode()),
                         (0, OUTPUT, ""))

    def assertArchiveServes(self, image: str = None, loaded: str = MAIN_CLASS) -> None:
        """The class came from the archive or cache."""
        ran = self.run_hello(image, TRELLANE_JVM_OPTIONS="-Xlog:class+load=info")
        self.assertEqual(ran.returncode, 0, ran.stderr.decode())
        self.assertIn(loaded + " source: shared objects file", ran.stdout.decode())

    def sign_app_jar(self) -> None:
        """Signs the input's app.jar, whose classes the JVM then declines to archive, with a
        warning line each that a first start must not show."""
        keystore = self.path("keys.p12")
        for command in (["keytool", "-genkeypair", "-keystore", keystore, "-storepass",
                         "password", "-alias", "app", "-keyalg", "EC", "-dname", "CN=Test",
                         "-validity", "30"],
                        ["jarsigner", "-keystore", keystore, "-storepass", "password",
                         self.path("input", "app.jar"), "app"]):
            done = subprocess.run([os.path.join(JDK, "bin", command[0])] + command[1:],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            self.assertEqual(done.returncode, 0, done.stdout.decode())

    def test_the_jdk_links_the_runtime(self):
        self.package_hello("--jdk", JDK)
        with open(os.path.join(self.image, "release")) as release:
            self.assertIn('JAVA_VERSION="%d' % self.version, release.read())
        files = listing(self.image)
        self.assertIn("lib/server/classes.jsa", files)
        self.assertEqual([f for f in files if f.startswith("bin/")], ["bin/", "bin/hello"])
        self.assertRunsQuietly()

    def test_cds_makes_an_ahead_of_time_cache_that_serves_wherever_the_image_goes(self):
        if self.version < 24:
            self.skipTest("the ahead-of-time cache comes with runtime version 24")
        self.package_hello("--jdk", JDK, "--cds")
        files = listing(self.image)
        self.assertIn("app/hello.aot", files)
        self.assertEqual([f for f in files if "aotconf" in f or f.startswith("bin/.")], [])
        quiet = ["-Xlog:cds=off", "-Xlog:cds+dynamic=off"] + (
            ["-Xlog:aot=off"] if self.version >= 25 else [])
        self.assertEqual(read_block(os.path.join(self.image, "bin", "hello"), LAUNCHER)
                         .jvm_options[2:], ["-XX:AOTCache=&&hello.aot"] + quiet)
        self.assertRunsQuietly()
        self.assertArchiveServes()
        # Installed elsewhere with the file times kept, as dpkg and tar keep them, in a folder
        # whose name has a space and a letter beyond ASCII; a copy with new file times; then
        # the image moved, the original gone. The JVM checks the jars' times: the fresh copy
        # may start without the cache (from 25.0.4 on), but as quietly.
        installed = self.path("opt", "Caf\u00e9 apps", "hello")
        shutil.copytree(self.image, installed, copy_function=shutil.copy2)
        copied = self.path("copied", "hello")
        shutil.copytree(self.image, copied, copy_function=shutil.copy)
        moved = self.path("moved", "hello")
        os.makedirs(os.path.dirname(moved))
        os.rename(self.image, moved)
        for image in (installed, copied, moved):
            with self.subTest(image=image):
                self.assertRunsQuietly(image)
                if image != copied:
                    self.assertArchiveServes(image)

    def test_cds_auto_is_silent_and_its_archive_serves(self):
        self.sign_app_jar()
        self.package_hello("--jdk", JDK, "--cds", "auto")
        self.assertRunsQuietly()
        self.assertTrue(os.path.isfile(os.path.join(self.home, ".cache", "hello", "hello.jsa")))
        self.assertArchiveServes(loaded=BOOTSTRAP_CLASS)

    def test_a_runtime_without_its_own_archive_gets_one(self):
        # jlink makes none unless asked; without it the JVM would warn at every start and
        # never write the application's archive.
        self.sign_app_jar()
        bare = self.path("bare-runtime")
        linked = subprocess.run([os.path.join(JDK, "bin", "jlink"), "--add-modules",
                                 "java.base,jdk.localedata", "--output", bare],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(linked.returncode, 0, linked.stdout.decode())
        self.assertFalse(os.path.exists(os.path.join(bare, "lib", "server", "classes.jsa")))
        done = self.package("--input", "input", "--main-jar", "app.jar", "--name", "hello",
                            "--dest", "out", "--console-app", "--java-options",
                            "-Dapp.data=&&data/greeting.txt", "--allow-user-option",
                            "-Xlog:class+load", "--runtime-image", bare, "--cds", "auto")
        self.assertBuilt(done)
        self.assertIn("trellane-package: CDS: the runtime has no CDS archive of its own; making "
                      "lib/server/classes.jsa\n", done.stderr.decode())
        self.assertIn("lib/server/classes.jsa", listing(self.image))
        self.assertEqual([f for f in listing(self.image) if f.startswith("bin/.")], [])
        self.assertRunsQuietly()
        self.assertArchiveServes(loaded=BOOTSTRAP_CLASS)


if __name__ == "__main__":
    unittest.main()
