"""--add-launcher: several launchers in one image. A real application from Debian's packages
with two entry points (Xalan's XSLT command and its environment check, libxalan2-java) as a
Linux image run on the real JVM and as a Debian package with a desktop entry per launcher;
an MSI with shortcuts per launcher as msiinfo reads it; and what is refused."""

import os
import shutil
import subprocess
import unittest

from package_fixture import (LAUNCHER, LAUNCHER_EXE, PackageTestCase, listing, read_block,
                             windows_runtime, write)
from test_msi import table

XALAN = "/usr/share/java/xalan2.jar"
SERIALIZER = "/usr/share/java/serializer.jar"


class AddedLaunchersTest(PackageTestCase):

    def run_ok(self, *command: str) -> str:
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8", "replace"))
        return done.stdout.decode()

    @unittest.skipUnless(os.path.exists(XALAN) and os.path.exists(SERIALIZER),
                         "needs Debian's libxalan2-java (scripts/install-deps.sh test)")
    def test_a_debian_application_with_two_entry_points(self):
        for jar in (XALAN, SERIALIZER):
            shutil.copyfile(jar, write(self.path("input", os.path.basename(jar)), ""))
        write(self.path("envcheck.properties"),
              "main-class=org.apache.xalan.xslt.EnvironmentCheck\nwin-console=true\n"
              "description=Checks Xalan's environment\nlinux-shortcut=true\n")
        common = ("--input", "input", "--main-jar", "xalan2.jar", "--name", "xalan",
                  "--console-app", "--add-launcher", "xalan-envcheck=envcheck.properties")
        self.assertBuilt(self.package(*common, "--dest", "out"))
        image = self.path("out", "xalan")
        self.assertEqual(sorted(os.listdir(os.path.join(image, "bin"))),
                         ["xalan", "xalan-envcheck"])
        write(self.path("in.xml"), "<greeting>hello</greeting>")
        write(self.path("upper.xsl"),
              '<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">'
              '<xsl:output method="text"/><xsl:template match="/">'
              '<xsl:value-of select="translate(greeting, \'helo\', \'HELO\')"/>'
              '</xsl:template></xsl:stylesheet>')
        self.assertEqual(self.run_ok(os.path.join(image, "bin", "xalan"), "-IN",
                                     self.path("in.xml"), "-XSL", self.path("upper.xsl")),
                         "HELLO")
        self.assertIn("version.xalan2x=Xalan Java 2.7.2",
                      self.run_ok(os.path.join(image, "bin", "xalan-envcheck")))
        block = read_block(os.path.join(image, "bin", "xalan-envcheck"), LAUNCHER)
        self.assertEqual(block.main_class, "org.apache.xalan.xslt.EnvironmentCheck")

        # The Debian package of the same: a desktop entry for each launcher, valid.
        if shutil.which("dpkg-deb") is None:
            return
        self.assertBuilt(self.package(*common, "--dest", "deb", "--type", "deb",
                                      "--linux-shortcut", "--linux-deb-maintainer",
                                      "tester@example.com"))
        deb = self.path("deb", os.listdir(self.path("deb"))[0])
        subprocess.run(["dpkg-deb", "-x", deb, self.path("root")], check=True)
        applications = self.path("root", "usr", "share", "applications")
        self.assertEqual(sorted(os.listdir(applications)),
                         ["xalan-xalan-envcheck.desktop", "xalan.desktop"])
        with open(os.path.join(applications, "xalan-xalan-envcheck.desktop")) as f:
            entry = f.read()
        self.assertIn("Name=xalan-envcheck\nComment=Checks Xalan's environment\n"
                      "Exec=/opt/xalan/bin/xalan-envcheck\n", entry)
        if shutil.which("desktop-file-validate"):
            for name in os.listdir(applications):
                self.run_ok("desktop-file-validate", os.path.join(applications, name))

    def test_an_msi_gives_each_launcher_its_shortcuts(self):
        self.sample_input()
        windows_runtime(self.path("runtime"))
        write(self.path("util.properties"),
              "main-jar=lib/util.jar\nmain-class=com.example.util.Util\nwin-shortcut=false\n"
              "arguments=--quiet\njava-options=-Xmx64m -Dtool.home=$APPDIR\n")
        self.assertBuilt(self.package(
            "--type", "msi", "--runtime-image", "runtime", "--input", "input", "--main-jar",
            "app.jar", "--name", "Hello", "--dest", "out", "--quiet", "--win-menu",
            "--win-shortcut", "--add-launcher", "Util=util.properties", "--temp", "work"))
        msi = self.path("out", "Hello-1.0.msi")
        shortcuts = sorted((row[1], row[2], row[4]) for row in table(msi, "Shortcut"))
        self.assertEqual(shortcuts, [("DesktopFolder", "Hello", "[#launcher]"),
                                     ("MenuGroup", "Hello", "[#launcher]"),
                                     ("MenuGroup", "Util", "[#launcher2]")])
        files = {row[0]: row[2] for row in table(msi, "File")}
        self.assertEqual((files["launcher"], files["launcher2"]), ("Hello.exe", "Util.exe"))
        block = read_block(self.path("work", "Hello", "bin", "Util.exe"), LAUNCHER_EXE)
        self.assertEqual(
            (block.main_class, block.jvm_options, block.arguments),
            ("com.example.util.Util",
             ["-Djava.class.path=&&lib/util.jar;&&app.jar;&&deps/a.jar;&&deps/b.jar;"
              "&&trellane-runtime.jar", "-Xmx64m", "-Dtool.home=&&"], ["--quiet"]))

    def test_what_cannot_start_is_refused(self):
        self.sample_input()
        windows_runtime(self.path("runtime"))
        cases = [
            ("main-class=com.example.Nowhere\n", "the main class com.example.Nowhere is in none"),
            ("main-jar=lib/missing.jar\n", "its main-jar lib/missing.jar is not a jar of"),
            ("main-jar=lib/util.jar\n", "give main-class, or a main-jar whose manifest has a"),
            ("module=app\nmain-class=app.Main\n", "leave main-jar and main-class out"),
            ("module=app\n", "the module app is neither on --module-path nor in the runtime"),
            ("win-console=yes\n", "win-console=yes is neither true nor false"),
            ("launcher-as-service=true\n", "launcher-as-service"),
            ("linux-app-category=utils\n", "which --linux-app-category gives; leave it out"),
            ("main-clas=com.example.Main\n", "unknown key 'main-clas'"),
            ("java-options=-jar x.jar\n", "-jar in --java-options"),
            ("java-options=-splash:$APPDIR/s.png\n",
             "-splash: in the java-options of --add-launcher tool needs the runtime's splash "
             "screen library, which comes with the module java.desktop, and runtime has no "
             "java.desktop"),
        ]
        for properties, message in cases:
            with self.subTest(properties=properties):
                write(self.path("tool.properties"), properties)
                done = self.package("--target", "windows", "--runtime-image", "runtime",
                                    "--input", "input", "--main-jar", "app.jar", "--dest", "out",
                                    "--add-launcher", "tool=tool.properties")
                self.assertEqual(done.returncode, 1, done.stderr)
                self.assertIn(message, done.stderr.decode())
                self.assertFalse(os.path.exists(self.path("out")))
        for value, message in [("tool", "give NAME=FILE"), ("app=tool.properties",
                                                             "has the image's own name"),
                               ("bad:name=tool.properties", "cannot name a Windows program")]:
            with self.subTest(value=value):
                write(self.path("tool.properties"), "")
                done = self.package("--target", "windows", "--runtime-image", "runtime",
                                    "--input", "input", "--main-jar", "app.jar", "--dest", "out",
                                    "--add-launcher", value)
                self.assertEqual(done.returncode, 1, done.stderr)
                self.assertIn(message, done.stderr.decode())


if __name__ == "__main__":
    unittest.main()
