"""What --type deb refuses, and an interrupted build: status 1 (2 for a wrong command line), one
message saying what to do, and nothing written, not even a temporary folder or a half-built
package. And what it warns of without refusing: a package name the system's packages use."""

import os
import shutil
import unittest

from package_fixture import PackageTestCase, linux_runtime, listing, write
from test_deb_packages import FAST, MAIL, run


LINTIAN_MAINTAINER = (": Debian's package checker (lintian) counts it as an error in the "
                      "Maintainer field; give another --vendor, such as \"Example Software "
                      "Ltd.\"")


class DebRefusalTest(PackageTestCase):

    def test_refusals(self):
        self.sample_input()
        linux_runtime(self.path("runtime"))
        write(self.path("icon.ico"), b"\0\0\1\0")
        write(self.path("no-mime.properties"), "extension=hello\n")
        write(self.path("odd-key.properties"), "extension=hello\nmime-type=a/b\nverb=open\n")
        write(self.path("out", "app_1.0-1_amd64.deb"), "an older package")
        arch = run(["dpkg", "--print-architecture"]).stdout.decode().strip()
        sample = ["--input", "input", "--main-jar", "app.jar", "--runtime-image", "runtime",
                  "--dest", "out", "--quiet"]
        deb = sample + ["--type", "deb", "--linux-deb-maintainer", MAIL]
        usage = "\nRun 'trellane-package --help' for usage."
        cases = [
            # (arguments, status, message)
            (sample + ["--type", "deb"], 2, "--type deb needs --linux-deb-maintainer EMAIL: a "
             "package names who answers for it (with --vendor as the name)" + usage),
            (deb[:-1] + ["packages at example.com"], 2, "--linux-deb-maintainer packages at "
             "example.com is not a mail address such as packages@example.com" + usage),
            (deb + ["--name", "My App"], 1, 'the package name "my app" (--name in lower case) '
             "holds characters other than lower-case letters, digits, '+', '-' and '.': give "
             "one with --linux-package-name"),
            (deb + ["--linux-package-name", "My-App"], 2, "--linux-package-name My-App holds "
             "characters other than lower-case letters, digits, '+', '-' and '.': give a name "
             "such as my-app" + usage),
            (deb + ["--app-version", "v2"], 2, "--app-version v2 cannot be a package's version: "
             "give one that starts with a digit and holds letters, digits, '.', '+' and '~' "
             "only, such as 1.2.3" + usage),
            (deb + ["--linux-app-release", "1-2"], 2, "--linux-app-release 1-2: give letters, "
             "digits, '.', '+' and '~' only, such as 1" + usage),
            (deb + ["--install-dir", "opt"], 2, "--install-dir opt: give an absolute folder "
             "named with letters, digits, '.', '_', '+' and '-', such as /opt (the default)"
             + usage),
            (deb + ["--install-dir", "/opt/my apps"], 2, "--install-dir /opt/my apps: give an "
             "absolute folder named with letters, digits, '.', '_', '+' and '-', such as /opt "
             "(the default)" + usage),
            (deb + ["--install-dir", "/usr/local"], 1, "--install-dir /usr/local: a package of "
             "an application with its own runtime installs in /opt, the system's folder for "
             "software from outside the distribution: give /opt (the default) or a folder in "
             "it, such as /opt/example"),
            (deb + ["--description", "App to say hello"], 2, '--description "App to say '
             "hello\" starts with the package's name, which Debian's package checker (lintian) "
             'counts as an error: say in a few words what the application does, such as '
             '"Editor for hello files"' + usage),
            (deb + ["--about-url", "example.com"], 2,
             "--about-url example.com: give an http:// or https:// address" + usage),
            (deb + ["--linux-menu-group", "Games & Fun"], 2, "--linux-menu-group Games & Fun: "
             "give desktop menu categories such as Utility, Development or Office, "
             "';'-separated" + usage),
            (deb + ["--file-associations", "no-mime.properties"], 1, "--file-associations "
             "no-mime.properties gives no mime-type, which a Linux desktop needs to know the "
             "file type: add a line mime-type=application/x-NAME"),
            (deb + ["--file-associations", "odd-key.properties"], 1, "--file-associations "
             "odd-key.properties has the key \"verb\", which is none of extension, mime-type, "
             "description and icon"),
            (deb + ["--icon", "icon.ico"], 1, "the icon icon.ico is not a PNG: a Linux image's "
             "icon is a PNG (convert it to one)"),
            (deb + ["--cds"], 1, "--cds train on a runtime of version 17.0.15 makes an archive "
             "that records where the image is while it is built, not where the package installs "
             "it: package with a runtime of version 24 or later (whose cache serves wherever the "
             "image is), give --cds auto (runtime 19 or later), or leave it out"),
            (deb + ["--target", "windows"], 2, "--type deb installs on Linux: leave --target "
             "out, or give --target linux" + usage),
            (sample + ["--linux-shortcut", "--linux-app-release", "2"], 2, "--linux-app-release, "
             "--linux-shortcut describe a Linux package: give --type deb or --type rpm, or "
             "leave them out" + usage),
            (sample + ["--linux-deb-maintainer", MAIL], 2, "--linux-deb-maintainer describes a "
             "Debian package: give --type deb, or leave it out" + usage),
            (sample + ["--install-dir", "/opt"], 2, "--install-dir is an installer option: give "
             "--type msi, deb or rpm with it, or leave it out" + usage),
            (sample + ["--type", "pkg"], 2,
             "--type pkg: give app-image (the default), msi, deb or rpm" + usage),
            (deb, 1, "out/app_1.0-1_%s.deb exists: give --overwrite to replace it, or choose "
             "another --dest" % arch),
            # Values lintian counts as errors in the control file, or stops at.
            (deb + ["--vendor", "V" * 20000], 1, 'the maintainer\'s name "' + "V" * 60 +
             '..." (--vendor, or else --name) is 20000 characters long; a package\'s field '
             "holds 5000 at most" + LINTIAN_MAINTAINER),
            (deb + ["--vendor", "Acme; x"], 1, 'the maintainer\'s name "Acme; x" (--vendor, or '
             "else --name) holds ';', which a mail address's name cannot" + LINTIAN_MAINTAINER),
            (deb + ["--vendor", "Acme \udce9"], 1, 'the maintainer\'s name "Acme \\xE9" '
             "(--vendor, or else --name) is not UTF-8 text" + LINTIAN_MAINTAINER),
            (deb + ["--description", "\udce9diteur de fichiers"], 2, '--description '
             '"\\xE9diteur de fichiers" is not UTF-8 text: give one line of UTF-8 text' + usage),
            (deb + ["--description", " "], 2, '--description " " is blank, which Debian\'s '
             "package checker (lintian) counts as an error: say in a few words what the "
             'application does, such as "Editor for hello files"' + usage),
            (deb + ["--about-url", "https://example.com/" + "x" * 5000], 1, "the package's "
             "Homepage field (--about-url) is 5020 characters long; a package's field holds "
             "5000 at most: give a shorter value"),
            # Late: dpkg-deb itself refuses the control file, with the image already built.
            (deb + ["--name", "late-build", "--linux-package-deps", "libc6 (>> "], 1, None),
        ]
        # Control characters in the name, which is the launcher's file name and a line of the
        # control file and the menu entry, in a package and in an image alike.
        for name, shown in [("a\rb", "a\\x0Db"), ("a\x1b[2Jb", "a\\x1B[2Jb"), ("a\tb", "a\\x09b"),
                            ("a\x7fb", "a\\x7Fb"), ("a\nb", "a\\x0Ab")]:
            cases.append((deb + ["--name", name], 1, 'the name "%s" holds a control character '
                          "(U+%04X), so it cannot name a program; choose another --name"
                          % (shown, ord(name[1]))))
        cases.append((sample + ["--name", "a\u0085b"], 1, 'the name "a\\xC2\\x85b" holds a '
                      "control character (U+0085), so it cannot name a program; choose another "
                      "--name"))
        self.assertRefusals(cases, late="dpkg-deb could not build the package", env=FAST)

    def test_a_package_name_the_system_knows_is_warned_of(self):
        self.sample_input()
        linux_runtime(self.path("runtime"))
        installed = run(["dpkg-query", "--show", "--showformat=${Version}", "jflex"])
        available = run(["apt-cache", "policy", "hello"]).stdout.decode() \
            if shutil.which("apt-cache") else ""
        hello = [line.split()[1] for line in available.splitlines() if "Candidate:" in line]
        advice = (": installing this package would replace that one, as another version of it, "
                  "and the package manager may put its own back over the application; give the "
                  "package a name of its own with --linux-package-name, such as ")
        cases = [
            # (arguments, what the system has, the warning)
            (["--name", "jflex"], installed.returncode == 0,
             "the package name jflex is installed here (jflex %s)%sjflex-app"
             % (installed.stdout.decode(), advice)),
            (["--name", "Hello", "--vendor", "Example Corp."], hello[:1] not in ([], ["(none)"]),
             "the package name hello is available from this system's package sources (hello "
             "%s)%sexample-corp-hello" % ((hello or [""])[0], advice)),
            (["--name", "jflex", "--linux-package-name", "example-jflex"], True, None),
        ]
        for arguments, present, warning in cases:
            with self.subTest(arguments=arguments):
                if not present:
                    self.skipTest("this system's package database does not have the package "
                                  "this case names")
                shutil.rmtree(self.path("out"), True)
                done = self.package("--input", "input", "--main-jar", "app.jar",
                                    "--runtime-image", "runtime", "--dest", "out", "--quiet",
                                    "--type", "deb", "--linux-deb-maintainer", MAIL, *arguments,
                                    env=FAST)
                self.assertEqual(done.returncode, 0, done.stderr.decode())
                self.assertEqual(done.stderr.decode(), "" if warning is None else
                                 "trellane-package: warning: " + warning + "\n")
                self.assertEqual(len(os.listdir(self.path("out"))), 1, "the package is built")

    def test_files_that_never_end_are_refused(self):
        # A FIFO would hold the command until a writer comes; /dev/zero would take all memory.
        self.sample_input()
        linux_runtime(self.path("runtime"))
        os.mkfifo(self.path("fifo"))
        write(self.path("fifo-icon.properties"), "extension=hi\nmime-type=text/x-hi\nicon=fifo\n")
        write(self.path("zero-icon.properties"),
              "extension=hi\nmime-type=text/x-hi\nicon=/dev/zero\n")
        shutil.copytree(self.path("runtime"), self.path("fifo-runtime"), symlinks=True)
        os.remove(self.path("fifo-runtime", "release"))
        os.mkfifo(self.path("fifo-runtime", "release"))
        shutil.copytree(self.path("runtime"), self.path("zero-runtime"), symlinks=True)
        os.remove(self.path("zero-runtime", "release"))
        os.symlink("/dev/zero", self.path("zero-runtime", "release"))
        deb = ["--input", "input", "--main-jar", "app.jar", "--dest", "out", "--quiet",
               "--type", "deb", "--linux-deb-maintainer", MAIL]
        not_regular = ": not a regular file; "
        cases = [
            # (arguments, message)
            (["--file-associations", "fifo"],
             "cannot read --file-associations fifo" + not_regular + "give a properties file"),
            (["--file-associations", "/dev/zero"],
             "cannot read --file-associations /dev/zero" + not_regular + "give a properties file"),
            (["--file-associations", "fifo-icon.properties"], "cannot read the icon fifo of "
             "--file-associations fifo-icon.properties" + not_regular + "give a PNG file"),
            (["--file-associations", "zero-icon.properties"], "cannot read the icon /dev/zero "
             "of --file-associations zero-icon.properties" + not_regular + "give a PNG file"),
            (["--icon", "fifo"], "cannot read the icon fifo" + not_regular + "give a PNG file"),
            (["--icon", "/dev/zero"],
             "cannot read the icon /dev/zero" + not_regular + "give a PNG file"),
            (["--license-file", "fifo"], "cannot read --license-file fifo" + not_regular +
             "give the license's text file"),
            (["--runtime-image", "fifo-runtime"], "cannot read the release file "
             "fifo-runtime/release" + not_regular + "give a runtime or JDK whose release file "
             "is the text file jlink writes"),
            (["--runtime-image", "zero-runtime"], "cannot read the release file "
             "zero-runtime/release" + not_regular + "give a runtime or JDK whose release file "
             "is the text file jlink writes"),
        ]
        before = listing(self.work)
        for arguments, message in cases:
            with self.subTest(arguments=arguments):
                runtime = [] if "--runtime-image" in arguments else ["--runtime-image", "runtime"]
                done = self.package(*deb, *runtime, *arguments, env=FAST, timeout=60)
                self.assertEqual((done.returncode, done.stderr.decode()),
                                 (1, "trellane-package: " + message + "\n"))
                self.assertEqual(listing(self.work), before, "nothing written")

    def test_an_interrupted_build_leaves_nothing(self):
        self.assertInterruptionLeavesNothing(["--type", "deb", "--linux-deb-maintainer", MAIL],
                                             "deb: building", "dpkg-deb")


if __name__ == "__main__":
    unittest.main()
