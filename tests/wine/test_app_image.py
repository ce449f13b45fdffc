"""A Windows app image that trellane-package builds on Linux, run under Wine: the image's own
bin/jvm.dll (the test JVM, standing in for a Windows runtime's bin/server/jvm.dll) is the one
the loader takes, the JVM learns the image root as its home, and the class path names the
image's app/ jars."""

import os
import subprocess
import tempfile
import zipfile

import wine_prefix
from launcher_install import FAKE_JVM, LAUNCHER_EXE, Install
from wine_case import KNOWN_FOLDER_ERROR, WineTestCase, setUpModule  # noqa: F401

_BUILD = os.path.join(wine_prefix.REPO, "build", "linux")
PACKAGE = (os.environ.get("TRELLANE_WINE_PACKAGE")
           or os.path.join(_BUILD, "tools", "package", "trellane-package"))
RUNTIME_JAR = (os.environ.get("TRELLANE_WINE_RUNTIME_JAR")
               or os.path.join(_BUILD, "java", "trellane-runtime.jar"))


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
        write(os.path.join(runtime, "release"),
              b'JAVA_VERSION="17.0.15"\nOS_NAME="Windows"\nOS_ARCH="x86_64"\n')
        source = os.path.join(work, "input")
        jar(os.path.join(source, "app.jar"), "com.example.Main", main=True)
        jar(os.path.join(source, "lib", "util.jar"), "com.example.Util")
        jar(os.path.join(source, "deps", "dep.jar"), "org.dep.Dep")

        packaged = subprocess.run(
            [PACKAGE, "--target", "windows", "--runtime-image", runtime, "--input", source,
             "--main-jar", "app.jar", "--name", "Hello App", "--dest", work,
             "--class-path-wildcard", "deps", "--java-options", "-Xmx64m", "--arguments",
             "--first", "--launcher", LAUNCHER_EXE, "--runtime-jar", RUNTIME_JAR, "--quiet"],
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
