"""Single-instance mode of launcher.exe under Wine, with the test JVM playing the runtime
library's SingleInstance (its received records each later launch; "main wait_for_launches N"
keeps the first launch running until N came). Later launches load jvm.dll, as the loader
must, and call nothing of it; they end with 0 and write nothing. instance_client.exe reaches the
pipe by its documented name, reads its DACL and sends what a launcher would not.
"""

import os
import re
import signal
import subprocess
import tempfile
import time
import unittest
from typing import List, Optional, Sequence

import launcher_install
import wine_case
import wine_prefix
from fake_jvm_log import FakeJvmLog
from launcher_install import Install, LaunchSettings

INSTANCE_CLIENT = (os.environ.get("TRELLANE_WINE_INSTANCE_CLIENT")
                   or os.path.join(wine_prefix.BUILD, "instance_client.exe"))
SERVER_THREAD = b"trellane-single-instance"
NO_RUNTIME_CLASS = (b"The runtime library has no morvantic.trellane.launcher.SingleInstance: "
                    b"later launches of this application cannot reach it (package it with this "
                    b"version's trellane-runtime.jar).\r\n")


def frame(folder: bytes, *arguments: bytes) -> bytes:
    payload = b"".join(s + b"\0" for s in (folder, *arguments))
    return b"TRL\x01" + len(payload).to_bytes(4, "little") + payload


def setUpModule() -> None:
    wine_case.setUpModule()


class SingleInstanceWineTest(wine_case.WineTestCase):

    def single_instance(self, script: Sequence[str]) -> Install:
        # An identity of the test's own: other tests run beside it in the same prefix.
        self.identity = "Example.%s.%d" % (self._testMethodName[5:30], os.getpid())
        return self.install(LaunchSettings(write_options=["--single-instance=" + self.identity]),
                            script=script)

    def log(self, install: Install) -> FakeJvmLog:
        with open(os.path.join(install.bin, "fakejvm.log"), "rb") as f:
            return FakeJvmLog(f.read())

    def start(self, install: Install, *arguments: str) -> subprocess.Popen:
        """The first launch, in the background, once its main runs."""
        created = len(self.log(install).fields("create")) if os.path.exists(
            os.path.join(install.bin, "fakejvm.log")) else 0
        process = subprocess.Popen([wine_prefix.WINE, install.exe, *arguments],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env=wine_prefix.wine_environment(), cwd=install.root,
                                   start_new_session=True)
        self.addCleanup(lambda: process.poll() is None and os.killpg(process.pid, signal.SIGKILL))
        for _ in range(600):
            if os.path.exists(os.path.join(install.bin, "fakejvm.log")) and \
                    len(self.log(install).fields("main_args")) > created:
                return process
            time.sleep(0.1)
        raise AssertionError("the first launch did not reach main within 60 s")

    def later(self, install: Install, *arguments: str, cwd: Optional[str] = None,
              winedebug: str = "-all"):
        return wine_prefix.run_wine([install.exe, *arguments],
                                    wine_prefix.wine_environment(winedebug),
                                    cwd=cwd or install.root)

    def client(self, data: bytes) -> List[str]:
        path = os.path.join(tempfile.mkdtemp(dir=wine_prefix.WORK), "message")
        with open(path, "wb") as f:
            f.write(data)
        done = wine_prefix.run_wine([INSTANCE_CLIENT, self.identity,
                                     wine_prefix.windows_path(path)],
                                    wine_prefix.wine_environment())
        self.assertEqual(done.status, 0, done.stdout)
        return done.stdout.decode().splitlines()

    def received(self, log: FakeJvmLog) -> List[tuple]:
        return [fields[1:] for fields in log.fields("instance_received")]

    def test_later_launches_reach_the_running_instance(self):
        install = self.single_instance(["main wait_for_launches 2"])
        owner = self.start(install, "first")
        elsewhere = tempfile.mkdtemp(dir=wine_prefix.WORK)
        self.addCleanup(os.rmdir, elsewhere)
        owner_process = int(self.log(install).value("loaded"))
        for arguments, cwd in ((["a file.txt", "Zo\u00eb \u2211 \U0001F600", ""], elsewhere),
                               (["--flag"], install.root)):
            later = self.later(install, *arguments, cwd=cwd, winedebug="-all,+relay")
            self.assertEqual((later.status, later.stdout, wine_case.launcher_output(later.stderr)),
                             (0, b"", b""))
            # The user started this launch: the running instance may come to the front.
            self.assertEqual(
                [re.search(r"AllowSetForegroundWindow\((\w+)\)", line).group(1)
                 for line in wine_case.wine_traces(later.stderr, "relay")
                 if "Call user32.AllowSetForegroundWindow" in line],
                ["%08x" % owner_process])
        self.assertEqual(owner.wait(timeout=60), 0)
        log = self.log(install)
        self.assertEqual(log.problems, [], log.describe())
        # One JVM, the first launch's; the later ones loaded jvm.dll and nothing more.
        self.assertEqual(len(log.fields("create")), 1)
        self.assertEqual(len(log.fields("loaded")), 3)
        self.assertEqual(log.main_arguments, [b"first"])
        self.assertEqual(log.fields("attach_daemon"), [(SERVER_THREAD, b"0x10008", b"other")])
        # Each argument reaches the JVM as main's would: in the JVM's modified UTF-8, a
        # character beyond U+FFFF as its two surrogates.
        self.assertEqual(self.received(log), [
            (wine_prefix.windows_path(elsewhere).encode(), b"a file.txt",
             "Zo\u00eb \u2211 ".encode() + b"\xed\xa0\xbd\xed\xb8\x80", b""),
            (install.windows_root.encode(), b"--flag")])
        self.assertEqual({fields[0] for fields in log.fields("instance_received")}, {b"attached"})

    def test_launches_at_once_make_one_instance(self):
        count = 4
        install = self.single_instance(["main wait_for_launches %d" % (count - 1)])
        launches = [subprocess.Popen([wine_prefix.WINE, install.exe, "launch %d" % i],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     env=wine_prefix.wine_environment(), cwd=install.root,
                                     start_new_session=True) for i in range(count)]
        statuses = [launch.wait(timeout=120) for launch in launches]
        self.assertEqual(statuses, [0] * count)
        log = self.log(install)
        self.assertEqual(log.problems, [], log.describe())
        self.assertEqual(len(log.fields("create")), 1)
        first = log.main_arguments
        handed = [fields[1] for fields in self.received(log)]
        self.assertEqual(sorted(first + handed),
                         [("launch %d" % i).encode() for i in range(count)])

    def test_a_crashed_owner_leaves_the_instance_free(self):
        install = self.single_instance(["main wait_for_launches 1"])
        crashed = self.start(install, "first")
        os.killpg(crashed.pid, signal.SIGKILL)
        crashed.wait()
        owner = self.start(install, "second")
        later = self.later(install, "third")
        self.assertEqual((later.status, later.stdout, later.stderr), (0, b"", b""))
        self.assertEqual(owner.wait(timeout=60), 0)
        log = self.log(install)
        self.assertEqual(len(log.fields("create")), 2)
        self.assertEqual([fields[1] for fields in self.received(log)], [b"third"])

    def test_the_pipe_is_the_session_s_and_drops_what_is_not_a_launch(self):
        install = self.single_instance(["main wait_for_launches 1"])
        owner = self.start(install)
        good = frame(b"Z:\\w", b"x")
        cases = [
            ("not the launcher's", b"GET / HTTP/1.0\r\n\r\n"),
            ("an empty payload", b"TRL\x01\0\0\0\0"),
            ("over the cap", b"TRL\x01" + (1024 * 1024 + 1).to_bytes(4, "little")),
            ("no final NUL", b"TRL\x01\x03\0\0\0/wx"),
            ("too many arguments", b"TRL\x01" + (65537).to_bytes(4, "little") + b"\0" * 65537),
            # Nothing after the header: the owner stops waiting after 2 s.
            ("silent", b"TRL\x01\x10\0\0\0"),
        ]
        for what, data in cases:
            with self.subTest(what):
                dacl, answer = self.client(data)
                # Only the logon session's SID may open the pipe; never Everyone (WD).
                self.assertRegex(dacl, r"^dacl=D:(P?)\(A;;GA;;;S-1-5-5-\d+-\d+\)$")
                self.assertEqual(answer, "answer=")
        self.assertEqual(self.client(good)[1], "answer=06")
        self.assertEqual(owner.wait(timeout=60), 0)
        log = self.log(install)
        self.assertEqual(log.problems, [], log.describe())
        self.assertEqual(self.received(log), [(b"Z:\\w", b"x")])

    def test_a_runtime_library_without_the_class_still_starts_the_application(self):
        install = self.single_instance(["single_instance absent"])
        launch = install.run("only")
        self.assertLaunch(launch, 0, wine_case.KNOWN_FOLDER_ERROR + NO_RUNTIME_CLASS)
        self.assertEqual(launch.log.main_arguments, [b"only"])


if __name__ == "__main__":
    unittest.main()
