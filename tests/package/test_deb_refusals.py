"""What --type deb refuses, and an interrupted build: status 1 (2 for a wrong command line), one
message saying what to do, and nothing written, not even a temporary folder or a half-built
package."""

import os
import shutil
import signal
import subprocess
import unittest

from package_fixture import APP_JAR, PackageTestCase, linux_runtime, listing, write
from test_deb_packages import FAST, MAIL, run


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
            (deb + ["--cds"], 1, "--cds train records where the image is while it is built, not "
             "where the package installs it: leave it out, or give --cds auto (runtime 19 or "
             "later)"),
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
            # Late: dpkg-deb itself refuses the control file, with the image already built.
            (deb + ["--name", "late", "--linux-package-deps", "libc6 (>> "], 1, None),
        ]
        before = listing(self.work)
        for arguments, status, message in cases:
            with self.subTest(arguments=arguments):
                done = self.package(*arguments, env=FAST)
                if message is None:
                    self.assertEqual(done.returncode, status, done.stderr.decode())
                    self.assertTrue(done.stderr.decode().startswith(
                        "trellane-package: dpkg-deb could not build the package"),
                        done.stderr.decode())
                else:
                    self.assertEqual((done.returncode, done.stderr.decode()),
                                     (status, "trellane-package: " + message + "\n"))
                self.assertEqual(listing(self.work), before, "nothing written")

    def test_an_interrupted_build_leaves_nothing(self):
        shutil.copyfile(APP_JAR, write(self.path("input", "app.jar"), ""))
        process = subprocess.Popen(
            self.command("--input", "input", "--main-jar", "app.jar", "--type", "deb",
                         "--linux-deb-maintainer", MAIL, "--dest", "out"),
            cwd=self.work, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        lines = []
        for line in process.stderr:
            lines.append(line.decode())
            if "deb: building" in lines[-1]:
                process.send_signal(signal.SIGTERM)
                break
        _, err = process.communicate(timeout=120)
        self.assertEqual(process.returncode, -signal.SIGTERM, "".join(lines) + err.decode())
        self.assertFalse(os.path.exists(self.path("out")), "the destination it made is gone")
        self.assertEqual(subprocess.run(["pgrep", "-f", self.path("out")],
                                        stdout=subprocess.PIPE).stdout, b"",
                         "dpkg-deb is stopped too")


if __name__ == "__main__":
    unittest.main()
