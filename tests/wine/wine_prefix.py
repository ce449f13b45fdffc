"""The suite's private Wine prefix and running Windows programs in it.

The prefix lives in the build tree (build/linux/tests/wine/prefix). It is created once, under a
file lock, so tests started side by side never race to create it; a marker file says it is
complete. Every run is headless (no DISPLAY) unless a test brings its own X server, and its
standard output and error go to files, or to pipes for the tests of what a calling program
receives. Wine's helper processes (a wineserver the run started) may outlive the program and
hold a pipe open, so a pipe is read once the program has ended, never to its end.

    python3 wine_prefix.py setup     # create the prefix if needed, start a wineserver
"""

import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
from typing import IO, Callable, Dict, NamedTuple, Optional, Sequence

_HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(_HERE))
BUILD = os.path.join(REPO, "build", "linux", "tests", "wine")
# The Windows program that reads a file's version strings and icons with Windows' own functions.
VERSION_PROBE = (os.environ.get("TRELLANE_WINE_VERSION_PROBE")
                 or os.path.join(BUILD, "version_probe.exe"))


def require_version_probe() -> None:
    if not os.path.isfile(VERSION_PROBE):
        raise AssertionError("%s is missing: cmake --build --preset linux" % VERSION_PROBE)

WINE = os.environ.get("TRELLANE_WINE") or "/usr/lib/wine/wine64"
WINESERVER = os.environ.get("TRELLANE_WINESERVER") or "/usr/lib/wine/wineserver"
PREFIX = os.environ.get("TRELLANE_WINE_PREFIX") or os.path.join(BUILD, "prefix")
# The tests that put message boxes on a screen have a prefix, and so a wineserver and a desktop,
# of their own: a headless run shortly before leaves the shared desktop without a display for
# a few seconds, and the next box would vanish unseen.
SCREEN_PREFIX = PREFIX + "-screen"
WORK = os.environ.get("TRELLANE_WINE_WORK") or os.path.join(BUILD, "work")

_READY_MARKER = ".trellane-prefix-ready"

# How long an idle wineserver stays up: long enough to bridge the gaps between test modules,
# short enough that an interrupted run leaves nothing behind for long.
_SERVER_LINGER_SECONDS = 60

# Variables of the machine that must not reach a test's Windows process: a display (tests are
# headless unless they say otherwise) and the variables the launcher itself reads or removes.
_SCRUBBED = (
    "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY",
    "TRELLANE_JVM_OPTIONS", "TRELLANE_DUMP_JVM_ARGS",
    "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS", "_ALT_JAVA_HOME_DIR",
)


class Completed(NamedTuple):
    status: int
    stdout: bytes
    stderr: bytes


def windows_path(path: str) -> str:
    """The path as a Windows program sees it: Wine's Z: drive is the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine_environment(winedebug: str = "-all",
                     extra: Optional[Dict[str, Optional[str]]] = None,
                     prefix: str = PREFIX) -> Dict[str, str]:
    """The Unix environment for a Wine run; extra is applied last, None removing a variable.

    Wine hands the Unix environment to the Windows process, with its own USERPROFILE, APPDATA
    and LOCALAPPDATA, without HOME and without variables whose value is empty; a test that
    needs those exactly goes through the starter (launcher_install.Install.start).
    """
    env = {k: v for k, v in os.environ.items() if k not in _SCRUBBED}
    env.update({
        "WINEPREFIX": prefix,
        "WINEDEBUG": winedebug,
        # No Mono or Gecko installer prompts while the prefix is made.
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
        # Unix arguments reach Wine as UTF-8.
        "LC_ALL": "C.UTF-8",
    })
    for name, value in (extra or {}).items():
        if value is None:
            env.pop(name, None)
        else:
            env[name] = value
    return env


def _file_contents(file: IO[bytes]) -> bytes:
    file.seek(0)
    return file.read()


def _pipe_contents(pipe: IO[bytes]) -> bytes:
    """What the pipe holds now, without waiting for every writer to close it."""
    os.set_blocking(pipe.fileno(), False)
    chunks = []
    while True:
        try:
            chunk = os.read(pipe.fileno(), 65536)
        except BlockingIOError:
            break
        if not chunk:
            break
        chunks.append(chunk)
    pipe.close()
    return b"".join(chunks)


def run_wine(arguments: Sequence[str], env: Dict[str, str], timeout: float = 60,
             preexec: Optional[Callable[[], None]] = None,
             cwd: Optional[str] = None, pipes: bool = False, stdin: bytes = b"") -> Completed:
    """Runs wine with the arguments; on timeout kills the whole process group and fails.

    With pipes, standard output and error are pipes, read when the program has ended: what
    they hold must fit a pipe's buffer (64 KiB), so no Wine trace channel with them. Standard
    input is a file holding stdin."""
    with tempfile.TemporaryFile() as out_file, tempfile.TemporaryFile() as err_file, \
            tempfile.TemporaryFile() as in_file:
        in_file.write(stdin)
        in_file.seek(0)
        destinations = (subprocess.PIPE, subprocess.PIPE) if pipes else (out_file, err_file)
        process = subprocess.Popen([WINE, *arguments], stdin=in_file,
                                   stdout=destinations[0], stderr=destinations[1], env=env,
                                   start_new_session=True, preexec_fn=preexec, cwd=cwd)
        out, err = (process.stdout, process.stderr) if pipes else (out_file, err_file)
        contents = _pipe_contents if pipes else _file_contents
        try:
            status = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            raise AssertionError("wine %s did not end within %s s; stderr so far:\n%s" % (
                " ".join(arguments), timeout, contents(err).decode("utf-8", "replace")))
        return Completed(status, contents(out), contents(err))


# With +relay, trace only these calls: the message box (its caption, text and style show in the
# trace even where no display can show the box itself) and the foreground permission a later
# launch of a single-instance application gives the running one.
_RELAY_INCLUDE = "user32.MessageBoxA;user32.AllowSetForegroundWindow"


def _set_relay_include(env: Dict[str, str]) -> None:
    run_wine(["reg", "add", "HKCU\\Software\\Wine\\Debug", "/v", "RelayInclude", "/t",
              "REG_SZ", "/d", _RELAY_INCLUDE, "/f"], env, timeout=120)
    subprocess.run([WINESERVER, "-w"], env=env, timeout=120, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _mark_ready(prefix: str) -> None:
    with open(os.path.join(prefix, _READY_MARKER), "w") as marker:
        marker.write("complete\nrelay %s\n" % _RELAY_INCLUDE)


def _boot_prefix(prefix: str) -> None:
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    env = wine_environment(prefix=prefix)
    result = run_wine(["wineboot", "-i"], env, timeout=540)
    if result.status != 0:
        raise RuntimeError("wineboot -i failed (%d):\n%s" % (
            result.status, result.stderr.decode("utf-8", "replace")))
    _set_relay_include(env)
    _mark_ready(prefix)


def ensure_prefix(prefix: str = PREFIX) -> None:
    """Creates the prefix unless a complete one exists; safe to call from parallel tests."""
    os.makedirs(os.path.dirname(prefix), exist_ok=True)
    with open(prefix + ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        marker = os.path.join(prefix, _READY_MARKER)
        if not os.path.exists(marker):
            _boot_prefix(prefix)
        else:
            # A prefix made before the relay setting changed gets the new one.
            with open(marker) as f:
                if f.read() != "complete\nrelay %s\n" % _RELAY_INCLUDE:
                    _set_relay_include(wine_environment(prefix=prefix))
                    _mark_ready(prefix)


def start_server() -> None:
    """A wineserver that outlives single runs, so each run starts in about a second."""
    subprocess.run([WINESERVER, "-p%d" % _SERVER_LINGER_SECONDS], env=wine_environment(),
                   timeout=60, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def main(argv: Sequence[str]) -> int:
    if argv[1:] == ["setup"]:
        ensure_prefix()
        start_server()
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
