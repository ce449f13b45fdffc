"""Running trellane-stamp on copies of the built launchers in a temporary directory."""

import os
import shutil
import subprocess
import tempfile
import unittest

STAMP = os.environ["TRELLANE_STAMP"]
LAUNCHER = os.environ["TRELLANE_LAUNCHER"]
LAUNCHER_EXE = os.environ.get("TRELLANE_LAUNCHER_EXE", "")

AREA_SIZE = 16464
UNSTAMPED_AREA = b"_" * (AREA_SIZE - 1) + b"\0"
# The largest file the tool reads: no launcher comes near it.
MAX_FILE_SIZE = 64 << 20


def shown_name(path: str) -> str:
    """A file name as the tools' messages print it: a backslash doubled, and each byte of a
    control character (C0, DEL, and C1 as UTF-8 encodes it) as \\xNN."""
    shown = ""
    for char in path:
        if char == "\\":
            shown += "\\\\"
        elif ord(char) < 0x20 or 0x7F <= ord(char) <= 0x9F:
            shown += "".join("\\x%02X" % byte for byte in char.encode())
        else:
            shown += char
    return shown


def area_offset(image: bytes) -> int:
    """Where the one unstamped area of a built launcher starts."""
    at = image.find(UNSTAMPED_AREA)
    assert at >= 0 and image.find(UNSTAMPED_AREA, at + 1) < 0, "no single unstamped area"
    return at


def block(main_class: bytes, jvm_options=(), arguments=(), prefixes=(), flags=0,
          stack_size=0) -> bytes:
    """The block as the launcher reads it, built independently of the tool."""
    data = bytes([flags]) + stack_size.to_bytes(4, "big") + main_class + b"\0"
    for entries in (jvm_options, arguments, prefixes):
        data += bytes([len(entries)]) + b"".join(entry + b"\0" for entry in entries)
    return data


class StampTestCase(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="trellane-stamp-test-")
        self.addCleanup(shutil.rmtree, self.directory)

    def path(self, name: str) -> str:
        return os.path.join(self.directory, name)

    def file_with(self, name: str, content: bytes, mode: int = 0o755) -> str:
        path = self.path(name)
        with open(path, "wb") as f:
            f.write(content)
        os.chmod(path, mode)
        return path

    def run_stamp(self, *args: str, **options) -> subprocess.CompletedProcess:
        # A run that hangs (on a FIFO, say) fails its test instead of the whole suite.
        return subprocess.run([STAMP, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=60, **options)

    def write(self, *options: str, input_path: str = LAUNCHER,
              output: str = "") -> subprocess.CompletedProcess:
        return self.run_stamp("write", "--input", input_path, "--output",
                              output or self.path("stamped"), *options)

    def assert_done(self, done: subprocess.CompletedProcess):
        self.assertEqual((done.returncode, done.stderr.decode()), (0, ""))

    def sparse_file(self, name: str, size: int) -> str:
        """A file of size zero bytes that takes no disk space."""
        path = self.path(name)
        with open(path, "wb") as f:
            f.truncate(size)
        return path

    def read(self, path: str) -> bytes:
        with open(path, "rb") as f:
            return f.read()
