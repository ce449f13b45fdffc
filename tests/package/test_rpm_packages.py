"""RPM packages (--type rpm) read by rpm's own queries and rpmlint, and installed, verified,
relocated and erased by rpm in throwaway roots (each its own database, never the machine's),
where the installed launcher starts the application on the real JVM."""

import os
import re
import shutil
import subprocess
import unittest
from typing import Dict, List

from package_fixture import listing, write
from test_deb_packages import LinuxPackageCase, run

# rpmlint's findings that every package of an application with its own runtime in /opt gets,
# filtered by the file the docs explain (docs/rpmlint-opt.toml); any other error fails.
RPMLINT_FILTERS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs",
                               "rpmlint-opt.toml")
# Where the throwaway roots keep their database, as RPM systems do.
DBPATH = "var/lib/rpm"
# The libraries the runtime links from the system, as rpmbuild's finder names them.
SYSTEM_LIBRARIES = ["libc.so.6(GLIBC_2.", "libz.so.1()(64bit)", "libstdc++.so.6(GLIBCXX_"]
# Debian's XSLT processor and the jars its own start script puts on the class path.
XALAN_JARS = ["/usr/share/java/%s.jar" % name
              for name in ("xalan2", "serializer", "xercesImpl", "xml-apis")]


def query(rpm: str, *arguments: str) -> str:
    done = run(["rpm", "-qp", *arguments, rpm])
    if done.returncode != 0:
        raise AssertionError("rpm -qp %s: %s" % (" ".join(arguments), done.stderr.decode()))
    return done.stdout.decode()


def information(rpm: str) -> Dict[str, str]:
    """rpm -qpi's fields ("Name        : hello"), the description's lines as one value."""
    fields, key = {}, None
    for line in query(rpm, "-i").splitlines():
        match = re.match(r"^([A-Z][A-Za-z ]*?)\s*:(?: (.*))?$", line)
        if key == "Description":
            fields[key] += line + "\n"
        elif match:
            key = match.group(1)
            fields[key] = (match.group(2) or "").strip() if key != "Description" else ""
    return fields


class RpmRoot:
    """A folder rpm installs into with --root: its own database, which knows no other
    package, so dependencies go unchecked (--nodeps); they are read from the package."""

    def __init__(self, root: str):
        self.root = root
        os.makedirs(root)

    def rpm(self, *arguments: str) -> subprocess.CompletedProcess:
        return run(["rpm", "--root", self.root, "--dbpath", "/" + DBPATH, *arguments])

    def files(self) -> List[str]:
        """What is in the root besides rpm's database."""
        return [f for f in listing(self.root)
                if not DBPATH.startswith(f.rstrip("/")) and not f.startswith(DBPATH)]


def errors(done: subprocess.CompletedProcess) -> str:
    """rpm's standard error without the notice Debian's rpm prints on every install."""
    return "".join(line + "\n" for line in done.stderr.decode().splitlines()
                   if not line.startswith("rpm: "))


@unittest.skipUnless(os.geteuid() == 0, "rpm installs into a throwaway root as root only")
class RpmPackageTest(LinuxPackageCase):

    def build(self, *arguments: str, env: Dict[str, str] = None) -> str:
        """Packages the test application; the package's path."""
        done = self.package("--input", "input", "--main-jar", "app.jar", "--console-app",
                            "--java-options", "-Dapp.data=&&data/greeting.txt", "--type", "rpm",
                            "--dest", "out", *arguments, env=env)
        self.assertBuilt(done)
        made = os.listdir(self.path("out"))
        self.assertEqual(len(made), 1, made)
        return self.path("out", made[0])

    def install(self, name: str, rpm: str, *options: str) -> RpmRoot:
        root = RpmRoot(self.path(name))
        done = root.rpm("--nodeps", "-i", *options, rpm)
        self.assertEqual((done.returncode, errors(done)), (0, ""))
        return root

    def assertVerifiedAndErased(self, root: RpmRoot, package: str, left: List[str]) -> None:
        """rpm -V finds every file as packaged; rpm -e takes all of them, leaving only the
        folders on their way that the package never owned: left, and the system's under
        usr/share (which its filesystem package owns on an RPM system)."""
        done = root.rpm("-V", "--nodeps", package)
        self.assertEqual((done.returncode, done.stdout.decode(), errors(done)), (0, "", ""))
        done = root.rpm("-e", package)
        self.assertEqual((done.returncode, errors(done)), (0, ""))
        system = ["usr/", "usr/share/", "usr/share/applications/", "usr/share/icons/",
                  "usr/share/icons/hicolor/", "usr/share/icons/hicolor/32x32/",
                  "usr/share/icons/hicolor/32x32/mimetypes/", "usr/share/licenses/",
                  "usr/share/mime/", "usr/share/mime/packages/"]
        self.assertEqual([f for f in root.files() if f not in system], left,
                         "nothing of it remains")

    def assertEntry(self, path: str, expected: List[str]) -> None:
        with open(path) as f:
            self.assertEqual(f.read().splitlines(), expected)
        checked = run(["desktop-file-validate", path])
        self.assertEqual((checked.returncode, checked.stdout + checked.stderr), (0, b""))

    def test_options_to_what_is_installed(self):
        full = ["--name", "hello", "--linux-shortcut", "--icon", "app.png",
                "--file-associations", "hello-files.properties", "--license-file", "LICENSE",
                "--about-url", "https://example.com/hello", "--linux-menu-group", "Development",
                "--linux-package-deps", "desktop-file-utils, xdg-utils >= 1.1",
                "--vendor", "Example Corp", "--copyright", "Copyright 2024 Example Corp",
                "--linux-rpm-license-type", "MIT", "--linux-app-category", "Applications/Text"]
        entry = ["[Desktop Entry]", "Type=Application", "Name=hello",
                 "Comment=Java application hello", "Exec=/opt/hello/bin/hello %F",
                 "Icon=/opt/hello/lib/hello.png", "Terminal=false", "Categories=Development;",
                 "MimeType=application/x-hello;"]
        cases = [
            # (arguments, fresh runtime, package file, rpm -qpi fields, own files and folders
            #  besides the image's, requirements besides the libraries', desktop entry)
            (full, True, "hello-1.0-1.x86_64.rpm",
             {"Name": "hello", "Version": "1.0", "Release": "1", "Architecture": "x86_64",
              "Group": "Applications/Text", "License": "MIT", "Vendor": "Example Corp",
              "Packager": "Example Corp", "URL": "https://example.com/hello",
              "Relocations": "/opt", "Summary": "Java application hello",
              "Description": "hello with its own Java runtime, installed in /opt/hello.\n\n"
                             "Copyright 2024 Example Corp\n"},
             ["/usr/share/applications/hello.desktop", "/usr/share/mime/packages/hello.xml",
              "/usr/share/icons/hicolor/32x32/mimetypes/application-x-hello.png",
              "/usr/share/licenses/hello", "/usr/share/licenses/hello/LICENSE"],
             ["desktop-file-utils", "xdg-utils >= 1.1"], entry),
            (["--name", "Hello World", "--linux-package-name", "hello-world", "--app-version",
              "2.5", "--linux-app-release", "3", "--description", "Greets the world",
              "--install-dir", "/opt/example/", "--linux-shortcut"], False,
             "hello-world-2.5-3.x86_64.rpm",
             {"Name": "hello-world", "Version": "2.5", "Release": "3", "Group": "Unspecified",
              "License": "Unknown", "Packager": "Hello World", "Relocations": "/opt/example",
              "Summary": "Greets the world",
              "Description": "Hello World with its own Java runtime, installed in "
                             "/opt/example/hello-world.\n"},
             ["/opt/example", "/usr/share/applications/hello-world.desktop"], [],
             ["[Desktop Entry]", "Type=Application", "Name=Hello World",
              "Comment=Greets the world", 'Exec="/opt/example/hello-world/bin/Hello World"',
              "Terminal=false", "Categories=Utility;"]),
            # Without a shortcut the entry only offers the application for its files.
            (["--name", "hello", "--file-associations", "hello-files.properties"], False,
             "hello-1.0-1.x86_64.rpm", {"Name": "hello"},
             ["/usr/share/applications/hello.desktop", "/usr/share/mime/packages/hello.xml",
              "/usr/share/icons/hicolor/32x32/mimetypes/application-x-hello.png"], [],
             ["[Desktop Entry]", "Type=Application", "Name=hello",
              "Comment=Java application hello", "Exec=/opt/hello/bin/hello %F",
              "Terminal=false", "Categories=Utility;", "MimeType=application/x-hello;",
              "NoDisplay=true"]),
            (["--name", "hello"], False, "hello-1.0-1.x86_64.rpm",
             {"Name": "hello", "Packager": "hello", "Relocations": "/opt"}, [], [], None),
        ]
        packages = []
        for row, (arguments, fresh, name, fields, own, extra, entry) in enumerate(cases):
            with self.subTest(arguments=arguments):
                shutil.rmtree(self.path("out"), True)
                # The first row links its runtime afresh, as a first build on a machine does
                # (jlink links each module's shared legal notices to java.base's); the others
                # take it from the cache.
                env = {"XDG_CACHE_HOME": self.path("fresh-cache")} if fresh else None
                rpm = self.build(*arguments, env=env)
                self.assertEqual(os.path.basename(rpm), name)
                kept = self.path("packages", str(row), name)
                os.makedirs(os.path.dirname(kept), exist_ok=True)
                os.replace(rpm, kept)
                packages.append(kept)
                self.assertEqual(run(["rpm", "-K", kept]).stdout.decode(),
                                 kept + ": digests OK\n")
                shown = information(kept)
                for key, value in fields.items():
                    self.assertEqual(shown.get(key), value, key)
                image = fields.get("Relocations", "/opt") + "/" + fields["Name"]

                # Its own files and folders only: the image, and the paths named.
                listed = query(kept, "-l").splitlines()
                self.assertEqual([p for p in listed if p != image and
                                  not p.startswith(image + "/")], sorted(own))
                self.assertIn(image + "/lib/server/libjvm.so", listed)
                long_listing = query(kept, "-lv")
                self.assertEqual({line.split()[2:4] == ["root", "root"]
                                  for line in long_listing.splitlines()}, {True},
                                 "every file is root's")

                requires = query(kept, "--requires").splitlines()
                for library in SYSTEM_LIBRARIES:
                    self.assertTrue([r for r in requires if r.startswith(library)],
                                    library + " from the runtime's libraries")
                self.assertEqual([r for r in requires if "libjvm" in r or "libjava" in r], [],
                                 "the image's own libraries are in the image")
                for relation in extra:
                    self.assertIn(relation, requires)
                provides = query(kept, "--provides").splitlines()
                self.assertIn("%s = %s-%s" % (fields["Name"], shown["Version"], shown["Release"]),
                              provides)
                self.assertEqual([p for p in provides if ".so" in p], [],
                                 "it offers none of its libraries to other packages")
                scripts = query(kept, "--scripts")
                if entry is None:
                    self.assertEqual(scripts, "")
                else:
                    self.assertIn("application(%s.desktop)" % fields["Name"], provides)
                    self.assertTrue(scripts.startswith("postinstall scriptlet (using <lua>):"),
                                    scripts)

                root = self.install("root-%d" % row, kept)
                for path in own + [image + "/bin"]:
                    self.assertTrue(os.path.lexists(root.root + path), path)
                if entry is not None:
                    self.assertEntry(root.root + "/usr/share/applications/%s.desktop"
                                     % fields["Name"], entry)
                if "/usr/share/mime/packages/hello.xml" in own:
                    self.assertMimeTypeRegistered(root)
                if arguments is full:
                    self.assertInstalledRuns(root)
                    with open(os.path.join(root.root, "usr/share/licenses/hello/LICENSE")) as f:
                        self.assertEqual(f.read(), "Hello may be used by anyone, for anything.\n")
                self.assertVerifiedAndErased(root, fields["Name"], ["opt/"])

        # Relocated, to a folder whose name the menu entry must quote: the launcher starts
        # from there, and the entry names it there.
        relocated = self.install("relocated", packages[0], "--relocate", "/opt=/srv/my apps")
        self.assertNotIn("opt/", relocated.files())
        self.assertInstalledRuns(relocated, "srv/my apps/hello")
        self.assertEntry(os.path.join(relocated.root, "usr/share/applications/hello.desktop"),
                         [line.replace("Exec=/opt/hello/bin/hello",
                                       'Exec="/srv/my apps/hello/bin/hello"')
                          .replace("/opt/", "/srv/my apps/") for line in cases[0][6]])
        self.assertVerifiedAndErased(relocated, "hello", ["srv/", "srv/my apps/"])

        # rpmlint once over all of them: no error but the filtered ones.
        checked = run(["rpmlint", "-c", RPMLINT_FILTERS, *packages])
        report = checked.stdout.decode()
        self.assertEqual([line for line in report.splitlines() if ": E: " in line], [], report)
        self.assertRegex(report, r"\b0 errors\b")

    @unittest.skipUnless(all(os.path.exists(j) for j in XALAN_JARS),
                         "Debian's XSLT processor (libxalan2-java) is not installed")
    def test_a_real_application(self):
        """Debian's XSLT processor, packaged from its own jars with its environment check as a
        second launcher listed in the menu, installed relocated in a throwaway root and run
        there on the real JVM: the second launcher's entry names it where it is."""
        for jar in XALAN_JARS:
            shutil.copyfile(jar, write(self.path("xalan", os.path.basename(jar)), ""))
        write(self.path("envcheck.properties"),
              "main-class=org.apache.xalan.xslt.EnvironmentCheck\n"
              "description=Checks Xalan's environment\nlinux-shortcut=true\n")
        write(self.path("rows.xml"), "<rows>" + "".join(
            '<row key="%s" amount="%d"/>' % ("ab"[i % 2], i) for i in range(10)) + "</rows>")
        write(self.path("sum.xsl"),
              '<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">'
              '<xsl:output method="text"/><xsl:template match="/">'
              '<xsl:for-each select="rows/row[not(@key = preceding-sibling::row/@key)]">'
              '<xsl:variable name="k" select="@key"/><xsl:value-of select="$k"/>='
              '<xsl:value-of select="sum(/rows/row[@key = $k]/@amount)"/>;</xsl:for-each>'
              '</xsl:template></xsl:stylesheet>')
        done = self.package("--input", "xalan", "--main-jar", "xalan2.jar", "--main-class",
                            "org.apache.xalan.xslt.Process", "--name", "xalan", "--console-app",
                            "--type", "rpm", "--dest", "out", "--description",
                            "XSLT processor", "--add-launcher",
                            "xalan-envcheck=envcheck.properties")
        self.assertBuilt(done)
        rpm = self.path("out", "xalan-1.0-1.x86_64.rpm")
        root = self.install("root", rpm, "--relocate", "/opt=/srv/my apps")
        image = root.root + "/srv/my apps/xalan"
        ran = run([image + "/bin/xalan", "-IN", self.path("rows.xml"), "-XSL",
                   self.path("sum.xsl"), "-OUT", self.path("sums.txt")])
        self.assertEqual((ran.returncode, ran.stderr.decode()), (0, ""))
        with open(self.path("sums.txt")) as f:
            self.assertEqual(f.read(), "a=20;b=25;")
        ran = run([image + "/bin/xalan-envcheck"])
        self.assertEqual(ran.returncode, 0, ran.stderr.decode())
        self.assertIn("version.xalan2x=Xalan Java 2.7.2", ran.stdout.decode())
        self.assertEqual(sorted(os.listdir(root.root + "/usr/share/applications")),
                         ["xalan-xalan-envcheck.desktop"])
        self.assertEntry(root.root + "/usr/share/applications/xalan-xalan-envcheck.desktop",
                         ["[Desktop Entry]", "Type=Application", "Name=xalan-envcheck",
                          "Comment=Checks Xalan's environment",
                          'Exec="/srv/my apps/xalan/bin/xalan-envcheck"', "Terminal=false",
                          "Categories=Utility;"])
        self.assertVerifiedAndErased(root, "xalan", ["srv/", "srv/my apps/"])


if __name__ == "__main__":
    unittest.main()
