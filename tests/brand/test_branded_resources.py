"""The launcher's resources branded by the library, linked into a real executable and read
back by python3-pefile and icoutils' wrestool: version strings, manifest and icons."""

import os
import shutil
import struct
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

import branded_exe
from branded_exe import (ASM_V1, ENGLISH_US, RT_GROUP_ICON, RT_ICON, RT_MANIFEST, RT_VERSION,
                         SIZES, box_average, ico_images, pefile, resources, smooth_source,
                         version_strings)


class BrandedResourcesTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        branded_exe.require_built_files()
        cls.launcher = pefile.PE(branded_exe.LAUNCHER_EXE)
        cls.built_manifest = resources(cls.launcher, RT_MANIFEST)[(1, ENGLISH_US)]

    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="branded-")
        self.addCleanup(shutil.rmtree, self.directory)

    def path(self, name):
        return os.path.join(self.directory, name)

    def branded(self, **metadata):
        """The branded executable's path and its image as pefile reads it."""
        directory = tempfile.mkdtemp(dir=self.directory)
        path = branded_exe.branded_exe(directory, **metadata)
        return path, pefile.PE(path)

    def test_metadata_reaches_the_version_strings_and_the_manifest(self):
        long_name = "Long " * 48 + "Name"
        cases = [
            (dict(name="Example App", version="7", vendor="Example Corp",
                  copyright="Copyright 2024 Example Corp"),
             "7.0.0.0", "ExampleCorp.ExampleApp"),
            (dict(name="Zoë's Café", version="1.2", vendor="Zoë Ltd",
                  copyright="© 2024 Zoë Ltd — all rights reserved"),
             "1.2.0.0", "ZoeLtd.ZoesCafe"),
            (dict(name="日本語アプリ", version="1.2.3", vendor="株式会社", copyright="©",
                  identity="jp.example.app"),
             "1.2.3.0", "jp.example.app"),
            (dict(name=long_name, version="65535.0.65535.1", vendor="V" * 300,
                  copyright="c" * 2000),
             "65535.0.65535.1", "V" * 255),
        ]
        for metadata, version, identity in cases:
            with self.subTest(name=metadata["name"][:20]):
                _, image = self.branded(**metadata)
                tables, translations = version_strings(image)
                name = metadata["name"]
                self.assertEqual(tables, {"040904E4": [
                    ("ProductName", name), ("FileDescription", name),
                    ("CompanyName", metadata["vendor"]), ("FileVersion", version),
                    ("ProductVersion", version), ("LegalCopyright", metadata["copyright"]),
                    ("InternalName", name + ".exe"), ("OriginalFileName", name + ".exe")]})
                self.assertEqual(translations, [{b"Translation": "0x0409 0x04e4"}])
                fixed = image.VS_FIXEDFILEINFO[0]
                self.assertEqual((fixed.FileVersionMS, fixed.FileVersionLS,
                                  fixed.ProductVersionMS, fixed.ProductVersionLS,
                                  fixed.FileFlagsMask, fixed.FileOS, fixed.FileType),
                                 (0, 0, 0, 0, 0x3F, 0x40004, 1))

                manifest = resources(image, RT_MANIFEST)[(1, ENGLISH_US)]
                root = ElementTree.fromstring(manifest)
                own = root.find(ASM_V1 + "assemblyIdentity")
                self.assertEqual((own.get("name"), own.get("version")), (identity, version))
                self.assertEqual(root.find(ASM_V1 + "description").text, name)
                # Every other element as built: put the three parts back and compare.
                restored = manifest.decode("utf-8").replace(
                    'name="%s" version="%s"' % (identity, version),
                    'name="Vendor.Application" version="1.0.0.0"').replace(
                    "<description>%s</description>" % name,
                    "<description>Application</description>")
                self.assertEqual(restored.encode("utf-8"), self.built_manifest)

    def test_version_information_has_the_bytes_windres_writes(self):
        # Branded with the name it already has, the version information is rebuilt from the
        # strings it carries: a resource compiler's own layout, byte for byte.
        _, image = self.branded(name="Application")
        self.assertEqual(resources(image, RT_VERSION), resources(self.launcher, RT_VERSION))

    def test_a_png_icon_is_scaled_to_the_five_sizes(self):
        side = 512
        source = smooth_source(side)
        with open(self.path("icon.png"), "wb") as file:
            file.write(branded_exe.png(side, side, source))
        exe, image = self.branded(icon=self.path("icon.png"))

        groups, icons = resources(image, RT_GROUP_ICON), resources(image, RT_ICON)
        self.assertEqual(list(groups), [(2000, ENGLISH_US)])
        self.assertEqual(sorted(icons), [(i, ENGLISH_US) for i in range(1, 6)])
        group = groups[(2000, ENGLISH_US)]
        self.assertEqual(struct.unpack_from("<HHH", group), (0, 1, 5))
        entries = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(5)]
        self.assertEqual([(w, h, c, r, p, b, i) for w, h, c, r, p, b, _, i in entries],
                         [(s % 256, s % 256, 0, 0, 1, 32, n + 1) for n, s in enumerate(SIZES)])

        extracted = ico_images(branded_exe.extract_icon(exe))
        self.assertEqual(sorted(extracted), SIZES)
        for size in SIZES:
            with self.subTest(size=size):
                declared, data = extracted[size]
                self.assertEqual(declared, (size % 256, size % 256, 0, 1, 32))
                width, height, pixels = branded_exe.read_png(data)
                self.assertEqual((width, height), (size, size))
                expected = box_average(source, side, size)
                worst = max(abs(p[c] - e[c]) for p, e in zip(pixels, expected) for c in range(4))
                # A filter that picked pixels instead would be off by about 8 at 16 pixels.
                self.assertLessEqual(worst, 2, "largest difference from the averaged source")

    def test_an_ico_icon_keeps_its_pixels(self):
        # PNG entries for some sizes, bitmaps (bottom row first, BGRA) for the others.
        entries, want = [], {}
        for size in SIZES:
            pixels = [((x * 7) % 256, (y * 3) % 256, (x ^ y) % 256, 255 if (x + y) % 5 else 0)
                      for y in range(size) for x in range(size)]
            want[size] = pixels
            if size in (32, 128):
                rows = [b"".join(bytes((p[2], p[1], p[0], p[3]))
                                 for p in pixels[y * size:(y + 1) * size])
                        for y in reversed(range(size))]
                mask = bytes(((size + 31) // 32 * 4) * size)
                data = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
                entries.append((size, 32, data + b"".join(rows) + mask))
            else:
                entries.append((size, 32, branded_exe.png(size, size, pixels)))
        with open(self.path("icon.ico"), "wb") as file:
            file.write(branded_exe.ico(entries))
        exe, _ = self.branded(icon=self.path("icon.ico"))
        extracted = ico_images(branded_exe.extract_icon(exe))
        for size in SIZES:
            with self.subTest(size=size):
                self.assertEqual(branded_exe.read_png(extracted[size][1])[2], want[size])

    def test_the_same_inputs_brand_the_same_bytes(self):
        with open(self.path("icon.png"), "wb") as file:
            file.write(branded_exe.png(300, 300, smooth_source(300)))
        source = branded_exe.launcher_res(self.directory)
        outputs = []
        for run in range(2):
            output = self.path("branded-%d.res" % run)
            result = branded_exe.brand_res(source, output, name="Zoë's Café", version="1.2",
                                           vendor="Zoë Ltd", copyright="©",
                                           icon=self.path("icon.png"))
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(output, "rb") as file:
                outputs.append(file.read())
        self.assertEqual(outputs[0], outputs[1])

    def test_refusals_write_nothing(self):
        with open(self.path("wide.png"), "wb") as file:
            file.write(branded_exe.png(64, 32, [(0, 0, 0, 255)] * (64 * 32)))
        with open(self.path("text.png"), "w") as file:
            file.write("not an image\n")
        with open(self.path("small.ico"), "wb") as file:
            file.write(branded_exe.ico([(16, 32, branded_exe.png(16, 16, [(1, 2, 3, 4)] * 256))]))
        cases = [
            (dict(version="1.2.x"), 'the application version "1.2.x" is not one to four numbers'),
            (dict(name="Report: Q3"), """the application name "Report: Q3" holds ':'"""),
            (dict(name="CON"), 'the application name "CON" is a Windows device name'),
            (dict(name="Trailing."), "ends in a dot or a space"),
            (dict(identity="My App"), 'the manifest identity "My App" holds characters'),
            (dict(icon=self.path("wide.png")), "is not square (64x32 pixels): give a square PNG"),
            (dict(icon=self.path("text.png")), "is not a PNG: give a square PNG"),
            (dict(icon=self.path("small.ico")), "has no image of 32, 64, 128, 256 pixels"),
            (dict(icon=self.path("missing.png")), "cannot read " + self.path("missing.png")),
        ]
        source = branded_exe.launcher_res(self.directory)
        for metadata, message in cases:
            with self.subTest(**metadata):
                output = self.path("refused.res")
                result = branded_exe.brand_res(source, output, **metadata)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(message, result.stderr.decode("utf-8"))
                self.assertFalse(os.path.exists(output))
        self.assertEqual(sorted(os.listdir(self.directory)),
                         ["launcher.res", "small.ico", "text.png", "wide.png"])


if __name__ == "__main__":
    unittest.main()
