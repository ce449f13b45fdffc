"""Branding as Windows reads it, under Wine: the version strings through GetFileVersionInfoW
and VerQueryValueW, the icons through LoadImageW, of the built launcher.exe and of the
launcher's resources branded by the library and linked into a small program."""

import os
import shutil
import sys
import tempfile
import unittest

import wine_prefix

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
import branded_exe  # noqa: E402  (found through the path above)

VERSION_PROBE = (os.environ.get("TRELLANE_WINE_VERSION_PROBE")
                 or os.path.join(wine_prefix.BUILD, "version_probe.exe"))

# One colour for each size of the test icon, so the image Windows loads tells which it is.
COLOURS = {16: (0xC0, 0x10, 0x10), 32: (0x10, 0xC0, 0x10), 64: (0x10, 0x10, 0xC0),
           128: (0x80, 0x80, 0x10), 256: (0x10, 0x80, 0x80)}


def setUpModule() -> None:
    branded_exe.require_built_files()
    if not os.path.isfile(VERSION_PROBE):
        raise AssertionError("%s is missing: cmake --build --preset linux" % VERSION_PROBE)
    wine_prefix.ensure_prefix()


class BrandingUnderWineTest(unittest.TestCase):
    maxDiff = None

    def probe(self, exe):
        result = wine_prefix.run_wine([VERSION_PROBE, wine_prefix.windows_path(exe)],
                                      wine_prefix.wine_environment())
        self.assertEqual(result.status, 0, result.stdout + result.stderr)
        return result.stdout.decode("utf-8").splitlines()

    def test_the_built_launcher_shows_its_neutral_defaults(self):
        self.assertEqual(self.probe(branded_exe.LAUNCHER_EXE)[:12], [
            "Translation=0409 04E4",
            "ProductName=Application", "FileDescription=Application", "CompanyName=Vendor",
            "FileVersion=0.0.0.0", "ProductVersion=0.0.0.0",
            "LegalCopyright=Copyright (C) Vendor", "InternalName=Application.exe",
            "OriginalFileName=Application.exe", "OriginalFilename=Application.exe",
            "FixedFileVersion=0.0.0.0", "FixedProductVersion=0.0.0.0"])

    def test_branded_strings_and_icons_reach_windows(self):
        os.makedirs(wine_prefix.WORK, exist_ok=True)
        directory = tempfile.mkdtemp(prefix="branding-", dir=wine_prefix.WORK)
        self.addCleanup(shutil.rmtree, directory)
        entries = [(size, 32, branded_exe.png(size, size, [colour + (255,)] * (size * size)))
                   for size, colour in COLOURS.items()]
        icon = os.path.join(directory, "icon.ico")
        with open(icon, "wb") as file:
            file.write(branded_exe.ico(entries))
        exe = branded_exe.branded_exe(directory, name="Zoë's Café", version="2.5.1",
                                      vendor="Zoë Ltd", copyright="© 2024 Zoë Ltd",
                                      icon=icon)

        def centre(size):
            return "%02X%02X%02XFF" % COLOURS[size]

        self.assertEqual(self.probe(exe), [
            "Translation=0409 04E4",
            "ProductName=Zoë's Café", "FileDescription=Zoë's Café", "CompanyName=Zoë Ltd",
            "FileVersion=2.5.1.0", "ProductVersion=2.5.1.0", "LegalCopyright=© 2024 Zoë Ltd",
            "InternalName=Zoë's Café.exe", "OriginalFileName=Zoë's Café.exe",
            "OriginalFilename=Zoë's Café.exe",
            "FixedFileVersion=0.0.0.0", "FixedProductVersion=0.0.0.0",
            "Icon16=16x16 centre=" + centre(16), "Icon32=32x32 centre=" + centre(32),
            "Icon256=256x256 centre=" + centre(256)])


if __name__ == "__main__":
    unittest.main()
