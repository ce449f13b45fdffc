"""The base class of the Wine tests: a fresh install per case and the checks they share."""

import os
import re
import shutil
import tempfile
import unittest
from typing import Optional, Sequence

import launcher_install
import wine_prefix
from launcher_install import Install, Launch, LaunchSettings

# Wine 8 answers SHGetKnownFolderPath with E_INVALIDARG for the package-redirection flags, so
# every launch under Wine makes the known-folder general failure report once, first thing.
KNOWN_FOLDER_ERROR = b"Error 0x80070057\r\n"
KNOWN_FOLDER_CAPTION = "Error converting known folder path to environment variable"

# What the test JVM writes for the failures it is scripted to have (fake_java.c).
NO_BOOTSTRAP_CLASS = (b'Exception in thread "main" java.lang.NoClassDefFoundError: '
                      b"morvantic/trellane/launcher/Launcher\n")

# Every line of Wine's debug output starts with the thread id: four hex digits and a colon.
_WINE_TRACE = re.compile(rb"^[0-9a-f]{4}:")


def launcher_output(stderr: bytes) -> bytes:
    """Standard error without Wine's trace lines (which share the stream when a channel is on)."""
    return b"".join(line for line in stderr.splitlines(keepends=True)
                    if not _WINE_TRACE.match(line))


def wine_traces(stderr: bytes, channel: str) -> list:
    """Wine's trace lines of one channel ("debugstr", or "relay" for Call/Ret lines)."""
    lines = stderr.decode("utf-8", "replace").splitlines()
    if channel == "relay":
        return [l for l in lines if re.match(r"^[0-9a-f]{4}:(Call|Ret)\s", l)]
    return [l for l in lines if re.match(r"^[0-9a-f]{4}:\w+:%s:" % channel, l)]


_MESSAGE_BOX_CALL = re.compile(r'Call user32\.MessageBoxA\((\w+),\w+ "(.*)",\w+ "(.*)",(\w+)\)')


def message_boxes(stderr: bytes) -> list:
    """(owner, text, caption, style) of each MessageBoxA call, from Wine's relay trace (the
    prefix relays MessageBoxA alone). Without a display the box returns at once."""
    calls = (_MESSAGE_BOX_CALL.search(line) for line in wine_traces(stderr, "relay"))
    return [call.groups() for call in calls if call]


def setUpModule() -> None:
    launcher_install.require_built_files()
    wine_prefix.ensure_prefix()


class WineTestCase(unittest.TestCase):
    maxDiff = None

    def assertBrandingSeenByWindows(self, windows_exe: str, name: str, version: str,
                                    vendor: str, copyright: str, icon_colour) -> None:
        """What GetFileVersionInfoW, VerQueryValueW and LoadImageW read of a branded launcher
        (through version_probe.exe): its version strings, and its icons of one colour."""
        probe = wine_prefix.run_wine([wine_prefix.VERSION_PROBE, windows_exe],
                                     wine_prefix.wine_environment())
        self.assertEqual(probe.status, 0, probe.stdout + probe.stderr)
        centre = "%02X%02X%02X%02X" % icon_colour
        self.assertEqual(probe.stdout.decode("utf-8").splitlines(), [
            "Translation=0409 04E4",
            "ProductName=" + name, "FileDescription=" + name, "CompanyName=" + vendor,
            "FileVersion=" + version, "ProductVersion=" + version, "LegalCopyright=" + copyright,
            "InternalName=%s.exe" % name, "OriginalFileName=%s.exe" % name,
            "OriginalFilename=%s.exe" % name,
            "FixedFileVersion=0.0.0.0", "FixedProductVersion=0.0.0.0",
            "Icon16=16x16 centre=" + centre, "Icon32=32x32 centre=" + centre,
            "Icon256=256x256 centre=" + centre])

    def install(self, settings: Optional[LaunchSettings] = None, script: Sequence[str] = (),
                root_name: str = "Example App", exe_name: str = "launcher.exe") -> Install:
        """A fresh install in a directory of its own (several runs of the suite may share the
        build tree), removed after the test; a failure message carries what it recorded."""
        os.makedirs(wine_prefix.WORK, exist_ok=True)
        directory = tempfile.mkdtemp(prefix=self.id().split(".")[-1][:40] + "-",
                                     dir=wine_prefix.WORK)
        self.addCleanup(shutil.rmtree, directory, True)
        return Install(os.path.join(directory, root_name), settings or LaunchSettings(), script,
                       exe_name)

    def assertLaunch(self, launch: Launch, status: int, stderr: Optional[bytes] = None) -> None:
        """The exit status and, when given, standard error exactly (the known-folder report
        that Wine provokes comes first and is part of it); never a JNI misuse."""
        self.assertEqual(launch.status, status, launch.describe())
        self.assertEqual(launch.stdout, b"", "the launcher writes nothing on standard output")
        if stderr is not None:
            self.assertEqual(launcher_output(launch.stderr), stderr, launch.describe())
        self.assertEqual(launch.log.problems, [], launch.describe())
