#!/usr/bin/env python3
"""Time to build the demo's installers: trellane-package's .deb, .rpm and MSI against the JDK's
jpackage --type deb and --type rpm of the same application on the same runtime, and the .deb
against the compression it had before (dpkg-deb's default, xz level 6, chosen through
dpkg-deb's own variables).

The demo's application (samples/hello) is compiled as make demo compiles it; one runtime is
linked with the modules trellane-package picks for it, and every build is given it
(--runtime-image), so each packs the same image. Each round builds every configuration once,
in alternating order; a ratio is the median of the in-round ratios with a distribution-free
95% interval (startup_bench.median_interval), a size ratio that of the packages' bytes. The
rounds wait (at most BENCH_LOAD_WAIT seconds, 900) for the 1-minute load to fall below
BENCH_MAX_LOAD (1.5), and the load is recorded. The figures replace the "## Package build
time" section of bench/RESULTS.md.

The MSI needs a Windows runtime: WINDOWS_RUNTIME (a Windows x64 runtime), else one linked from
WINDOWS_JDK (an unpacked Windows x64 JDK, by the build JDK's jlink), else a stand-in made as
the tests make theirs (tests/package/make_windows_jdk.py: the build JDK's own modules for
Windows, each native library a small stand-in DLL that mingw-w64 compiles), whose MSI is
smaller and quicker to build than with a real runtime's libraries; without mingw-w64 or wixl
the MSI is left out, and the section says why. jpackage builds MSIs only on Windows, so the
MSI's time is given against our own .deb and .rpm in the same rounds.

    make bench-packages                        # after make dist
    BENCH_PACKAGES_ROUNDS=5 WINDOWS_RUNTIME=runtimes/windows-x64 python3 bench/packages.py
"""

import argparse
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import time
from typing import Dict, List, Optional

from startup_bench import cpu_model, median_interval, replace_section

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
SECTION = "## Package build time"
JDK = os.environ.get("BENCH_JDK", "/usr/lib/jvm/java-17-openjdk-amd64")
MAIN_CLASS = "com.example.hello.Hello"
# The targets: each of ours at most a quarter of jpackage's time, the package at most
# 15% larger than before (the .deb's xz level 6; the .rpm's own previous payload, xz level 2,
# is compared on the same tree by bench/rpm_payloads.py).
TIME_TARGET = 0.25
SIZE_TARGET = 1.15


def log(message: str) -> None:
    print("bench-packages: " + message, file=sys.stderr, flush=True)


def load() -> str:
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def run_checked(argv: List[str], what: str, env: Optional[Dict[str, str]] = None) -> None:
    done = subprocess.run(argv, capture_output=True, text=True,
                          env=None if env is None else {**os.environ, **env})
    if done.returncode != 0:
        sys.exit("bench-packages: %s failed (status %d): %s\n%s%s" % (
            what, done.returncode, " ".join(argv), done.stdout, done.stderr))


def wait_for_low_load(limit: float, patience: float) -> str:
    waited = 0
    while float(load().split()[0]) > limit and waited < patience:
        if waited == 0:
            log("load %s above %.1f: waiting (at most %d s)" % (load(), limit, patience))
        time.sleep(15)
        waited += 15
    return "waited %d s" % waited if waited else "no wait"


def compile_sample(work: str) -> str:
    """samples/hello as a jar in work/input, as scripts/demo.sh builds it."""
    classes, inputs = os.path.join(work, "classes"), os.path.join(work, "input")
    os.makedirs(inputs)
    sources = sorted(os.path.join(d, f) for d, _, files in
                     os.walk(os.path.join(ROOT, "samples/hello/src")) for f in files
                     if f.endswith(".java"))
    run_checked([os.path.join(JDK, "bin/javac"), "--release", "8", "-nowarn", "-cp",
                 os.path.join(ROOT, "dist/java/trellane-runtime.jar"), "-d", classes, *sources],
                "javac")
    run_checked([os.path.join(JDK, "bin/jar"), "--create", "--file",
                 os.path.join(inputs, "hello.jar"), "-C", classes, "."], "jar")
    return inputs


def link_runtime(work: str, inputs: str) -> str:
    """The runtime trellane-package links for the sample (its image's release file names the
    modules), linked once more on its own so that every build is given the same one."""
    image = os.path.join(work, "image")
    run_checked(ours("app-image", inputs, image), "trellane-package (app image)")
    modules = modules_of(os.path.join(image, "hello"))
    runtime = os.path.join(work, "runtime")
    run_checked([os.path.join(JDK, "bin/jlink"), "--add-modules", modules, "--strip-debug",
                 "--no-header-files", "--no-man-pages", "--strip-native-commands", "--output",
                 runtime], "jlink")
    return runtime


def windows_runtime(work: str, runtime: str) -> (Optional[str], str):
    """A Windows runtime with the demo's modules, and what it is; or None and why not."""
    modules = modules_of(runtime)
    if os.environ.get("WINDOWS_RUNTIME"):
        return os.path.abspath(os.environ["WINDOWS_RUNTIME"]), "WINDOWS_RUNTIME"
    linked = os.path.join(work, "windows-runtime")
    if os.environ.get("WINDOWS_JDK"):
        run_checked([os.path.join(JDK, "bin/jlink"), "--module-path",
                     os.path.join(os.environ["WINDOWS_JDK"], "jmods"), "--add-modules",
                     modules, "--strip-debug", "--no-header-files", "--no-man-pages",
                     "--output", linked], "jlink (Windows)")
        return linked, "linked from WINDOWS_JDK"
    compiler = shutil.which("x86_64-w64-mingw32-gcc-win32")
    if compiler is None:
        return None, "no WINDOWS_RUNTIME or WINDOWS_JDK given, and no mingw-w64 for a stand-in"
    libraries = os.path.join(ROOT, "tests/package/fixtures/libraries")
    dll, exe = os.path.join(work, "jvm-x64.dll"), os.path.join(work, "program-x64.exe")
    run_checked([compiler, "-O2", "-s", "-shared", "-o", dll,
                 os.path.join(libraries, "jvm_library.c")], "mingw-w64 (stand-in DLL)")
    run_checked([compiler, "-O2", "-s", "-o", exe, os.path.join(libraries, "program.c")],
                "mingw-w64 (stand-in program)")
    run_checked([sys.executable, os.path.join(ROOT, "tests/package/make_windows_jdk.py"),
                 os.path.join(work, "windows-jdk"), "--jdk", JDK, "--dll", dll, "--exe", exe,
                 "--modules", modules, "--runtime", linked, "--runtime-modules", modules],
                "make_windows_jdk.py")
    return linked, ("a stand-in (the build JDK's modules for Windows, native libraries "
                    "stand-in DLLs)")


def modules_of(runtime: str) -> str:
    """The modules a jlinked runtime holds, comma-separated, from its release file."""
    with open(os.path.join(runtime, "release")) as f:
        return [line.split("=", 1)[1].strip().strip('"').replace(" ", ",")
                for line in f if line.startswith("MODULES=")][0]


def tree_bytes(root: str) -> int:
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(root)
               for f in files)


def ours(kind: str, inputs: str, dest: str, runtime: Optional[str] = None) -> List[str]:
    argv = [os.path.join(ROOT, "dist/bin/trellane-package"), "--input", inputs, "--main-jar",
            "hello.jar", "--main-class", MAIN_CLASS, "--name", "hello", "--console-app",
            "--dest", dest, "--quiet"]
    if runtime:
        argv += ["--runtime-image", runtime]
    if kind == "deb":
        argv += ["--type", "deb", "--linux-deb-maintainer", "hello@example.com"]
    elif kind in ("rpm", "msi"):
        argv += ["--type", kind]
    return argv


def jpackage(kind: str, inputs: str, dest: str, runtime: str) -> List[str]:
    return [os.path.join(JDK, "bin/jpackage"), "--type", kind, "--input", inputs, "--main-jar",
            "hello.jar", "--main-class", MAIN_CLASS, "--name", "hello", "--dest", dest,
            "--runtime-image", runtime]


def timed(argv: List[str], dest: str, what: str, env: Optional[Dict[str, str]]) -> (float, int):
    shutil.rmtree(dest, True)
    os.makedirs(dest)
    started = time.monotonic()
    run_checked(argv, what, env)
    seconds = time.monotonic() - started
    made = [os.path.join(dest, f) for f in os.listdir(dest)]
    if len(made) != 1 or not os.path.isfile(made[0]):
        sys.exit("bench-packages: %s made %s, not one package" % (what, made))
    return seconds, os.path.getsize(made[0])


def fmt(values: List[float]) -> str:
    median, low, high = median_interval(values)
    return "%.3f [%.3f, %.3f]" % (median, low, high)


def judge(values: List[float], target: float) -> str:
    return "met" if median_interval(values)[0] <= target else "missed"


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int,
                        default=int(os.environ.get("BENCH_PACKAGES_ROUNDS", "3")))
    parser.add_argument("--max-load", type=float,
                        default=float(os.environ.get("BENCH_MAX_LOAD", "1.5")))
    parser.add_argument("--load-wait", type=float,
                        default=float(os.environ.get("BENCH_LOAD_WAIT", "900")))
    args = parser.parse_args()
    for tool in ("dpkg-deb", "rpmbuild", "fakeroot"):
        if shutil.which(tool) is None:
            sys.exit("bench-packages: %s is missing: make bench-packages installs it" % tool)

    work = tempfile.mkdtemp(prefix="bench-packages-")
    try:
        inputs = compile_sample(work)
        runtime = link_runtime(work, inputs)
        previous = {"DPKG_DEB_COMPRESSOR_TYPE": "xz", "DPKG_DEB_COMPRESSOR_LEVEL": "6"}
        configurations = [
            # (key, what it is, command, environment)
            ("deb", "trellane-package --type deb", ours("deb", inputs, "D", runtime), None),
            ("deb-xz6", "trellane-package --type deb, previous compression (xz level 6)",
             ours("deb", inputs, "D", runtime), previous),
            ("rpm", "trellane-package --type rpm", ours("rpm", inputs, "D", runtime), None),
            ("jpackage-deb", "jpackage --type deb", jpackage("deb", inputs, "D", runtime),
             None),
            ("jpackage-rpm", "jpackage --type rpm", jpackage("rpm", inputs, "D", runtime),
             None),
        ]
        windows, windows_source = windows_runtime(work, runtime)
        if windows and shutil.which("wixl") is None:
            windows, windows_source = None, "wixl is missing (make bench-packages installs it)"
        if windows:
            windows_source = "%s, %.1f MB; the Linux runtime %.1f MB" % (
                windows_source, tree_bytes(windows) / 1e6, tree_bytes(runtime) / 1e6)
            configurations.append(("msi", "trellane-package --type msi",
                                   ours("msi", inputs, "D", windows), None))
        seconds: Dict[str, List[float]] = {c[0]: [] for c in configurations}
        sizes: Dict[str, int] = {}
        waited = wait_for_low_load(args.max_load, args.load_wait)
        load_before = load()
        for round_number in range(args.rounds):
            order = configurations if round_number % 2 == 0 else configurations[::-1]
            for key, what, argv, env in order:
                dest = os.path.join(work, "out-" + key)
                argv = [dest if a == "D" else a for a in argv]
                log("round %d: %s (load %s)" % (round_number + 1, what, load()))
                took, size = timed(argv, dest, what, env)
                seconds[key].append(took)
                sizes[key] = size
        load_after = load()
    finally:
        shutil.rmtree(work, True)

    def ratios(subject: str, reference: str) -> List[float]:
        return [s / r for s, r in zip(seconds[subject], seconds[reference])]

    rows = [("deb", "jpackage-deb"), ("rpm", "jpackage-rpm"), ("deb", "deb-xz6"),
            ("rpm", "deb-xz6")]
    if "msi" in seconds:
        rows += [("msi", "deb"), ("msi", "rpm")]
    names = {c[0]: c[1] for c in configurations}
    lines = [
        SECTION, "",
        "Last run: %s UTC, `make bench-packages` (%d rounds). Machine: %s, %d cores; %s. "
        "Load average (1, 5, 15 min): %s when the rounds began (%s), %s at the end; other "
        "work on the machine slows every configuration alike within a round, which the "
        "in-round ratios cancel; the absolute times are not comparable between runs." % (
            datetime.datetime.utcnow().strftime("%Y-%m-%d %H:%M"), args.rounds, cpu_model(),
            os.cpu_count(), subprocess.run([os.path.join(JDK, "bin/java"), "-version"],
                                           capture_output=True, text=True).stderr.splitlines()[1],
            load_before, waited, load_after),
        "",
        "| configuration | median s | package bytes |",
        "|---|---:|---:|",
    ]
    for key, what, _, _ in configurations:
        lines.append("| %s | %.1f | %d |" % (what, median_interval(seconds[key])[0], sizes[key]))
    lines += ["", "| subject / reference | time ratio [95% CI] | size ratio | target |",
              "|---|---:|---:|---|"]
    for subject, reference in rows:
        if subject == "msi":
            target = "no reference (jpackage builds MSIs only on Windows)"
        elif reference == "deb-xz6":
            target = "size ≤ %.2f: %s" % (SIZE_TARGET, "met" if sizes[subject] <= SIZE_TARGET *
                                          sizes[reference] else "missed")
        else:
            target = "time ≤ %.2f: %s" % (TIME_TARGET,
                                           judge(ratios(subject, reference), TIME_TARGET))
        lines.append("| %s / %s | %s | %.3f | %s |" % (
            names[subject], names[reference], fmt(ratios(subject, reference)),
            sizes[subject] / sizes[reference], target))
    lines += ["", "The .rpm against its own previous payload (xz level 2) on the same tree: the "
              "\"RPM payload compression\" section (`make bench-rpm-payloads`)."]
    if "msi" in seconds:
        lines += ["", "The MSI's Windows runtime: %s." % windows_source]
    else:
        lines += ["", "The MSI is not measured: %s." % windows_source]
    replace_section(os.path.join(BENCH, "RESULTS.md"), "\n".join(lines) + "\n")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
