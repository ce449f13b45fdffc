"""Single-instance mode on the real JVM: the first launch runs the application (fixture.Instance,
which prints each later launch its handler receives), later launches hand it their working
folder and arguments and end with 0; the channel drops what is not a launcher's message, keeps
other users and sessions apart, and survives its owner's crash.

Later launches and the test's own client reach the owner by the channel's documented name, the
abstract socket "\\0trellane-UID-KEY", KEY the FNV-1a hash of "IDENTITY\\nDISPLAY".
"""

import os
import queue
import shutil
import signal
import socket
import subprocess
import sys
import threading
import unittest
from typing import Dict, List, Optional

import harness

IDENTITY = "Example.Editor"
ACCEPTED = b"\x06"
NOT_ANSWERING = ("This application is already running but did not take this launch within 10 "
                 "seconds: try again, or end the running application.\r\n")
TOO_LONG = ("This application is already running, and the arguments are too long to hand to it "
            "(at most 1048576 bytes and 65535 arguments).\r\n")
# Launches of the tests run without a display unless a case gives one.
NO_DISPLAY: Dict[str, Optional[str]] = {"DISPLAY": None, "WAYLAND_DISPLAY": None}
NOBODY = 65534


def channel_name(identity: str, display: str = "", uid: Optional[int] = None) -> bytes:
    key = 0xCBF29CE484222325
    for byte in (identity + "\n" + display).encode():
        key = ((key ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return b"\0trellane-%d-%016x" % (os.geteuid() if uid is None else uid, key)


def frame(folder: bytes, *arguments: bytes) -> bytes:
    payload = b"".join(s + b"\0" for s in (folder, *arguments))
    return b"TRL\x01" + len(payload).to_bytes(4, "little") + payload


def unescape(field: str) -> str:
    return field.replace("\\t", "\t").replace("\\n", "\n").replace("\\\\", "\\")


class Running:
    """A launch running in the background, its standard output read line by line."""

    def __init__(self, app: harness.App, *args: str, env=None, cwd=None, user: Optional[int] = None):
        command = [app.launcher, *args]
        if user is not None:
            command = ["setpriv", "--reuid=%d" % user, "--regid=%d" % user, "--clear-groups",
                       *command]
        self.process = subprocess.Popen(
            command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=cwd,
            env=harness.launch_environment({**NO_DISPLAY, **(env or {})}),
            start_new_session=True)
        self.lines: "queue.Queue[str]" = queue.Queue()
        self.seen: List[str] = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self) -> None:
        for line in self.process.stdout:
            self.lines.put(line.decode("utf-8", "surrogateescape").rstrip("\n"))

    def next_line(self, timeout: float = 60) -> str:
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            raise AssertionError("no line within %s s; seen: %s" % (timeout, self.seen))
        self.seen.append(line)
        return line

    def launches(self, count: int) -> List[List[str]]:
        """The next count launches the handler printed: thread, folder, arguments."""
        found = []
        while len(found) < count:
            line = self.next_line()
            if line.startswith("launch\t"):
                fields = line.split("\t")[1:]
                found.append(fields[:2] + [unescape(f[1:-1]) for f in fields[2:]])
        return found

    def end(self, timeout: float = 60) -> int:
        try:
            return self.process.wait(timeout=timeout)
        finally:
            if self.process.poll() is None:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()

    def all_lines(self) -> List[str]:
        """Every line, once the launch has ended."""
        self.reader.join(timeout=60)
        while not self.lines.empty():
            self.seen.append(self.lines.get())
        return self.seen

    def kill(self) -> None:
        os.killpg(self.process.pid, signal.SIGKILL)
        self.process.wait()


def send(name: bytes, data: bytes) -> bytes:
    """Sends data to the channel as a client of the test's own, then waits (at most 10 s) for
    what the owner answers before it closes the connection. An owner that closes the
    connection with some of the data unread resets it: no answer either."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as client:
        client.settimeout(10)
        client.connect(name)
        client.sendall(data)
        answer = b""
        while True:
            try:
                chunk = client.recv(16)
            except ConnectionResetError:
                return answer
            if not chunk:
                return answer
            answer += chunk


class SingleInstanceTest(harness.LauncherTestCase):

    def setUp(self):
        self.app = self.make_app("fixture.Instance", single_instance=IDENTITY)

    def owner(self, expected: int, *args: str, **options) -> Running:
        """The first launch, once its main has run."""
        running = Running(self.app, str(expected), *args, **options)
        self.addCleanup(lambda: running.process.poll() is None and running.kill())
        self.assertEqual(running.next_line(), "main\t%s\t[%d]%s" % (
            IDENTITY, expected, "".join("\t[%s]" % a for a in args)))
        return running

    def launch(self, *args: str, **options) -> harness.Result:
        env = {**NO_DISPLAY, **options.pop("env", {})}
        return self.app.run(*args, env=env, **options)

    def test_later_launches_reach_the_running_instance(self):
        owner = self.owner(2)
        elsewhere = self.make_dir()
        # Dumping the JVM options would show on standard error if this launch made a JVM.
        second = self.launch("a file.txt", "Zo\u00eb \u2211 \U0001F600", "",
                             cwd=elsewhere, env={"TRELLANE_DUMP_JVM_ARGS": ""})
        self.assertLaunch(second, 0, stdout="", stderr="")
        self.assertLaunch(self.launch("--flag=x y", cwd="/"), 0, stdout="", stderr="")
        self.assertEqual(owner.launches(2), [
            ["trellane-single-instance", elsewhere, "a file.txt", "Zo\u00eb \u2211 \U0001F600", ""],
            ["trellane-single-instance", "/", "--flag=x y"]])
        self.assertEqual(owner.end(), 0)

    def test_launches_before_the_handler_wait_for_it(self):
        marker = os.path.join(self.make_dir(), "register")
        owner = self.owner(1, "--wait-for=" + marker)
        self.assertLaunch(self.launch("early", cwd="/"), 0, stdout="", stderr="")
        open(marker, "w").close()
        self.assertEqual(owner.next_line(), "registered")
        self.assertEqual(owner.launches(1), [["trellane-single-instance", "/", "early"]])
        self.assertEqual(owner.end(), 0)

    def test_launches_at_once_make_one_instance(self):
        count = 8
        runs = [Running(self.app, str(count - 1), "launch %d" % i) for i in range(count)]
        for run in runs:
            self.addCleanup(lambda r=run: r.process.poll() is None and r.kill())
        statuses = [run.end() for run in runs]
        outputs = [run.all_lines() for run in runs]
        self.assertEqual(statuses, [0] * count, outputs)
        owners = [lines for lines in outputs if lines]
        self.assertEqual(len(owners), 1, outputs)
        own = owners[0][0].split("\t")[3]
        handed = sorted(line.split("\t")[4] for line in owners[0] if line.startswith("launch\t"))
        self.assertEqual(handed, sorted("[launch %d]" % i for i in range(count)
                                        if "[launch %d]" % i != own))

    def test_an_owner_that_crashed_or_hangs(self):
        owner = self.owner(1)
        owner.kill()
        # The name went with the process: the next launch owns the instance.
        next_owner = self.owner(1)
        os.killpg(next_owner.process.pid, signal.SIGSTOP)
        try:
            hung = self.launch("x", timeout=60)
        finally:
            os.killpg(next_owner.process.pid, signal.SIGCONT)
        self.assertLaunch(hung, 1, stdout="", stderr=NOT_ANSWERING)
        # The message the stopped owner queued while it was stopped arrives once it runs.
        self.assertLaunch(self.launch("after"), 0, stdout="", stderr="")
        self.assertEqual([launch[2] for launch in next_owner.launches(1)], ["after"])

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("setpriv"),
                         "needs root and setpriv to run a launch as another user")
    def test_other_users_and_sessions_have_their_own_instance(self):
        # The image, readable by nobody.
        for folder, _, _ in os.walk(self.app.root):
            os.chmod(folder, 0o755)
        owner = self.owner(1)
        other_user = Running(self.app, "0", user=NOBODY, cwd="/")
        self.assertEqual(other_user.next_line(), "main\t%s\t[0]" % IDENTITY)
        self.assertEqual(other_user.end(), 0)
        other_session = Running(self.app, "0", env={"DISPLAY": ":97"})
        self.assertEqual(other_session.next_line(), "main\t%s\t[0]" % IDENTITY)
        self.assertEqual(other_session.end(), 0)

        # Another user's process that finds the name is not read, and gets no answer.
        script = ("import socket, sys\n"
                  "s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)\n"
                  "s.settimeout(10)\n"
                  "s.connect(bytes.fromhex(sys.argv[1]))\n"
                  "try:\n"
                  "    s.sendall(bytes.fromhex(sys.argv[2]))\n"
                  "    print(repr(s.recv(16)))\n"
                  "except (BrokenPipeError, ConnectionResetError):\n"
                  "    print(repr(b''))\n")
        foreign = subprocess.run(
            ["setpriv", "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups",
             # The system's interpreter: one under root's home is not nobody's to run.
             shutil.which("python3", path="/usr/bin:/bin") or sys.executable, "-c", script,
             channel_name(IDENTITY).hex(),
             frame(b"/", b"from nobody").hex()], capture_output=True, text=True, timeout=60)
        self.assertEqual((foreign.returncode, foreign.stdout), (0, "b''\n"), foreign.stderr)

        self.assertLaunch(self.launch("mine", cwd="/"), 0, stdout="", stderr="")
        self.assertEqual(owner.launches(1), [["trellane-single-instance", "/", "mine"]])
        self.assertEqual(owner.end(), 0)

    def test_what_is_not_a_launch_is_dropped(self):
        owner = self.owner(1)
        name = channel_name(IDENTITY)
        good = frame(b"/w", b"x")
        cases = [
            ("not the launcher's", b"GET / HTTP/1.0\r\n\r\n"),
            ("an empty payload", b"TRL\x01\0\0\0\0"),
            ("over the cap", b"TRL\x01" + (1024 * 1024 + 1).to_bytes(4, "little")),
            ("no final NUL", b"TRL\x01\x03\0\0\0/wx"),
            ("cut short", good[:-1]),
            ("too many arguments",
             b"TRL\x01" + (65537).to_bytes(4, "little") + b"\0" * 65537),
            # Nothing after the header, or a declared megabyte that never comes: the owner
            # stops waiting after 2 s.
            ("silent", b"TRL\x01\x10\0\0\0"),
            ("never ending", b"TRL\x01" + (1024 * 1024).to_bytes(4, "little") + b"x" * 1000),
        ]
        for what, data in cases:
            with self.subTest(what):
                self.assertEqual(send(name, data), b"")
        # A launcher's message from the test's own client is a launch like any other.
        self.assertEqual(send(name, frame(b"/from the test", b"")), ACCEPTED)
        self.assertEqual(owner.launches(1), [["trellane-single-instance", "/from the test", ""]])
        self.assertEqual(owner.end(), 0)

    def test_arguments_too_long_to_hand_over_are_refused(self):
        owner = self.owner(1)
        # Each argument under Linux's 128 KiB limit for one; together over 1 MiB.
        too_long = self.launch(*["a" * 120000] * 9)
        self.assertLaunch(too_long, 1, stdout="", stderr=TOO_LONG)
        self.assertLaunch(self.launch("fits"), 0)
        self.assertEqual([launch[2] for launch in owner.launches(1)], ["fits"])


if __name__ == "__main__":
    unittest.main()
