"""Running trellane-package on small inputs and synthetic runtimes in a temporary folder, and
reading what it wrote with readers of our own making (the block by its documented format).

CMake passes the built files in the environment; run from a shell, the defaults point into
build/linux and build/windows.
"""

import os
import shutil
import signal
import stat
import struct
import subprocess
import tempfile
import unittest
import zipfile
import zlib
from typing import Dict, List, NamedTuple, Optional, Tuple, Union

_REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
_BUILD = os.path.join(_REPO, "build")


def _built(variable: str, default: str) -> str:
    return os.environ.get(variable) or os.path.join(_BUILD, default)


PACKAGE = _built("TRELLANE_PACKAGE", "linux/tools/package/trellane-package")
LAUNCHER = _built("TRELLANE_PACKAGE_LAUNCHER", "linux/launcher")
LAUNCHER_EXE = _built("TRELLANE_PACKAGE_LAUNCHER_EXE", "windows/launcher.exe")
RUNTIME_JAR = _built("TRELLANE_PACKAGE_RUNTIME_JAR", "linux/java/trellane-runtime.jar")
APP_JAR = _built("TRELLANE_PACKAGE_APP_JAR", "linux/tests/package/packaged-app.jar")
# A single-instance application: com.example.documents.Documents.
DOCUMENTS_JAR = _built("TRELLANE_PACKAGE_DOCUMENTS_JAR", "linux/tests/package/documents-app.jar")
# JVM libraries in name only, as each system's compilers build them; "" when not built.
JVM_X64_DLL = _built("TRELLANE_PACKAGE_JVM_X64_DLL", "linux/tests/package/jvm-x64.dll")
JVM_X86_DLL = os.environ.get("TRELLANE_PACKAGE_JVM_X86_DLL",
                             os.path.join(_BUILD, "linux", "tests", "package", "jvm-x86.dll"))
LIBJVM = _built("TRELLANE_PACKAGE_LIBJVM", "linux/tests/package/libjvm.so")
# A Windows x64 JDK made from the build JDK's modules, and the runtime jlink made from it
# (make_windows_jdk.py).
WINDOWS_JDK = _built("TRELLANE_PACKAGE_WINDOWS_JDK", "linux/tests/package/windows-jdk")
WINDOWS_RUNTIME = _built("TRELLANE_PACKAGE_WINDOWS_RUNTIME", "linux/tests/package/windows-runtime")
JDK = os.environ.get("TRELLANE_PACKAGE_JDK") or os.path.realpath(
    os.path.join(shutil.which("javac") or "/usr/bin/javac", "..", ".."))
if "XDG_CACHE_HOME" not in os.environ:
    os.environ["XDG_CACHE_HOME"] = os.path.join(_BUILD, "linux", "tests", "package", "cache")

# The system's JVM folder, where Debian's JDKs and other vendors' packages install theirs.
SYSTEM_JVM_FOLDER = "/usr/lib/jvm"


def _feature_version(jdk: str) -> int:
    """The feature version in a JDK's release file (17 for "17.0.15"); 0 when it has none."""
    try:
        with open(os.path.join(jdk, "release")) as f:
            for line in f:
                if line.startswith("JAVA_VERSION="):
                    return int(line.split("=", 1)[1].strip().strip('"').split(".")[0])
    except (OSError, ValueError):
        pass
    return 0


def jdk_version(jdk: str) -> str:
    """The version of a JDK, as its jlink says it ("17.0.15" for one, a later one on a machine
    with newer updates): the version of every runtime it links."""
    said = subprocess.run([os.path.join(jdk, "bin", "jlink"), "--version"],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=True)
    return said.stdout.decode().strip()


def newer_jdk() -> Optional[str]:
    """A JDK of version 21 or later to link images with: TRELLANE_NEWER_JDK when set (it must
    be one), else the newest in the system's JVM folder; None when the machine has none."""
    named = os.environ.get("TRELLANE_NEWER_JDK")
    if named:
        if _feature_version(named) < 21 or not os.path.exists(os.path.join(named, "bin", "jlink")):
            raise AssertionError("TRELLANE_NEWER_JDK=%s is not a JDK of version 21 or later"
                                 % named)
        return named
    found = {}
    if os.path.isdir(SYSTEM_JVM_FOLDER):
        for name in sorted(os.listdir(SYSTEM_JVM_FOLDER)):
            jdk = os.path.realpath(os.path.join(SYSTEM_JVM_FOLDER, name))
            if os.path.exists(os.path.join(jdk, "bin", "jlink")) and _feature_version(jdk) >= 21:
                found[jdk] = _feature_version(jdk)
    return max(found, key=found.get) if found else None


AREA_SIZE = 16464
UNSTAMPED_AREA = b"_" * (AREA_SIZE - 1) + b"\0"

# A jar entry that stands for a class: the tool looks for the entry, never inside it.
CLASS = b"\xca\xfe\xba\xbe"


class Block(NamedTuple):
    flags: int
    stack_size: int
    main_class: str
    jvm_options: List[str]
    arguments: List[str]
    prefixes: List[str]


def read_block(stamped: str, unstamped: str) -> Block:
    """The block of a stamped launcher, read at the offset of the unstamped launcher's area."""
    with open(unstamped, "rb") as f:
        at = f.read().find(UNSTAMPED_AREA)
    with open(stamped, "rb") as f:
        data = f.read()[at:at + AREA_SIZE]
    flags, stack_size = data[0], struct.unpack(">I", data[1:5])[0]
    cursor = 5

    def string() -> str:
        nonlocal cursor
        end = data.index(b"\0", cursor)
        text = data[cursor:end].decode("utf-8")
        cursor = end + 1
        return text

    def string_list() -> List[str]:
        nonlocal cursor
        count = data[cursor]
        cursor += 1
        return [string() for _ in range(count)]

    main_class = string()
    return Block(flags, stack_size, main_class, string_list(), string_list(), string_list())


def write(path: str, content: Union[bytes, str]) -> str:
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content.encode() if isinstance(content, str) else content)
    return path


def jar(path: str, classes=(), main_class: Optional[str] = None,
        class_path: Optional[str] = None) -> str:
    """A jar holding an entry for each class (dotted names) and a manifest."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    manifest = "Manifest-Version: 1.0\r\n"
    if main_class:
        manifest += "Main-Class: %s\r\n" % main_class
    if class_path:
        manifest += "Class-Path: %s\r\n" % class_path
    with zipfile.ZipFile(path, "w") as archive:
        archive.writestr("META-INF/MANIFEST.MF", manifest + "\r\n")
        for name in classes:
            archive.writestr(name.replace(".", "/") + ".class", CLASS)
    return path


def jar_declaring(path: str, manifest: bytes, declared: Optional[int] = None,
                  zip64: bool = False) -> str:
    """A jar of a deflated manifest and a class (com.example.Main) whose central directory
    declares the manifest to be `declared` bytes (in a zip64 field when zip64): what a damaged
    or hostile jar holds, which zipfile will not write."""
    entries = [(b"META-INF/MANIFEST.MF", manifest, declared),
               (b"com/example/Main.class", CLASS, None)]
    data, central = b"", b""
    for name, content, size in entries:
        packer = zlib.compressobj(9, zlib.DEFLATED, -15)
        packed = packer.compress(content) + packer.flush()
        crc = zlib.crc32(content)
        size = len(content) if size is None else size
        extra = struct.pack("<HHQ", 1, 8, size) if zip64 and declared is not None else b""
        field = 0xFFFFFFFF if extra else size
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 20, 0, 8, 0, 0, crc,
                               len(packed), field, len(name), len(extra), 0, 0, 0, 0,
                               len(data)) + name + extra
        data += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 8, 0, 0, crc, len(packed),
                            min(size, 0xFFFFFFFF), len(name), 0) + name + packed
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central),
                      len(data), 0)
    return write(path, data + central + end)


def jlink_release(java_version: str = "17.0.15", modules: str = "java.base") -> str:
    """The release file jlink writes: the version and the modules, no system or processor."""
    return 'JAVA_VERSION="%s"\nMODULES="%s"\n' % (java_version, modules)


def copy(source: str, path: str) -> str:
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copyfile(source, path)
    return path


def windows_runtime(root: str, java_version: str = "17.0.15",
                    jvm_dll: Optional[str] = None) -> str:
    """What a Windows runtime made by jlink holds, in miniature: its jvm.dll a real x86-64 DLL
    (or the one given), its release file as jlink writes it."""
    copy(jvm_dll or JVM_X64_DLL, os.path.join(root, "bin", "server", "jvm.dll"))
    write(os.path.join(root, "bin", "server", "classes.jsa"), "archive")
    write(os.path.join(root, "bin", "server", "classes_nocoops.jsa"), "archive without coops")
    write(os.path.join(root, "bin", "java.dll"), "java")
    write(os.path.join(root, "lib", "modules"), "modules")
    write(os.path.join(root, "conf", "security", "java.security"), "security")
    write(os.path.join(root, "release"), jlink_release(java_version))
    return root


def linux_runtime(root: str, java_version: str = "17.0.15") -> str:
    """What a Linux runtime made by jlink holds, in miniature (it cannot run): its libjvm.so a
    real x86-64 shared object, its release file as jlink writes it."""
    copy(LIBJVM, os.path.join(root, "lib", "server", "libjvm.so"))
    write(os.path.join(root, "lib", "server", "classes.jsa"), "archive")
    write(os.path.join(root, "lib", "server", "classes_nocoops.jsa"), "archive without coops")
    write(os.path.join(root, "lib", "modules"), "modules")
    write(os.path.join(root, "release"), jlink_release(java_version))
    return root


def listing(root: str) -> List[str]:
    """Every path under root, folders ending in '/', sorted."""
    found = []
    for folder, folders, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        prefix = "" if relative == "." else relative + "/"
        found += [prefix + name + "/" for name in folders] + [prefix + name for name in files]
    return sorted(found)


class PackageTestCase(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        # The real path: the launcher finds its install root through /proc/self/exe.
        self.work = os.path.realpath(tempfile.mkdtemp(prefix="trellane-package-test-"))
        self.addCleanup(shutil.rmtree, self.work, True)

    def path(self, *parts: str) -> str:
        return os.path.join(self.work, *parts)

    def sample_input(self, name: str = "input") -> str:
        """An application as a build leaves it: the main jar (with a Main-Class), a library,
        a dependency folder and a data folder."""
        root = self.path(name)
        jar(os.path.join(root, "app.jar"), ["com.example.Main"], main_class="com.example.Main")
        jar(os.path.join(root, "lib", "util.jar"), ["com.example.util.Util"])
        jar(os.path.join(root, "deps", "a.jar"), ["org.a.A"])
        jar(os.path.join(root, "deps", "b.jar"), ["org.b.B"])
        write(os.path.join(root, "data", "greeting.txt"), "Guten Tag\n")
        return root

    @staticmethod
    def command(*arguments: str, launcher: Optional[str] = None) -> List[str]:
        """The tool's command line, with the built launcher of the arguments' target."""
        pairs = list(zip(arguments, arguments[1:]))
        windows = ("--target", "windows") in pairs or ("--type", "msi") in pairs
        launcher = launcher or (LAUNCHER_EXE if windows else LAUNCHER)
        return [PACKAGE, "--launcher", launcher, "--runtime-jar", RUNTIME_JAR, *arguments]

    def package(self, *arguments: str, launcher: Optional[str] = None,
                env: Optional[Dict[str, str]] = None,
                timeout: int = 600) -> subprocess.CompletedProcess:
        """Runs the tool in the work folder."""
        return subprocess.run(self.command(*arguments, launcher=launcher), stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, cwd=self.work,
                              env=dict(os.environ, **(env or {})), timeout=timeout)

    def assertRefusals(self, cases: List[Tuple[List[str], int, Optional[str]]], late: str,
                       env: Optional[Dict[str, str]] = None) -> None:
        """Runs a table of refusals, (arguments, status, message) each, in the work folder: the
        tool ends with status and says "trellane-package: MESSAGE" and nothing else, or, where
        message is None, reports the packaging program's own refusal, which starts with late
        (such as "dpkg-deb could not build the package"); either way it writes nothing."""
        before = listing(self.work)
        for arguments, status, message in cases:
            with self.subTest(arguments=arguments):
                done = self.package(*arguments, env=env)
                if message is None:
                    self.assertEqual(done.returncode, status, done.stderr.decode())
                    self.assertTrue(done.stderr.decode().startswith("trellane-package: " + late),
                                    done.stderr.decode())
                else:
                    self.assertEqual((done.returncode, done.stderr.decode(errors="replace")),
                                     (status, "trellane-package: " + message + "\n"))
                self.assertEqual(listing(self.work), before, "nothing written")

    def assertInterruptionLeavesNothing(self, arguments: List[str], building: str,
                                        program: str) -> None:
        """Packages the sample application with arguments into out, a folder the tool makes, and
        sends SIGTERM once it says building (such as "deb: building"): the tool ends by the
        signal, out is gone and program (the packaging program it was running) is stopped too."""
        shutil.copyfile(APP_JAR, write(self.path("input", "app.jar"), ""))
        process = subprocess.Popen(
            self.command("--input", "input", "--main-jar", "app.jar", *arguments,
                         "--dest", "out"),
            cwd=self.work, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        lines = []
        for line in process.stderr:
            lines.append(line.decode())
            if building in lines[-1]:
                process.send_signal(signal.SIGTERM)
                break
        _, err = process.communicate(timeout=120)
        self.assertEqual(process.returncode, -signal.SIGTERM, "".join(lines) + err.decode())
        self.assertFalse(os.path.exists(self.path("out")), "the destination it made is gone")
        self.assertEqual(subprocess.run(["pgrep", "-f", self.path("out")],
                                        stdout=subprocess.PIPE).stdout, b"",
                         program + " is stopped too")

    def assertBuilt(self, done: subprocess.CompletedProcess) -> None:
        self.assertEqual(done.returncode, 0, done.stderr.decode("utf-8", "replace"))
        self.assertEqual(done.stdout, b"")

    def assertExecutable(self, path: str) -> None:
        self.assertTrue(os.stat(path).st_mode & stat.S_IXUSR, path + " is not executable")
