"""Debian packages (--type deb) whose runtime a JDK of version 24 or later links: lintian-clean
although a vendor's runtime carries its own copies of zlib and the imaging libraries, and the
trained cache of --cds served once the package is installed in a throwaway root. The JDK is
TRELLANE_NEWER_JDK, else the newest in the system's JVM folder; without one of version 24 or
later the cases are skipped, saying so."""

import os
import shutil
import unittest
from typing import List

from package_fixture import APP_JAR, PackageTestCase, listing, newer_jdk, write
from package_fixture import _feature_version
from test_deb_packages import EXPECTED_WARNINGS, FAST, MAIL, ThrowawayRoot, field, run

# The JDK that links the runtimes (Temurin's carries copies of libraries that lintian reports).
NEWER_JDK = newer_jdk()
# Debian's JFlex (the jflex package, a test dependency): a lexer generator whose GUI classes
# bring in java.desktop, and so the runtime libraries with the most library copies.
JFLEX_JARS = ["/usr/share/java/jflex.jar", "/usr/share/java/cup.jar"]
LEXER = """%%
%class Words
%standalone
%%
[a-z]+ { System.out.println("word " + yytext()); }
[^]    { }
"""


def lint(*packages: str) -> List[List[str]]:
    """lintian's tags of the packages, informational ones and its notes on overrides included:
    [kind, package:, tag, ...] each."""
    checked = run(["lintian", "--tag-display-limit", "0", "--display-info", *packages])
    return [line.split() for line in checked.stdout.decode().splitlines()]


@unittest.skipUnless(os.geteuid() == 0, "dpkg installs into a throwaway root as root only")
class NewerJdkDebTest(PackageTestCase):
    """Packages whose runtime a JDK of version 24 or later links: lintian-clean although the
    runtime carries its own copies of zlib and the imaging libraries, and the trained cache of
    --cds served once the package is installed elsewhere than where it was trained."""

    def setUp(self):
        if NEWER_JDK is None or _feature_version(NEWER_JDK) < 24:
            self.skipTest("no JDK of version 24 or later in /usr/lib/jvm, and "
                          "TRELLANE_NEWER_JDK names none: its packages are not tested")
        missing = [jar for jar in JFLEX_JARS if not os.path.exists(jar)]
        if missing:
            self.skipTest("Debian's jflex package is not installed (%s): apt-get install "
                          "jflex" % ", ".join(missing))
        super().setUp()

    def build(self, name: str, jars: List[str], *arguments: str) -> str:
        for jar in jars:
            shutil.copyfile(jar, write(self.path(name, os.path.basename(jar)), ""))
        done = self.package("--jdk", NEWER_JDK, "--input", name, "--main-jar",
                            os.path.basename(jars[0]), "--name", name, "--linux-package-name",
                            "trellane-test-" + name, "--type", "deb", "--dest", "out",
                            "--linux-deb-maintainer", MAIL, "--quiet", *arguments, env=FAST)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        made = [f for f in os.listdir(self.path("out")) if f.startswith("trellane-test-" + name)]
        return self.path("out", made[0])

    def test_lintian_clean_and_the_trained_cache_served_where_installed(self):
        write(self.path("words.flex"), LEXER)
        hello = self.build("hello", [APP_JAR])
        jflex = self.build("jflex", JFLEX_JARS, "--cds", "--cds-train-arg", "--nobak",
                           "--cds-train-arg", "-d", "--cds-train-arg", self.path("trained"),
                           "--cds-train-arg", self.path("words.flex"),
                           "--allow-user-option", "-Xlog:class+load")

        tags = lint(hello, jflex)
        shown = "\n".join(" ".join(t) for t in tags)
        self.assertEqual([t for t in tags if t[0] == "E:"], [], shown)
        self.assertEqual({t[2] for t in tags if t[0] == "W:"}, EXPECTED_WARNINGS, shown)
        # Each override is used: none for a library the runtime does not carry.
        self.assertEqual([t for t in tags if "override" in t[2]], [], shown)
        overridden = {}
        for deb in (hello, jflex):
            package = field(deb, "Package")
            text = run(["sh", "-c", 'dpkg-deb --fsys-tarfile "$1" | tar -xO '
                        './usr/share/lintian/overrides/"$2"', "sh", deb, package]).stdout
            overridden[package] = {line.split()[2] for line in text.decode().splitlines()
                                   if " embedded-library " in line}
        self.assertEqual(overridden, {"trellane-test-hello": {"zlib"},
                                      "trellane-test-jflex": {"zlib", "freetype", "lcms2",
                                                              "libjpeg"}})

        root = ThrowawayRoot(self.path("root"), jflex)
        done = root.dpkg("--install", jflex)
        self.assertEqual(done.returncode, 0, done.stderr.decode())
        installed = os.path.join(root.root, "opt/trellane-test-jflex")
        self.assertIn("app/jflex.aot", listing(installed))
        expected = run([os.path.join(NEWER_JDK, "bin", "java"), "-cp", ":".join(JFLEX_JARS),
                        "jflex.Main", "--nobak", "-d", self.path("java"),
                        self.path("words.flex")])
        self.assertEqual(expected.returncode, 0, expected.stderr.decode())
        ran = run([os.path.join(installed, "bin", "jflex"), "--nobak", "-d",
                   self.path("installed"), self.path("words.flex")],
                  env={"TRELLANE_JVM_OPTIONS": "-Xlog:class+load=info"})
        self.assertEqual(ran.returncode, 0, ran.stderr.decode())
        self.assertIn("jflex.Main source: shared objects file", ran.stdout.decode(),
                      "the main class comes from the trained cache")
        for made in ("java", "installed"):
            with open(self.path(made, "Words.java")) as f:
                if made == "java":
                    generated = f.read()
                else:
                    self.assertEqual(f.read(), generated)



if __name__ == "__main__":
    unittest.main()
