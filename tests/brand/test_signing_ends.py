"""Signing always ends, with both tools: a timestamp server that accepts the connection and
never answers meets --sign-timeout; SIGTERM or SIGINT ends the tool at once together with
osslsigncode; a FIFO given as the password file or as an @file is refused instead of waited
on. Each way leaves nothing behind, and a replaced image stays as it was."""

import os
import signal
import socket
import subprocess
import sys
import threading
import time
import unittest

import branded_exe
from signing_keys import SigningTestCase

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "package"))
from package_fixture import (PACKAGE, RUNTIME_JAR, jar, listing,  # noqa: E402  (path above)
                             windows_runtime)

STAMP = os.environ.get("TRELLANE_STAMP") or os.path.join(
    branded_exe.REPO, "build", "linux", "tools", "stamp", "trellane-stamp")


class SilentTimestampServer:
    """Accepts connections and never answers them."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.url = "http://127.0.0.1:%d/" % self.listener.getsockname()[1]
        self.held = []
        threading.Thread(target=self.accept, daemon=True).start()

    def accept(self):
        while True:
            try:
                self.held.append(self.listener.accept()[0])
            except OSError:
                return

    def close(self):
        self.listener.close()
        for connection in self.held:
            connection.close()


def osslsigncode_child(process, deadline):
    """The osslsigncode the tool started to sign (not to tell its version), once it runs;
    None when the tool ended first."""
    pid = process.pid
    while time.monotonic() < deadline and process.poll() is None:
        try:
            with open("/proc/%d/task/%d/children" % (pid, pid)) as children:
                for child in children.read().split():
                    with open("/proc/%s/cmdline" % child, "rb") as cmdline:
                        if cmdline.read().split(b"\0")[1:2] == [b"sign"]:
                            return int(child)
        except OSError:
            pass
        time.sleep(0.05)
    return None


class SigningEndsTest(SigningTestCase):
    def setUp(self):
        super().setUp()
        self.server = SilentTimestampServer()
        self.addCleanup(self.server.close)
        jar(self.path("input", "app.jar"), ["com.example.Main"], main_class="com.example.Main")
        windows_runtime(self.path("runtime"))
        self.pem = ["--sign-cert", self.key("self.pem"), "--sign-key", self.key("self.key")]
        self.image = self.path("out", "app")
        # The image a failed --overwrite must leave as it is.
        done = subprocess.run(self.package_command(), capture_output=True, timeout=300)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.before = listing(self.directory)

    def package_command(self, *extra):
        return [PACKAGE, "--launcher", branded_exe.LAUNCHER_EXE, "--runtime-jar", RUNTIME_JAR,
                "--input", self.path("input"), "--main-jar", "app.jar", "--target", "windows",
                "--runtime-image", self.path("runtime"), "--dest", self.path("out"), "--quiet",
                *extra]

    def stamp_command(self, *extra):
        return [STAMP, "brand", "--input", branded_exe.LAUNCHER_EXE, "--output",
                self.path("branded.exe"), *extra]

    def commands(self, *extra):
        return [("trellane-stamp brand", self.stamp_command(*self.pem, *extra)),
                ("trellane-package --overwrite",
                 self.package_command("--overwrite", *self.pem, *extra))]

    def assertOsslsigncodeGone(self, child):
        if child is not None and os.path.exists("/proc/%d" % child):
            os.kill(child, signal.SIGKILL)
            self.fail("osslsigncode (%d) outlived the tool" % child)

    def test_a_timestamp_server_that_never_answers_meets_the_time_limit(self):
        url = self.server.url
        message = ("osslsigncode did not finish signing within 2 s: the timestamp server %s "
                   "may not be answering; try again later, give another --timestamp-url, or "
                   "allow longer with --sign-timeout\n" % url)
        for tool, command in self.commands("--timestamp-url", url, "--sign-timeout", "2"):
            with self.subTest(tool=tool):
                began = time.monotonic()
                process = subprocess.Popen(command, stderr=subprocess.PIPE)
                child = osslsigncode_child(process, began + 60)
                _, error = process.communicate(timeout=60)
                seconds = time.monotonic() - began
                self.assertEqual((process.returncode, error.decode()),
                                 (1, "%s: %s" % (tool.split()[0], message)))
                self.assertLess(seconds, 20)
                self.assertOsslsigncodeGone(child)
                self.assertEqual(listing(self.directory), self.before)

    def test_a_signal_ends_the_tool_and_osslsigncode_at_once(self):
        for sent in (signal.SIGTERM, signal.SIGINT):
            for tool, command in self.commands("--timestamp-url", self.server.url):
                with self.subTest(tool=tool, signal=sent.name):
                    process = subprocess.Popen(command, stderr=subprocess.PIPE)
                    child = osslsigncode_child(process, time.monotonic() + 60)
                    self.assertIsNotNone(child, "osslsigncode never started")
                    sent_at = time.monotonic()
                    process.send_signal(sent)
                    try:
                        _, error = process.communicate(timeout=30)
                    finally:
                        if process.poll() is None:
                            process.kill()
                        self.assertOsslsigncodeGone(child)
                    self.assertLess(time.monotonic() - sent_at, 10)
                    self.assertEqual(
                        (process.returncode, error.decode()),
                        (-sent, "%s: interrupted (%s); removing what was written\n"
                         % (tool.split()[0], signal.strsignal(sent))))
                    self.assertEqual(listing(self.directory), self.before)

    def test_a_fifo_is_refused_not_waited_on(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        self.before = listing(self.directory)
        password = ["--sign-password-file", fifo]
        cases = [
            ("trellane-stamp", "password file",
             self.stamp_command("--sign-pkcs12", self.key("leaf.p12"), *password),
             "cannot read the password file %s: not a regular file" % fifo),
            ("trellane-package", "password file",
             self.package_command("--overwrite", "--sign-pkcs12", self.key("leaf.p12"),
                                  *password),
             "cannot read the password file %s: not a regular file" % fifo),
            ("trellane-stamp", "@file", [STAMP, "@" + fifo],
             "cannot read the argument file @%s: not a regular file" % fifo),
            ("trellane-package", "@file", [PACKAGE, "@" + fifo],
             "cannot read the argument file @%s: not a regular file" % fifo),
        ]
        for tool, what, command, message in cases:
            with self.subTest(tool=tool, fifo=what):
                done = subprocess.run(command, capture_output=True, timeout=30)
                self.assertEqual((done.returncode, done.stderr.decode()),
                                 (1, "%s: %s\n" % (tool, message)))
                self.assertEqual(listing(self.directory), self.before)


if __name__ == "__main__":
    unittest.main()
