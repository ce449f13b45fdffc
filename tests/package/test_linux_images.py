"""Linux images of a small application, linked from the build's JDK and run on the real JVM:
its data file, German dates, the CDS training run, replacing an image, and the splash screen
the main jar's manifest names."""

import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest

from package_fixture import APP_JAR, JDK, LAUNCHER, PackageTestCase, listing, read_block, write

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import png  # noqa: E402  (found through the path above)
import screen  # noqa: E402

# Debian's libjaxb-api-java, a test dependency (scripts/install-deps.sh).
JAXB_API_JAR = "/usr/share/java/jaxb-api.jar"
GREETING = "Guten Tag aus dem app-Ordner"
# The most the tool may hold while a training run prints 200 MiB (it held 407 MiB when it kept
# the whole output). A sanitized tool (make test-sanitize) starts near 90 MiB, AddressSanitizer's
# shadow and allocator with nothing of the output in them.
HELD_MIB = 200 if os.environ.get("TRELLANE_SANITIZED_TOOLS") else 100
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


def peak_memory_mib(pid: int) -> int:
    """The most memory the process has held so far (VmHWM), 0 once it is gone."""
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) // 1024
    except OSError:
        pass
    return 0


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
        # The training run leaves single-instance mode out; the image keeps it.
        self.assertBuilt(self.package_hello("--quiet", "--cds", "--single-instance"))
        self.assertIn("app/hello.jsa", listing(self.image))
        self.assertNotIn("bin/.hello-training", listing(self.image))
        options = read_block(self.launcher, LAUNCHER).jvm_options
        self.assertEqual(options[-3:], ["-Dtrellane.singleInstance=hello",
                                        "-XX:SharedArchiveFile=&&hello.jsa",
                                        "-Xlog:cds+dynamic=off"])
        ran = run(self.launcher, "one", "two words")
        self.assertEqual((ran.returncode, ran.stdout.decode(), ran.stderr.decode()),
                         (0, OUTPUT, ""))

    def test_a_workload_that_ends_with_another_status(self):
        # A checker that reports findings ends with 1 or more when it did all it should.
        self.assertBuilt(self.package_hello("--quiet", "--cds", "--cds-train-arg", "exit3",
                                            "--cds-train-status", "3"))
        self.assertIn("app/hello.jsa", listing(self.image))
        self.assertEqual(run(self.launcher, "one", "two words").stdout.decode(), OUTPUT)

    def test_a_runtime_without_its_own_archive_gets_one_for_the_training_run(self):
        # Without it the JVM writes no application archive and warns at every start.
        bare = self.path("bare-runtime")
        linked = subprocess.run([os.path.join(JDK, "bin", "jlink"), "--add-modules",
                                 "java.base,jdk.localedata", "--output", bare],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.assertEqual(linked.returncode, 0, linked.stdout.decode())
        done = self.package_hello("--runtime-image", bare, "--cds")
        self.assertBuilt(done)
        self.assertIn("trellane-package: CDS: the runtime has no CDS archive of its own; making "
                      "lib/server/classes.jsa\n", done.stderr.decode())
        files = listing(self.image)
        self.assertIn("lib/server/classes.jsa", files)
        self.assertIn("app/hello.jsa", files)
        self.assertEqual([f for f in files if f.startswith("bin/.")], [])
        ran = run(self.launcher, "one", "two words")
        self.assertEqual((ran.returncode, ran.stdout.decode(), ran.stderr.decode()),
                         (0, OUTPUT, ""))

    def test_jars_jdeps_cannot_resolve_get_the_java_commands_modules(self):
        # Debian's JAXB API is a modular jar that requires java.activation, which the input
        # does not hold: jdeps stops there, and the image gets what the java command resolves
        # for a class-path application.
        shutil.copyfile(JAXB_API_JAR, write(self.path("input", "lib", "jaxb-api.jar"), ""))
        done = self.package_hello()
        self.assertBuilt(done)
        self.assertRegex(done.stderr.decode(), re.compile(
            r"^trellane-package: warning: jdeps could not list the modules the jars need "
            r"\(exit status \d+\): jaxb-api\.jar \(module java\.xml\.bind\) requires "
            r"java\.activation, which no jar of the input holds; the runtime gets the \d+ "
            r"modules the java command resolves", re.MULTILINE))
        with open(os.path.join(self.image, "release")) as release:
            modules = release.read()
        for module in ("java.desktop", "java.sql", "java.xml", "jdk.localedata"):
            self.assertIn(module, modules)
        ran = run(self.launcher, "one", "two words")
        self.assertEqual((ran.returncode, ran.stdout.decode(), ran.stderr.decode()),
                         (0, OUTPUT, ""))

    @unittest.skipUnless(screen.available(), "the splash is shown on Xvfb: "
                                             "scripts/install-deps.sh installs it (xvfb)")
    def test_the_main_jars_splash_screen_image_is_shown(self):
        # As java -jar shows it: the main jar's manifest names an image in the jar, made by the
        # jar tool. Nothing in the jar needs java.desktop, whose library shows the splash.
        colour = (40, 160, 220)
        with open(write(self.path("content", "images", "splash.png"), ""), "wb") as f:
            png.Writer(120, 80, greyscale=False).write(f, [list(colour) * 120] * 80)
        write(self.path("content", "manifest.txt"), "SplashScreen-Image: images/splash.png\n")
        subprocess.run([os.path.join(JDK, "bin", "jar"), "--update", "--file",
                        self.path("input", "app.jar"), "--manifest",
                        self.path("content", "manifest.txt"), "-C", self.path("content"),
                        "images"], check=True)
        self.assertBuilt(self.package_hello("--main-class", "com.example.packaged.Splash",
                                            "--quiet"))
        self.assertIn("-splash:jar:&&app.jar", read_block(self.launcher, LAUNCHER).jvm_options)
        with open(os.path.join(self.image, "release")) as release:
            self.assertIn("java.desktop", release.read())

        display = screen.VirtualScreen()
        self.addCleanup(display.close)
        app = subprocess.Popen([self.launcher], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True,
                               env=dict(os.environ, DISPLAY=display.display))
        self.addCleanup(app.kill)
        self.assertEqual(app.stdout.readline(),
                         "splash jar:file:%s/app/app.jar!/images/splash.png\n" % self.image)
        self.assertTrue(display.wait_for(
            lambda pixels: sum(row.count(colour) for row in pixels) == 120 * 80))
        out, err = app.communicate("\n", timeout=60)
        self.assertEqual((app.returncode, out, err), (0, "closed\n", ""))

    def test_a_failed_training_run_keeps_the_old_image(self):
        self.assertBuilt(self.package_hello("--quiet"))
        before = listing(self.path("out"))
        with open(self.launcher, "rb") as f:
            old_launcher = f.read()
        done = self.package_hello("--quiet", "--overwrite", "--cds", "--cds-train-arg", "exit3")
        self.assertEqual((done.returncode, done.stderr.decode()),
                         (1, "trellane-package: the CDS training run failed (exit status 3); it "
                             "must end with exit status 0 (--cds-train-status N accepts a "
                             "workload that ends with N). Its output:\n\n"))
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

    def run_watched(self, *arguments: str):
        """Packages while watching the tool: its status, its messages, its peak memory in MiB,
        and the seconds from the training run's start to its end."""
        process = subprocess.Popen(self.command(*self.hello(*arguments)), cwd=self.work,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        os.set_blocking(process.stderr.fileno(), False)
        err, peak, training = b"", 0, None
        deadline = time.monotonic() + 300
        while process.poll() is None and time.monotonic() < deadline:
            peak = max(peak, peak_memory_mib(process.pid))
            err += process.stderr.read() or b""
            if training is None and b"CDS: training run" in err:
                training = time.monotonic()
            time.sleep(0.05)
        if process.poll() is None:
            process.kill()
        process.wait()
        err += process.stderr.read() or b""
        process.stderr.close()
        return process.returncode, err.decode(errors="replace"), peak, \
            time.monotonic() - (training or time.monotonic())

    def test_a_training_run_that_misbehaves(self):
        # The application ends, yet what it started lives on: in a session of its own
        # (setsid), or holding its output; or it prints 200 MiB, or without end.
        cases = [
            # (arguments, status, message's start, longest seconds from the training run's
            # start to the command's end)
            (["--cds-train-arg", "setsid-child", "--cds-train-arg", "371"], 0,
             "trellane-package: built out/hello", 60),
            (["--cds-timeout", "60", "--cds-train-arg", "output-child", "--cds-train-arg",
              "372"], 0, "trellane-package: built out/hello", 45),
            (["--cds-train-arg", "print", "--cds-train-arg", "200"], 0,
             "trellane-package: built out/hello", 120),
            (["--cds-timeout", "3", "--cds-train-arg", "print", "--cds-train-arg", "1000000"], 1,
             "trellane-package: the CDS training run did not end within 3 s (--cds-timeout) "
             "and was stopped", 3 + 5),
        ]
        for arguments, status, message, seconds in cases:
            with self.subTest(arguments=arguments):
                shutil.rmtree(self.path("out"), ignore_errors=True)
                done, err, peak, took = self.run_watched("--cds", *arguments)
                self.assertEqual(done, status, err)
                self.assertIn(message, err)
                self.assertLess(took, seconds, err)
                self.assertLess(peak, HELD_MIB, "MiB the tool held")
                self.assertLess(len(err), 20000, "only the output's end is shown")
                self.assertEqual(processes_in(self.work), [], "nothing it started lives on")
        self.assertIn("line of output without end\n", err, "the end of its output is shown")

    def test_concurrent_overwrites_never_mix_two_images(self):
        # One packaging trains in place while another replaces the image: the second waits,
        # and the image is either one whole, never one's app/ with the other's launcher.
        shutil.copytree(self.path("input"), self.path("input2"))
        write(self.path("input2", "second.txt"), "from the second packaging")
        self.assertBuilt(self.package_hello("--quiet"))
        flag = self.path("go-on")
        first = subprocess.Popen(
            self.command(*self.hello("--overwrite", "--cds", "--cds-train-arg", "await",
                                     "--cds-train-arg", flag)),
            cwd=self.work, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 120
        while not processes_in(self.work, ".hello-training") and time.monotonic() < deadline:
            time.sleep(0.1)
        second = subprocess.Popen(
            self.command("--input", "input2", *self.hello("--overwrite", "--arguments",
                                                          "second")[2:]),
            cwd=self.work, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        said = b""
        os.set_blocking(second.stderr.fileno(), False)
        while second.poll() is None and b"waiting for another" not in said and \
                time.monotonic() < deadline:
            said += second.stderr.read() or b""
            time.sleep(0.1)
        write(flag, "")
        _, first_err = first.communicate(timeout=120)
        second.wait(timeout=120)
        said += second.stderr.read() or b""
        second.stderr.close()
        self.assertEqual((first.returncode, second.returncode), (0, 0),
                         first_err.decode() + said.decode())
        block = read_block(self.launcher, LAUNCHER)
        image = ("app/ of the second" if "second.txt" in os.listdir(self.path("out", "hello", "app"))
                 else "app/ of the first",
                 "launcher of the second" if block.arguments == ["second"] and
                 "-XX:SharedArchiveFile=&&hello.jsa" not in block.jvm_options
                 else "launcher of the first")
        self.assertEqual(image, ("app/ of the second", "launcher of the second"))
        self.assertIn("waiting for another trellane-package to finish with out/hello",
                      said.decode())

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
