"""launcher.exe's declared properties, read from the PE file: headers, imports, the export
directory (also of a stamped copy under another name) and the resources."""

import os
import shutil
import struct
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

import launcher_install
from launcher_install import LaunchSettings

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
from branded_exe import resources  # noqa: E402  (found through the path above)

try:
    import pefile
except ImportError:  # the test says so below; the Debian package python3-pefile provides it
    pefile = None

ENGLISH_US = 0x0409
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
NATIVE_METHOD = b"Java_morvantic_trellane_updater_OnlineUpdater_nCheckForUpdates"
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


class ExecutableImageTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        if pefile is None:
            raise AssertionError("python3-pefile is missing: run scripts/install-deps.sh")
        launcher_install.require_built_files()
        cls.image = pefile.PE(launcher_install.LAUNCHER_EXE)

    def test_headers(self):
        header = self.image.OPTIONAL_HEADER
        self.assertEqual(self.image.FILE_HEADER.Machine, 0x8664)
        self.assertEqual(header.Magic, 0x20B, "PE32+")
        self.assertEqual(header.Subsystem, 2, "Windows GUI")
        self.assertEqual((header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion,
                          header.MajorSubsystemVersion, header.MinorSubsystemVersion),
                         (6, 0, 6, 0))
        self.assertEqual(header.DllCharacteristics, 0x8160)
        self.assertEqual((header.SizeOfStackReserve, header.SizeOfStackCommit),
                         (0x100000, 0x1000))
        relocations = header.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        self.assertGreater(relocations.Size, 0, "base relocations")

    def test_imports_jvm_dll_at_load_time_and_no_compiler_runtime_dll(self):
        imports = {entry.dll.decode().lower(): [i.name for i in entry.imports]
                   for entry in self.image.DIRECTORY_ENTRY_IMPORT}
        self.assertEqual(imports.get("jvm.dll"), [b"JNI_CreateJavaVM"])
        self.assertFalse(hasattr(self.image, "DIRECTORY_ENTRY_DELAY_IMPORT"), "no delay loading")
        for dll in imports:
            with self.subTest(dll=dll):
                self.assertFalse(dll.startswith(("libstdc++", "libgcc", "libwinpthread")), dll)
                self.assertNotEqual(dll, "msvcrt.dll", "the universal C runtime, not msvcrt")
        self.assertTrue(any(dll.startswith("api-ms-win-crt-") for dll in imports), imports)
        # Windows' own DLLs, each for a reason: advapi32 for single-instance mode's token,
        # SID and security descriptor calls.
        self.assertEqual(sorted(dll for dll in imports if not dll.startswith("api-ms-win-crt-")),
                         ["advapi32.dll", "jvm.dll", "kernel32.dll", "ole32.dll", "shell32.dll",
                          "user32.dll"])

    def test_export_directory_names_launcher_exe_whatever_the_file_is_called(self):
        directory = tempfile.mkdtemp(prefix="renamed-")
        self.addCleanup(shutil.rmtree, directory)
        stamped = launcher_install.Install(directory, LaunchSettings(),
                                           exe_name="My Application.exe")
        for path in (launcher_install.LAUNCHER_EXE, stamped.exe):
            with self.subTest(path=os.path.basename(path)):
                image = pefile.PE(path)
                exports = image.DIRECTORY_ENTRY_EXPORT
                self.assertEqual(image.get_string_at_rva(exports.struct.Name), b"launcher.exe")
                self.assertEqual(exports.struct.Base, 1)
                self.assertEqual([(s.ordinal, s.name) for s in exports.symbols],
                                 [(1, NATIVE_METHOD)])
                self.assertEqual(resources(image, RT_VERSION), resources(self.image, RT_VERSION))

    def test_every_resource_is_english_us(self):
        for kind in self.image.DIRECTORY_ENTRY_RESOURCE.entries:
            for name in kind.directory.entries:
                for language in name.directory.entries:
                    self.assertEqual(language.id, ENGLISH_US, (kind.id, name.id))

    def test_manifest(self):
        manifest = resources(self.image, RT_MANIFEST)
        self.assertEqual(list(manifest), [(1, ENGLISH_US)])
        text = manifest[(1, ENGLISH_US)]
        self.assertNotIn(b"\r", text, "line feeds only")
        root = ElementTree.fromstring(text)
        self.assertEqual(root.tag, ASM_V1 + "assembly")
        identity = root.find(ASM_V1 + "assemblyIdentity")
        self.assertEqual(identity.get("type"), "win32")
        self.assertRegex(identity.get("version"), r"^\d+\.\d+\.\d+\.\d+$")
        self.assertIsNotNone(root.find(ASM_V1 + "description"))
        controls = root.find("%sdependency/%sdependentAssembly/%sassemblyIdentity"
                             % (ASM_V1, ASM_V1, ASM_V1))
        self.assertEqual(dict(controls.attrib), {
            "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
            "processorArchitecture": "*", "publicKeyToken": "6595b64144ccf1df",
            "language": "*"})
        level = root.find("%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel"
                          % (ASM_V3, ASM_V3, ASM_V3, ASM_V3))
        self.assertEqual(dict(level.attrib), {"level": "asInvoker", "uiAccess": "false"})
        settings = {element.tag: element.text for element in root.iter()
                    if "WindowsSettings}" in element.tag}
        self.assertEqual(settings, {
            "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}dpiAware": "true/PM",
            "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}dpiAwareness":
                "PerMonitorV2, PerMonitor, system",
            "{http://schemas.microsoft.com/SMI/2019/WindowsSettings}activeCodePage": "UTF-8",
        })
        supported = [e.get("Id") for e in root.iter(
            "{urn:schemas-microsoft-com:compatibility.v1}supportedOS")]
        self.assertEqual(supported, ["{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"])

    def test_version_information(self):
        self.assertEqual(list(resources(self.image, RT_VERSION)), [(1, ENGLISH_US)])
        fixed = self.image.VS_FIXEDFILEINFO[0]
        self.assertEqual(
            (fixed.Signature, fixed.StrucVersion, fixed.FileVersionMS, fixed.FileVersionLS,
             fixed.ProductVersionMS, fixed.ProductVersionLS, fixed.FileFlagsMask,
             fixed.FileFlags, fixed.FileOS, fixed.FileType, fixed.FileSubtype,
             fixed.FileDateMS, fixed.FileDateLS),
            (0xFEEF04BD, 0x10000, 0, 0, 0, 0, 0x3F, 0, 0x40004, 1, 0, 0, 0))
        tables = {}
        translations = []
        for info in self.image.FileInfo[0]:
            if info.Key == b"StringFileInfo":
                for table in info.StringTable:
                    tables[table.LangID] = list(table.entries)
            elif info.Key == b"VarFileInfo":
                translations += [var.entry for var in info.Var]
        self.assertEqual(list(tables), [b"040904E4"])
        self.assertEqual(tables[b"040904E4"], [
            b"ProductName", b"FileDescription", b"CompanyName", b"FileVersion",
            b"ProductVersion", b"LegalCopyright", b"InternalName", b"OriginalFileName"])
        self.assertEqual(translations, [{b"Translation": "0x0409 0x04e4"}])

    def test_icon_group_of_five_png_images(self):
        groups = resources(self.image, RT_GROUP_ICON)
        self.assertEqual(list(groups), [(2000, ENGLISH_US)])
        group = groups[(2000, ENGLISH_US)]
        self.assertEqual(struct.unpack_from("<HHH", group), (0, 1, 5))
        icons = resources(self.image, RT_ICON)
        sizes = []
        for index in range(5):
            (width, height, colours, _, planes, bits, length,
             icon_id) = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * index)
            self.assertEqual((colours, planes, bits, icon_id), (0, 1, 32, index + 1))
            png = icons[(icon_id, ENGLISH_US)]
            self.assertEqual(len(png), length)
            self.assertEqual(png[:8], PNG_SIGNATURE)
            png_width, png_height, depth, colour_type = struct.unpack_from(">IIBB", png, 16)
            self.assertEqual((depth, colour_type), (8, 6), "8-bit RGBA")
            self.assertEqual((width or 256, height or 256), (png_width, png_height))
            sizes.append(png_width)
        self.assertEqual(sizes, [16, 32, 64, 128, 256])
        self.assertEqual(struct.unpack_from("<BB", group, 6 + 14 * 4), (0, 0), "256 as 0")


if __name__ == "__main__":
    unittest.main()
