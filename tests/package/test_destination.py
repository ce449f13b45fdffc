"""What trellane-package does at its destination when the world does not hold still: a folder
or another packaging appearing there while the image is built, an input tree far deeper than
an image, and a disk that fills up. Synthetic runtimes, as in test_refusals."""

import os
import shutil
import signal
import subprocess
import sys
import unittest

from package_fixture import (LAUNCHER, PackageTestCase, linux_runtime, listing, read_block,
                             write)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import private_mounts  # noqa: E402  (found through the path above)

# The tool stops itself (SIGSTOP) right before the image takes its place when this is set.
STOP_BEFORE_PLACING = {"TRELLANE_TEST_STOP_BEFORE_PLACING": "1"}


class DestinationTest(PackageTestCase):

    def setUp(self):
        super().setUp()
        self.sample_input()
        linux_runtime(self.path("runtime"))

    def arguments(self, *more: str, dest: str = "out") -> list:
        return ["--input", "input", "--main-jar", "app.jar", "--runtime-image", "runtime",
                "--dest", dest, "--quiet", *more]

    def stopped_before_placing(self, *more: str) -> subprocess.Popen:
        """The tool, run until its image is about to take its place."""
        process = subprocess.Popen(self.command(*self.arguments(*more)), cwd=self.work,
                                   env=dict(os.environ, **STOP_BEFORE_PLACING),
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        _, status = os.waitpid(process.pid, os.WUNTRACED)
        if not os.WIFSTOPPED(status):
            process.returncode = os.waitstatus_to_exitcode(status)
            self.fail("the tool ended (%s) before placing its image: %s"
                      % (process.returncode, process.stderr.read().decode()))
        return process

    @staticmethod
    def resumed(process: subprocess.Popen) -> tuple:
        os.kill(process.pid, signal.SIGCONT)
        out, err = process.communicate(timeout=120)
        return process.returncode, out.decode(), err.decode()

    def written(self) -> list:
        """What lies in the work folder besides the input."""
        return [path for path in listing(self.work) if not path.startswith("input/")]

    def snapshot(self) -> dict:
        """Every file at out/app (or out/app itself) with its content."""
        found = {}
        for folder, _, files in os.walk(self.path("out", "app")):
            for name in files:
                with open(os.path.join(folder, name), "rb") as f:
                    found[os.path.join(folder, name)] = f.read()
        if os.path.isfile(self.path("out", "app")):
            with open(self.path("out", "app"), "rb") as f:
                found["out/app"] = f.read()
        return found

    def someone_elses_folder(self):
        shutil.rmtree(self.path("out", "app"), ignore_errors=True)
        write(self.path("out", "app", "precious.txt"), "precious\n")

    def someone_elses_file(self):
        shutil.rmtree(self.path("out", "app"), ignore_errors=True)
        write(self.path("out", "app"), "a file\n")

    def another_packaging(self, *more: str):
        self.assertBuilt(self.package(*self.arguments("--arguments", "theirs", *more)))

    def test_what_appears_at_the_destination_while_the_image_is_built(self):
        appeared = ("trellane-package: out/app appeared while the image was built; it is left "
                    "as it is: give --overwrite to replace an image built by trellane-package, "
                    "or choose another --dest or --name\n")
        changed = ("trellane-package: out/app changed while the image was built and is no "
                   "longer an image built by trellane-package (it has no .trellane-package "
                   "file); it is left as it is: remove it yourself, or choose another --dest "
                   "or --name\n")
        cases = [
            # (an image there at the start, --overwrite, what happens meanwhile, status,
            # message; the image at the end: True ours, False the other packaging's, None
            # someone else's folder or file)
            (False, False, self.someone_elses_folder, 1, appeared, None),
            (False, False, self.someone_elses_file, 1, appeared, None),
            (False, False, self.another_packaging, 1, appeared, False),
            (False, True, self.someone_elses_folder, 1, changed, None),
            (True, True, self.someone_elses_folder, 1, changed, None),
            (True, True, self.someone_elses_file, 1, changed, None),
            (False, True, lambda: self.another_packaging("--overwrite"), 0, "", True),
            (True, True, lambda: self.another_packaging("--overwrite"), 0, "", True),
        ]
        for existing, overwrite, meanwhile, status, message, ours in cases:
            with self.subTest(existing=existing, overwrite=overwrite,
                              meanwhile=meanwhile.__name__):
                shutil.rmtree(self.path("out"), ignore_errors=True)
                if existing:
                    self.assertBuilt(self.package(*self.arguments()))
                process = self.stopped_before_placing(
                    "--arguments", "ours", *(["--overwrite"] if overwrite else []))
                meanwhile()
                before = self.snapshot() if ours is None else None
                self.assertEqual(self.resumed(process), (status, "", message))
                self.assertEqual(os.listdir(self.path("out")), ["app"], "nothing else stays")
                if ours is None:
                    self.assertEqual(self.snapshot(), before)
                else:
                    arguments = read_block(self.path("out", "app", "bin", "app"),
                                           LAUNCHER).arguments
                    self.assertEqual(arguments, ["ours" if ours else "theirs"])

    def test_an_input_deeper_than_any_image_leaves_nothing_behind(self):
        deep = self.path("input", "data", *["level"] * 200)
        write(os.path.join(deep, "bottom.txt"), "the bottom\n")
        self.assertBuilt(self.package(*self.arguments()))
        self.assertTrue(os.path.isfile(self.path("out", "app", "app", "data", *["level"] * 200,
                                                 "bottom.txt")))
        before = self.written()

        # A refusal after app/ is copied (the launcher given is already stamped): no temporary
        # folder, and not the destination folders the command made either.
        stamped = self.path("out", "app", "bin", "app")
        refused = self.package(*self.arguments(dest="new/place"), launcher=stamped)
        self.assertEqual(refused.returncode, 1, refused.stderr.decode())
        self.assertEqual(self.written(), before)

        # Replacing the image removes all of the old one.
        write(self.path("input", "data", "new.txt"), "new\n")
        self.assertBuilt(self.package(*self.arguments("--overwrite")))
        self.assertEqual(os.listdir(self.path("out")), ["app"])
        self.assertIn("app/data/new.txt", listing(self.path("out", "app")))

    def test_a_full_disk_is_named_as_one(self):
        write(self.path("input", "data", "large.bin"), os.urandom(3 << 20))
        os.makedirs(self.path("small"))
        # A 1 MiB file system of its own, in a mount namespace of its own: nothing outside the
        # test sees it, so what the tool left on it is listed there.
        script = ('mount -t tmpfs -o size=1m trellane-full "$1" && mounted || exit; small=$1; '
                  'shift; "$@"; status=$?; ls -A "$small"; exit $status')
        done = private_mounts.run(self, script, [
            self.path("small"), *self.command(*self.arguments(dest="small/out"))],
            cwd=self.work, timeout=120)
        self.assertEqual(done.returncode, 1, done.stderr.decode())
        self.assertRegex(
            done.stderr.decode(),
            r"^trellane-package: cannot copy input/data/large\.bin to small/out/\.app\.packaging-"
            r"\w{6}/app/app/data/large\.bin: the disk is full \(no space left on the file system "
            r"mounted at %s\); free some space there or write to another disk\n$"
            % self.path("small").replace(".", r"\."))
        self.assertEqual(done.stdout, b"", "nothing left on it")

if __name__ == "__main__":
    unittest.main()
