"""The resource edits of tools/exe/ on the built launcher.exe (through the test command
exe_edit), read back with pefile, wrestool and osslsigncode rather than our own reader."""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
import signing_keys  # noqa: E402  the signing tests' certificates, made at test time

EXE_EDIT = os.environ["TRELLANE_EXE_EDIT"]
LAUNCHER_EXE = os.environ["TRELLANE_LAUNCHER_EXE"]
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
ENGLISH_US = 0x409


def align(value: int, alignment: int) -> int:
    return (value + alignment - 1) // alignment * alignment


def resources(image: pefile.PE) -> dict:
    """{(type, name, language): bytes}, names as text or numbers."""
    found = {}
    for kind in image.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                key = (str(kind.name) if kind.name else kind.id,
                       str(name.name) if name.name else name.id, language.id)
                found[key] = image.get_data(data.OffsetToData, data.Size)
    return found


def relocations(image: pefile.PE) -> list:
    return [(block.struct.VirtualAddress, [(e.type, e.rva) for e in block.entries])
            for block in image.DIRECTORY_ENTRY_BASERELOC]


def imports(image: pefile.PE) -> list:
    return [(entry.dll, [(i.name, i.address) for i in entry.imports])
            for entry in image.DIRECTORY_ENTRY_IMPORT]


class ResourceEditTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(LAUNCHER_EXE):
            raise AssertionError("%s is not built: cmake --build --preset windows" % LAUNCHER_EXE)
        cls.original = pefile.PE(LAUNCHER_EXE)

    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="trellane-exe-test-")
        self.addCleanup(shutil.rmtree, self.directory)

    def path(self, name: str) -> str:
        return os.path.join(self.directory, name)

    def data_file(self, name: str, content: bytes) -> str:
        with open(self.path(name), "wb") as f:
            f.write(content)
        return self.path(name)

    def edit(self, *edits: str, source: str = LAUNCHER_EXE, output: str = "edited.exe"):
        done = subprocess.run([EXE_EDIT, source, self.path(output), *edits], capture_output=True)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        return pefile.PE(self.path(output)), done.stderr.decode()

    def assertConsistent(self, image: pefile.PE):
        """The headers agree with the sections, as the loader and signing tools expect."""
        header = image.OPTIONAL_HEADER
        size = len(image.__data__)
        sections = image.sections
        for before, after in zip(sections, sections[1:]):
            self.assertEqual(after.VirtualAddress,
                             align(before.VirtualAddress + before.Misc_VirtualSize,
                                   header.SectionAlignment), after.Name)
        for section in sections:
            if section.SizeOfRawData:
                self.assertEqual(section.PointerToRawData % header.FileAlignment, 0)
                self.assertLessEqual(section.PointerToRawData + section.SizeOfRawData, size)
        last = sections[-1]
        self.assertEqual(header.SizeOfImage,
                         align(last.VirtualAddress + last.Misc_VirtualSize,
                               header.SectionAlignment))
        # The linker's own sum for this launcher: the raw sizes of initialized-data sections.
        self.assertEqual(header.SizeOfInitializedData,
                         sum(s.SizeOfRawData for s in sections if s.Characteristics & 0x40))
        directories = {d.name: d for d in header.DATA_DIRECTORY}
        named = {s.Name.rstrip(b"\0"): s for s in sections}
        for directory, section in (("IMAGE_DIRECTORY_ENTRY_RESOURCE", b".rsrc"),
                                   ("IMAGE_DIRECTORY_ENTRY_BASERELOC", b".reloc")):
            self.assertEqual(directories[directory].VirtualAddress,
                             named[section].VirtualAddress)
        self.assertEqual(directories["IMAGE_DIRECTORY_ENTRY_RESOURCE"].Size,
                         named[b".rsrc"].Misc_VirtualSize)
        self.assertEqual(header.CheckSum, image.generate_checksum())
        self.assertEqual(relocations(image), relocations(self.original))
        self.assertEqual(imports(image), imports(self.original))
        self.assertEqual(image.get_warnings(), [])

    def test_rewriting_unchanged_keeps_every_resource_and_the_layout(self):
        image, _ = self.edit()
        self.assertConsistent(image)
        self.assertEqual(resources(image), resources(self.original))
        self.assertEqual(len(image.__data__), len(self.original.__data__))

    def test_growing_moves_the_relocations_and_keeps_what_was_not_replaced(self):
        icon = os.urandom(40000)
        image, _ = self.edit("--put", "3", "5", "0x409", self.data_file("icon", icon),
                             "--put", "TRELLANE", "EXTRA", "0", self.data_file("x", b"named"))
        self.assertConsistent(image)
        want = resources(self.original)
        want[(RT_ICON, 5, ENGLISH_US)] = icon
        want[("TRELLANE", "EXTRA", 0)] = b"named"
        self.assertEqual(resources(image), want)
        moved = image.sections[-1].VirtualAddress - self.original.sections[-1].VirtualAddress
        self.assertGreater(moved, 0, ".reloc moved")
        extracted = subprocess.run(["wrestool", "-x", "--raw", "--type=3", "--name=5",
                                    self.path("edited.exe")], capture_output=True, check=True)
        self.assertEqual(extracted.stdout, icon)

    def test_shrinking_and_the_console_subsystem(self):
        image, _ = self.edit("--remove", "14", "2000", *[a for i in range(1, 6)
                                                          for a in ("--remove", "3", str(i))],
                             "--subsystem", "3")
        self.assertConsistent(image)
        self.assertEqual(image.OPTIONAL_HEADER.Subsystem, 3)
        self.assertEqual(sorted(resources(image)),
                         [(RT_VERSION, 1, ENGLISH_US), (RT_MANIFEST, 1, ENGLISH_US)])
        self.assertLess(len(image.__data__), len(self.original.__data__))

    def test_a_resource_section_of_unaligned_raw_size_keeps_what_follows_aligned(self):
        # A linker may leave SizeOfRawData short of the file alignment (the loader and pefile
        # take it): the launcher with its resource section's raw size cut to its virtual size,
        # SizeOfInitializedData still their sum.
        data = bytearray(self.original.__data__)
        rsrc = next(s for s in self.original.sections if s.Name.startswith(b".rsrc"))
        cut = rsrc.SizeOfRawData - rsrc.Misc_VirtualSize
        self.assertNotEqual(rsrc.Misc_VirtualSize % self.original.OPTIONAL_HEADER.FileAlignment, 0)
        struct.pack_into("<I", data, rsrc.get_file_offset() + 16, rsrc.Misc_VirtualSize)
        header = self.original.OPTIONAL_HEADER
        struct.pack_into("<I", data, header.get_file_offset() + 8,
                         header.SizeOfInitializedData - cut)
        source = self.data_file("unaligned.exe", bytes(data))
        self.assertEqual(pefile.PE(source).get_warnings(), [])

        icon = self.data_file("icon", os.urandom(40000))
        for edits in ([], ["--put", "3", "5", "0x409", icon], ["--remove", "3", "1"]):
            with self.subTest(edits=edits):
                image, _ = self.edit(*edits, source=source)
                self.assertConsistent(image)

    def test_same_edits_same_bytes(self):
        icon = self.data_file("icon", b"\x89PNG fake" * 100)
        outputs = []
        for name in ("first.exe", "second.exe"):
            self.edit("--put", "3", "5", "0x409", icon, output=name)
            with open(self.path(name), "rb") as f:
                outputs.append(f.read())
        self.assertEqual(outputs[0], outputs[1])

    def test_a_signed_launcher_loses_its_signature_with_a_note(self):
        signing_keys.make_certificates(self.directory)
        subprocess.run(["osslsigncode", "sign", "-certs", self.path("chain.pem"),
                        "-key", self.path("leaf.key"), "-h", "sha256",
                        "-in", LAUNCHER_EXE, "-out", self.path("signed.exe")],
                       check=True, capture_output=True)
        signed = pefile.PE(self.path("signed.exe"))
        self.assertNotEqual(signed.OPTIONAL_HEADER.DATA_DIRECTORY[4].Size, 0)

        image, notes = self.edit("--subsystem", "3", source=self.path("signed.exe"))
        self.assertIn("signed.exe is signed; the copy loses that signature", notes)
        self.assertConsistent(image)
        self.assertEqual(image.OPTIONAL_HEADER.DATA_DIRECTORY[4].Size, 0)
        self.edit("--subsystem", "3", output="from-unsigned.exe")
        with open(self.path("edited.exe"), "rb") as edited:
            with open(self.path("from-unsigned.exe"), "rb") as from_unsigned:
                self.assertEqual(edited.read(), from_unsigned.read(),
                                 "as if it had never been signed")

    def test_refuses_what_is_not_a_pe32_plus_file_and_writes_nothing(self):
        not_pe = self.data_file("script.sh", b"#!/bin/sh\necho not a launcher\n" * 10)
        done = subprocess.run([EXE_EDIT, not_pe, self.path("out.exe")], capture_output=True)
        self.assertEqual(done.returncode, 1)
        self.assertIn("is not a Windows executable (no MZ header)", done.stderr.decode())
        self.assertEqual(os.listdir(self.directory), ["script.sh"])


if __name__ == "__main__":
    unittest.main()
