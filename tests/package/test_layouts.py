"""The images trellane-package lays out, for both targets, read file by file and block by block
(synthetic runtimes: nothing here runs the JVM); a Windows launcher's branding read by
python3-pefile and its signature checked by osslsigncode verify."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from package_fixture import (LAUNCHER, LAUNCHER_EXE, Block, PackageTestCase, jar, linux_runtime,
                             listing, read_block, windows_runtime, write)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
import branded_exe  # noqa: E402  (found through the path above)
from branded_exe import ASM_V1, ENGLISH_US, RT_MANIFEST, pefile, resources  # noqa: E402
from signing_keys import make_certificates  # noqa: E402

APP_FILES = ["app/", "app/app.jar", "app/data/", "app/data/greeting.txt", "app/deps/",
             "app/deps/a.jar", "app/deps/b.jar", "app/lib/", "app/lib/util.jar",
             "app/trellane-runtime.jar"]
LINUX_RUNTIME = ["lib/", "lib/modules", "lib/server/", "lib/server/classes.jsa",
                 "lib/server/libjvm.so", "release"]
# bin/server/ goes beside the launcher; the archive for heaps beyond 32 GB stays out.
WINDOWS_RUNTIME = ["bin/classes.jsa", "bin/java.dll", "bin/jvm.dll", "conf/", "conf/security/",
                   "conf/security/java.security", "lib/", "lib/modules", "release"]

CLASS_PATH = ("-Djava.class.path=&&app.jar:&&deps/a.jar:&&deps/b.jar:&&lib/util.jar:"
              "&&trellane-runtime.jar")
# The JVM's archive messages, off: without them a first start prints a line for each class it
# cannot archive.
QUIET_ARCHIVE = ["-Xlog:cds=off", "-Xlog:cds+dynamic=off"]


def version_strings(name, version, vendor, copyright):
    """The version strings of a launcher branded with this metadata, as pefile reads them."""
    return {"040904E4": [("ProductName", name), ("FileDescription", name),
                         ("CompanyName", vendor), ("FileVersion", version),
                         ("ProductVersion", version), ("LegalCopyright", copyright),
                         ("InternalName", name + ".exe"), ("OriginalFileName", name + ".exe")]}


class LayoutTest(PackageTestCase):

    @classmethod
    def setUpClass(cls):
        if pefile is None:
            raise AssertionError("python3-pefile is missing: run scripts/install-deps.sh")
        cls.keys = tempfile.mkdtemp(prefix="package-keys-")
        make_certificates(cls.keys)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.keys)

    def assertBranding(self, stamped, strings, identity):
        """The version strings and the manifest identity pefile reads."""
        image = pefile.PE(stamped)
        self.assertEqual(branded_exe.version_strings(image)[0], strings)
        manifest = ElementTree.fromstring(resources(image, RT_MANIFEST)[(1, ENGLISH_US)])
        self.assertEqual(manifest.find(ASM_V1 + "assemblyIdentity").get("name"), identity)

    def assertSigned(self, stamped, description):
        verified = subprocess.run(["osslsigncode", "verify", "-CAfile",
                                   os.path.join(self.keys, "ca.pem"), "-in", stamped],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        text = verified.stdout.decode("utf-8", "replace")
        self.assertEqual(verified.returncode, 0, text)
        self.assertIn("Signature verification: ok", text)
        self.assertIn("Text description: " + description, text)
        self.assertIn("Issuer : /CN=Trellane Test CA", text)

    def test_layouts(self):
        self.sample_input()
        icon = write(self.path("icon.png"), branded_exe.png(256, 256, [(0, 0x60, 0xC0, 0xFF)] * 65536))
        linux_runtime(self.path("linux-17"))
        linux_runtime(self.path("linux-21"), java_version="21.0.2")
        windows_runtime(self.path("windows-17"))
        windows_runtime(self.path("windows-21"), java_version="21.0.2")
        common = ["--input", "input", "--main-jar", "app.jar", "--quiet"]
        cases = [
            # (target, arguments, launcher in bin/, runtime files, block, and for a branded
            # launcher its version strings and manifest identity)
            ("linux", ["--runtime-image", "linux-17"], "app", LINUX_RUNTIME,
             Block(0, 0, "com.example.Main",
                   ["-Djava.class.path=&&app.jar:&&deps/a.jar:&&deps/b.jar:&&lib/util.jar:"
                    "&&trellane-runtime.jar"], [], []), None),
            ("linux", ["--runtime-image", "linux-17", "--name", "hello", "--class-path-wildcard",
                       "deps/", "--java-options", "-Dapp.data=&&data/greeting.txt",
                       "--java-options=-Xmx64m", "--arguments", "--first", "--arguments", '""',
                       "--allow-user-option", "-Dapp.", "--stack-size", "2m",
                       "--use-main-thread", "--console-app", "--set-up-console",
                       "--redirect-appdata", "--icon", icon], "hello",
             LINUX_RUNTIME + ["lib/hello.png"],  # the icon where menu entries find it
             Block(0x17, 2 * 1024 * 1024, "com.example.Main",
                   ["-Djava.class.path=&&app.jar:&&lib/util.jar:&&deps/*.jar:"
                    "&&trellane-runtime.jar", "-Dapp.data=&&data/greeting.txt", "-Xmx64m"],
                   ["--first", ""], ["-Dapp."]), None),
            ("linux", ["--runtime-image", "linux-21", "--cds", "auto", "--main-class",
                       "com.example.util.Util"], "app", LINUX_RUNTIME,
             Block(0, 0, "com.example.util.Util",
                   ["-Djava.class.path=&&app.jar:&&deps/a.jar:&&deps/b.jar:&&lib/util.jar:"
                    "&&trellane-runtime.jar", "-XX:+AutoCreateSharedArchive",
                    "-XX:SharedArchiveFile=~/.cache/app/app.jsa",
                    "-Dtrellane.cdsFolder=~/.cache/app"] + QUIET_ARCHIVE, [], []), None),
            # -Xss sizes main's thread too, as under the java command: the last one, as the
            # JVM keeps it, unless --stack-size says otherwise.
            ("linux", ["--runtime-image", "linux-17", "--java-options", "-Xss8m",
                       "--java-options", "-Xmx64m -Xss64M"], "app", LINUX_RUNTIME,
             Block(0, 64 * 1024 * 1024, "com.example.Main",
                   [CLASS_PATH, "-Xss8m", "-Xmx64m", "-Xss64M"], [], []), None),
            ("linux", ["--runtime-image", "linux-17", "--java-options", "-Xss64m",
                       "--stack-size", "2m"], "app", LINUX_RUNTIME,
             Block(0, 2 * 1024 * 1024, "com.example.Main", [CLASS_PATH, "-Xss64m"], [], []),
             None),
            ("windows", ["--runtime-image", "windows-17", "--name", "Hello App",
                         "--class-path-wildcard", "deps", "--java-options", "-Xmx1g"],
             "Hello App.exe", WINDOWS_RUNTIME,
             Block(0, 0, "com.example.Main",
                   ["-Djava.class.path=&&app.jar;&&lib/util.jar;&&deps/*.jar;"
                    "&&trellane-runtime.jar", "-Xmx1g"], [], []), None),
            ("windows", ["--runtime-image", "windows-21", "--name", "Hello", "--cds=auto",
                         "--vendor", "Acme, Inc.", "--app-version", "2.1"], "Hello.exe",
             WINDOWS_RUNTIME,
             Block(0, 0, "com.example.Main",
                   ["-Djava.class.path=&&app.jar;&&deps/a.jar;&&deps/b.jar;&&lib/util.jar;"
                    "&&trellane-runtime.jar", "-XX:+AutoCreateSharedArchive",
                    "-XX:SharedArchiveFile=~/AppData/Local/Acme, Inc/Hello/Hello-2.1.jsa",
                    "-Dtrellane.cdsFolder=~/AppData/Local/Acme, Inc/Hello"] + QUIET_ARCHIVE,
                   [], []),
             # What --copyright does not give stays as the launcher was built.
             (version_strings("Hello", "2.1.0.0", "Acme, Inc.", "Copyright (C) Vendor"),
              "AcmeInc.Hello")),
            # Branded and signed: --name is the display name as well as the file's, and the
            # program name the signature carries.
            ("windows", ["--runtime-image", "windows-17", "--name", "Cafe Deluxe",
                         "--app-version", "3.1", "--vendor", "Zoë Ltd", "--copyright",
                         "© 2025 Zoë Ltd", "--icon", icon, "--identity", "Zoe.Cafe",
                         "--console-app", "--sign-pkcs12", os.path.join(self.keys, "leaf.p12"),
                         "--sign-password-file", os.path.join(self.keys, "password.txt")],
             "Cafe Deluxe.exe", WINDOWS_RUNTIME,
             Block(0x02, 0, "com.example.Main",
                   ["-Djava.class.path=&&app.jar;&&deps/a.jar;&&deps/b.jar;&&lib/util.jar;"
                    "&&trellane-runtime.jar"], [], []),
             (version_strings("Cafe Deluxe", "3.1.0.0", "Zoë Ltd", "© 2025 Zoë Ltd"),
              "Zoe.Cafe")),
        ]
        for number, (target, arguments, launcher, runtime_files, block, branding) in \
                enumerate(cases):
            with self.subTest(target=target, arguments=arguments):
                dest = "out%d" % number
                done = self.package(*common, "--target", target, "--dest", dest, *arguments)
                self.assertBuilt(done)
                self.assertEqual(done.stderr, b"", "--quiet: no progress lines")
                name = launcher.replace(".exe", "")
                self.assertEqual(os.listdir(self.path(dest)), [name],
                                 "nothing but the image in the destination")
                image = self.path(dest, name)
                self.assertEqual(listing(image), sorted(
                    [".trellane-package", "bin/", "bin/" + launcher] + APP_FILES + runtime_files))
                stamped = os.path.join(image, "bin", launcher)
                self.assertExecutable(stamped)
                self.assertEqual(
                    read_block(stamped, LAUNCHER_EXE if target == "windows" else LAUNCHER), block)
                if branding:
                    self.assertBranding(stamped, *branding)
                if "--sign-pkcs12" in arguments:
                    self.assertSigned(stamped, name)
                with open(os.path.join(image, "app", "data", "greeting.txt")) as data:
                    self.assertEqual(data.read(), "Guten Tag\n")
                again = self.package(*common, "--target", target, "--dest", dest, *arguments,
                                     "--overwrite")
                self.assertBuilt(again)
                self.assertEqual(os.listdir(self.path(dest)), [name])

    def test_warnings_of_an_image_that_is_not_self_contained(self):
        self.sample_input()
        jar(self.path("input", "lib", "plugin.jar"), ["org.p.P"],
            class_path="../app.jar ../../shared/x.jar ok.jar /opt/y.jar")
        write(self.path("input", "trellane-runtime.jar"), "an old copy")
        # Links that lead out of the input are copied as what they lead to, and said; links
        # within it are not.
        write(self.path("elsewhere", "notes.txt"), "outside")
        os.symlink("/etc/passwd", self.path("input", "data", "passwd"))
        os.symlink(self.path("elsewhere"), self.path("input", "shared"))
        os.symlink("greeting.txt", self.path("input", "data", "again.txt"))
        os.symlink(self.path("input", "data"), self.path("input", "data-again"))
        linux_runtime(self.path("runtime"))
        done = self.package("--input", "input", "--main-jar", "app.jar", "--runtime-image",
                            "runtime", "--dest", "out", "--quiet")
        self.assertBuilt(done)
        elsewhere = os.path.realpath(self.path("elsewhere"))
        self.assertEqual(done.stderr.decode().splitlines(), [
            "trellane-package: warning: the input's data/passwd is a symbolic link to "
            "/etc/passwd, outside the input: what it leads to is copied into the image as "
            "app/data/passwd; copy it into the input, or remove the link, if that was not meant",
            # data-again leads within the input, but the link in it is copied once more.
            "trellane-package: warning: the input's data-again/passwd is a symbolic link to "
            "/etc/passwd, outside the input: what it leads to is copied into the image as "
            "app/data-again/passwd; copy it into the input, or remove the link, if that was not "
            "meant",
            "trellane-package: warning: the input's shared is a symbolic link to %s, outside "
            "the input: what it leads to is copied into the image as app/shared; copy it into "
            "the input, or remove the link, if that was not meant" % elsewhere,
            "trellane-package: warning: the input's trellane-runtime.jar is replaced by the one "
            "that comes with this command",
            "trellane-package: warning: lib/plugin.jar: its manifest's Class-Path names "
            "../../shared/x.jar, outside the image's app/ folder: the image is not self-contained",
            "trellane-package: warning: lib/plugin.jar: its manifest's Class-Path names "
            "/opt/y.jar, outside the image's app/ folder: the image is not self-contained"])
        with open(self.path("out", "app", "app", "trellane-runtime.jar"), "rb") as copied:
            self.assertTrue(copied.read().startswith(b"PK"), "the command's own runtime jar")
        with open(self.path("out", "app", "app", "shared", "notes.txt")) as copied:
            self.assertEqual(copied.read(), "outside")

    def test_an_argument_file_gives_the_same_image_as_the_same_flags(self):
        self.sample_input()
        windows_runtime(self.path("runtime"))
        flags = ["--target", "windows", "--runtime-image", "runtime", "--input", "input",
                 "--main-jar", "app.jar", "--name", "Hello App", "--java-options",
                 '-Dapp.title="My App"', "--java-options", "-Dquoted='x'", "--arguments", "",
                 "--stack-size", "1m", "--console-app", "--quiet"]
        write(self.path("package.args"),
              "# Hello App for Windows\r\n"
              "--target windows\r\n"
              "--runtime-image runtime\r\n"
              "\r\n"
              "--input input\r\n"
              "--main-jar app.jar\r\n"
              '--name "Hello App"\r\n'
              "--java-options '-Dapp.title=\"My App\"'\r\n"
              "\t--java-options \"-Dquoted='x'\"\r\n"
              '--arguments ""\r\n'
              "--stack-size 1m\r\n"
              "--console-app")
        self.assertBuilt(self.package(*flags, "--dest", "from-flags"))
        self.assertBuilt(self.package("@package.args", "--quiet", "--dest", "from-file",
                                      launcher=LAUNCHER_EXE))
        files = listing(self.path("from-flags"))
        self.assertEqual(listing(self.path("from-file")), files)
        for name in files:
            if not name.endswith("/"):
                with open(self.path("from-flags", name), "rb") as a, \
                        open(self.path("from-file", name), "rb") as b:
                    self.assertEqual(a.read(), b.read(), name)


if __name__ == "__main__":
    unittest.main()
