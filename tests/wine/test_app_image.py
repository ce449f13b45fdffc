"""A Windows app image that trellane-package builds on Linux, run under Wine: the image's own
bin/jvm.dll (the test JVM, standing in for a Windows runtime's bin/server/jvm.dll) is the one
the loader takes, the JVM learns the image root as its home, the class path names the
image's app/ jars, and Windows' own version functions read the branding of the signed
launcher. A runtime that jlink links here from a Windows JDK's jmods (--runtime-jdk) starts
the same way, with jpackage's placeholders become Windows paths. A modular application's
image starts its main module, linked into the runtime or in app/mods/, and each launcher of an
image of several starts its own entry with its own options (the main one's where it names
none), branded with its own name and icon."""

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
TOOL_COLOUR = (0x20, 0x80, 0xC0, 0xFF)
# The package suite's modules: app (app.Main) requires greeter; loud provides a service of it.
MODULE_SOURCES = os.path.join(wine_prefix.REPO, "tests", "package", "fixtures", "modules")
JDK = os.environ.get("TRELLANE_WINE_JDK") or os.path.realpath(
    os.path.join(shutil.which("javac") or "/usr/bin/javac", "..", ".."))


def setUpModule() -> None:
    wine_case.setUpModule()
    wine_prefix.require_version_probe()


def write(path: str, content: bytes) -> str:
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)
    return path


def fake_runtime(root: str, modules: str = "java.base") -> str:
    """A Windows runtime as jlink links one, the test JVM its jvm.dll; its release file names
    its version and its modules, no system, no processor."""
    with open(FAKE_JVM, "rb") as dll:
        write(os.path.join(root, "bin", "server", "jvm.dll"), dll.read())
    write(os.path.join(root, "lib", "modules"), b"modules")
    write(os.path.join(root, "release"),
          b'JAVA_VERSION="17.0.15"\nMODULES="%s"\n' % modules.encode())
    return root


def modular_jars(folder: str, work: str) -> None:
    """The modules of MODULE_SOURCES compiled and put in modular jars, as a build leaves them;
    app's descriptor names its main class."""
    os.makedirs(folder)
    for name in ("greeter", "loud", "app"):
        classes = os.path.join(work, "classes", name)
        sources = [os.path.join(parent, f) for parent, _, files in
                   os.walk(os.path.join(MODULE_SOURCES, name)) for f in files]
        subprocess.run([os.path.join(JDK, "bin", "javac"), "-p", folder, "-d", classes,
                        *sources], check=True)
        main = ["--main-class", "app.Main"] if name == "app" else []
        subprocess.run([os.path.join(JDK, "bin", "jar"), "--create", "--file",
                        os.path.join(folder, name + ".jar"), *main, "-C", classes, "."],
                       check=True)


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
        runtime = fake_runtime(os.path.join(work, "runtime"))
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


class ImageShapesTest(WineTestCase):

    def test_each_launcher_starts_its_own_entry(self):
        os.makedirs(wine_prefix.WORK, exist_ok=True)
        work = tempfile.mkdtemp(prefix="image-shapes-", dir=wine_prefix.WORK)
        self.addCleanup(subprocess.run, ["rm", "-rf", work])
        runtime = fake_runtime(os.path.join(work, "runtime"))
        modular_jars(os.path.join(work, "mods"), work)
        source = os.path.join(work, "input")
        jar(os.path.join(source, "app.jar"), "com.example.Main", main=True)
        jar(os.path.join(source, "lib", "util.jar"), "com.example.util.Util")
        icon = write(os.path.join(work, "tool.png"),
                     branded_exe.png(256, 256, [TOOL_COLOUR] * (256 * 256)))
        # jpackage's keys, its placeholders and its quoting.
        write(os.path.join(work, "tool.properties"), (
            "main-jar=lib/util.jar\nmain-class=com.example.util.Util\nwin-console=true\n"
            "arguments=--quiet \"two words\"\njava-options=-Xmx32m -Dtool.home=$APPDIR\n"
            "icon=%s\napp-version=3.1\n" % icon).encode())
        # Naming no class, jar or module: the main launcher's entry, with arguments of its own.
        write(os.path.join(work, "verbose.properties"), b"arguments=--verbose\n")
        given = ["--runtime-image", runtime]
        cases = [
            # The modules linked into the runtime by jlink from a Windows JDK's jmods; the main
            # class from app's descriptor, as java -m app finds it.
            ("modules linked", ["--runtime-jdk", WINDOWS_JDK, "--module-path", "mods",
                                "--module", "app", "--name", "Greet"], [
                ("Greet.exe", lambda app: [
                    b"-Djava.class.path=" + app + b"trellane-runtime.jar",
                    b"-Djdk.module.main=app", b"-Dsun.java.command=app one"],
                 b"app/", [b"one"])]),
            # The modules beside a given runtime, and a launcher of a jar of the input's on the
            # class path.
            ("modules in app/mods", [*given, "--module-path", "mods", "--module", "app",
                                     "--name", "Greet", "--input", "input", "--add-launcher",
                                     "Greet Tool=tool.properties"], [
                ("Greet.exe", lambda app: [
                    b"-Djava.class.path=" + app + b"trellane-runtime.jar",
                    b"--module-path=" + app + b"mods", b"-Djdk.module.main=app",
                    b"-Dsun.java.command=app one"],
                 b"app/", [b"one"]),
                ("Greet Tool.exe", lambda app: [
                    b"-Djava.class.path=" + app + b"lib/util.jar;" + app + b"app.jar;" + app +
                    b"trellane-runtime.jar", b"--module-path=" + app + b"mods", b"-Xmx32m",
                    b"-Dtool.home=" + app,
                    b"-Dsun.java.command=com.example.util.Util --quiet two words one"],
                 b"com.example.util.Util", [b"--quiet", b"two words", b"one"])]),
            ("several launchers", [*given, "--input", "input", "--main-jar", "app.jar",
                                   "--name", "Hello", "--java-options", "-Xmx64m", "--add-launcher",
                                   "Hello Tool=tool.properties", "--add-launcher",
                                   "Verbose=verbose.properties"], [
                ("Hello.exe", lambda app: [
                    b"-Djava.class.path=" + app + b"app.jar;" + app + b"lib/util.jar;" + app +
                    b"trellane-runtime.jar", b"-Xmx64m",
                    b"-Dsun.java.command=com.example.Main one"],
                 b"com.example.Main", [b"one"]),
                ("Hello Tool.exe", lambda app: [
                    b"-Djava.class.path=" + app + b"lib/util.jar;" + app + b"app.jar;" + app +
                    b"trellane-runtime.jar", b"-Xmx32m", b"-Dtool.home=" + app,
                    b"-Dsun.java.command=com.example.util.Util --quiet two words one"],
                 b"com.example.util.Util", [b"--quiet", b"two words", b"one"]),
                ("Verbose.exe", lambda app: [
                    b"-Djava.class.path=" + app + b"app.jar;" + app + b"lib/util.jar;" + app +
                    b"trellane-runtime.jar", b"-Xmx64m",
                    b"-Dsun.java.command=com.example.Main --verbose one"],
                 b"com.example.Main", [b"--verbose", b"one"])]),
        ]
        for name, arguments, launchers in cases:
            with self.subTest(name):
                dest = os.path.join(work, name)
                packaged = subprocess.run(
                    [PACKAGE, "--target", "windows", *arguments, "--dest", dest, "--launcher",
                     LAUNCHER_EXE, "--runtime-jar", RUNTIME_JAR, "--quiet"],
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=work,
                    env=dict(os.environ, XDG_CACHE_HOME=os.path.join(_PACKAGE_FIXTURES, "cache")))
                self.assertEqual((packaged.returncode, packaged.stderr), (0, b""))
                image_root = os.path.join(dest, os.listdir(dest)[0])
                if "--runtime-jdk" in arguments:
                    # The JDK's DLLs only stand in for real ones: the test JVM takes jvm.dll's
                    # place.
                    shutil.copyfile(FAKE_JVM, os.path.join(image_root, "bin", "jvm.dll"))
                for exe_name, options, main_class, main_arguments in launchers:
                    image = PackagedImage(image_root, exe_name)
                    launch = image.run("one")
                    self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
                    self.assertEqual(launch.log.options, options(image.app_dir.encode()))
                    self.assertEqual(launch.log.fields("prepare"), [(main_class,)])
                    self.assertEqual(launch.log.main_arguments, main_arguments)

        # The added launcher is a program of its own to Windows: its own name, version and icon,
        # and a console program (win-console) beside a GUI one.
        tool = PackagedImage(os.path.join(work, "several launchers", "Hello"), "Hello Tool.exe")
        self.assertBrandingSeenByWindows(tool.windows_exe, "Hello Tool", "3.1.0.0", "Vendor",
                                         "Copyright (C) Vendor", TOOL_COLOUR)
        import pefile  # pylint: disable=import-outside-toplevel  (python3-pefile, a test need)
        self.assertEqual([pefile.PE(os.path.join(tool.bin, name), fast_load=True)
                          .OPTIONAL_HEADER.Subsystem for name in ("Hello.exe", "Hello Tool.exe")],
                         [2, 3], "Windows GUI, then console")


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
