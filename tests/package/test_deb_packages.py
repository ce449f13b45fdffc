"""Debian packages (--type deb) read by Debian's own tools: lintian, desktop-file-validate, and
dpkg installing and purging them in a throwaway root (its own package database, never the
machine's), where the installed launcher starts the application on the real JVM. """

import os
import shlex
import shutil
import struct
import subprocess
import sys
import time
import unittest
import zlib
from typing import Dict, List

from package_fixture import APP_JAR, DOCUMENTS_JAR, PackageTestCase, listing, write

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import private_mounts  # noqa: E402  (found through the path above)

GREETING = "Guten Tag aus dem app-Ordner"
OUTPUT = ("arguments: one two words\n"
          "data: " + GREETING + "\n"
          "date: Freitag, 1. M\u00e4rz 2024\n")
MAIL = "packages@example.com"
DPKG_ADMIN = "var/lib/dpkg"
# dpkg-deb's own settings: the table's packages are compressed fast; the first row keeps the
# default (xz), as users build them.
FAST = {"DPKG_DEB_COMPRESSOR_TYPE": "gzip", "DPKG_DEB_COMPRESSOR_LEVEL": "1"}
# Under the sanitizers (make test-sanitize, whose test preset sets this) the first row is fast
# too: dpkg-deb's xz, a minute of the run, runs none of our code, and make test checks it.
SANITIZED_TOOLS = bool(os.environ.get("TRELLANE_SANITIZED_TOOLS"))
# lintian's warnings a package of an application with its own runtime keeps: its changelog's
# one entry is no upload to Debian closing a bug.
EXPECTED_WARNINGS = {"initial-upload-closes-no-bugs"}


def png(side: int) -> bytes:
    """An opaque RGBA square of the given side."""
    def chunk(kind: bytes, data: bytes) -> bytes:
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xffffffff))
    rows = b"".join(b"\0" + b"\x20\x80\xc0\xff" * side for _ in range(side))
    header = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


def run(command: List[str], env: Dict[str, str] = None) -> subprocess.CompletedProcess:
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300,
                          env=dict(os.environ, **(env or {})))


def field(deb: str, name: str) -> str:
    return run(["dpkg-deb", "--field", deb, name]).stdout.decode().strip()


class ThrowawayRoot:
    """A folder dpkg installs into with --root: its own database, holding only the machine's
    entries for the packages the package depends on, so dpkg checks its dependencies against
    what this machine really has."""

    def __init__(self, root: str, deb: str):
        self.root = root
        admin = os.path.join(root, DPKG_ADMIN)
        for folder in ("info", "updates"):
            os.makedirs(os.path.join(admin, folder))
        stanzas = []
        for group in field(deb, "Depends").split(","):
            for alternative in group.split("|"):
                name = alternative.split("(")[0].strip()
                shown = run(["dpkg-query", "--status", name])
                if shown.returncode == 0:
                    stanzas.append(shown.stdout.decode().strip() + "\n")
                    arch = run(["dpkg-query", "-W", "-f=${Architecture}", name]).stdout.decode()
                    for listed in (name, name + ":" + arch):
                        write(os.path.join(admin, "info", listed + ".list"), "")
                    break
        write(os.path.join(admin, "status"), "\n".join(stanzas))

    def dpkg(self, *arguments: str) -> subprocess.CompletedProcess:
        return run(["dpkg", "--root=" + self.root, *arguments])

    def files(self) -> List[str]:
        """What is in the root besides dpkg's database."""
        return [f for f in listing(self.root)
                if not DPKG_ADMIN.startswith(f.rstrip("/")) and not f.startswith(DPKG_ADMIN)]


class LinuxPackageCase(PackageTestCase):
    """The application every Linux package test packages (a data file in app/, a German date
    that needs jdk.localedata), its icon, file type and license, and the checks of what a
    package installed into a throwaway root."""

    def setUp(self):
        super().setUp()
        shutil.copyfile(APP_JAR, write(self.path("input", "app.jar"), ""))
        write(self.path("input", "data", "greeting.txt"), GREETING + "\n")
        write(self.path("app.png"), png(64))
        write(self.path("doc.png"), png(40))
        write(self.path("hello-files.properties"),
              "# the application's own documents\nextension=hello hlo\n"
              "mime-type=application/x-hello\ndescription=Hello document\nicon=doc.png\n")
        write(self.path("LICENSE"), "Hello may be used by anyone, for anything.\n")

    def assertMimeTypeRegistered(self, root) -> None:
        """What the system's trigger makes of the package's MIME types (on a copy: the cache
        belongs to the system, not to the package): both extensions name the type."""
        mime = self.path("mime-cache")
        shutil.rmtree(mime, True)
        shutil.copytree(os.path.join(root.root, "usr/share/mime"), mime)
        done = run(["update-mime-database", "-V", mime])
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        self.assertNotIn("Error", done.stderr.decode() + done.stdout.decode())
        with open(os.path.join(mime, "globs2")) as f:
            globs = f.read().splitlines()
        self.assertIn("50:application/x-hello:*.hello", globs)
        self.assertIn("50:application/x-hello:*.hlo", globs)

    def assertInstalledRuns(self, root, image: str = "opt/hello") -> None:
        """The launcher in the root, and at /opt/hello itself, seen through a private mount
        namespace where the root's /opt is the system's: the application on the real JVM."""
        ran = run([os.path.join(root.root, image, "bin/hello"), "one", "two words"])
        self.assertEqual((ran.returncode, ran.stdout.decode(), ran.stderr.decode()),
                         (0, OUTPUT, ""))
        if image != "opt/hello":
            return
        with self.subTest("at /opt/hello"):
            if not os.path.isdir("/opt"):
                self.skipTest("this machine has no /opt to mount the root's over")
            ran = private_mounts.run(
                self, 'mount --bind "$1" /opt && mounted || exit; '
                      'exec /opt/hello/bin/hello one "two words"', [os.path.join(root.root, "opt")])
            self.assertEqual((ran.returncode, ran.stdout.decode(), ran.stderr.decode()),
                             (0, OUTPUT, ""))


@unittest.skipUnless(os.geteuid() == 0, "dpkg installs into a throwaway root as root only")
class DebPackageTest(LinuxPackageCase):

    def build(self, *arguments: str, env: Dict[str, str] = None) -> str:
        """Packages the test application; the package's path."""
        done = self.package("--input", "input", "--main-jar", "app.jar", "--console-app",
                            "--java-options", "-Dapp.data=&&data/greeting.txt", "--type", "deb",
                            "--dest", "out", "--linux-deb-maintainer", MAIL, *arguments,
                            env=env)
        self.assertBuilt(done)
        made = os.listdir(self.path("out"))
        self.assertEqual(len(made), 1, made)
        return self.path("out", made[0])

    def test_options_to_what_is_installed(self):
        full = ["--name", "hello", "--linux-shortcut", "--icon", "app.png",
                "--file-associations", "hello-files.properties", "--license-file", "LICENSE",
                "--about-url", "https://example.com/hello", "--linux-menu-group", "Development",
                "--linux-package-deps", "desktop-file-utils", "--vendor", "Example Corp"]
        cases = [
            # (arguments, fast, package file, control fields, files installed, desktop entry)
            (full, False, "hello_1.0-1_amd64.deb",
             {"Package": "hello", "Version": "1.0-1", "Section": "misc", "Priority": "optional",
              "Maintainer": "Example Corp <%s>" % MAIL, "Homepage": "https://example.com/hello",
              "Description": "Java application hello\n hello with its own Java runtime, "
                             "installed in /opt/hello."},
             ["opt/hello/bin/hello", "opt/hello/lib/hello.png", "opt/hello/app/app.jar",
              "opt/hello/lib/server/libjvm.so", "usr/share/applications/hello.desktop",
              "usr/share/mime/packages/hello.xml",
              "usr/share/icons/hicolor/32x32/mimetypes/application-x-hello.png",
              "usr/share/doc/hello/copyright", "usr/share/doc/hello/changelog.Debian.gz",
              "usr/share/lintian/overrides/hello"],
             ["[Desktop Entry]", "Type=Application", "Name=hello",
              "Comment=Java application hello", "Exec=/opt/hello/bin/hello %F",
              "Icon=/opt/hello/lib/hello.png", "Terminal=false", "Categories=Development;",
              "MimeType=application/x-hello;"]),
            (["--name", "Hello World", "--linux-package-name", "hello-world", "--app-version",
              "2.5", "--linux-app-release", "3", "--linux-app-category", "java",
              "--description", "Greets the world", "--install-dir", "/opt/example/",
              "--linux-shortcut"], True, "hello-world_2.5-3_amd64.deb",
             {"Package": "hello-world", "Version": "2.5-3", "Section": "java",
              "Maintainer": "Hello World <%s>" % MAIL,
              "Description": "Greets the world\n Hello World with its own Java runtime, "
                             "installed in /opt/example/hello-world."},
             ["opt/example/hello-world/bin/Hello World", "usr/share/doc/hello-world/copyright",
              "usr/share/applications/hello-world.desktop"],
             ["[Desktop Entry]", "Type=Application", "Name=Hello World",
              "Comment=Greets the world", 'Exec="/opt/example/hello-world/bin/Hello World"',
              "Terminal=false", "Categories=Utility;"]),
            # Without a shortcut the entry only offers the application for its files.
            (["--name", "hello", "--file-associations", "hello-files.properties"], True,
             "hello_1.0-1_amd64.deb", {"Package": "hello"},
             ["opt/hello/bin/hello", "usr/share/mime/packages/hello.xml",
              "usr/share/applications/hello.desktop"],
             ["[Desktop Entry]", "Type=Application", "Name=hello",
              "Comment=Java application hello", "Exec=/opt/hello/bin/hello %F",
              "Terminal=false", "Categories=Utility;", "MimeType=application/x-hello;",
              "NoDisplay=true"]),
            (["--name", "hello"], True, "hello_1.0-1_amd64.deb",
             {"Package": "hello", "Maintainer": "hello <%s>" % MAIL}, ["opt/hello/bin/hello"],
             None),
        ]
        packages = []
        for row, (arguments, fast, name, fields, installed, entry) in enumerate(cases):
            with self.subTest(arguments=arguments):
                shutil.rmtree(self.path("out"), True)
                # The first row links its runtime afresh, as a first build on a machine does
                # (jlink links each module's shared legal notices to java.base's); the others
                # take it from the cache, which holds plain files.
                env = dict(FAST) if fast else {"XDG_CACHE_HOME": self.path("fresh-cache")}
                if SANITIZED_TOOLS:
                    env.update(FAST)
                deb = self.build(*arguments, env=env)
                self.assertEqual(os.path.basename(deb), name)
                kept = self.path("packages", str(row), name)
                os.makedirs(os.path.dirname(kept), exist_ok=True)
                os.replace(deb, kept)
                packages.append(kept)
                for key, value in fields.items():
                    self.assertEqual(field(kept, key), value, key)
                depends = field(kept, "Depends")
                for library in ("libc6 (>=", "zlib1g", "libstdc++6"):
                    self.assertIn(library, depends, "from the runtime's libraries")
                self.assertEqual(run(["dpkg-deb", "--contents", kept]).stdout.decode().count(
                    " root/root "), len(run(["dpkg-deb", "--contents", kept]).stdout.splitlines()),
                    "every file is root's")

                root = ThrowawayRoot(self.path("root-%d" % row), kept)
                done = root.dpkg("--install", kept)
                self.assertEqual(done.returncode, 0, done.stderr.decode())
                files = root.files()
                for path in installed:
                    self.assertIn(path, files)
                desktop = [f for f in files if f.startswith("usr/share/applications/") and
                           f.endswith(".desktop")]
                if entry is None:
                    self.assertEqual(desktop, [])
                else:
                    entry_file = os.path.join(root.root, desktop[0])
                    with open(entry_file) as f:
                        self.assertEqual(f.read().splitlines(), entry)
                    checked = run(["desktop-file-validate", entry_file])
                    self.assertEqual((checked.returncode, checked.stdout + checked.stderr),
                                     (0, b""))
                if "usr/share/mime/packages/hello.xml" in installed:
                    self.assertMimeTypeRegistered(root)
                if arguments is full:
                    legal = os.path.join(root.root, "opt/hello/legal")
                    self.assertTrue(os.path.islink(os.path.join(legal, "jdk.localedata/LICENSE")))
                    self.assertEqual(os.stat(os.path.join(legal, "java.base/LICENSE")).st_mode
                                     & 0o777, 0o644, "a notice is no program")
                    self.assertInstalledRuns(root)
                    with open(os.path.join(root.root, "usr/share/doc/hello/copyright")) as f:
                        self.assertEqual(f.read(), "hello, packaged as hello.\n\nCopyright (C) %s "
                                         "Example Corp\n\nHello may be used by anyone, for "
                                         "anything.\n" % time.gmtime().tm_year)

                for step in ("--remove", "--purge"):
                    done = root.dpkg(step, fields["Package"])
                    self.assertEqual(done.returncode, 0, done.stderr.decode())
                    self.assertEqual(root.files(), [], "nothing of it remains after " + step)
                self.assertNotIn(fields["Package"],
                                 root.dpkg("--get-selections").stdout.decode())

        # lintian once over all of them: no error, and only the warnings expected.
        checked = run(["lintian", "--no-tag-display-limit", *packages])
        tags = [line.split()[:3] for line in checked.stdout.decode().splitlines()]
        self.assertEqual([t for t in tags if t[0] not in ("W:", "N:", "I:", "P:")], [],
                         checked.stdout.decode())
        self.assertEqual({t[2] for t in tags if t[0] == "W:"}, EXPECTED_WARNINGS,
                         checked.stdout.decode())

    def test_single_instance_opens_a_document_through_the_association(self):
        """A document opened as the desktop does it, by the entry's Exec line, reaches the
        application already running, and the later launch ends at once with 0."""
        shutil.copyfile(DOCUMENTS_JAR, write(self.path("documents", "documents-app.jar"), ""))
        self.assertBuilt(self.package(
            "--input", "documents", "--main-jar", "documents-app.jar", "--main-class",
            "com.example.documents.Documents", "--name", "hello", "--file-associations",
            "hello-files.properties", "--single-instance", "--type", "deb", "--dest", "out",
            "--linux-deb-maintainer", MAIL, env=FAST))
        deb = self.path("out", "hello_1.0-1_amd64.deb")
        root = ThrowawayRoot(self.path("root"), deb)
        done = root.dpkg("--install", deb)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        with open(os.path.join(root.root, "usr/share/applications/hello.desktop")) as f:
            exec_line = [line for line in f.read().splitlines() if line.startswith("Exec=")]
        # The desktop's expansion: %F becomes the documents; the program is the root's copy.
        command = shlex.split(exec_line[0][len("Exec="):])
        self.assertEqual(command[1:], ["%F"])
        folder = os.path.realpath(write(self.path("home", "a file.hello"), ""))
        write(self.path("home", "Zo\u00eb.hlo"), "")
        documents = ["a file.hello", "Zo\u00eb.hlo"]
        program = root.root + command[0]

        first = subprocess.Popen([program, "first.hello"], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, cwd=self.path())
        try:
            self.assertEqual(first.stdout.readline().decode(), "started [first.hello]\n")
            self.assertEqual(first.stdout.readline().decode(), "registered\n")
            later = subprocess.run([program, *documents], stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, cwd=os.path.dirname(folder),
                                   timeout=60)
            self.assertEqual((later.returncode, later.stdout, later.stderr), (0, b"", b""))
            out, err = first.communicate(timeout=60)
        finally:
            first.kill()
            first.wait()
        self.assertEqual((first.returncode, out.decode(), err.decode()),
                         (0, "opened %s [%s]\n" % (os.path.dirname(folder), ", ".join(documents)),
                          ""))
        done = root.dpkg("--purge", "hello")
        self.assertEqual(done.returncode, 0, done.stderr.decode())


if __name__ == "__main__":
    unittest.main()
