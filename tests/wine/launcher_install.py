"""An installed, stamped launcher.exe with the test JVM beside it, and running it under Wine.

Layout of one install, X a fresh directory under the build tree:

    X/bin/launcher.exe   the built launcher, stamped with trellane-stamp
    X/bin/jvm.dll        the test JVM: the loader finds it beside the executable
    X/bin/fakejvm.cfg    its script (what the Java side does this time)
    X/bin/fakejvm.log    its record of the launch

so the launcher's installRoot is X's Windows path (Z:\\...) and its appDir installRoot + "\\app\\".
"""

import os
import resource
import shutil
import subprocess
from dataclasses import dataclass, field
from typing import Dict, List, NamedTuple, Optional, Sequence

import wine_prefix
from fake_jvm_log import FakeJvmLog

_BUILD = os.path.join(wine_prefix.REPO, "build")
LAUNCHER_EXE = (os.environ.get("TRELLANE_WINE_LAUNCHER")
                or os.path.join(_BUILD, "windows", "launcher.exe"))
STAMP_TOOL = (os.environ.get("TRELLANE_WINE_STAMP")
              or os.path.join(_BUILD, "linux", "tools", "stamp", "trellane-stamp"))
FAKE_JVM = os.environ.get("TRELLANE_WINE_FAKE_JVM") or os.path.join(wine_prefix.BUILD, "jvm.dll")
STARTER = (os.environ.get("TRELLANE_WINE_STARTER")
           or os.path.join(wine_prefix.BUILD, "starter.exe"))


def require_built_files() -> None:
    """Fails, naming what to build, when a file the suite runs is missing."""
    missing = {
        LAUNCHER_EXE: "cmake --preset windows && cmake --build --preset windows",
        STAMP_TOOL: "cmake --build --preset linux",
        FAKE_JVM: "cmake --build --preset linux (target wine_fixtures)",
        STARTER: "cmake --build --preset linux (target wine_fixtures)",
    }
    absent = ["%s (build it: %s)" % (path, how) for path, how in missing.items()
              if not os.path.isfile(path)]
    if absent:
        raise AssertionError("not built:\n  " + "\n  ".join(absent))


@dataclass
class LaunchSettings:
    """What trellane-stamp writes into the launcher's configuration block."""
    main_class: str = "com.example.Main"
    jvm_options: Sequence[str] = ()
    default_arguments: Sequence[str] = ()
    allowed_prefixes: Sequence[str] = ()
    stack_size: int = 0
    use_main_thread: bool = False
    console_app: bool = False
    set_up_console: bool = False
    redirect_appdata: bool = False
    write_options: Sequence[str] = ()  # more of write's options: branding, signing

    def stamp_arguments(self) -> List[str]:
        arguments = ["--main-class", self.main_class, "--stack-size", str(self.stack_size)]
        for flag, option in ((self.jvm_options, "--jvm-option"),
                             (self.default_arguments, "--default-argument"),
                             (self.allowed_prefixes, "--allow-user-option")):
            for value in flag:
                arguments.append("%s=%s" % (option, value))
        for enabled, switch in ((self.use_main_thread, "--use-main-thread"),
                                (self.console_app, "--console-app"),
                                (self.set_up_console, "--set-up-console"),
                                (self.redirect_appdata, "--redirect-appdata")):
            if enabled:
                arguments.append(switch)
        return arguments + list(self.write_options)


class Launch(NamedTuple):
    status: int
    stdout: bytes
    stderr: bytes
    log: FakeJvmLog

    def describe(self) -> str:
        return "status %d\n--- stderr ---\n%s\n--- test JVM record ---\n%s" % (
            self.status, self.stderr.decode("utf-8", "replace"), self.log.describe())


@dataclass
class StartPlan:
    """How the starter starts the launcher: an exact command line and environment."""
    arguments: str = ""                       # the command line after the program's name
    set: Dict[str, str] = field(default_factory=dict)
    unset: Sequence[str] = ()
    empty_environment: bool = False


class Install:
    def __init__(self, directory: str, settings: LaunchSettings, script: Sequence[str] = (),
                 exe_name: str = "launcher.exe"):
        """A fresh install in directory (removed first when it exists)."""
        require_built_files()
        shutil.rmtree(directory, ignore_errors=True)
        self.root = os.path.abspath(directory)
        self.bin = os.path.join(self.root, "bin")
        os.makedirs(self.bin)
        self.exe = os.path.join(self.bin, exe_name)
        stamped = subprocess.run(
            [STAMP_TOOL, "write", "--input", LAUNCHER_EXE, "--output", self.exe,
             *settings.stamp_arguments()], capture_output=True)
        if stamped.returncode != 0:
            raise AssertionError("trellane-stamp failed: %s" % stamped.stderr.decode())
        shutil.copyfile(FAKE_JVM, os.path.join(self.bin, "jvm.dll"))
        with open(os.path.join(self.bin, "fakejvm.cfg"), "w", encoding="utf-8") as cfg:
            cfg.write("".join(line + "\n" for line in script))

    @property
    def windows_root(self) -> str:
        """installRoot as the launcher computes it."""
        return wine_prefix.windows_path(self.root)

    @property
    def app_dir(self) -> str:
        return self.windows_root + "\\app\\"

    @property
    def windows_exe(self) -> str:
        return wine_prefix.windows_path(self.exe)

    def _log_path(self) -> str:
        return os.path.join(self.bin, "fakejvm.log")

    def _launch(self, wine_arguments: List[str], env: Dict[str, str], timeout: float,
                address_space_limit: Optional[int], pipes: bool = False) -> Launch:
        if os.path.exists(self._log_path()):
            os.remove(self._log_path())

        def limit_address_space() -> None:
            resource.setrlimit(resource.RLIMIT_AS, (address_space_limit, address_space_limit))

        # The install root as the working directory: the loader searches it for jvm.dll too,
        # and it holds none.
        completed = wine_prefix.run_wine(
            wine_arguments, env, timeout,
            preexec=limit_address_space if address_space_limit else None, cwd=self.root,
            pipes=pipes)
        data = b""
        if os.path.exists(self._log_path()):
            with open(self._log_path(), "rb") as log:
                data = log.read()
        return Launch(completed.status, completed.stdout, completed.stderr, FakeJvmLog(data))

    def run(self, *arguments: str, env: Optional[Dict[str, Optional[str]]] = None,
            winedebug: str = "-all", timeout: float = 60,
            address_space_limit: Optional[int] = None, pipes: bool = False) -> Launch:
        """Runs the launcher from Unix with these arguments; env goes through Wine's filter.
        With pipes its standard output and error are pipes rather than files."""
        return self._launch([self.exe, *arguments], wine_prefix.wine_environment(winedebug, env),
                            timeout, address_space_limit, pipes)

    def start(self, plan: StartPlan, winedebug: str = "-all", timeout: float = 60,
              pipes: bool = False) -> Launch:
        """Runs the launcher through the starter, with the plan's exact command line and
        environment; the starter hands its standard handles on."""
        lines = ["program " + self.windows_exe,
                 'command "%s" %s' % (self.windows_exe, plan.arguments)]
        if plan.empty_environment:
            lines.append("environment empty")
        lines += ["unset " + name for name in plan.unset]
        lines += ["set %s=%s" % item for item in plan.set.items()]
        plan_path = os.path.join(self.root, "start.plan")
        with open(plan_path, "w", encoding="utf-8") as plan_file:
            plan_file.write("\n".join(lines) + "\n")
        return self._launch([STARTER, wine_prefix.windows_path(plan_path)],
                            wine_prefix.wine_environment(winedebug), timeout, None, pipes)
