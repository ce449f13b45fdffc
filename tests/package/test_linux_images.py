"""Linux images of a small application, linked from the build's JDK and run on the real JVM:
its data file, German dates, the CDS training run, and replacing an image."""

import os
import shutil
import signal
import subprocess
import time
import unittest

from package_fixture import APP_JAR, LAUNCHER, PackageTestCase, listing, read_block, write

GREETING = "Guten Tag aus dem app-Ordner"
OUTPUT = ("arguments: one two words\n"
          "data: " + GREETING + "\n"
          "date: Freitag, 1. M\u00e4rz 2024\n")


def run(launcher: str, *arguments: str) -> subprocess.CompletedProcess:
    return subprocess.run([launcher, *arguments], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=120)


def processes_in(folder: str, naming: str = "") -> list:
    """The processes working in folder (as all that the tool starts there do) whose command
    line holds naming."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if os.readlink("/proc/%s/cwd" % pid) != folder:
                continue
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                if naming.encode() in f.read():
                    found.append(pid)
        except OSError:
            pass
    return found


class LinuxImageTest(PackageTestCase):

    def setUp(self):
        super().setUp()
        shutil.copyfile(APP_JAR, write(self.path("input", "app.jar"), ""))
        write(self.path("input", "data", "greeting.txt"), GREETING + "\n")
        self.image = self.path("out", "hello")
        self.launcher = os.path.join(self.image, "bin", "hello")

    @staticmethod
    def hello(*arguments: str) -> list:
        # -Xshare:on: the JVM refuses to start unless the runtime's CDS archive is usable.
        return ["--input", "input", "--main-jar", "app.jar", "--name", "hello", "--dest", "out",
                "--console-app", "--java-options", "-Xshare:on", "--java-options",
                "-Dapp.data=&&data/greeting.txt", *arguments]

    def package_hello(self, *arguments: str) -> subprocess.CompletedProcess:
        return self.package(*self.hello(*arguments))

    def test_the_image_runs_with_its_data_and_german_dates(self):
        done = self.package_hello()
        self.assertBuilt(done)
        progress = done.stderr.decode().splitlines()
        self.assertTrue(all(line.startswith("trellane-package: ") for line in progress), progress)
        self.assertRegex(progress[-1], r"^trellane-package: built out/hello \(\d+\.\d MiB\) in ")
        files = listing(self.image)
        for present in ("lib/server/libjvm.so", "lib/server/classes.jsa", "lib/modules",
                        "bin/hello", "app/app.jar", "app/data/greeting.txt",
                        "app/trellane-runtime.jar", ".trellane-package"):
            self.assertIn(present, files)
        self.assertEqual([f for f in files if f.startswith("bin/")], ["bin/", "bin/hello"],
                         "the runtime's native commands are stripped")
        self.assertNotIn("lib/server/classes_nocoops.jsa", files)
        with open(os.path.join(self.image, "release")) as release:
            modules = release.read()
        for module in ("java.base", "jdk.localedata", "jdk.crypto.ec", "jdk.charsets", "jdk.zipfs"):
            self.assertIn(module, modules)

        ran = run(self.launcher, "one", "two words")
        self.assertEqual((ran.returncode, ran.stdout.decode(), ran.stderr.decode()),
                         (0, OUTPUT, ""))

    def test_overwrite_leaves_nothing_of_the_old_image(self):
        write(self.path("input", "old.txt"), "from the first build")
        self.assertBuilt(self.package_hello("--quiet", "--arguments", "first build"))
        os.remove(self.path("input", "old.txt"))
        self.assertBuilt(self.package_hello("--quiet", "--overwrite", "--arguments", "one"))
        self.assertEqual(os.listdir(self.path("out")), ["hello"])
        self.assertNotIn("app/old.txt", listing(self.image))
        ran = run(self.launcher, "two words")
        self.assertEqual((ran.returncode, ran.stdout.decode()), (0, OUTPUT))

    def test_cds_training_run(self):
        self.assertBuilt(self.package_hello("--quiet", "--cds"))
        self.assertIn("app/hello.jsa", listing(self.image))
        self.assertNotIn("bin/.hello-training", listing(self.image))
        options = read_block(self.launcher, LAUNCHER).jvm_options
        self.assertEqual(options[-2:], ["-XX:SharedArchiveFile=&&hello.jsa",
                                        "-Xlog:cds+dynamic=off"])
        ran = run(self.launcher, "one", "two words")
        self.assertEqual((ran.returncode, ran.stdout.decode(), ran.stderr.decode()),
                         (0, OUTPUT, ""))

    def test_a_failed_training_run_keeps_the_old_image(self):
        self.assertBuilt(self.package_hello("--quiet"))
        before = listing(self.path("out"))
        with open(self.launcher, "rb") as f:
            old_launcher = f.read()
        done = self.package_hello("--quiet", "--overwrite", "--cds", "--cds-train-arg", "exit3")
        self.assertEqual((done.returncode, done.stderr.decode()),
                         (1, "trellane-package: the CDS training run failed (exit status 3); it "
                             "must end with exit status 0. Its output:\n\n"))
        self.assertEqual(listing(self.path("out")), before)
        with open(self.launcher, "rb") as f:
            self.assertEqual(f.read(), old_launcher)

    def test_a_hanging_training_run_is_stopped(self):
        done = self.package_hello("--quiet", "--cds", "--cds-train-arg", "sleep",
                                  "--cds-timeout", "3")
        self.assertEqual(done.returncode, 1)
        self.assertTrue(done.stderr.decode().startswith(
            "trellane-package: the CDS training run did not end within 3 s (--cds-timeout) and "
            "was stopped;"), done.stderr.decode())
        self.assertFalse(os.path.exists(self.path("out")), "the destination it made is gone too")
        self.assertEqual(processes_in(self.work), [], "the training JVM is gone")

    def test_an_interrupted_run_removes_what_it_wrote(self):
        self.assertBuilt(self.package_hello("--quiet"))
        before = listing(self.path("out"))
        process = subprocess.Popen(
            self.command(*self.hello("--quiet", "--overwrite", "--cds", "--cds-train-arg", "sleep")),
            cwd=self.work, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 120
        while not processes_in(self.work, ".hello-training") and time.monotonic() < deadline:
            time.sleep(0.1)
        process.send_signal(signal.SIGTERM)
        _, err = process.communicate(timeout=60)
        self.assertEqual(process.returncode, -signal.SIGTERM, err.decode())
        self.assertIn("interrupted", err.decode())
        self.assertEqual(listing(self.path("out")), before, "the old image is back, whole")
        self.assertEqual(processes_in(self.work), [])


if __name__ == "__main__":
    unittest.main()
