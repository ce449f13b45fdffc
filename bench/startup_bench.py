#!/usr/bin/env python3
"""Paired start-up measurements of the launcher, and the report bench/RESULTS.md.

Absolute start-up times on a shared machine drift with its load, so nothing here is judged by a
time: every configuration of one application runs once per round, the rounds alternate their
order (A B C ... then ... C B A) so no configuration always follows the same one, and each
comparison is the median over rounds of the ratio subject / reference within the round, next to
a distribution-free 95% confidence interval of that median.

Each run is one posix_spawn with standard output and error on /dev/null, timed from spawn to
wait4; wait4's rusage gives the CPU time (user + system) and the peak resident set.

Called by bench/run.sh, which builds everything this expects under --out.
"""

import argparse
import datetime
import json
import math
import os
import platform
import re
import statistics
import subprocess
import sys
import tempfile
import time
from typing import Dict, List, NamedTuple, Optional, Sequence

SHIM_LINE = re.compile(r"create_vm_reached ns=(\d+) options=(\d+) option_bytes=(\d+)")


class Program(NamedTuple):
    key: str
    label: str
    argv: List[str]
    env: Dict[str, str] = {}
    capture_stderr: bool = False  # the stand-in for JNI_CreateJavaVM reports on stderr


class Sample(NamedTuple):
    wall_ms: float
    cpu_ms: float
    rss_kib: int
    stderr: str


class Comparison(NamedTuple):
    subject: str
    reference: str
    target: Optional[float] = None  # the median ratio must not exceed it
    note: str = ""


# --- Running ------------------------------------------------------------------------------


def _environment(extra: Dict[str, str]) -> Dict[str, str]:
    env = {k: v for k, v in os.environ.items()
           if k not in ("TRELLANE_JVM_OPTIONS", "TRELLANE_DUMP_JVM_ARGS", "_JAVA_OPTIONS",
                        "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS", "LD_PRELOAD")}
    env.update(extra)
    return env


def run_once(program: Program, env: Dict[str, str]) -> Sample:
    stderr_file = tempfile.TemporaryFile() if program.capture_stderr else None
    actions = [(os.POSIX_SPAWN_OPEN, 0, os.devnull, os.O_RDONLY, 0),
               (os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)]
    if stderr_file is not None:
        actions.append((os.POSIX_SPAWN_DUP2, stderr_file.fileno(), 2))
    else:
        actions.append((os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0))
    started = time.perf_counter_ns()
    pid = os.posix_spawn(program.argv[0], program.argv, env, file_actions=actions)
    _, status, usage = os.wait4(pid, 0)
    wall_ns = time.perf_counter_ns() - started
    text = ""
    if stderr_file is not None:
        stderr_file.seek(0)
        text = stderr_file.read().decode("utf-8", "replace")
        stderr_file.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("bench: %s failed (status %d): %s\n%s" % (
            program.label, os.waitstatus_to_exitcode(status), " ".join(program.argv), text))
    return Sample(wall_ns / 1e6, (usage.ru_utime + usage.ru_stime) * 1e3, usage.ru_maxrss, text)


def check_output(program: Program, env: Dict[str, str], expected: str) -> None:
    """Once before timing: the program must really run the application."""
    result = subprocess.run(program.argv, env=env, capture_output=True, text=True)
    if result.returncode != 0 or expected not in result.stdout:
        sys.exit("bench: %s does not run the application (status %d)\nstdout: %s\nstderr: %s"
                 % (program.label, result.returncode, result.stdout, result.stderr))


def run_rounds(programs: Sequence[Program], rounds: int, warmup: int) -> Dict[str, List[Sample]]:
    envs = {p.key: _environment(p.env) for p in programs}
    samples: Dict[str, List[Sample]] = {p.key: [] for p in programs}
    for number in range(warmup + rounds):
        order = programs if number % 2 == 0 else list(reversed(programs))
        for program in order:
            sample = run_once(program, envs[program.key])
            if number >= warmup:
                samples[program.key].append(sample)
    return samples


# --- Statistics ---------------------------------------------------------------------------


def median_interval(values: Sequence[float]) -> (float, float, float):
    """The median and a distribution-free 95% confidence interval for it (order statistics)."""
    ordered = sorted(values)
    n = len(ordered)
    half_width = 1.96 * math.sqrt(n) / 2
    low = max(0, int(math.floor(n / 2 - half_width)) - 1)
    high = min(n - 1, int(math.ceil(n / 2 + half_width)) - 1)
    return statistics.median(ordered), ordered[low], ordered[high]


def paired_ratios(samples: Dict[str, List[Sample]], subject: str, reference: str,
                  measure: str = "wall_ms") -> List[float]:
    return [getattr(s, measure) / getattr(r, measure)
            for s, r in zip(samples[subject], samples[reference])]


# --- The configurations -------------------------------------------------------------------


def application_programs(app: str, args) -> List[Program]:
    out, build = args.out, args.build
    java = os.path.join(args.jdk, "bin", "java")
    image = os.path.join(out, "images", app)
    app_jar = os.path.join(image, "app", app + ".jar")
    runtime_jar = os.path.join(image, "app", "trellane-runtime.jar")
    main = app + ".Main"
    command = "-Dsun.java.command=" + main
    reference = os.path.join(build, "bench", "minimal_launch")
    bootstrap = os.path.join(build, "bench", "minimal_launch_bootstrap")
    reference_cp = "-Djava.class.path=" + app_jar
    app_image = os.path.join(out, "app-images", app, "bin")
    return [
        Program("reference", "minimal JNI program", [reference, main, reference_cp, command]),
        Program("reference-bootstrap", "minimal JNI program through the bootstrap class",
                [bootstrap, main, reference_cp + ":" + runtime_jar, command]),
        Program("java-cp", "java -cp", [java, "-cp", app_jar, main]),
        Program("launcher", "launcher, launch thread", [os.path.join(image, "bin", app)]),
        Program("launcher-main-thread", "launcher, useMainThread",
                [os.path.join(image, "bin", app + "-main-thread")]),
        Program("launcher-own-jar", "launcher, bootstrap class in the app's jar",
                [os.path.join(image, "bin", app + "-own-jar")]),
        Program("image-app-cds", "app image: jlink runtime + app CDS",
                [os.path.join(app_image, app)]),
        Program("image-jlink", "app image: jlink runtime, no app CDS",
                [os.path.join(app_image, app + "-no-app-cds")]),
        Program("reference-app-cds", "minimal JNI program, app CDS archive",
                [reference, main, reference_cp, command,
                 "-XX:SharedArchiveFile=" + os.path.join(out, "apps", app + "-reference.jsa")]),
        Program("reference-no-cds", "minimal JNI program, -Xshare:off",
                [reference, main, reference_cp, command, "-Xshare:off"]),
        Program("reference-serial-gc", "minimal JNI program, -XX:+UseSerialGC",
                [reference, main, reference_cp, command, "-XX:+UseSerialGC"]),
        # This JDK maps its CDS archives at a random address and relocates them (mode 1).
        Program("reference-cds-in-place", "minimal JNI program, ArchiveRelocationMode=0",
                [reference, main, reference_cp, command, "-XX:+UnlockDiagnosticVMOptions",
                 "-XX:ArchiveRelocationMode=0"]),
    ]


def application_comparisons(app: str) -> List[Comparison]:
    hello = app == "hello"
    return [
        Comparison("reference-bootstrap", "reference", note="the bootstrap step"),
        Comparison("java-cp", "reference", note="the java command"),
        Comparison("launcher", "reference-bootstrap", 1.01),
        Comparison("launcher-main-thread", "reference-bootstrap", 1.01),
        Comparison("launcher", "java-cp", 1.03 if hello else 1.00),
        Comparison("launcher-main-thread", "java-cp", 1.03 if hello else 1.00),
        Comparison("launcher-own-jar", "java-cp", 1.00),
        Comparison("image-app-cds", "java-cp", None if hello else 0.75),
        Comparison("image-jlink", "java-cp", note="jlink runtime alone"),
        Comparison("reference-app-cds", "reference", note="app CDS"),
        Comparison("reference-no-cds", "reference", note="no CDS archive"),
        Comparison("reference-serial-gc", "reference", note="Serial GC"),
        Comparison("reference-cds-in-place", "reference", note="CDS mapped without relocation"),
    ]


def pre_jvm_programs(args) -> List[Program]:
    shim = {"LD_PRELOAD": os.path.join(args.build, "bench", "stop_at_create_vm.so")}
    example = os.path.join(args.out, "images", "example", "bin", "example-desktop")
    reference = os.path.join(args.build, "bench", "minimal_launch")
    return [
        Program("reference", "minimal JNI program", [reference, "App", "-Djava.class.path=app.jar"],
                shim, True),
        Program("launcher", "launcher, example block", [example], shim, True),
    ]


# --- The launcher's own work before JNI_CreateJavaVM ---------------------------------------


def callgrind_instructions(program: Program) -> Optional[int]:
    """Instructions from the stand-in's initializer to its JNI_CreateJavaVM, under callgrind."""
    with tempfile.TemporaryDirectory() as scratch:
        output = os.path.join(scratch, "callgrind.out")
        result = subprocess.run(
            ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + output] + program.argv,
            env=_environment(program.env), capture_output=True, text=True)
        dumps = sorted(f for f in os.listdir(scratch) if f.startswith("callgrind.out."))
        if result.returncode != 0 or not dumps:
            return None
        with open(os.path.join(scratch, dumps[0])) as f:
            for line in f:
                if line.startswith("totals:") or line.startswith("summary:"):
                    return int(line.split()[1])
    return None


def syscall_counts(program: Program) -> Dict[str, int]:
    """strace -f -c of one run: every system call and its count, up to JNI_CreateJavaVM."""
    with tempfile.TemporaryDirectory() as scratch:
        output = os.path.join(scratch, "strace.txt")
        subprocess.run(["strace", "-f", "-c", "-o", output] + program.argv,
                       env=_environment(program.env), capture_output=True)
        counts = {}
        with open(output) as f:
            for line in f:
                fields = line.split()
                if len(fields) >= 5 and fields[-1] not in ("syscall", "total") and \
                        fields[3].isdigit():
                    counts[fields[-1]] = int(fields[3])
        return counts


# --- The report ---------------------------------------------------------------------------


def fmt_ratio(median: float, low: float, high: float) -> str:
    return "%.3f [%.3f, %.3f]" % (median, low, high)


def verdict(median: float, low: float, target: Optional[float]) -> str:
    if target is None:
        return ""
    if median <= target:
        return "met"
    return "missed" if low > target else "missed (target inside the interval)"


def application_section(app: str, programs: List[Program], samples: Dict[str, List[Sample]],
                        targets: List[str]) -> List[str]:
    labels = {p.key: p.label for p in programs}
    rss_java = statistics.median(s.rss_kib for s in samples["java-cp"])
    lines = ["### %s" % app.capitalize(), "",
             "| configuration | wall ms | CPU ms | peak RSS MiB | RSS vs java -cp |",
             "|---|---:|---:|---:|---:|"]
    for program in programs:
        runs = samples[program.key]
        rss = statistics.median(s.rss_kib for s in runs)
        lines.append("| %s | %.1f | %.1f | %.1f | %+.2f MiB |" % (
            program.label, statistics.median(s.wall_ms for s in runs),
            statistics.median(s.cpu_ms for s in runs), rss / 1024, (rss - rss_java) / 1024))
    lines += ["", "| subject / reference | wall ratio [95% CI] | CPU ratio [95% CI] | target | |",
              "|---|---:|---:|---:|---|"]
    for c in application_comparisons(app):
        median, low, high = median_interval(paired_ratios(samples, c.subject, c.reference))
        cpu = median_interval(paired_ratios(samples, c.subject, c.reference, "cpu_ms"))
        target = "≤ %.2f" % c.target if c.target is not None else c.note
        result = verdict(median, low, c.target)
        lines.append("| %s / %s | %s | %s | %s | %s |" % (
            labels[c.subject], labels[c.reference], fmt_ratio(median, low, high),
            fmt_ratio(*cpu), target, result))
        if c.target is not None:
            targets.append("%s: %s / %s = %.3f [%.3f, %.3f] (target ≤ %.2f; CPU %.3f): %s" % (
                app.capitalize(), labels[c.subject], labels[c.reference], median, low, high,
                c.target, cpu[0], result))
    for key in ("launcher", "launcher-main-thread", "launcher-own-jar"):
        delta = (statistics.median(s.rss_kib for s in samples[key]) - rss_java) / 1024
        targets.append("%s: peak RSS of %s − java -cp = %+.2f MiB (target within 1 MiB): %s" % (
            app.capitalize(), labels[key], delta, "met" if abs(delta) <= 1.0 or delta < 0
            else "missed"))
    return lines + [""]


def pre_jvm_section(programs: List[Program], samples: Dict[str, List[Sample]],
                    targets: List[str]) -> List[str]:
    def shim_ms(key):
        values = []
        for s in samples[key]:
            match = SHIM_LINE.search(s.stderr)
            if match is None:
                sys.exit("bench: the JNI_CreateJavaVM stand-in did not report for " + key)
            values.append(int(match.group(1)) / 1e6)
        return values

    launcher_shim, reference_shim = shim_ms("launcher"), shim_ms("reference")
    own = [a - b for a, b in zip(launcher_shim, reference_shim)]
    wall_delta = [a.wall_ms - b.wall_ms for a, b in zip(samples["launcher"], samples["reference"])]
    option_count = SHIM_LINE.search(samples["launcher"][0].stderr).group(2)
    option_bytes = SHIM_LINE.search(samples["launcher"][0].stderr).group(3)
    own_median = median_interval(own)
    lines = [
        "Both programs run with a stand-in for `JNI_CreateJavaVM` preloaded "
        "(`bench/shim/stop_at_create_vm.c`): the call ends the process, so a run is exactly "
        "the work before the JVM. The launcher carries the example block and hands the stand-in "
        "%s options (%s bytes) after expansion." % (option_count, option_bytes), "",
        "| measure | launcher | minimal JNI program | launcher − program |",
        "|---|---:|---:|---:|",
        "| in-process, stand-in's initializer to `JNI_CreateJavaVM`, ms (median) | %.3f | %.3f "
        "| %.3f [%.3f, %.3f] |" % ((statistics.median(launcher_shim),
                                    statistics.median(reference_shim)) + own_median),
        "| exec to exit, wall ms (median) | %.2f | %.2f | %.2f [%.2f, %.2f] |" % ((
            statistics.median(s.wall_ms for s in samples["launcher"]),
            statistics.median(s.wall_ms for s in samples["reference"]))
            + median_interval(wall_delta)),
    ]
    launcher_ir = callgrind_instructions(programs[1])
    reference_ir = callgrind_instructions(programs[0])
    if launcher_ir and reference_ir:
        lines.append("| instructions, initializer to `JNI_CreateJavaVM` (callgrind) | %d | %d | %d |"
                     % (launcher_ir, reference_ir, launcher_ir - reference_ir))
    launcher_calls, reference_calls = syscall_counts(programs[1]), syscall_counts(programs[0])
    extra = {name: launcher_calls.get(name, 0) - reference_calls.get(name, 0)
             for name in set(launcher_calls) | set(reference_calls)}
    extra = {k: v for k, v in sorted(extra.items()) if v != 0}
    lines += ["", "System calls of the launcher beyond the program's, whole run (strace -f -c): " +
              (", ".join("%s %+d" % kv for kv in extra.items()) or "none") + ". The launch "
              "thread accounts for clone3, its stack's mmap and mprotect, rseq, set_robust_list "
              "and the signal masks; readlink is /proc/self/exe for the install root; openat "
              "is the dynamic loader looking in `$ORIGIN/../lib/server`, the launcher's only "
              "RUNPATH entry, for the C++ runtime libraries that the program does not link "
              "(only libjvm.so is there)."]
    lines.append("Programs executed besides itself (execve): %d; directories read (getdents64): "
                 "%d." % (launcher_calls.get("execve", 1) - 1, launcher_calls.get("getdents64", 0)))
    targets.append("launcher's own work before JNI_CreateJavaVM, example block: %.3f ms in-process "
                   "(target < 1 ms): %s" % (own_median[0], "met" if own_median[0] < 1 else "missed"))
    return lines + [""]


def micro_section(path: str) -> List[str]:
    with open(path) as f:
        data = json.load(f)
    unit_ns = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
    families: Dict[str, List[dict]] = {}
    for b in data["benchmarks"]:
        families.setdefault(b["name"].split("/")[0], []).append(b)
    lines = ["| benchmark | CPU time | per entry | largest / smallest input, per entry |",
             "|---|---:|---:|---:|"]
    for runs in families.values():
        per_entry = []
        for b in runs:
            counter = next(k for k in b if k.startswith("per_") and not k.endswith("_index"))
            per_entry.append(b[counter] * 1e9)
            cpu = b["cpu_time"] * unit_ns[b["time_unit"]]
            cpu_text = "%.1f µs" % (cpu / 1e3) if cpu >= 1e3 else "%.0f ns" % cpu
            scaling = "%.2f" % (per_entry[-1] / per_entry[0]) if len(per_entry) > 1 else ""
            lines.append("| %s | %s | %.2f ns %s | %s |" % (
                b["name"], cpu_text, per_entry[-1], counter.replace("_", " "), scaling))
    return lines + [""]


def size_section(paths: Dict[str, str]) -> List[str]:
    lines = ["| file | bytes |", "|---|---:|"]
    for label, path in paths.items():
        size = "{:,}".format(os.path.getsize(path)) if os.path.exists(path) else "not built"
        lines.append("| %s | %s |" % (label, size))
    return lines + [""]


def cpu_model() -> str:
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown CPU"


def java_version(jdk: str) -> str:
    result = subprocess.run([os.path.join(jdk, "bin", "java"), "-version"],
                            capture_output=True, text=True)
    return result.stderr.splitlines()[1] if result.stderr.count("\n") > 1 else result.stderr


# --- Main -----------------------------------------------------------------------------------


def replace_section(results: str, text: str) -> None:
    """Puts text into the results file as the section its first line heads: in place of that
    section when the file has it (the sections before and after kept as they are), else at
    the end; written whole through a temporary file, so an interrupted run leaves the old one."""
    heading = text.split("\n", 1)[0]
    previous = ""
    if os.path.exists(results):
        with open(results) as f:
            previous = f.read()
    text = text.rstrip("\n") + "\n"
    start = previous.find("\n" + heading + "\n")
    if start < 0:
        updated = previous.rstrip("\n") + "\n\n" + text if previous.strip() else text
    else:
        end = previous.find("\n## ", start + len(heading) + 1)
        updated = previous[:start + 1] + text + (previous[end:] if end >= 0 else "")
    with open(results + ".tmp", "w") as f:
        f.write(updated)
    os.replace(results + ".tmp", results)


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--jdk", required=True)
    parser.add_argument("--launcher", required=True)
    parser.add_argument("--windows-launcher", required=True)
    parser.add_argument("--results", required=True)
    args = parser.parse_args()
    # Hello's differences are a few tenths of a millisecond: it gets more of its cheap rounds.
    rounds = {"hello": int(os.environ.get("BENCH_ROUNDS_HELLO", "80")),
              "big": int(os.environ.get("BENCH_ROUNDS_BIG", "30"))}
    warmup = int(os.environ.get("BENCH_WARMUP", "3"))
    if os.environ.get("BENCH_QUICK") == "1":
        rounds, warmup = {app: min(n, 4) for app, n in rounds.items()}, 1

    started = datetime.datetime.now().astimezone()
    load_before = open("/proc/loadavg").read().split()[:3]
    targets: List[str] = []
    sections: List[str] = []
    expected = {"hello": "Hello", "big": "big: 200 tasks"}
    for app in ("hello", "big"):
        programs = application_programs(app, args)
        for program in programs:
            check_output(program, _environment(program.env), expected[app])
        print("bench: %s, %d configurations, %d rounds" % (app, len(programs), rounds[app]),
              file=sys.stderr)
        samples = run_rounds(programs, rounds[app], warmup)
        lines = application_section(app, programs, samples, targets)
        sections += lines
        print("\n".join(lines))

    print("bench: the launcher's work before JNI_CreateJavaVM", file=sys.stderr)
    pre_programs = pre_jvm_programs(args)
    pre_samples = run_rounds(pre_programs, max(rounds["hello"], 40), warmup)
    pre_lines = pre_jvm_section(pre_programs, pre_samples, targets)
    load_after = open("/proc/loadavg").read().split()[:3]

    report = [
        "# Start-up benchmark results", "",
        "Last full run: %s, `make bench` (Hello %d rounds, Big %d rounds, each after %d "
        "warm-up rounds)." % (started.strftime("%Y-%m-%d %H:%M %Z"), rounds["hello"],
                              rounds["big"], warmup),
        "Machine: %d cores (%s), %s. Load average (1, 5, 15 min): %s before make bench's own "
        "builds, %s when the timed runs began, %s at the end; other engineers' builds may have "
        "been running: the ratios are paired to cancel that, the absolute times are not "
        "comparable between runs." % (
            os.cpu_count(), cpu_model(), java_version(args.jdk),
            os.environ.get("BENCH_LOAD_AT_START", "unknown"), " ".join(load_before),
            " ".join(load_after)), "",
        "Each round runs every configuration of an application once, in alternating order; a "
        "ratio is the median over rounds of subject / reference within a round, with a "
        "distribution-free 95% confidence interval. Wall time is spawn to exit; CPU is user + "
        "system; peak RSS is wait4's ru_maxrss.", "",
        "## Targets", ""] + ["- " + t for t in targets] + [
        "", "## Start-up, paired runs", ""] + sections + [
        "## The launcher's own work before JNI_CreateJavaVM", ""] + pre_lines + [
        "## Micro-benchmarks of the launcher's work (Google Benchmark)", "",
        "CPU time per call and per entry of the input (per byte, option or jar); the last column "
        "is the per-entry figure at the largest input over that at the smallest (10 times "
        "smaller): 1 means linear. Each round of BM_ParseBlock also frees what it parsed, and "
        "glibc's per-thread cache keeps only 7 freed blocks of a size: with 255 options most "
        "frees take the slower path, which the launcher, freeing nothing, never meets "
        "(GLIBC_TUNABLES=glibc.malloc.tcache_count=1000 makes the larger block the cheaper per "
        "option).", ""] + micro_section(os.path.join(args.out, "micro.json")) + [
        "## Binary sizes", ""] + size_section({
            "dist/linux/launcher": args.launcher,
            "dist/windows/launcher.exe": args.windows_launcher})
    # The real applications' section is bench/real_apps.py's: kept as it is.
    kept = ""
    if os.path.exists(args.results):
        with open(args.results) as f:
            previous = f.read()
        marker = previous.find("\n## Real applications\n")
        if marker >= 0:
            kept = "\n" + previous[marker:]
    with open(args.results, "w") as f:
        f.write("\n".join(report) + kept)
    print("\n".join(["", "Targets:"] + ["  " + t for t in targets] + [""] + pre_lines))


if __name__ == "__main__":
    main()
