"""What --type rpm refuses, and an interrupted build: status 1 (2 for a wrong command line), one
message saying what to do, and nothing written, not even a temporary folder or a half-built
package."""

import unittest

from package_fixture import PackageTestCase, linux_runtime, write


class RpmRefusalTest(PackageTestCase):

    def test_refusals(self):
        self.sample_input()
        linux_runtime(self.path("runtime"))
        write(self.path("no-mime.properties"), "extension=hello\n")
        write(self.path("out", "app-1.0-1.x86_64.rpm"), "an older package")
        sample = ["--input", "input", "--main-jar", "app.jar", "--runtime-image", "runtime",
                  "--dest", "out", "--quiet"]
        rpm = sample + ["--type", "rpm"]
        usage = "\nRun 'trellane-package --help' for usage."
        long_text = "Says hello " + "again and " * 7
        cases = [
            # (arguments, status, message)
            (rpm + ["--name", "My App"], 1, 'the package name "my app" (--name in lower case) '
             "holds characters other than letters, digits, '.', '_', '+' and '-': give one "
             "with --linux-package-name"),
            (rpm + ["--linux-package-name", "-app"], 2, "--linux-package-name -app does not "
             "start with a letter or digit: give a name such as my-app" + usage),
            (rpm + ["--app-version", "2.0-1"], 2, "--app-version 2.0-1 cannot be a package's "
             "version: give one that starts with a digit and holds letters, digits, '.', '+', "
             "'~' and '_' only, such as 1.2.3" + usage),
            (rpm + ["--app-version", "1.0rc1"], 2, "--app-version 1.0rc1: rpm would take it "
             "for newer than the release it comes before (rpmlint's invalid-version): write "
             "the pre-release after a '~', such as 1.0~rc1" + usage),
            (rpm + ["--linux-app-release", "1-2"], 2, "--linux-app-release 1-2: give letters, "
             "digits, '.', '+', '~' and '_' only, starting with a letter or digit, such as 1"
             + usage),
            (rpm + ["--description", long_text], 2, "--description is %d characters long: an "
             "RPM package's summary is one line of at most 79 (rpmlint's summary-too-long); "
             "say in a few words what the application does" % len(long_text) + usage),
            (rpm + ["--description", " Says hello"], 2, '--description " Says hello": give '
             'one line of text that starts with a word, such as "Editor for hello files"'
             + usage),
            (rpm + ["--linux-rpm-license-type", "MIT\nor worse"], 2, '--linux-rpm-license-type '
             '"MIT\nor worse": give one line of text that starts with a word, such as MIT or '
             '"ASL 2.0"' + usage),
            (rpm + ["--linux-package-deps", "libfoo"], 2, '--linux-package-deps "libfoo" names '
             "a library's package without a version, which rpmlint counts as an error: the "
             "libraries the runtime links are found by themselves; give the version it needs, "
             'such as "libfoo >= 1.0"' + usage),
            (rpm + ["--linux-package-deps", "zlib, foo-devel"], 2, '--linux-package-deps '
             '"foo-devel": foo-devel is a package for building software, not for running it, '
             "which rpmlint counts as an error" + usage),
            (rpm + ["--linux-package-deps", "foo >> 1"], 2, '--linux-package-deps "foo >> 1": '
             "give NAME, or NAME OP VERSION with OP one of <, <=, =, >=, > (such as "
             '"xdg-utils" or "zlib >= 1.2"), \',\'-separated' + usage),
            (rpm + ["--install-dir", "/usr/local"], 1, "--install-dir /usr/local: a package of "
             "an application with its own runtime installs in /opt, the system's folder for "
             "software from outside the distribution: give /opt (the default) or a folder in "
             "it, such as /opt/example"),
            (rpm + ["--about-url", "example.com"], 2,
             "--about-url example.com: give an http:// or https:// address" + usage),
            (rpm + ["--file-associations", "no-mime.properties"], 1, "--file-associations "
             "no-mime.properties gives no mime-type, which a Linux desktop needs to know the "
             "file type: add a line mime-type=application/x-NAME"),
            (rpm + ["--cds"], 1, "--cds train on a runtime of version 17.0.15 makes an archive "
             "that records where the image is while it is built, not where the package installs "
             "it: package with a runtime of version 24 or later (whose cache serves wherever the "
             "image is), give --cds auto (runtime 19 or later), or leave it out"),
            (rpm + ["--target", "windows"], 2, "--type rpm installs on Linux: leave --target "
             "out, or give --target linux" + usage),
            (rpm + ["--linux-deb-maintainer", "packages@example.com"], 2,
             "--linux-deb-maintainer describes a Debian package: give --type deb, or leave it "
             "out" + usage),
            (sample + ["--linux-rpm-license-type", "MIT"], 2, "--linux-rpm-license-type "
             "describes an RPM package: give --type rpm, or leave it out" + usage),
            (rpm, 1, "out/app-1.0-1.x86_64.rpm exists: give --overwrite to replace it, or "
             "choose another --dest"),
            # Late: rpmbuild itself refuses the dependency, with the image already built.
            (rpm + ["--name", "late", "--linux-package-deps", "(foo with)"], 1, None),
        ]
        self.assertRefusals(cases, late="rpmbuild could not build the package")

    def test_an_interrupted_build_leaves_nothing(self):
        self.assertInterruptionLeavesNothing(["--type", "rpm"], "rpm: building", "rpmbuild")


if __name__ == "__main__":
    unittest.main()
