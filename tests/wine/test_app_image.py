"""A Windows app image that trellane-package builds on Linux, run under Wine: the image's own
bin/jvm.dll (the test JVM, standing in for a Windows runtime's bin/server/jvm.dll) is the one
the loader takes, the JVM learns the image root as its home, the class path names the
image's app/ jars, and Windows' own version functions read the branding of the signed
launcher. A runtime that jlink links here from a Windows JDK's jmods (--runtime-jdk) starts
the same way, with jpackage's placeholders become Windows paths."""

import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

import wine_case
import wine_prefix
from launcher_install import FAKE_JVM, LAUNCHER_EXE, Install
from wine_case import KNOWN_FOLDER_ERROR, WineTestCase

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
import branded_exe  # noqa: E402  (found through the path above)
from signing_keys import make_certificates  # noqa: E402

_BUILD = os.path.join(wine_prefix.REPO, "build", "linux")
PACKAGE = (os.environ.get("TRELLANE_WINE_PACKAGE")
           or os.path.join(_BUILD, "tools", "package", "trellane-package"))
RUNTIME_JAR = (os.environ.get("TRELLANE_WINE_RUNTIME_JAR")
               or os.path.join(_BUILD, "java", "trellane-runtime.jar"))
# The package suite's fixtures: its application, its runtime cache and a Windows x64 JDK made
# from the build JDK's modules (tests/package/make_windows_jdk.py).
_PACKAGE_FIXTURES = (os.environ.get("TRELLANE_WINE_PACKAGE_FIXTURES")
                     or os.path.join(_BUILD, "tests", "package"))
WINDOWS_JDK = (os.environ.get("TRELLANE_WINE_WINDOWS_JDK")
               or os.path.join(_PACKAGE_FIXTURES, "windows-jdk"))
ICON_COLOUR = (0xC0, 0x60, 0x20, 0xFF)


def setUpModule() -> None:
    wine_case.setUpModule()
    wine_prefix.require_version_probe()


def write(path: str, content: bytes) -> None:
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)


def jar(path: str, class_name: str, main: bool = False) -> None:
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w") as archive:
        archive.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n" +
                         ("Main-Class: %s\r\n" % class_name if main else "") + "\r\n")
        archive.writestr(class_name.replace(".", "/") + ".class", b"\xca\xfe\xba\xbe")


class PackagedImage(Install):
    """The launcher of an image the packaging command laid out, with the test JVM's script
    beside its jvm.dll."""

    def __init__(self, root: str, exe_name: str):  # pylint: disable=super-init-not-called
        self.root = root
        self.bin = os.path.join(root, "bin")
        self.exe = os.path.join(self.bin, exe_name)
        write(os.path.join(self.bin, "fakejvm.cfg"), b"")


class AppImageTest(WineTestCase):

    def test_the_image_starts_with_its_runtime_and_its_app_folder(self):
        os.makedirs(wine_prefix.WORK, exist_ok=True)
        work = tempfile.mkdtemp(prefix="app-image-", dir=wine_prefix.WORK)
        self.addCleanup(subprocess.run, ["rm", "-rf", work])
        runtime = os.path.join(work, "runtime")
        with open(FAKE_JVM, "rb") as dll:
            write(os.path.join(runtime, "bin", "server", "jvm.dll"), dll.read())
        write(os.path.join(runtime, "lib", "modules"), b"modules")
        # The release file jlink writes: no system, no processor.
        write(os.path.join(runtime, "release"), b'JAVA_VERSION="17.0.15"\nMODULES="java.base"\n')
        source = os.path.join(work, "input")
        jar(os.path.join(source, "app.jar"), "com.example.Main", main=True)
        jar(os.path.join(source, "lib", "util.jar"), "com.example.Util")
        jar(os.path.join(source, "deps", "dep.jar"), "org.dep.Dep")
        keys = os.path.join(work, "keys")
        os.makedirs(keys)
        make_certificates(keys)
        icon = os.path.join(keys, "icon.png")
        write(icon, branded_exe.png(256, 256, [ICON_COLOUR] * (256 * 256)))

        packaged = subprocess.run(
            [PACKAGE, "--target", "windows", "--runtime-image", runtime, "--input", source,
             "--main-jar", "app.jar", "--name", "Hello App", "--dest", work,
             "--class-path-wildcard", "deps", "--java-options", "-Xmx64m", "--arguments",
             "--first", "--app-version", "2.5.1", "--vendor", "Zoë Ltd", "--copyright",
             "© 2026 Zoë Ltd", "--icon", icon, "--sign-cert", os.path.join(keys, "chain.pem"),
             "--sign-key", os.path.join(keys, "leaf.key"), "--launcher", LAUNCHER_EXE, "--runtime-jar", RUNTIME_JAR, "--quiet"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.assertEqual((packaged.returncode, packaged.stderr), (0, b""))

        image = PackagedImage(os.path.join(work, "Hello App"), "Hello App.exe")
        launch = image.run("one", "two words")
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        app = image.app_dir.encode()
        self.assertEqual(launch.log.options[:2], [
            b"-Djava.class.path=" + app + b"app.jar;" + app + b"lib/util.jar;" + app +
            b"deps/dep.jar;" + app + b"trellane-runtime.jar",
            b"-Xmx64m"])
        self.assertEqual(launch.log.environment.get("_ALT_JAVA_HOME_DIR"),
                         image.windows_root.encode())
        self.assertEqual(launch.log.fields("prepare"), [(b"com.example.Main",)])
        self.assertEqual(launch.log.main_arguments, [b"--first", b"one", b"two words"])

        self.assertBrandingSeenByWindows(image.windows_exe, "Hello App", "2.5.1.0", "Zoë Ltd",
                                         "© 2026 Zoë Ltd", ICON_COLOUR)


class LinkedRuntimeTest(WineTestCase):

    def test_a_runtime_linked_from_a_windows_jdk_starts_with_its_options(self):
        os.makedirs(wine_prefix.WORK, exist_ok=True)
        work = tempfile.mkdtemp(prefix="linked-runtime-", dir=wine_prefix.WORK)
        self.addCleanup(subprocess.run, ["rm", "-rf", work])
        # A real jar, which jdeps reads to choose the modules.
        source = os.path.join(work, "input")
        os.makedirs(source)
        shutil.copyfile(os.path.join(_PACKAGE_FIXTURES, "packaged-app.jar"),
                        os.path.join(source, "app.jar"))
        packaged = subprocess.run(
            [PACKAGE, "--target", "windows", "--runtime-jdk", WINDOWS_JDK, "--input", source,
             "--main-jar", "app.jar", "--name", "Linked", "--dest", work,
             "--java-options", '-Xmx64m -Dk="a b" --add-opens java.base/java.lang=ALL-UNNAMED',
             "--java-options", "-Dapp=$APPDIR -Dbin=$BINDIR -Droot=$ROOTDIR\\conf",
             "--arguments", 'one "two three"', "--launcher", LAUNCHER_EXE,
             "--runtime-jar", RUNTIME_JAR, "--quiet"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE,
            env=dict(os.environ, XDG_CACHE_HOME=os.path.join(_PACKAGE_FIXTURES, "cache")))
        self.assertEqual((packaged.returncode, packaged.stderr), (0, b""))

        image = PackagedImage(os.path.join(work, "Linked"), "Linked.exe")
        # The JDK's DLLs only stand in for real ones: the test JVM takes jvm.dll's place.
        with open(FAKE_JVM, "rb") as dll:
            write(os.path.join(image.bin, "jvm.dll"), dll.read())
        launch = image.run("four")
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        root = image.windows_root.encode()
        self.assertEqual(launch.log.options[1:7], [
            b"-Xmx64m", b"-Dk=a b", b"--add-opens=java.base/java.lang=ALL-UNNAMED",
            b"-Dapp=" + root + b"\\app\\", b"-Dbin=" + root + b"\\app\\..\\bin",
            b"-Droot=" + root + b"\\app\\..\\conf"])
        self.assertEqual(launch.log.environment.get("_ALT_JAVA_HOME_DIR"), root)
        self.assertEqual(launch.log.main_arguments, [b"one", b"two three", b"four"])
