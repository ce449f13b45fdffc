"""The Java runtimes trellane-package takes: a runtime is known by its JVM library, not by its
release file (jlink writes one without the system's name); runtimes made by the real jlink, as
the demo and the README say to make them; a Windows runtime linked here from a Windows JDK's
jmods (--runtime-jdk), read back with jimage; and the refusals, each with nothing written.

The Windows JDK is the build JDK's own modules made again for Windows (make_windows_jdk.py):
jlink links them as it links a real Windows JDK's, but its DLLs only stand in for the real
ones, so no runtime made here can run."""

import os
import re
import shutil
import struct
import subprocess
import sys
import unittest

from package_fixture import (APP_JAR, JDK, JVM_X64_DLL, JVM_X86_DLL, LAUNCHER_EXE, LIBJVM, PACKAGE,
                             RUNTIME_JAR, WINDOWS_JDK, WINDOWS_RUNTIME, PackageTestCase, copy,
                             jdk_version, jlink_release, linux_runtime, listing, read_block,
                             windows_runtime, write)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
import branded_exe  # noqa: E402  (found through the path above)
import signing_keys  # noqa: E402

README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")
WINDOWS_WANTED = ("give --runtime-image a Windows x86-64 Java runtime (made by jlink on Windows, "
                  "or an unpacked Windows JRE or JDK), or --runtime-jdk an unpacked Windows x64 "
                  "JDK to link one from")
LINUX_WANTED = ("give a Linux x86-64 Java runtime, or leave --runtime-image out to link one "
                "from the JDK")
JDK_WANTED = "give --runtime-jdk an unpacked Windows x64 JDK (the zip archive its vendor publishes)"
SERVICE_MODULES = ["jdk.charsets", "jdk.crypto.ec", "jdk.localedata", "jdk.zipfs"]
# The build JDK's version, which the Windows JDK made from its modules and the runtimes linked
# from that carry.
BUILD_JDK_VERSION = jdk_version(JDK)


def patched(path: str, offset: int, value: bytes) -> str:
    with open(path, "r+b") as f:
        f.seek(offset)
        f.write(value)
    return path


def pe_machine_offset(path: str) -> int:
    with open(path, "rb") as f:
        head = f.read(64)
    return struct.unpack_from("<I", head, 0x3C)[0] + 4


def release_of(runtime: str) -> dict:
    with open(os.path.join(runtime, "release")) as f:
        return dict(line.split("=", 1) for line in f.read().splitlines() if "=" in line)


def jimage_modules(modules_file: str) -> list:
    listed = subprocess.run([os.path.join(JDK, "bin", "jimage"), "list", modules_file],
                            stdout=subprocess.PIPE, check=True, universal_newlines=True).stdout
    return sorted(re.findall(r"^Module: (\S+)$", listed, re.MULTILINE))


class RuntimeTest(PackageTestCase):

    def app_input(self, name: str = "input") -> str:
        copy(APP_JAR, self.path(name, "app.jar"))
        return name

    def assertRefusals(self, cases) -> None:
        before = listing(self.work)
        for arguments, status, message in cases:
            with self.subTest(arguments=arguments):
                done = self.package("--quiet", *arguments)
                expected = "trellane-package: " + message + (
                    "\nRun 'trellane-package --help' for usage.\n" if status == 2 else "\n")
                self.assertEqual((done.returncode, done.stderr.decode()), (status, expected))
                self.assertEqual(listing(self.work), before, "nothing written")

    def test_a_runtime_is_known_by_its_jvm_library(self):
        self.assertTrue(JVM_X86_DLL and os.path.isfile(JVM_X86_DLL),
                        "no 32-bit test DLL: gcc-mingw-w64-i686-win32 is missing, run "
                        "scripts/install-deps.sh test")
        self.app_input()
        windows_runtime(self.path("windows-x86"), jvm_dll=JVM_X86_DLL)
        arm64 = windows_runtime(self.path("windows-arm64"))
        dll = os.path.join(arm64, "bin", "server", "jvm.dll")
        patched(dll, pe_machine_offset(dll), struct.pack("<H", 0xAA64))
        damaged = windows_runtime(self.path("windows-damaged"))
        with open(os.path.join(damaged, "bin", "server", "jvm.dll"), "r+b") as f:
            f.truncate(2048)
        program = windows_runtime(self.path("windows-program"))
        dll = os.path.join(program, "bin", "server", "jvm.dll")
        patched(dll, pe_machine_offset(dll) + 18, struct.pack("<H", 0x0022))  # not a DLL
        not_pe = windows_runtime(self.path("windows-text"))
        write(os.path.join(not_pe, "bin", "server", "jvm.dll"), "jvm")
        mixed = windows_runtime(self.path("windows-mixed"))
        write(os.path.join(mixed, "release"),
              'JAVA_VERSION="17.0.15"\nOS_ARCH="aarch64"\nOS_NAME="Linux"\n')
        no_modules = windows_runtime(self.path("windows-no-modules"))
        os.remove(os.path.join(no_modules, "lib", "modules"))
        linux_runtime(self.path("linux-x64"))
        linux_arm64 = linux_runtime(self.path("linux-arm64"))
        patched(os.path.join(linux_arm64, "lib", "server", "libjvm.so"), 18, struct.pack("<H", 183))
        linux_x86 = linux_runtime(self.path("linux-x86"))
        library = os.path.join(linux_x86, "lib", "server", "libjvm.so")
        patched(patched(library, 4, b"\x01"), 18, struct.pack("<H", 3))
        linux_text = linux_runtime(self.path("linux-text"))
        write(os.path.join(linux_text, "lib", "server", "libjvm.so"), "jvm")
        write(self.path("macos", "lib", "server", "libjvm.dylib"), "jvm")
        write(self.path("macos", "release"), 'JAVA_VERSION="17.0.15"\nOS_NAME="Darwin"\n')
        windows_runtime(self.path("unpacked", "jdk-17.0.15+6"))
        os.makedirs(self.path("empty"))

        windows = ["--input", "input", "--main-jar", "app.jar", "--target", "windows",
                   "--runtime-image"]
        linux = ["--input", "input", "--main-jar", "app.jar", "--runtime-image"]
        self.assertRefusals([
            (windows + ["windows-x86"], 1,
             "windows-x86 is a Windows x86 (32-bit) Java runtime (by its bin/server/jvm.dll); "
             "the launcher is built for x86-64: " + WINDOWS_WANTED),
            (windows + ["windows-arm64"], 1,
             "windows-arm64 is a Windows ARM64 Java runtime (by its bin/server/jvm.dll); the "
             "launcher is built for x86-64: " + WINDOWS_WANTED),
            (windows + ["linux-x64"], 1,
             "linux-x64 is a Linux x86-64 Java runtime (by its lib/server/libjvm.so); a Windows "
             "image needs a Windows runtime: " + WINDOWS_WANTED),
            (linux + ["windows-x86"], 1,
             "windows-x86 is a Windows x86 (32-bit) Java runtime (by its bin/server/jvm.dll); a "
             "Linux image needs a Linux runtime: " + LINUX_WANTED),
            (linux + [WINDOWS_RUNTIME], 1,
             WINDOWS_RUNTIME + " is a Windows x86-64 Java runtime (by its bin/server/jvm.dll); "
             "a Linux image needs a Linux runtime: " + LINUX_WANTED),
            (linux + ["linux-arm64"], 1,
             "linux-arm64 is a Linux ARM64 Java runtime (by its lib/server/libjvm.so); the "
             "launcher is built for x86-64: " + LINUX_WANTED),
            (linux + ["linux-x86"], 1,
             "linux-x86 is a Linux x86 (32-bit) Java runtime (by its lib/server/libjvm.so); the "
             "launcher is built for x86-64: " + LINUX_WANTED),
            (windows + ["macos"], 1,
             "macos is a macOS Java runtime (by its lib/server/libjvm.dylib); a Windows image "
             "needs a Windows runtime: " + WINDOWS_WANTED),
            (windows + ["windows-damaged"], 1,
             "windows-damaged is not a usable Java runtime: its bin/server/jvm.dll is damaged or "
             "truncated: the data of its section '.text' runs past the end of the file; " +
             WINDOWS_WANTED),
            (windows + ["windows-program"], 1,
             "windows-program is not a usable Java runtime: its bin/server/jvm.dll is a "
             "program, not a DLL; " + WINDOWS_WANTED),
            (windows + ["windows-text"], 1,
             "windows-text is not a usable Java runtime: its bin/server/jvm.dll is not a "
             "Windows executable (no MZ header); " + WINDOWS_WANTED),
            (linux + ["linux-text"], 1,
             "linux-text is not a usable Java runtime: its lib/server/libjvm.so is not an ELF "
             "file (a Linux library); " + LINUX_WANTED),
            (windows + ["windows-mixed"], 1,
             'windows-mixed mixes two runtimes: its release file says OS_NAME="Linux" '
             'OS_ARCH="aarch64", but its bin/server/jvm.dll is for Windows x86-64; unpack the '
             "runtime again into an empty folder"),
            (windows + ["windows-no-modules"], 1,
             "windows-no-modules is not a complete Java runtime: it has no lib/modules; " +
             WINDOWS_WANTED),
            (windows + ["unpacked"], 1,
             "unpacked is not a Java runtime, but unpacked/jdk-17.0.15+6 is one: give "
             "--runtime-image unpacked/jdk-17.0.15+6"),
            (windows + ["empty"], 1,
             "empty is not a Java runtime: it has no JVM library (bin/server/jvm.dll in a "
             "Windows runtime, lib/server/libjvm.so in a Linux one); " + WINDOWS_WANTED),
            (linux + ["input/app.jar"], 1,
             "the runtime input/app.jar is not a folder; " + LINUX_WANTED),
            (["--input", "input", "--main-jar", "app.jar", "--target", "windows"], 1,
             "a Windows image needs a Windows Java runtime: --runtime-image DIR, a Windows "
             "x86-64 runtime (made by jlink on Windows, or an unpacked Windows JRE or JDK), or "
             "--runtime-jdk DIR, an unpacked Windows x64 JDK to link one from here"),
        ])

    def test_the_demo_recipe_runtime_and_a_runtime_without_release_file(self):
        # What the demo tells a Windows user to run, made by the real jlink: its release file
        # names neither the system nor the processor.
        release = release_of(WINDOWS_RUNTIME)
        self.assertEqual(sorted(release), ["JAVA_VERSION", "MODULES"])
        self.app_input()
        done = self.package("--input", "input", "--main-jar", "app.jar", "--target", "windows",
                            "--runtime-image", WINDOWS_RUNTIME, "--name", "Hello", "--dest", "out")
        self.assertBuilt(done)
        self.assertIn("trellane-package: runtime: copying %s (Windows %s)"
                      % (WINDOWS_RUNTIME, BUILD_JDK_VERSION), done.stderr.decode().splitlines())
        files = listing(self.path("out", "Hello"))
        for present in ("bin/Hello.exe", "bin/jvm.dll", "bin/java.dll", "lib/modules", "release",
                        "app/app.jar"):
            self.assertIn(present, files)
        self.assertNotIn("bin/server/", files)

        # An unpacked JDK's release file names the system and processor, which agree.
        os.makedirs(self.path("unpacked-jdk"))
        for part, source in (("bin", WINDOWS_JDK), ("release", WINDOWS_JDK),
                             ("lib", WINDOWS_RUNTIME)):
            os.symlink(os.path.join(source, part), self.path("unpacked-jdk", part))
        self.assertEqual(release_of(self.path("unpacked-jdk"))["OS_NAME"], '"Windows"')
        self.assertBuilt(self.package("--input", "input", "--main-jar", "app.jar", "--target",
                                      "windows", "--runtime-image", "unpacked-jdk", "--dest",
                                      "out-jdk", "--quiet"))

        # No release file: the version is java.base's, read from lib/modules.
        for part in ("bin", "conf", "legal", "lib"):
            os.makedirs(self.path("no-release"), exist_ok=True)
            os.symlink(os.path.join(WINDOWS_RUNTIME, part), self.path("no-release", part))
        self.assertRefusals([
            (["--input", "input", "--main-jar", "app.jar", "--target", "windows",
              "--runtime-image", "no-release", "--cds", "auto"], 1,
             "--cds auto needs a runtime of version 19 or later, where the JVM can make the "
             "archive itself; this runtime is %s: use a newer one, or --cds (train) for a "
             "Linux image" % BUILD_JDK_VERSION)])

    def test_cds_auto_refuses_a_runtime_without_its_own_archive_that_cannot_get_one(self):
        # The JVM builds the archive it makes on the runtime's own: without that one it makes
        # none and warns at every start. A Windows runtime cannot run here to make it; these
        # Linux libraries only stand in for a JVM (the real one gets its archive: the tests of
        # test_linux_images and test_newer_jdk).
        self.app_input()
        before = listing(self.work)
        for target in ("windows", "linux"):
            with self.subTest(target=target):
                make = windows_runtime if target == "windows" else linux_runtime
                runtime = make(self.path(target + "-21"), java_version="21.0.2")
                archive = ("bin/server/classes.jsa" if target == "windows"
                           else "lib/server/classes.jsa")
                os.remove(os.path.join(runtime, archive))
                done = self.package("--input", "input", "--main-jar", "app.jar", "--target",
                                    target, "--runtime-image", target + "-21", "--cds", "auto",
                                    "--dest", "out", "--quiet")
                self.assertEqual(done.returncode, 1)
                self.assertTrue(done.stderr.decode().startswith({
                    "windows": "trellane-package: --cds auto: the runtime windows-21 has no CDS "
                               "archive of its own (bin/server/classes.jsa), on which the JVM "
                               "builds the one it makes: without it the JVM makes none, and "
                               "warns at every start; give a runtime made by jlink "
                               "--generate-cds-archive (on Windows), or leave --cds out\n",
                    "linux": "trellane-package: the runtime has no CDS archive of its own "
                             "(lib/server/classes.jsa), without which the JVM makes no archive "
                             "of the application, and its JVM could not make one (exit status "}
                    [target]), done.stderr.decode())
                shutil.rmtree(runtime)
                self.assertEqual(listing(self.work), before, "nothing written")

    def test_the_readme_windows_recipe_word_for_word(self):
        with open(README) as f:
            readme = f.read()
        section = readme[readme.index("## A Windows installer, built on Linux"):]
        command = re.search(r"```sh\n(.*?)```", section, re.DOTALL).group(1)
        jlink = re.search(r"`(jlink [^`]*)`", section.replace("\n", " ")).group(1)
        jlink = re.sub(r"\s+", " ", jlink)
        runtime = re.search(r"--runtime-image (\S+)", command).group(1)
        self.assertEqual(jlink.split()[-1], os.path.basename(runtime), "the recipe's own runtime")
        # On Windows, jlink takes its own JDK's jmods; here the Windows JDK's are named.
        os.makedirs(self.path(os.path.dirname(runtime)))
        linked = subprocess.run([os.path.join(JDK, "bin", "jlink"), "--module-path",
                                 os.path.join(WINDOWS_JDK, "jmods"), *jlink.split()[1:]],
                                cwd=self.path(os.path.dirname(runtime)), stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT)
        self.assertEqual(linked.returncode, 0, linked.stdout.decode())
        self.assertEqual(sorted(release_of(self.path(runtime))), ["JAVA_VERSION", "MODULES"])

        # The tools as make dist lays them out, found on the PATH.
        dist = self.path("dist")
        copy(PACKAGE, os.path.join(dist, "bin", "trellane-package"))
        os.chmod(os.path.join(dist, "bin", "trellane-package"), 0o755)
        copy(LAUNCHER_EXE, os.path.join(dist, "windows", "launcher.exe"))
        copy(RUNTIME_JAR, os.path.join(dist, "java", "trellane-runtime.jar"))
        main_jar = re.search(r"--main-jar (\S+)", command).group(1)
        libs = re.search(r"--input (\S+)", command).group(1)
        copy(APP_JAR, self.path(libs, main_jar))
        icon = re.search(r"--icon (\S+)", command).group(1)
        write(self.path(icon), branded_exe.png(64, 64, [(0x20, 0x80, 0x40, 0xFF)] * 64 * 64))

        # The recipe signs with a PKCS #12 file whose password is in a variable: a CA and a leaf
        # made here stand in for the build's key, under the recipe's names.
        keys = self.path("keys")
        os.makedirs(keys)
        signing_keys.make_certificates(keys)
        pkcs12 = re.search(r"--sign-pkcs12 (\S+)", command).group(1)
        variable = re.search(r"--sign-password-env (\S+)", command).group(1)
        copy(os.path.join(keys, "leaf.p12"), self.path(pkcs12))
        name = re.search(r'--name "([^"]+)"', command).group(1)
        dest = re.search(r"--dest (\S+)", command).group(1)

        # Word for word with the installed osslsigncode and with Debian 12's own.
        for tool in signing_keys.osslsigncodes():
            with self.subTest(tool.label):
                if tool.env is None:
                    self.skipTest("%s is not here: %s" % (tool.label, tool.absent_because))
                shutil.rmtree(self.path(dest), ignore_errors=True)
                env = dict(tool.env, PATH=os.path.join(dist, "bin") + ":" + tool.env["PATH"])
                env[variable] = signing_keys.PASSWORD
                done = subprocess.run(["bash", "-c", command], cwd=self.work,
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                      timeout=600, env=env)
                self.assertBuilt(done)
                # The package, and the launcher msiextract takes out of it, both signed.
                version = re.search(r"--app-version (\S+)", command).group(1)
                msi = self.path(dest, "%s-%s.msi" % (name, version))
                extracted = self.path("extracted")
                shutil.rmtree(extracted, ignore_errors=True)
                # In the work folder: msiextract writes the icon streams to the current one.
                subprocess.run(["msiextract", "-C", extracted, msi], check=True,
                               stdout=subprocess.DEVNULL, cwd=self.work)
                image = os.path.join(extracted, name)  # the install folder, as msiextract names it
                files = listing(image)
                for present in ("bin/%s.exe" % name, "bin/jvm.dll", "lib/modules",
                                "app/" + main_jar):
                    self.assertIn(present, files)
                for signed in (msi, os.path.join(image, "bin", name + ".exe")):
                    verified = subprocess.run(
                        ["osslsigncode", "verify", "-CAfile", os.path.join(keys, "ca.pem"),
                         "-in", signed], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                        env=tool.env)
                    self.assertEqual(verified.returncode, 0, verified.stdout.decode())
                    self.assertIn("O=Trellane Tests", verified.stdout.decode())

    def test_a_windows_runtime_linked_from_a_windows_jdk(self):
        self.app_input()
        arguments = ["--input", "input", "--main-jar", "app.jar", "--target", "windows",
                     "--runtime-jdk", WINDOWS_JDK, "--add-modules", "java.desktop",
                     "--name", "Hello", "--dest", "out", "--java-options", "-Xmx64m"]
        # A cache of this test's own: the first run links, the second finds it.
        cache = {"XDG_CACHE_HOME": self.path("cache")}
        done = self.package(*arguments, env=cache)
        self.assertBuilt(done)
        modules = ["java.base", "java.desktop", *SERVICE_MODULES]
        self.assertIn("trellane-package: runtime: linking %d Windows modules from %s/jmods with "
                      "jlink %s (%s)" % (len(modules), WINDOWS_JDK, BUILD_JDK_VERSION,
                                         ",".join(modules)),
                      done.stderr.decode().splitlines())
        image = self.path("out", "Hello")
        # jlink adds what java.desktop requires; the release file is jlink's own.
        linked = sorted(modules + ["java.datatransfer", "java.prefs", "java.xml"])
        release = release_of(image)
        self.assertEqual(sorted(release), ["JAVA_VERSION", "MODULES"])
        self.assertEqual(release["JAVA_VERSION"], '"%s"' % BUILD_JDK_VERSION)
        self.assertEqual(sorted(release["MODULES"].strip('"').split()), linked)
        self.assertEqual(jimage_modules(os.path.join(image, "lib", "modules")), linked)
        files = listing(image)
        self.assertEqual(listing(self.path("out")), ["Hello/"] + ["Hello/" + f for f in files],
                         "nothing left of jlink's output beside the image")
        self.assertEqual([f for f in files if f.startswith("bin/") and not f.endswith(".dll")],
                         ["bin/", "bin/Hello.exe"],
                         "the native commands stripped, bin/server/ beside the launcher")
        self.assertIn("bin/jvm.dll", files)
        self.assertIn("bin/awt.dll", files, "java.desktop's libraries")
        self.assertFalse([f for f in files if f.startswith("include/") or f.startswith("man/")])
        self.assertEqual(read_block(os.path.join(image, "bin", "Hello.exe"), LAUNCHER_EXE)
                         .jvm_options, ["-Djava.class.path=&&app.jar;&&trellane-runtime.jar",
                                        "-Xmx64m"])

        again = self.package(*arguments, "--overwrite", env=cache)
        self.assertBuilt(again)
        self.assertTrue(any("the same as a runtime linked before" in line
                            for line in again.stderr.decode().splitlines()), again.stderr)
        self.assertEqual(listing(image), files)

    def test_runtime_jdk_refusals(self):
        self.app_input()
        fake = self.path("fake-jdk")
        copy(JVM_X64_DLL, os.path.join(fake, "bin", "server", "jvm.dll"))
        write(os.path.join(fake, "release"), 'JAVA_VERSION="21.0.2"\nOS_NAME="Windows"\n')
        no_jmods = self.path("no-jmods")
        copy(JVM_X64_DLL, os.path.join(no_jmods, "bin", "server", "jvm.dll"))
        write(os.path.join(fake, "jmods", "java.base.jmod"), "a jmod in name only")
        x86 = self.path("x86-jdk")
        copy(JVM_X86_DLL or JVM_X64_DLL, os.path.join(x86, "bin", "server", "jvm.dll"))
        os.makedirs(self.path("unpacked"))
        os.symlink(WINDOWS_JDK, self.path("unpacked", "jdk-17.0.15+6"))
        sample = ["--input", "input", "--main-jar", "app.jar", "--target", "windows"]
        self.assertRefusals([
            (["--input", "input", "--main-jar", "app.jar", "--runtime-jdk", WINDOWS_JDK], 2,
             "--runtime-jdk links a Windows runtime: give --target windows, or leave it out (a "
             "Linux image's runtime is linked from --jdk)"),
            (sample + ["--runtime-jdk", WINDOWS_JDK, "--runtime-image", WINDOWS_RUNTIME], 2,
             "--runtime-image and --runtime-jdk both give the runtime: give one of them"),
            (sample + ["--runtime-jdk", "input/app.jar"], 1,
             "--runtime-jdk input/app.jar is not a folder; " + JDK_WANTED),
            (sample + ["--runtime-jdk", JDK], 1,
             "--runtime-jdk %s is a Linux x86-64 JDK (by its lib/server/libjvm.so); it takes a "
             "Windows x64 JDK to link a Windows runtime from (a Linux image's runtime is linked "
             "from --jdk)" % JDK),
            (sample + ["--runtime-jdk", "x86-jdk"], 1,
             "--runtime-jdk x86-jdk is a Windows x86 (32-bit) JDK (by its bin/server/jvm.dll); "
             "the launcher is built for x86-64: " + JDK_WANTED),
            (sample + ["--runtime-jdk", "unpacked"], 1,
             "--runtime-jdk unpacked is not a JDK, but unpacked/jdk-17.0.15+6 is one: give "
             "--runtime-jdk unpacked/jdk-17.0.15+6"),
            (sample + ["--runtime-jdk", "no-jmods"], 1,
             "--runtime-jdk no-jmods has no jmods/java.base.jmod: jlink links a Windows runtime "
             "only from a Windows JDK's jmods (a JDK of version 24 or later may come without "
             "them); give a JDK that has jmods/, or a ready runtime with --runtime-image"),
            (sample + ["--runtime-jdk", "fake-jdk", "--jdk", JDK], 1,
             "--runtime-jdk fake-jdk is JDK 21.0.2, and the JDK whose jlink links it (%s) is "
             "%s: jlink links another system's modules only of its own feature version. "
             "Give a Windows JDK %s, or --jdk a Linux JDK 21"
             % (JDK, BUILD_JDK_VERSION, BUILD_JDK_VERSION.split(".")[0])),
            (sample + ["--runtime-jdk", WINDOWS_JDK, "--add-modules", "java.sql"], 1,
             "the runtime needs the module java.sql, and --runtime-jdk %s has no "
             "jmods/java.sql.jmod: give a whole Windows JDK, or check --add-modules"
             % WINDOWS_JDK),
            (sample + ["--runtime-jdk", WINDOWS_JDK, "--jlink-options",
                       "--strip-debug --generate-cds-archive"], 1,
             "--jlink-options holds --generate-cds-archive, which runs the new runtime's java: a "
             "Windows runtime cannot run here. Leave it out (--cds auto has the JVM make an "
             "archive on the user's machine, with a runtime of version 19 or later)"),
            (sample + ["--runtime-jdk", WINDOWS_JDK, "--jlink-options", "--module-path=x"], 1,
             "--jlink-options holds --module-path: the command links from --runtime-jdk's "
             "jmods/ and chooses where the runtime goes; leave it out"),
        ])


if __name__ == "__main__":
    unittest.main()
