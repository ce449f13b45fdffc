"""trellane-stamp write and brand on the built launcher.exe, read back by readers that are not
ours: python3-pefile (version strings, manifest, subsystem, checksum), icoutils' wrestool (the
icons, pixel by pixel) and osslsigncode verify (against a CA made here)."""

import io
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree
import zlib

import png as pypng  # python3-png: a PNG writer that is not ours, of every colour type

import branded_exe
from branded_exe import (ASM_V1, ENGLISH_US, REPO, RT_MANIFEST, SIZES, box_average, ico_images,
                         pefile, resources, run, smooth_source, version_strings)
from signing_keys import SIGNER, SigningTestCase, osslsigncodes

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "package"))
from package_fixture import PACKAGE, RUNTIME_JAR, jar, windows_runtime  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import private_mounts  # noqa: E402  (found through the path above)

STAMP = os.environ.get("TRELLANE_STAMP") or os.path.join(
    REPO, "build", "linux", "tools", "stamp", "trellane-stamp")
LINUX_LAUNCHER = os.environ.get("TRELLANE_LAUNCHER") or os.path.join(
    REPO, "build", "linux", "launcher")
LAUNCHER_EXE = branded_exe.LAUNCHER_EXE
BLOCK = ["--main-class", "com.example.Main", "--jvm-option", "-Xmx1g"]
MAIN_CLASS_SHOWN = 'mainClassName:             "com.example.Main"\n'
GUI, CONSOLE = 2, 3


def metadata_options(name=None, version=None, vendor=None, copyright=None, identity=None):
    return branded_exe.brand_arguments(name=name, version=version, vendor=vendor,
                                       copyright=copyright, identity=identity)


def checksum_is_right(image) -> bool:
    return image.OPTIONAL_HEADER.CheckSum == image.generate_checksum()


def description(verified: str) -> str:
    """The program name a signature carries, as osslsigncode verify prints it."""
    for line in verified.splitlines():
        if line.strip().startswith("Text description:"):
            return line.split(":", 1)[1].strip()
    return ""


class StampBrandingTest(SigningTestCase):
    @classmethod
    def setUpClass(cls):
        for path in (STAMP, LINUX_LAUNCHER):
            if not os.path.isfile(path):
                raise AssertionError("%s is missing: cmake --build --preset linux" % path)
        super().setUpClass()

    def stamp(self, *arguments, env=None):
        return run([STAMP, *arguments], env=dict(os.environ, **(env or {})))

    def done(self, *arguments, env=None) -> str:
        """Runs trellane-stamp, which must succeed; its standard error."""
        result = self.stamp(*arguments, env=env)
        stderr = result.stderr.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, stderr)
        return stderr

    def write(self, output, *options, env=None) -> str:
        return self.done("write", "--input", LAUNCHER_EXE, "--output", self.path(output),
                         *BLOCK, *options, env=env)

    def show(self, name) -> str:
        result = self.stamp("show", self.path(name))
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.decode("utf-8")

    def verify(self, name, ca="ca.pem") -> str:
        result = run(["osslsigncode", "verify", "-CAfile", self.key(ca), "-in", self.path(name)])
        text = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, text + result.stderr.decode("utf-8", "replace"))
        self.assertIn("Message digest algorithm  : SHA256", text)
        image = pefile.PE(self.path(name))
        security = image.OPTIONAL_HEADER.DATA_DIRECTORY[4]
        self.assertEqual(security.VirtualAddress + security.Size,
                         os.path.getsize(self.path(name)), "the signature ends the file")
        self.assertTrue(checksum_is_right(image))
        return text

    def write_png(self, name, width, height, pixels):
        with open(self.path(name), "wb") as file:
            file.write(branded_exe.png(width, height, pixels))
        return self.path(name)

    def test_metadata_reaches_the_version_strings_the_manifest_and_show(self):
        cases = [
            (dict(name="Example App", version="7", vendor="Example Corp",
                  copyright="Copyright 2024 Example Corp"), "7.0.0.0", "ExampleCorp.ExampleApp"),
            (dict(name="Zoë's Café", version="1.2", vendor="Zoë Ltd",
                  copyright="© 2024 Zoë Ltd"), "1.2.0.0", "ZoeLtd.ZoesCafe"),
            (dict(name="日本語アプリ", version="1.2.3", vendor="株式会社", copyright="©",
                  identity="jp.example.app"), "1.2.3.0", "jp.example.app"),
            (dict(name="Long " * 48 + "Name", version="65535.0.65535.1", vendor="V" * 300,
                  copyright="c" * 2000), "65535.0.65535.1", "V" * 255),
        ]
        for index, (metadata, version, identity) in enumerate(cases):
            with self.subTest(name=metadata["name"][:20]):
                output = "app-%d.exe" % index
                self.assertEqual(self.write(output, *metadata_options(**metadata)), "")
                image = pefile.PE(self.path(output))
                name = metadata["name"]
                strings = [("ProductName", name), ("FileDescription", name),
                           ("CompanyName", metadata["vendor"]), ("FileVersion", version),
                           ("ProductVersion", version),
                           ("LegalCopyright", metadata["copyright"]),
                           ("InternalName", name + ".exe"), ("OriginalFileName", name + ".exe")]
                self.assertEqual(version_strings(image),
                                 ({"040904E4": strings}, [{b"Translation": "0x0409 0x04e4"}]))
                root = ElementTree.fromstring(resources(image, RT_MANIFEST)[(1, ENGLISH_US)])
                own = root.find(ASM_V1 + "assemblyIdentity")
                self.assertEqual((own.get("name"), own.get("version"),
                                  root.find(ASM_V1 + "description").text),
                                 (identity, version, name))
                self.assertEqual(image.OPTIONAL_HEADER.Subsystem, GUI)
                self.assertTrue(checksum_is_right(image))

                shown = self.show(output)
                self.assertIn(MAIN_CLASS_SHOWN, shown)
                self.assertIn('manifest identity:         "%s"\n' % identity, shown)
                self.assertIn('  CompanyName              "%s"\n' % metadata["vendor"], shown)
                self.assertIn('  FileVersion              "%s"\n' % version, shown)
                self.assertTrue(shown.endswith("icons:                     16, 32, 64, 128, 256 "
                                               "pixels\nsignature:                 not signed\n"))

    def test_icons_reach_the_image_as_wrestool_reads_them(self):
        side = 256
        source = smooth_source(side)
        self.write("png.exe", "--icon", self.write_png("icon.png", side, side, source))
        extracted = ico_images(branded_exe.extract_icon(self.path("png.exe")))
        self.assertEqual(sorted(extracted), SIZES)
        for size in SIZES:
            with self.subTest(source="png", size=size):
                declared, data = extracted[size]
                self.assertEqual(declared, (size % 256, size % 256, 0, 1, 32))
                width, height, pixels = branded_exe.read_png(data)
                self.assertEqual((width, height), (size, size))
                if size == side:
                    self.assertEqual(pixels, source, "a 256-pixel source is the image as it is")
                    continue
                expected = box_average(source, side, size)
                worst = max(abs(p[c] - e[c]) for p, e in zip(pixels, expected) for c in range(4))
                self.assertLessEqual(worst, 2, "largest difference from the averaged source")

        wanted = {size: [((x * 13) % 256, (y * 5) % 256, size - 1, 255 if (x ^ y) & 1 else 40)
                         for y in range(size) for x in range(size)] for size in SIZES}
        with open(self.path("icon.ico"), "wb") as file:
            file.write(branded_exe.ico([(size, 32, branded_exe.png(size, size, wanted[size]))
                                        for size in SIZES]))
        self.write("ico.exe", "--icon", self.path("icon.ico"))
        extracted = ico_images(branded_exe.extract_icon(self.path("ico.exe")))
        for size in SIZES:
            with self.subTest(source="ico", size=size):
                self.assertEqual(branded_exe.read_png(extracted[size][1])[2], wanted[size])

    def test_the_same_inputs_give_the_same_bytes_when_unsigned(self):
        icon = self.write_png("icon.png", 300, 300, smooth_source(300))
        options = metadata_options(name="Zoë's Café", version="1.2", vendor="Zoë Ltd",
                                   copyright="©") + ["--icon", icon, "--console-app"]
        outputs = []
        for run_index in range(2):
            self.write("write-%d.exe" % run_index, *options)
            self.done("brand", "--input", self.path("write-0.exe"), "--output",
                      self.path("brand-%d.exe" % run_index), "--name", "Other")
            outputs.append([file_bytes(self.path(name % run_index))
                            for name in ("write-%d.exe", "brand-%d.exe")])
        self.assertEqual(outputs[0], outputs[1])

    def test_subsystem_follows_the_block_unless_kept_gui(self):
        # brand leaves the subsystem as it is unless asked for the GUI one.
        cases = [
            ("write", [], GUI),
            ("write", ["--console-app"], CONSOLE),
            ("write", ["--console-app", "--gui-subsystem"], GUI),
            ("brand", ["--name", "Renamed"], CONSOLE),
            ("brand", ["--gui-subsystem"], GUI),
        ]
        self.write("console.exe", "--console-app")
        for index, (command, options, subsystem) in enumerate(cases):
            with self.subTest(command=command, options=options):
                output = "out-%d.exe" % index
                if command == "write":
                    self.write(output, *options)
                else:
                    self.done("brand", "--input", self.path("console.exe"), "--output",
                              self.path(output), *options)
                image = pefile.PE(self.path(output))
                self.assertEqual(image.OPTIONAL_HEADER.Subsystem, subsystem)
                self.assertTrue(checksum_is_right(image))
                self.assertIn(MAIN_CLASS_SHOWN, self.show(output))

    def test_signing_rebranding_and_signing_later(self):
        # write brands and signs in one step (PKCS #12, password in a file).
        self.write("signed.exe", *metadata_options(name="Example App", version="1.2",
                                                  vendor="Example Corp", copyright="©"),
                   "--sign-pkcs12", self.key("leaf.p12"),
                   "--sign-password-file", self.key("password.txt"))
        self.assertEqual(description(self.verify("signed.exe")), "Example App")
        self.assertTrue(self.show("signed.exe").endswith(
            'signature:                 signed by "%s", SHA-256, RSA key of 2048 bits\n'
            % SIGNER))
        block = self.show("signed.exe").split("subsystem:")[0]

        # brand re-brands the signed file: the old signature goes, with a note, and the new one
        # is made with a PEM chain; what is not given stays, and so does the block.
        note = self.done("brand", "--input", self.path("signed.exe"), "--output",
                         self.path("rebranded.exe"), "--name", "Other App", "--app-version",
                         "2", "--sign-cert", self.key("chain.pem"), "--sign-key",
                         self.key("leaf.key"))
        self.assertEqual(note, "trellane-stamp: note: %s is signed; the copy loses that "
                               "signature (sign the output again)\n" % self.path("signed.exe"))
        self.assertEqual(description(self.verify("rebranded.exe")), "Other App")
        shown = self.show("rebranded.exe")
        self.assertTrue(shown.startswith(block))
        for line in ('  ProductName              "Other App"', '  FileVersion              '
                     '"2.0.0.0"', '  CompanyName              "Example Corp"'):
            self.assertIn(line + "\n", shown)

        # Signing as a later step: the resources stay byte for byte, and the signature names
        # the program the launcher carries.
        self.done("brand", "--input", self.path("rebranded.exe"), "--output",
                  self.path("resigned.exe"), "--sign-cert", self.key("self.pem"), "--sign-key",
                  self.key("self.key"))
        self.assertEqual(description(self.verify("resigned.exe", ca="self.pem")), "Other App")
        self.assertEqual(all_resources(self.path("resigned.exe")),
                         all_resources(self.path("rebranded.exe")))

        # A non-ASCII name cannot be the signature's description (osslsigncode writes ASCII).
        note = self.write("zoe.exe", "--name", "Zoë", "--sign-cert", self.key("self.pem"),
                          "--sign-key", self.key("self.key"))
        self.assertIn("the signature names no program", note)
        self.assertEqual(description(self.verify("zoe.exe", ca="self.pem")), "")

    def test_signed_output_through_a_link_and_at_the_name_limit(self):
        # The unsigned copy and osslsigncode's folder have short names of their own beside the
        # file the output names; a link stays a link.
        pem = ["--sign-cert", self.key("self.pem"), "--sign-key", self.key("self.key")]
        os.mkdir(self.path("sub"))
        os.symlink("sub/app.exe", self.path("link.exe"))
        self.write("link.exe", *pem)
        self.assertTrue(os.path.islink(self.path("link.exe")))
        self.verify("sub/app.exe", ca="self.pem")
        name = "a" * 251 + ".exe"
        self.write(name, *pem)
        self.verify(name, ca="self.pem")
        self.assertEqual(sorted(os.listdir(self.directory)), sorted([name, "link.exe", "sub"]))
        self.assertEqual(os.listdir(self.path("sub")), ["app.exe"])

    def test_a_signal_while_signing_leaves_nothing_behind(self):
        # An osslsigncode (of Debian 12's version) that waits: trellane-stamp is stopped while
        # the unsigned copy and the signing folder exist.
        tools = self.path("tools")
        os.mkdir(tools)
        with open(os.path.join(tools, "osslsigncode"), "w") as script:
            script.write('#!/bin/sh\n[ "$1" = --version ] && exec echo "osslsigncode 2.5, using:"\n'
                         'touch "$SIGNING_STARTED"\nexec sleep 60\n')
        os.chmod(os.path.join(tools, "osslsigncode"), 0o755)
        started = os.path.join(tools, "started")
        output = self.path("out")
        os.mkdir(output)
        stamp = subprocess.Popen(
            [STAMP, "write", "--input", LAUNCHER_EXE, "--output", os.path.join(output, "app.exe"),
             *BLOCK, "--sign-cert", self.key("self.pem"), "--sign-key", self.key("self.key")],
            env=dict(os.environ, PATH=tools + ":" + os.environ["PATH"], SIGNING_STARTED=started),
            stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)
        try:
            deadline = time.monotonic() + 60
            while not os.path.exists(started) and stamp.poll() is None:
                self.assertLess(time.monotonic(), deadline, "osslsigncode never started")
                time.sleep(0.01)
            self.assertEqual(sorted(entry.startswith(".trellane-") for entry in os.listdir(output)),
                             [True, True], "the unsigned copy and the signing folder")
            stamp.send_signal(signal.SIGTERM)
            self.assertEqual(stamp.wait(timeout=60), -signal.SIGTERM, stamp.stderr.read())
        finally:
            try:
                os.killpg(stamp.pid, signal.SIGKILL)  # only when something outlived the signal
            except ProcessLookupError:
                pass
            stamp.wait()
            stamp.stderr.close()
        self.assertEqual(os.listdir(output), [])

    def test_every_kind_of_png_is_read_and_one_inflating_past_its_size_refused_at_once(self):
        # Every colour type and depth, plain and interlaced, at an odd size: the last pass of
        # an interlaced image and the last byte of a row of small samples are partial.
        side = 37
        kinds = [dict(greyscale=True, bitdepth=d) for d in (1, 2, 4, 8, 16)]
        kinds += [dict(greyscale=True, alpha=True, bitdepth=d) for d in (8, 16)]
        kinds += [dict(greyscale=False, alpha=a, bitdepth=d) for a in (False, True)
                  for d in (8, 16)]
        kinds += [dict(palette=[(i * 7 % 256, i, 255 - i) for i in range(1 << d)], bitdepth=d)
                  for d in (1, 2, 4, 8)]
        for kind in kinds:
            for interlace in (False, True):
                with self.subTest(kind={k: v for k, v in kind.items() if k != "palette"},
                                  palette="palette" in kind, interlace=interlace):
                    planes = 1 if "palette" in kind else (
                        (1 if kind["greyscale"] else 3) + bool(kind.get("alpha")))
                    top = (1 << kind["bitdepth"]) - 1
                    rows = [[(x * 3 + y * planes + p) % (top + 1) for x in range(side)
                             for p in range(planes)] for y in range(side)]
                    out = io.BytesIO()
                    pypng.Writer(side, side, interlace=interlace, **kind).write(out, rows)
                    with open(self.path("kind.png"), "wb") as file:
                        file.write(out.getvalue())
                    self.write("kind.exe", "--icon", self.path("kind.png"))

        # 1 MB that inflates to 1 GiB: the image data is measured against the 256x256 pixels
        # the header declares before anything is decoded, alone and inside an .ico.
        bomb = inflating_png(256, 1024)
        with open(self.path("bomb.png"), "wb") as file:
            file.write(bomb)
        with open(self.path("bomb.ico"), "wb") as file:
            file.write(branded_exe.ico([(size, 32, bomb if size == 256 else branded_exe.png(
                size, size, [(0, 0, 0, 0)] * size * size)) for size in SIZES]))
        inflates = ("is a PNG whose image data inflates to more than the 262400 bytes its "
                    "256x256 pixels take (it is damaged, or made to exhaust memory)")
        cases = [("bomb.png", inflates), ("bomb.ico", "has a 256-pixel image that " + inflates)]
        before = sorted(os.listdir(self.directory))
        for name, message in cases:
            with self.subTest(name=name):
                process = subprocess.Popen(
                    [STAMP, "write", "--input", LAUNCHER_EXE, "--output", self.path("bomb.exe"),
                     *BLOCK, "--icon", self.path(name)], stderr=subprocess.PIPE)
                with process.stderr:
                    err = process.stderr.read().decode()
                _, wait_status, usage = os.wait4(process.pid, 0)
                process.returncode = os.waitstatus_to_exitcode(wait_status)
                self.assertEqual(process.returncode, 1, err)
                self.assertEqual(err, "trellane-stamp: the icon %s %s: give a square PNG of 256 "
                                 "pixels or more, or an .ico holding 16, 32, 64, 128 and 256 "
                                 "pixels\n" % (self.path(name), message))
                self.assertLess(usage.ru_maxrss, 200 << 10, "KiB: not the inflated gigabyte")
                self.assertEqual(sorted(os.listdir(self.directory)), before)

    def test_a_full_disk_is_named_as_one_with_nothing_left_on_it(self):
        # A small file system of its own, in a mount namespace of its own: the stamped copy
        # does not fit in 100 KiB; in 300 KiB it does, and the signed one osslsigncode writes
        # beside it does not (2.9 fails; 2.5 says it succeeded and leaves a cut file); an MSI
        # does not fit in 64 KiB (both say they succeeded). And a signed file with a part never
        # written, as a write that failed midway leaves it, on a disk that is full by then:
        # osslsigncode reading it through its mapping would die of SIGBUS.
        script = ('mount -t tmpfs -o size="$2" trellane-full "$1" && mounted || exit; small=$1; '
                  'shift 2; "$@"; status=$?; ls -A "$small"; exit $status')
        small = self.path("small")
        os.makedirs(small)
        holes = self.path("holes")
        os.makedirs(holes)
        with open(os.path.join(holes, "osslsigncode"), "w") as wrapper:
            wrapper.write('#!/bin/sh\n[ "$1" = sign ] || exec "$REAL_OSSLSIGNCODE" "$@"\n'
                          '"$REAL_OSSLSIGNCODE" "$@" || exit\nfor out; do :; done\n'
                          'case $out in "$SMALL"/*) ;; *) exit 0 ;; esac\n'
                          'size=$(stat -c %s "$out")\n'
                          'fallocate --punch-hole --offset 4096 --length $((size - 4096)) "$out"\n'
                          'head -c 100M /dev/zero >"${out%/*}/filler" 2>/dev/null\nexit 0\n')
        os.chmod(os.path.join(holes, "osslsigncode"), 0o755)
        jar(self.path("input", "app.jar"), ["com.example.Main"], main_class="com.example.Main")
        windows_runtime(self.path("runtime"))
        msi = [PACKAGE, "--launcher", LAUNCHER_EXE, "--runtime-jar", RUNTIME_JAR, "--type",
               "msi", "--input", self.path("input"), "--main-jar", "app.jar", "--runtime-image",
               self.path("runtime"), "--name", "App", "--app-version", "1.0", "--dest", small,
               "--quiet"]
        full = ("the disk is full (no space left on the file system mounted at %s); free some "
                "space there or write to another disk" % small)
        pem = ["--sign-cert", self.key("self.pem"), "--sign-key", self.key("self.key")]
        write = [STAMP, "write", "--input", LAUNCHER_EXE, "--output", small + "/out.exe", *BLOCK]
        signing = "cannot sign into %s/out.exe: %s (" % (small, full)
        cases = [("stamped copy", "100k", write, False,
                  "trellane-stamp: cannot write %s/out.exe: %s" % (small, full)),
                 ("signed launcher", "300k", write + pem, False, "trellane-stamp: " + signing),
                 ("signed launcher with a hole", "1000k", write + pem, True,
                  "trellane-stamp: " + signing),
                 ("signed MSI", "64k", msi + pem, False, "trellane-package: cannot sign into "
                  "%s/App-1.0.msi: %s (" % (small, full)),
                 ("signed MSI with a hole", "4000k", msi + pem, True, "trellane-package: cannot "
                  "sign into %s/App-1.0.msi: %s (" % (small, full))]
        for tool in osslsigncodes():
            for way, size, command, hole, message in cases:
                with self.subTest(osslsigncode=tool.label, file=way):
                    env = dict(self.require(tool), TMPDIR=self.directory, SMALL=small)
                    if hole:
                        env["REAL_OSSLSIGNCODE"] = shutil.which("osslsigncode", path=env["PATH"])
                        env["PATH"] = holes + os.pathsep + env["PATH"]
                    done = private_mounts.run(self, script, [small, size, *command], env=env)
                    self.assertEqual(done.returncode, 1, done.stderr.decode())
                    self.assertTrue(done.stderr.decode().startswith(message),
                                    done.stderr.decode())
                    self.assertEqual(done.stdout, b"", "nothing left on it")

    def test_refusals_leave_the_output_untouched_and_nothing_behind(self):
        with open(self.path("area.bin"), "wb") as file:
            file.write(b"no executable " + b"_" * 16463 + b"\0")
        image = pefile.PE(LAUNCHER_EXE)
        image.OPTIONAL_HEADER.Magic = 0x10B
        image.write(self.path("pe32.exe"))
        image = pefile.PE(LAUNCHER_EXE)
        image.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress = 0
        image.OPTIONAL_HEADER.DATA_DIRECTORY[2].Size = 0
        image.write(self.path("no-resources.exe"))
        wide = self.write_png("wide.png", 64, 32, [(0, 0, 0, 255)] * (64 * 32))
        with open(self.path("text.png"), "w") as file:
            file.write("not an image\n")
        empty_path = tempfile.mkdtemp(dir=self.directory)
        pem = ["--sign-cert", self.key("self.pem"), "--sign-key", self.key("self.key")]
        windows_advice = ("; branding and signing take a Windows launcher: launcher.exe as "
                          "built, stamped or not")
        cases = [
            # (command, input, options, environment, status, message)
            ("write", self.path("area.bin"), ["--name", "App"], {}, 1,
             "%s is not a Windows executable (no MZ header)" % self.path("area.bin")
             + windows_advice),
            ("brand", self.path("pe32.exe"), ["--name", "App"], {}, 1,
             "%s is a 32-bit executable (PE32); only 64-bit (PE32+) executables can be edited"
             % self.path("pe32.exe") + windows_advice),
            ("brand", self.path("no-resources.exe"), ["--name", "App"], {}, 1,
             "%s has no resources (no resource section)" % self.path("no-resources.exe")
             + windows_advice),
            ("write", LAUNCHER_EXE, ["--icon", wide], {}, 1,
             "is not square (64x32 pixels): give a square PNG"),
            ("write", LAUNCHER_EXE, ["--icon", self.path("text.png")], {}, 1,
             "is not a PNG: give a square PNG"),
            ("write", LAUNCHER_EXE, ["--app-version", "1.2.x"], {}, 1,
             'the application version "1.2.x" is not one to four numbers'),
            ("brand", LAUNCHER_EXE, ["--name", "Report: Q3"], {}, 1,
             'the application name "Report: Q3" holds \':\''),
            ("write", LAUNCHER_EXE, ["--sign-pkcs12", self.key("leaf.p12"),
                                     "--sign-password-file", self.key("wrong-password.txt")], {},
             1, "the password does not open %s" % self.key("leaf.p12")),
            ("brand", LAUNCHER_EXE, pem, {"PATH": empty_path}, 1,
             "signing needs osslsigncode, which is not installed: apt-get install osslsigncode"),
            ("write", LINUX_LAUNCHER, ["--icon", wide], {}, 1,
             "%s is a Linux launcher (ELF): the branding and signing options" % LINUX_LAUNCHER),
            ("brand", LINUX_LAUNCHER, pem, {}, 1, "is a Linux launcher (ELF)"),
            ("brand", LAUNCHER_EXE, ["--main-class", "M"], {}, 2,
             "option '--main-class' is for write: brand leaves the block as it is"),
            ("brand", LAUNCHER_EXE, [], {}, 2, "brand needs something to do"),
            ("brand", LAUNCHER_EXE, ["--name="], {}, 2,
             "option '--name' needs a value that is not empty"),
            ("brand", LAUNCHER_EXE, pem + ["--sign-pkcs12", self.key("leaf.p12")], {}, 2,
             "sign one way: with a PKCS #12 file (--sign-pkcs12), PEM files (--sign-cert, "
             "--sign-key), a key on a token (--sign-pkcs11-module, --sign-key-uri) or a command "
             "(--sign-command), not several"),
            ("brand", LAUNCHER_EXE, ["--sign-key-uri", "pkcs11:token=t;object=k",
                                     "--sign-cert", self.key("self.pem")], {}, 2,
             "a key on a token needs --sign-pkcs11-module, the token's PKCS #11 library"),
            ("brand", LAUNCHER_EXE, ["--sign-pkcs11-module", "m.so", "--sign-key-uri",
                                     "pkcs11:token=t;object=k;pin-value=1234",
                                     "--sign-cert", self.key("self.pem")], {}, 2,
             "--sign-key-uri holds a PIN (pin-value or pin-source), which would be on a command "
             "line every user of the machine can read"),
            ("brand", LAUNCHER_EXE, ["--sign-command", "sign-it out.exe"], {}, 2,
             "--sign-command 'sign-it out.exe' has no {} where the path of the file to sign "
             "goes"),
            ("brand", LAUNCHER_EXE, ["--sign-command", "no-such-signer {}"], {}, 1,
             "the sign command 'no-such-signer {}' cannot be run: no-such-signer is not on "
             "PATH; give a program on PATH, or its path"),
        ]
        output = self.path("previous.exe")
        with open(output, "wb") as file:
            file.write(b"previous contents")
        before = sorted(os.listdir(self.directory))
        for command, source, options, env, status, message in cases:
            with self.subTest(command=command, options=options):
                block = BLOCK if command == "write" else []
                result = self.stamp(command, "--input", source, "--output", output, *block,
                                    *options, env=env)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(message, result.stderr.decode("utf-8"))
                with open(output, "rb") as file:
                    self.assertEqual(file.read(), b"previous contents")
                self.assertEqual(sorted(os.listdir(self.directory)), before)


def inflating_png(side: int, mebibytes: int) -> bytes:
    """An RGBA PNG of side x side pixels whose image data inflates to that many MiB of zeros:
    about a kilobyte a MiB (one MiB's deflate block, flushed so that it repeats)."""
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    block = packer.compress(bytes(1 << 20)) + packer.flush(zlib.Z_FULL_FLUSH)
    adler = ((mebibytes << 20) % 65521) << 16 | 1  # Adler-32 of that many zeros
    data = b"\x78\xda" + block * mebibytes + b"\x03\x00" + struct.pack(">I", adler)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", data) + chunk(b"IEND", b""))


def file_bytes(path):
    with open(path, "rb") as file:
        return file.read()


def all_resources(path):
    """{(type, name, language): bytes} of every resource in the file."""
    image = pefile.PE(path)
    return {(kind.id, name.id, language.id): image.get_data(language.data.struct.OffsetToData,
                                                            language.data.struct.Size)
            for kind in image.DIRECTORY_ENTRY_RESOURCE.entries
            for name in kind.directory.entries for language in name.directory.entries}


if __name__ == "__main__":
    unittest.main()
