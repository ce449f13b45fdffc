"""Running the real launcher on the real JVM: app images, stamping and runs.

An app image is a temporary directory X holding X/bin/<launcher>, X/app/ with the jars and
X/lib/ with a Java runtime (lay_out_runtime), so the launcher's install root is X, "&&" stands
for X/app/ and the JVM's java.home is X, as in an image made by jlink. The launcher is stamped
with trellane-stamp, or carries a block crafted here that the tool refuses to write. CMake
passes the built files in the environment; run from a shell, the defaults point into
build/linux.

    class ArgumentTest(harness.LauncherTestCase):
        def test_echo(self):
            app = self.make_app("fixture.Args", default_arguments=["-v"])
            result = app.run("one", env={"TRELLANE_DUMP_JVM_ARGS": ""})
            self.assertLaunch(result, status=0, stdout="...")
"""

import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import unittest
import zipfile
from typing import Dict, Iterable, NamedTuple, Optional, Sequence, Union

_REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
_BUILD = os.path.join(_REPO, "build", "linux")


def _built(variable: str, default: str) -> str:
    return os.environ.get(variable) or os.path.join(_BUILD, default)


LAUNCHER = _built("TRELLANE_E2E_LAUNCHER", "launcher")
STAMP_TOOL = _built("TRELLANE_E2E_STAMP", "tools/stamp/trellane-stamp")
RUNTIME_JAR = _built("TRELLANE_E2E_RUNTIME_JAR", "java/trellane-runtime.jar")
FIXTURE_JAR = _built("TRELLANE_E2E_FIXTURE_JAR", "tests/e2e/fixtures.jar")
# The images' libjvm.so (a copy of the JDK's, see lay_out_runtime) and where images are made.
LIBJVM = _built("TRELLANE_E2E_LIBJVM", "tests/e2e/runtime/libjvm.so")
WORK = _built("TRELLANE_E2E_WORK", "tests/e2e/work")
# A bootstrap class that breaks its contract (prepare fills nothing but for fixture.Throw;
# no fromException), used in place of the runtime jar.
STUB_BOOTSTRAP_JAR = _built("TRELLANE_E2E_STUB_BOOTSTRAP_JAR", "tests/e2e/stub-bootstrap.jar")
# The modular application's jars: app.jar, greeter.api.jar, greeter.impl.jar.
MODULES = _built("TRELLANE_E2E_MODULES", "tests/e2e/modules")



def _build_jdk() -> str:
    """The JDK the launcher is built against; from a shell, that of the javac on the PATH."""
    if os.environ.get("TRELLANE_E2E_JDK"):
        return os.environ["TRELLANE_E2E_JDK"]
    javac = shutil.which("javac")
    return os.path.dirname(os.path.dirname(os.path.realpath(javac))) if javac else ""


JDK = _build_jdk()

# The class path of a normal app image: the fixture programs and the bootstrap classes.
CLASS_PATH_OPTION = "-Djava.class.path=&&fixtures.jar:&&trellane-runtime.jar"

# The launcher's own variables and the JVM's option variables: a test sets them explicitly,
# never inherits them from whoever runs the suite.
_SCRUBBED_VARIABLES = (
    "TRELLANE_JVM_OPTIONS",
    "TRELLANE_DUMP_JVM_ARGS",
    "_JAVA_OPTIONS",
    "JDK_JAVA_OPTIONS",
    "JAVA_TOOL_OPTIONS",
    "_ALT_JAVA_HOME_DIR",
)

# The configuration area of an unstamped launcher.
AREA_SIZE = 16464
UNSTAMPED_AREA = b"_" * (AREA_SIZE - 1) + b"\0"

FLAG_USE_MAIN_THREAD = 0x01
FLAG_CONSOLE_APP = 0x02
FLAG_SET_UP_CONSOLE = 0x04
FLAG_REDIRECT_APPDATA = 0x10


class Result(NamedTuple):
    status: int
    stdout: str  # decoded as UTF-8; undecodable bytes kept as surrogate escapes
    stderr: str
    stdout_bytes: bytes
    stderr_bytes: bytes

    def describe(self) -> str:
        return "status %d\n--- stdout ---\n%s\n--- stderr ---\n%s" % (
            self.status, self.stdout, self.stderr)


def _decode(data: bytes) -> str:
    return data.decode("utf-8", "surrogateescape")


def launch_environment(env: Optional[Dict[str, Optional[str]]] = None) -> Dict[str, str]:
    """The suite's environment without the scrubbed variables, then env applied (None unsets)."""
    result = {k: v for k, v in os.environ.items() if k not in _SCRUBBED_VARIABLES}
    for name, value in (env or {}).items():
        if value is None:
            result.pop(name, None)
        else:
            result[name] = value
    return result


# JVMs of one user that start at the same moment race for each other's /tmp/hsperfdata files,
# and the loser warns on stdout. That is the JDK's affair, not the launcher's, and ctest -j
# starts JVMs side by side, so runs drop this one line.
_PERF_DATA_RACE = re.compile(
    rb"^\[[^\]\n]*\]\[warning\]\[perf,memops\] Cannot use file /tmp/hsperfdata_[^\n]*"
    rb"because it is locked by another process[^\n]*\n", re.MULTILINE)


def run(executable: str, args: Sequence[Union[str, bytes]] = (),
        env: Optional[Dict[str, Optional[str]]] = None, cwd: Optional[str] = None,
        timeout: float = 60) -> Result:
    """Runs executable with args; a run that outlives timeout is killed with its children."""
    process = subprocess.Popen([executable, *args], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=launch_environment(env), cwd=cwd,
                               start_new_session=True)
    try:
        out, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        out, err = process.communicate()
        raise AssertionError("%s still ran after %s s\n--- stdout ---\n%s\n--- stderr ---\n%s"
                             % (executable, timeout, _decode(out), _decode(err)))
    out = _PERF_DATA_RACE.sub(b"", out)
    return Result(process.returncode, _decode(out), _decode(err), out, err)


# --- Stamping -------------------------------------------------------------------------------

def stack_size_bytes(size: Union[int, str, None]) -> int:
    """N, "Nk" or "Nm" in bytes, as trellane-stamp reads --stack-size."""
    if size is None:
        return 0
    if isinstance(size, int):
        return size
    units = {"k": 1024, "m": 1024 * 1024}
    if size[-1:].lower() in units:
        return int(size[:-1]) * units[size[-1].lower()]
    return int(size)


def craft_block(main_class: str, jvm_options: Iterable[str] = (),
                default_arguments: Iterable[str] = (),
                allowed_user_option_prefixes: Iterable[str] = (), flags: int = 0,
                stack_size: Union[int, str, None] = None) -> bytes:
    """The bytes of a launch configuration block, written here without any check: for blocks
    trellane-stamp refuses to write. Strings are text (UTF-8) or bytes."""

    def string(s: Union[str, bytes]) -> bytes:
        return (s.encode("utf-8") if isinstance(s, str) else s) + b"\0"

    def string_list(items: Iterable[Union[str, bytes]]) -> bytes:
        items = list(items)
        return bytes([len(items) & 0xFF]) + b"".join(string(s) for s in items)

    return (bytes([flags]) + struct.pack(">I", stack_size_bytes(stack_size))
            + string(main_class) + string_list(jvm_options) + string_list(default_arguments)
            + string_list(allowed_user_option_prefixes))


def write_block(input_path: str, output_path: str, block: bytes) -> None:
    """Copies the launcher at input_path to output_path with block written over the start of
    its configuration area; the rest of the area keeps its underscores."""
    with open(input_path, "rb") as f:
        image = f.read()
    at = image.find(UNSTAMPED_AREA)
    if at < 0 or image.find(UNSTAMPED_AREA, at + 1) >= 0:
        raise AssertionError("%s has no single unstamped configuration area" % input_path)
    if len(block) > AREA_SIZE:
        raise AssertionError("block of %d bytes does not fit the area" % len(block))
    image = image[:at] + block + image[at + len(block):]
    with open(output_path, "wb") as f:
        f.write(image)
    shutil.copymode(input_path, output_path)


def stamp(input_path: str, output_path: str, main_class: str,
          jvm_options: Iterable[str] = (), default_arguments: Iterable[str] = (),
          allowed_user_option_prefixes: Iterable[str] = (),
          stack_size: Union[int, str, None] = None, use_main_thread: bool = False,
          console_app: bool = False, set_up_console: bool = False,
          redirect_appdata: bool = False, single_instance: Optional[str] = None) -> None:
    """Stamps the launcher at input_path into output_path with trellane-stamp; a main_class
    of the form "--module VALUE" stamps a main module; single_instance is --single-instance's
    identity ("" derives one), None leaves the mode off."""
    command = [STAMP_TOOL, "write", "--input", input_path, "--output", output_path]
    if main_class.startswith("--module "):
        command += ["--module", main_class[len("--module "):]]
    else:
        command += ["--main-class", main_class]
    for name, values in (("--jvm-option", jvm_options), ("--default-argument", default_arguments),
                         ("--allow-user-option", allowed_user_option_prefixes)):
        for value in values:
            command += [name, value]
    if stack_size is not None:
        command += ["--stack-size", str(stack_size)]
    for switch, on in (("--use-main-thread", use_main_thread), ("--console-app", console_app),
                       ("--set-up-console", set_up_console),
                       ("--redirect-appdata", redirect_appdata)):
        if on:
            command.append(switch)
    if single_instance is not None:
        command.append("--single-instance=" + single_instance)
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if done.returncode != 0:
        raise AssertionError("trellane-stamp failed (%d): %s" % (
            done.returncode, _decode(done.stderr)))


# --- App images -----------------------------------------------------------------------------

def bootstrap_only_jar(output_path: str) -> str:
    """A copy of the runtime jar without the updater class: the launcher's bootstrap only."""
    with zipfile.ZipFile(RUNTIME_JAR) as source, zipfile.ZipFile(output_path, "w") as target:
        for entry in source.infolist():
            if not entry.filename.startswith("morvantic/trellane/updater/"):
                target.writestr(entry, source.read(entry))
    return output_path


class App:
    """An app image: root/bin/<launcher> and root/app/."""

    def __init__(self, root: str, launcher_name: str = "launcher"):
        self.root = root
        self.bin_dir = os.path.join(root, "bin")
        self.app_dir = os.path.join(root, "app") + "/"  # what "&&" becomes
        self.launcher = os.path.join(self.bin_dir, launcher_name)

    def run(self, *args: Union[str, bytes], env: Optional[Dict[str, Optional[str]]] = None,
            cwd: Optional[str] = None, timeout: float = 60) -> Result:
        return run(self.launcher, args, env=env, cwd=cwd, timeout=timeout)


def lay_out_runtime(root: str) -> None:
    """root/lib/ and the rest of a Java runtime image beside root/bin/, as jlink lays one out:
    the launcher finds lib/server/libjvm.so through its RUNPATH ($ORIGIN/../lib/server) and the
    JVM takes root as its java.home. The JVM finds its home from libjvm.so's path with symbolic
    links resolved, so libjvm.so is a real file (a hard link to the build's copy) in real lib/
    and lib/server/ folders; everything else is a link into the build's JDK."""
    lib = os.path.join(root, "lib")
    server = os.path.join(lib, "server")
    os.makedirs(server)
    for folder, source, own in ((root, JDK, ("bin", "lib")),
                                (lib, os.path.join(JDK, "lib"), ("server",)),
                                (server, os.path.join(JDK, "lib", "server"), ("libjvm.so",))):
        for name in os.listdir(source):
            if name not in own:
                os.symlink(os.path.join(source, name), os.path.join(folder, name))
    try:
        os.link(LIBJVM, os.path.join(server, "libjvm.so"))
    except OSError:  # the image on another file system: a copy, 20-odd MB
        shutil.copy(LIBJVM, os.path.join(server, "libjvm.so"))


def make_image(root: str, jars: Iterable[str] = (RUNTIME_JAR, FIXTURE_JAR),
               launcher_name: str = "launcher", runtime: bool = True) -> App:
    """Lays out root/bin/, root/app/ with copies of jars and, unless runtime is false, the Java
    runtime (lay_out_runtime); the launcher is stamped later."""
    app = App(root, launcher_name)
    os.makedirs(app.bin_dir, exist_ok=True)
    os.makedirs(app.app_dir, exist_ok=True)
    for jar in jars:
        shutil.copy(jar, app.app_dir)
    if runtime:
        lay_out_runtime(root)
    return app


class LauncherTestCase(unittest.TestCase):
    """Test case with temporary app images removed after each test."""

    maxDiff = None

    def make_dir(self) -> str:
        # Real path: the launcher finds its install root through /proc/self/exe. In the build
        # tree, beside the libjvm.so that lay_out_runtime links.
        os.makedirs(WORK, exist_ok=True)
        directory = os.path.realpath(tempfile.mkdtemp(prefix="trellane-e2e-", dir=WORK))
        self.addCleanup(shutil.rmtree, directory, ignore_errors=True)
        return directory

    def make_app(self, main_class: str, jvm_options: Optional[Sequence[str]] = None,
                 jars: Iterable[str] = (RUNTIME_JAR, FIXTURE_JAR),
                 launcher_name: str = "launcher", **stamp_options) -> App:
        """A stamped app image. jvm_options defaults to the fixture class path; the remaining
        keywords are those of stamp()."""
        app = make_image(self.make_dir(), jars, launcher_name)
        if jvm_options is None:
            jvm_options = [CLASS_PATH_OPTION]
        stamp(LAUNCHER, app.launcher, main_class, jvm_options, **stamp_options)
        return app

    def make_app_with_block(self, block: bytes,
                            jars: Iterable[str] = (RUNTIME_JAR, FIXTURE_JAR)) -> App:
        """An app image whose launcher carries block exactly as given."""
        app = make_image(self.make_dir(), jars)
        write_block(LAUNCHER, app.launcher, block)
        return app

    def assertLaunch(self, result: Result, status: int, stdout: Optional[str] = None,
                     stderr: Optional[str] = None) -> None:
        """Exact status, and exact stdout and stderr where given."""
        self.assertEqual(status, result.status, result.describe())
        if stdout is not None:
            self.assertEqual(stdout, result.stdout, result.describe())
        if stderr is not None:
            self.assertEqual(stderr, result.stderr, result.describe())
