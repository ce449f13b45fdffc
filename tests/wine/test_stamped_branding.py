"""launcher.exe branded and signed by trellane-stamp write, under Windows' own loader and
functions: it still starts the application, and GetFileVersionInfoW, VerQueryValueW and
LoadImageW read its branding. A console application's launcher has the console subsystem, so
the command prompt that starts it waits for it and hands it its standard handles."""

import os
import shutil
import sys
import tempfile

import wine_case
import wine_prefix
from launcher_install import STAMP_TOOL, LaunchSettings
from wine_case import KNOWN_FOLDER_ERROR, WineTestCase

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
import branded_exe  # noqa: E402  (found through the path above)
from signing_keys import make_certificates  # noqa: E402

VERSION_PROBE = (os.environ.get("TRELLANE_WINE_VERSION_PROBE")
                 or os.path.join(wine_prefix.BUILD, "version_probe.exe"))
ICON_COLOUR = (0x20, 0x60, 0xC0, 0xFF)


def setUpModule() -> None:
    wine_case.setUpModule()
    if not os.path.isfile(VERSION_PROBE):
        raise AssertionError("%s is missing: cmake --build --preset linux" % VERSION_PROBE)


class StampedBrandingTest(WineTestCase):
    def keys(self) -> str:
        directory = tempfile.mkdtemp(prefix="keys-")
        self.addCleanup(shutil.rmtree, directory)
        make_certificates(directory)
        return directory

    def test_a_branded_signed_launcher_starts_and_windows_reads_its_branding(self):
        keys = self.keys()
        icon = os.path.join(keys, "icon.png")
        with open(icon, "wb") as file:
            file.write(branded_exe.png(256, 256, [ICON_COLOUR] * (256 * 256)))
        install = self.install(LaunchSettings(default_arguments=["--first"], write_options=[
            "--name", "Zoë's Café", "--app-version", "3.1", "--vendor", "Zoë Ltd",
            "--copyright", "© 2025 Zoë Ltd", "--icon", icon,
            "--sign-cert", os.path.join(keys, "chain.pem"),
            "--sign-key", os.path.join(keys, "leaf.key")]))
        shown = branded_exe.checked([STAMP_TOOL, "show", install.exe]).stdout.decode("utf-8")
        self.assertIn('signature:                 signed by "/CN=Zoë Test Signer', shown)

        launch = install.run("one")
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        self.assertEqual(launch.log.main_arguments, [b"--first", b"one"])

        probe = wine_prefix.run_wine([VERSION_PROBE, install.windows_exe],
                                     wine_prefix.wine_environment())
        self.assertEqual(probe.status, 0, probe.stdout + probe.stderr)
        centre = "%02X%02X%02X%02X" % ICON_COLOUR
        self.assertEqual(probe.stdout.decode("utf-8").splitlines(), [
            "Translation=0409 04E4",
            "ProductName=Zoë's Café", "FileDescription=Zoë's Café", "CompanyName=Zoë Ltd",
            "FileVersion=3.1.0.0", "ProductVersion=3.1.0.0", "LegalCopyright=© 2025 Zoë Ltd",
            "InternalName=Zoë's Café.exe", "OriginalFileName=Zoë's Café.exe",
            "OriginalFilename=Zoë's Café.exe",
            "FixedFileVersion=0.0.0.0", "FixedProductVersion=0.0.0.0",
            "Icon16=16x16 centre=" + centre, "Icon32=32x32 centre=" + centre,
            "Icon256=256x256 centre=" + centre])

    def test_the_command_prompt_waits_for_a_console_application(self):
        # cmd reading commands waits for a console program and hands it its handles; a GUI
        # program it starts and leaves, so neither its status nor its output reach the prompt.
        script = ["main stdout hello from main", "main throw"]
        for options, waited in (([], True), (["--gui-subsystem"], False)):
            with self.subTest(options=options):
                branded = ["--name", "Console App", "--app-version", "1"] + options
                install = self.install(LaunchSettings(console_app=True, write_options=branded),
                                       script=script)
                commands = '"%s"\r\necho after %%errorlevel%%\r\nexit\r\n' % install.windows_exe
                prompt = wine_prefix.run_wine(["cmd"], wine_prefix.wine_environment(),
                                              cwd=install.root, stdin=commands.encode())
                self.assertEqual(prompt.status, 0, prompt.stderr)
                after = b"after 1" if waited else b"after 0"
                self.assertIn(after, prompt.stdout)
                before = prompt.stdout.split(after)[0]
                self.assertEqual(b"hello from main\n" in before, waited, prompt.stdout)
                if waited:
                    self.assertIn(KNOWN_FOLDER_ERROR + b"java.lang.IllegalStateException: boom",
                                  prompt.stderr)
