"""launcher.exe after the image edits of tools/exe/ (resources rewritten and grown, so the
relocations move; the console subsystem) still loads and runs under Windows' own loader."""

import os
import subprocess

import wine_prefix
from launcher_install import LaunchSettings
from wine_case import KNOWN_FOLDER_ERROR, WineTestCase, setUpModule  # noqa: F401

EXE_EDIT = (os.environ.get("TRELLANE_WINE_EXE_EDIT")
            or os.path.join(wine_prefix.REPO, "build", "linux", "tests", "exe", "exe_edit"))


class EditedImageTest(WineTestCase):
    def test_the_edited_launcher_starts_the_application(self):
        for subsystem in ("2", "3"):
            with self.subTest(subsystem=subsystem):
                install = self.install(LaunchSettings(default_arguments=["--first"]))
                icon = os.path.join(install.root, "big-icon.bin")
                with open(icon, "wb") as f:
                    f.write(os.urandom(50000))
                edited = subprocess.run(
                    [EXE_EDIT, install.exe, install.exe, "--put", "3", "5", "0x409", icon,
                     "--subsystem", subsystem], capture_output=True)
                self.assertEqual(edited.returncode, 0, edited.stderr.decode())
                launch = install.run("one")
                self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
                self.assertEqual(launch.log.main_arguments, [b"--first", b"one"])
