"""trellane-package --type msi read by readers that are not ours: msiinfo (msitools) for the
summary information and the tables, Python's uuid for the name-based codes, osslsigncode verify
(installed and Debian 12's 2.5) for the signature. Then what it refuses, each refusal leaving
nothing behind. Installing, upgrading and removing are in tests/wine/test_msi_install.py."""

import os
import re
import signal
import subprocess
import sys
import time
import unittest
import uuid
import xml.etree.ElementTree as ElementTree
from typing import Dict, List

from package_fixture import PackageTestCase, listing, windows_runtime, write

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
import signing_keys  # noqa: E402  (found through the path above)
from test_signing_ends import SilentTimestampServer, osslsigncode_child  # noqa: E402

UPGRADE_NAMESPACE = uuid.UUID("098CFCD3-6EDC-47F6-BED4-7C65D4E2F5FA")
USAGE_HINT = "Run 'trellane-package --help' for usage.\n"


def braced(code: uuid.UUID) -> str:
    return "{%s}" % str(code).upper()


def msiinfo(*arguments: str) -> str:
    """msiinfo's output, run in the package's folder: exporting a table with binary columns
    (Icon) also writes their streams to TABLE/ in the current folder."""
    done = subprocess.run(["msiinfo", *arguments], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, cwd=os.path.dirname(arguments[1]))
    if done.returncode != 0:
        raise AssertionError("msiinfo %s: %s" % (" ".join(arguments), done.stderr.decode()))
    return done.stdout.decode("utf-8")


def table(msi: str, name: str) -> List[List[str]]:
    return [line.split("\t") for line in msiinfo("export", msi, name).splitlines()[3:]]


def summary(msi: str) -> Dict[str, str]:
    return dict(line.split(": ", 1) for line in msiinfo("suminfo", msi).splitlines())


class MsiTest(PackageTestCase):

    def setUp(self):
        super().setUp()
        self.sample_input()
        windows_runtime(self.path("runtime"))
        # The command's own temporary folder goes here, where listing() sees what is left.
        os.makedirs(self.path("tmp"))
        self.env = {"TMPDIR": self.path("tmp")}

    def msi(self, *options: str, version: str = "1.0", name: str = "Hello App") -> str:
        done = self.package("--type", "msi", "--runtime-image", "runtime", "--input", "input",
                            "--main-jar", "app.jar", "--name", name, "--vendor", "Zoë Tools",
                            "--app-version", version, "--dest", "out", "--quiet", *options,
                            env=self.env)
        self.assertBuilt(done)
        self.assertEqual(done.stderr, b"")
        return self.path("out", "%s-%s.msi" % (name, version))

    def test_the_package_as_msiinfo_reads_it(self):
        write(self.path("doc.properties"), "extension=hellodoc\nmime-type=text/x-hello\n")
        msi = self.msi("--description", "Says hello", "--about-url", "https://example.com/a",
                       "--win-help-url", "https://example.com/h", "--win-menu", "--win-shortcut",
                       "--file-associations", "doc.properties", "--temp", "work",
                       version="2.5.1")
        info = summary(msi)
        self.assertEqual((info["Template"], info["Subject"], info["Author"], info["Comments"]),
                         ("x64;1033", "Hello App 2.5.1", "Zoë Tools", "Says hello"))
        upgrade = uuid.uuid5(UPGRADE_NAMESPACE, "Zoë Tools\nHello App")
        properties = {row[0]: row[1] for row in table(msi, "Property")}
        self.assertEqual({k: properties.get(k) for k in (
            "ProductName", "ProductVersion", "Manufacturer", "UpgradeCode", "ProductCode",
            "ARPPRODUCTICON", "ARPCOMMENTS", "ARPURLINFOABOUT", "ARPHELPLINK", "ALLUSERS")}, {
            "ProductName": "Hello App", "ProductVersion": "2.5.1", "Manufacturer": "Zoë Tools",
            "UpgradeCode": braced(upgrade),
            "ProductCode": braced(uuid.uuid5(upgrade, "product 2.5.1")),
            "ARPPRODUCTICON": "ProductIcon.ico", "ARPCOMMENTS": "Says hello",
            "ARPURLINFOABOUT": "https://example.com/a", "ARPHELPLINK": "https://example.com/h",
            "ALLUSERS": "1"})
        # The product icon: the launcher's icons, as icoutils reads the .ico.
        self.assertEqual([row[0] for row in table(msi, "Icon")], ["ProductIcon.ico"])
        icon = self.path("product.ico")
        with open(icon, "wb") as f:
            f.write(subprocess.run(["msiinfo", "extract", msi, "Icon.ProductIcon.ico"],
                                   check=True, stdout=subprocess.PIPE).stdout)
        listed = subprocess.run(["icotool", "-l", icon], check=True, stdout=subprocess.PIPE)
        self.assertEqual(re.findall(r"--width=(\d+)", listed.stdout.decode()),
                         ["16", "32", "64", "128", "256"])

        # Every file of the image, its marker aside, each the key of a 64-bit component whose
        # code comes from the installed path.
        image = self.path("work", "Hello App")
        files = [f for f in listing(image) if not f.endswith("/") and f != ".trellane-package"]
        components = {row[0]: row for row in table(msi, "Component")}
        directories = {row[0]: row for row in table(msi, "Directory")}

        def installed_path(directory: str) -> str:
            parent, default = directories[directory][1:3]
            return "" if directory == "INSTALLDIR" else installed_path(parent) + default + "/"

        installed = {}
        for file_id, component, name, *_ in table(msi, "File"):
            path = installed_path(components[component][2]) + name
            installed[path] = file_id
            self.assertEqual(components[component][1], braced(
                uuid.uuid5(upgrade, "machine|Hello App\\" + path)), path)
            self.assertEqual(components[component][5], file_id)
        self.assertEqual(sorted(installed), files)
        self.assertEqual({int(row[3]) & 256 for row in components.values()}, {256})

        # Each folder it makes is removed on uninstall; Windows' own folders are left.
        removed = {row[3] for row in table(msi, "RemoveFile") if row[4] == "2"}
        made = set(directories) - {"TARGETDIR", "ProgramFiles64Folder", "ProgramMenuFolder",
                                   "DesktopFolder"}
        self.assertEqual(removed, made)
        shortcuts = sorted((row[1], row[2], row[4]) for row in table(msi, "Shortcut"))
        self.assertEqual(shortcuts, [("DesktopFolder", "Hello App", "[#launcher]"),
                                     ("MenuGroup", "Hello App", "[#launcher]")])
        registry = {(row[2], row[3]): row[4] for row in table(msi, "Registry")}
        self.assertEqual(registry[("Software\\Classes\\HelloApp.hellodoc\\shell\\open\\command",
                                   "")], '"[#launcher]" "%1"')
        # Of the extension's key only the application's entry in OpenWithProgids: its default
        # value and media type, and the media type's key, are whoever's registered them.
        self.assertEqual(sorted(k for k in registry if not k[0].startswith(
            "Software\\Classes\\HelloApp.")),
            [("Software\\Classes\\.hellodoc\\OpenWithProgids", "HelloApp.hellodoc")])

        # The WiX source kept with --temp is XML as written.
        root = ElementTree.parse(self.path("work", "Hello App.wxs")).getroot()
        self.assertEqual(root.tag, "{http://schemas.microsoft.com/wix/2006/wi}Wix")

    def test_codes_stay_or_change_as_upgrades_need(self):
        def codes(msi: str) -> Dict[str, str]:
            properties = {row[0]: row[1] for row in table(msi, "Property")}
            components = {row[5]: row[1] for row in table(msi, "Component") if row[5]}
            files = {row[0]: row[2] for row in table(msi, "File")}
            return {"upgrade": properties["UpgradeCode"], "product": properties["ProductCode"],
                    "package": summary(msi)["Revision number (UUID)"],
                    "components": {files.get(k, k): v for k, v in components.items()}}

        first = codes(self.msi())
        again = codes(self.msi("--overwrite"))
        # Per user, the same version is a product of its own.
        same_per_user = codes(self.msi("--win-per-user-install", "--overwrite"))
        newer = codes(self.msi(version="1.1"))
        per_user_msi = self.msi("--win-per-user-install", version="1.2")
        per_user = codes(per_user_msi)
        # Word count: compressed (2), and for one user no elevation asked (8).
        self.assertEqual(summary(per_user_msi)["Source"], "10 (a)")
        given = codes(self.msi("--win-upgrade-uuid", "0e4f6e2a-1c2b-4d5e-8f90-123456789abc",
                               version="1.3"))
        self.assertEqual({first["upgrade"], again["upgrade"], newer["upgrade"]},
                         {first["upgrade"]})
        self.assertEqual(given["upgrade"], "{0E4F6E2A-1C2B-4D5E-8F90-123456789ABC}")
        self.assertEqual(first["product"], again["product"])
        self.assertEqual(same_per_user["upgrade"], first["upgrade"])
        self.assertNotEqual(same_per_user["product"], first["product"])
        self.assertNotEqual(first["product"], newer["product"])
        self.assertEqual(len({first["package"], again["package"], newer["package"]}), 3)
        self.assertEqual(first["components"], newer["components"])
        self.assertEqual(set(first["components"].values()) &
                         set(per_user["components"].values()), set())

    def test_signed_as_the_launcher_and_verified_by_both_osslsigncodes(self):
        keys = self.path("keys")
        os.makedirs(keys)
        signing_keys.make_certificates(keys)
        for tool in signing_keys.osslsigncodes():
            with self.subTest(tool.label):
                if tool.env is None:
                    self.skipTest("%s is not here: %s" % (tool.label, tool.absent_because))
                done = self.package(
                    "--type", "msi", "--runtime-image", "runtime", "--input", "input",
                    "--main-jar", "app.jar", "--name", "Signed", "--dest", "out", "--quiet",
                    "--overwrite", "--sign-pkcs12", os.path.join(keys, "leaf.p12"),
                    "--sign-password-env", "SIGNING_PASSWORD",
                    env=dict(tool.env, SIGNING_PASSWORD=signing_keys.PASSWORD, **self.env))
                self.assertBuilt(done)
                msi = self.path("out", "Signed-1.0.msi")
                verified = subprocess.run(
                    ["osslsigncode", "verify", "-CAfile", os.path.join(keys, "ca.pem"), "-in",
                     msi], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=tool.env)
                self.assertEqual(verified.returncode, 0, verified.stdout.decode())
                self.assertIn("O=Trellane Tests", verified.stdout.decode())
                self.assertEqual(summary(msi)["Subject"], "Signed 1.0.0")
                self.assertEqual(sorted(os.listdir(self.path("tmp"))), [])

    def test_an_interrupted_signing_leaves_no_folder_made_for_dest(self):
        keys = self.path("keys")
        os.makedirs(keys)
        signing_keys.make_certificates(keys)
        server = SilentTimestampServer()
        self.addCleanup(server.close)
        before = listing(self.work)
        for sent in (signal.SIGINT, signal.SIGTERM):
            with self.subTest(signal=sent.name):
                process = subprocess.Popen(self.command(
                    "--type", "msi", "--runtime-image", "runtime", "--input", "input",
                    "--main-jar", "app.jar", "--dest", "made/for/out", "--quiet",
                    "--sign-pkcs12", os.path.join(keys, "leaf.p12"), "--sign-password-env",
                    "SIGNING_PASSWORD", "--timestamp-url", server.url), cwd=self.work,
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=dict(
                        os.environ, SIGNING_PASSWORD=signing_keys.PASSWORD, **self.env))
                child = osslsigncode_child(process, time.monotonic() + 120)
                self.assertIsNotNone(child, "osslsigncode never started")
                process.send_signal(sent)
                _, err = process.communicate(timeout=30)
                self.assertEqual(process.returncode, -sent, err.decode())
                self.assertEqual(listing(self.work), before, "nothing written")

    def test_a_full_disk_leaves_no_folder_made_for_dest(self):
        # A disk of its own, in a mount namespace of its own: what is left on it is listed
        # before the namespace (and the disk) goes.
        probe = subprocess.run(["unshare", "-m", "true"], stderr=subprocess.PIPE)
        if probe.returncode != 0:
            self.skipTest("no private mount namespace here: %s" % probe.stderr.decode().strip())
        os.makedirs(self.path("full"))
        script = ('mount -t tmpfs -o size=64k tmpfs full || exit 99; "$@"; status=$?; '
                  'find full -mindepth 1; exit $status')
        done = subprocess.run(["unshare", "-m", "sh", "-c", script, "sh", *self.command(
            "--type", "msi", "--runtime-image", "runtime", "--input", "input", "--main-jar",
            "app.jar", "--dest", "full/made/for/out", "--quiet")], cwd=self.work,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=dict(os.environ, **self.env))
        if done.returncode == 99:
            self.skipTest("cannot mount a tmpfs here: %s" % done.stderr.decode().strip())
        self.assertEqual(done.returncode, 1, done.stderr.decode())
        self.assertIn("the disk is full", done.stderr.decode())
        self.assertEqual(done.stdout.decode(), "", "left on the full disk")

    def test_a_fourth_version_part_is_said_not_to_count(self):
        done = self.package("--type", "msi", "--runtime-image", "runtime", "--input", "input",
                            "--main-jar", "app.jar", "--app-version", "1.2.3.4", "--dest", "out",
                            "--quiet", env=self.env)
        self.assertBuilt(done)
        self.assertIn("trellane-package: warning: --app-version 1.2.3.4: Windows compares only "
                      "the first three parts of an MSI's version", done.stderr.decode())
        self.assertEqual({row[0]: row[1] for row in table(self.path("out", "app-1.2.3.4.msi"),
                                                          "Property")}["ProductVersion"],
                         "1.2.3.4")

    def test_refusals_leave_nothing_behind(self):
        write(self.path("no-extension.properties"), "mime-type=text/plain\n")
        write(self.path("unknown-key.properties"), "extension=txt\nicons=a.ico\n")
        write(self.path("bad-mime.properties"), "extension=txt\nmime-type=text\n")
        write(self.path("dotted.properties"), "extension=.txt\n")
        write(self.path("png-icon.properties"), "extension=txt\nicon=input/app.jar\n")
        write(self.path("escape.properties"), "extension=t\\u00x\n")
        write(self.path("txt.properties"), "extension=TXT\n")
        write(self.path("other-txt.properties"), "extension=txt\n")
        write(self.path("busy", "file"), "someone's")
        # A wixl that warns of an attribute it dropped, as wixl does, and builds anyway.
        wixl = write(self.path("fake-wixl", "wixl"),
                     "#!/bin/sh\necho \"(wixl:1): GLib-GObject-WARNING **: object class "
                     "'WixlWixProgId' has no property named 'Icon'\" >&2\n"
                     "while [ \"$1\" != -o ]; do shift; done; echo msi > \"$2\"\n")
        os.chmod(wixl, 0o755)
        msi = ["--type", "msi", "--runtime-image", "runtime", "--input", "input", "--main-jar",
               "app.jar", "--dest", "out"]
        limits = ("an MSI's version is MAJOR.MINOR.BUILD, MAJOR and MINOR 0 to 255 and BUILD 0 "
                  "to 65535 (a fourth part may follow, but Windows does not compare it); give a "
                  "version within these limits")
        dialog = ("needs an installer dialog, and the MSI built here has none (it installs as "
                  "msiexec /qn does, asking nothing): leave it out; ")
        cases = [
            (msi + ["--app-version", "256.0"], 1, "--app-version 256.0 is over the limits: " + limits),
            (msi + ["--app-version", "1.256.0"], 1, "--app-version 1.256.0 is over the limits: " + limits),
            (msi + ["--app-version", "1.0.65536"], 1, "--app-version 1.0.65536 is over the limits: " + limits),
            (msi + ["--app-version", "1.2.3.4.5"], 1, "--app-version 1.2.3.4.5 has more than four parts: " + limits),
            (msi + ["--win-dir-chooser"], 1, "--win-dir-chooser " + dialog + "the folder is "
             "--install-dir, or chosen when installing with msiexec /i FILE.msi "
             "INSTALLDIR=\"D:\\Apps\\NAME\""),
            (msi + ["--win-shortcut-prompt"], 1, "--win-shortcut-prompt " + dialog +
             "give --win-shortcut or --win-menu, or neither"),
            (msi + ["--license-file", "LICENSE"], 1, "--license-file " + dialog + "put the "
             "license into --input, where it is installed with the application (app/)"),
            (msi + ["--file-associations", "no-extension.properties"], 1,
             "the file association no-extension.properties has no extension: add a line "
             "extension=EXT (without the dot)"),
            (msi + ["--file-associations", "unknown-key.properties"], 1,
             "the file association unknown-key.properties has the key 'icons', which is none "
             "of extension, mime-type, description and icon: correct or remove it"),
            (msi + ["--file-associations", "bad-mime.properties"], 1,
             "the file association bad-mime.properties has the mime-type 'text', which is not "
             "TYPE/SUBTYPE (text/plain): correct it or leave it out"),
            (msi + ["--file-associations", "dotted.properties"], 1,
             "the file association dotted.properties has the extension '.txt': give one "
             "extension without the dot, of letters, digits, '_', '-' and '+' (extension=txt)"),
            (msi + ["--file-associations", "png-icon.properties"], 1,
             "the icon input/app.jar of the file association png-icon.properties is not an "
             ".ico file: give one (Windows shows file types' icons from .ico files)"),
            (msi + ["--file-associations", "escape.properties"], 1,
             "the file association escape.properties is not a properties file: \\u is not "
             "followed by four hexadecimal digits"),
            (msi + ["--file-associations", "missing.properties"], 1,
             "cannot read the file association missing.properties: No such file or directory"),
            (msi + ["--file-associations", "txt.properties", "--file-associations",
                    "other-txt.properties"], 1,
             "the file associations txt.properties and other-txt.properties both give the "
             "extension txt: keep one"),
            (msi + ["--win-upgrade-uuid", "not-a-uuid"], 1,
             "--win-upgrade-uuid not-a-uuid is not a UUID (8-4-4-4-12 hexadecimal digits); "
             "give the one earlier versions were built with, or leave it out"),
            (msi + ["--install-dir", "C:\\Apps\\Hello"], 1,
             "--install-dir C:\\Apps\\Hello: give the folder relative to Program Files (or to "
             "LocalAppData with --win-per-user-install), for example \"Acme\\Editor\"; a user "
             "chooses another place with msiexec /i FILE.msi INSTALLDIR=..."),
            (msi + ["--install-dir", "Acme\\aux"], 1,
             "--install-dir Acme\\aux: the folder name \"aux\" is a Windows device name; "
             "choose another"),
            (msi + ["--temp", "busy"], 1,
             "--temp busy exists and is not an empty folder: give a new or empty one"),
            (msi + ["--target", "linux"], 2, "--type msi installs on Windows: leave --target "
             "out, or give --target windows\n" + USAGE_HINT),
            (msi[2:] + ["--target", "windows", "--win-menu"], 2,
             "--win-menu is an installer option: give --type msi with it, or leave it out\n" +
             USAGE_HINT),
            (msi[2:] + ["--type", "exe"], 2,
             "--type exe: give app-image (the default), msi, deb or rpm\n" + USAGE_HINT),
        ]
        # What an MSI cannot hold, named at packaging time.
        write(self.path("omega.properties"), "extension=om\ndescription=\u03a9 doc\n")
        write(self.path("menu.properties"), "win-menu=true\n")
        outside = ("is outside Windows-1252, the only character set wixl writes an MSI's names "
                   "and texts in")
        for folder, files in (("jp", ["日本/a.txt"]), ("jp-file", ["a日本.txt"]),
                              ("case", ["README.txt", "readme.txt"]),
                              ("case-folder", ["Data/x", "data/x"])):
            for name in files:
                write(self.path("input-" + folder, name), "x")
            os.link(self.path("input", "app.jar"), self.path("input-" + folder, "app.jar"))
        os.makedirs(self.path("input-big"))
        with open(self.path("input-big", "big.bin"), "wb") as f:
            f.truncate(2 ** 31)  # sparse: no disk taken
        os.link(self.path("input", "app.jar"), self.path("input-big", "app.jar"))
        os.makedirs(self.path("input-bigger"))
        for name in ("a.bin", "b.bin"):
            with open(self.path("input-bigger", name), "wb") as f:
                f.truncate(3 << 29)  # 1.5 GiB each, sparse
        os.link(self.path("input", "app.jar"), self.path("input-bigger", "app.jar"))
        os.makedirs(self.path("input-many", "many"))
        for number in range(15000):
            open(self.path("input-many", "many", "%05d" % number), "w").close()
        os.link(self.path("input", "app.jar"), self.path("input-many", "app.jar"))

        def with_input(folder):
            return [folder if a == "input" else a for a in msi]

        cases += [
            (msi + ["--name", "X Ω"], 1, "--name 'X Ω': the character 'Ω' (U+03A9) " + outside +
             "; give a value without it"),
            (msi + ["--vendor", "Acme 😀"], 1, "--vendor 'Acme 😀': the character '😀' "
             "(U+1F600) " + outside + "; give a value without it"),
            (msi + ["--description", "Ω"], 1, "--description 'Ω': the character 'Ω' (U+03A9) " +
             outside + "; give a value without it"),
            (msi + ["--about-url", "https://例え.jp"], 1, "--about-url 'https://例え.jp': the "
             "character '例' (U+4F8B) " + outside + "; give a value without it"),
            (msi + ["--win-menu", "--win-menu-group", "Ωmega"], 1, "the Start-menu group "
             "(--win-menu-group) 'Ωmega': the character 'Ω' (U+03A9) " + outside +
             "; give a value without it"),
            # The group is the vendor's name by default; a folder whenever a launcher, the main
            # one or an added one, has a Start-menu shortcut.
            (msi + ["--vendor", "Acme: Tools", "--win-menu"], 1, "the Start-menu group \"Acme: "
             "Tools\" holds ':', which Windows forbids in names; choose another --win-menu-group"),
            (msi + ["--vendor", "Acme: Tools", "--add-launcher", "Tool=menu.properties"], 1,
             "the Start-menu group \"Acme: Tools\" holds ':', which Windows forbids in names; "
             "choose another --win-menu-group"),
            (msi + ["--add-launcher", "Tool=menu.properties", "--win-menu-group", "Ωmega"], 1,
             "the Start-menu group (--win-menu-group) 'Ωmega': the character 'Ω' (U+03A9) " +
             outside + "; give a value without it"),
            (msi + ["--file-associations", "omega.properties"], 1, "the description in "
             "omega.properties 'Ω doc': the character 'Ω' (U+03A9) " + outside +
             "; give a value without it"),
            (with_input("input-jp"), 1, "input-jp/日本: the character '日' (U+65E5) in its "
             "name " + outside + "; rename it"),
            (with_input("input-jp-file"), 1, "input-jp-file/a日本.txt: the character '日' "
             "(U+65E5) in its name " + outside + "; rename it"),
            (with_input("input-case"), 1, "input-case/README.txt and input-case/readme.txt "
             "differ only in case, and Windows, whose file names ignore case, would install "
             "only one of them: rename one"),
            (with_input("input-case-folder"), 1, "input-case-folder/Data and "
             "input-case-folder/data differ only in case, and Windows, whose file names "
             "ignore case, would install only one of them: rename one"),
            (with_input("input-big"), 1, "input-big/big.bin has 2,147,483,648 bytes: an MSI "
             "holds files of at most 2,147,450,880 bytes (what one cabinet holds; "
             "Windows Installer records sizes as signed 32-bit numbers): leave it out of "
             "--input and have the application fetch it, or ship --type app-image"),
            (with_input("input-bigger"), 1, "the MSI would hold {:,} bytes of files: ".format(
                (3 << 30) + os.path.getsize(self.path("input", "app.jar"))) + "wixl puts them all into one cabinet, which holds at most 2,147,450,880 bytes: "
             "leave the largest out of --input and have the application fetch them, or ship "
             "--type app-image"),
            (with_input("input-many"), 1, "the MSI would hold 15,001 files: an MSI built here "
             "holds at most 15,000 (wixl's time grows with the square of the number of files: "
             "15,000 take half a minute of processor time, 100,000 most of an hour; a cabinet "
             "holds at most 65,535): put the application's "
             "many small files into jars or archives, or ship --type app-image"),
        ]
        before = listing(self.work)
        for arguments, status, message in cases:
            with self.subTest(arguments=arguments):
                done = self.package("--quiet", *arguments, env=self.env)
                expected = "trellane-package: " + message + ("" if status == 2 else "\n")
                self.assertEqual((done.returncode, done.stderr.decode()), (status, expected))
                self.assertEqual(listing(self.work), before, "nothing written")

        # wixl's warnings fail the build, and what was built goes.
        done = self.package("--quiet", *msi, env=dict(
            self.env, PATH=os.path.dirname(wixl) + ":" + os.environ["PATH"]))
        self.assertEqual(done.returncode, 1)
        self.assertIn("trellane-package: wixl did not build the MSI cleanly (exit status 0)",
                      done.stderr.decode())
        self.assertIn("has no property named 'Icon'", done.stderr.decode())
        self.assertEqual(listing(self.work), before, "nothing written")

        # Interrupted while wixl works: wixl stops with it, and what was built goes.
        write(wixl, "#!/bin/sh\ntouch \"$TMPDIR/wixl-started\"\nexec sleep 60\n")
        process = subprocess.Popen(self.command("--quiet", *msi), cwd=self.work,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=dict(
                                       os.environ, PATH=os.path.dirname(wixl) + ":" +
                                       os.environ["PATH"], **self.env))
        deadline = time.monotonic() + 60
        while not os.path.exists(self.path("tmp", "wixl-started")) and \
                time.monotonic() < deadline:
            time.sleep(0.05)
        process.send_signal(signal.SIGINT)
        _, err = process.communicate(timeout=30)
        self.assertEqual(process.returncode, -signal.SIGINT, err.decode())
        os.remove(self.path("tmp", "wixl-started"))
        self.assertEqual(listing(self.work), before, "nothing written")

        # Another build puts its package at the destination while this one builds: it stays,
        # and this one says so.
        write(wixl, "#!/bin/sh\nwhile [ \"$1\" != -o ]; do shift; done; echo msi > \"$2\"\n"
              "mkdir -p out; echo \"the other build's\" > out/app-1.0.msi\n")
        done = self.package("--quiet", *msi, env=dict(
            self.env, PATH=os.path.dirname(wixl) + ":" + os.environ["PATH"]))
        self.assertEqual((done.returncode, done.stderr.decode()), (1, (
            "trellane-package: out/app-1.0.msi appeared while the MSI was built; it is left as "
            "it is: give --overwrite to replace it, or choose another --dest or "
            "--app-version\n")))
        self.assertEqual(listing(self.work), sorted(before + ["out/", "out/app-1.0.msi"]))
        with open(self.path("out", "app-1.0.msi")) as f:
            self.assertEqual(f.read(), "the other build's\n")

        # An existing package is replaced only with --overwrite.
        write(self.path("out", "app-1.0.msi"), "an older build")
        before = listing(self.work)
        done = self.package("--quiet", *msi, env=self.env)
        self.assertEqual((done.returncode, done.stderr.decode()), (1, (
            "trellane-package: out/app-1.0.msi exists: give --overwrite to replace it, or "
            "choose another --dest or --app-version\n")))
        self.assertEqual(listing(self.work), before, "nothing written")


if __name__ == "__main__":
    unittest.main()
