#!/usr/bin/env python3
"""make bench-instance: what a later launch of a single-instance application costs against a
first one.

Three launchers of the same small application (apps/instance, which registers its handler and
says hello), stamped from dist/ into images whose lib/ links the build JDK's:

- first: single-instance mode, no instance running: the launch starts the JVM and the
  application, which ends;
- later: single-instance mode with an instance of the same identity running (started once,
  with --serve, before the rounds): the launch hands its working folder and argument over and
  ends, without a JVM;
- plain: the same application without the mode, the reference for what the mode adds to a
  first launch.

Rounds are paired and alternate their order, as in make bench (startup_bench.py's runner and
statistics); a ratio is the median of the in-round ratios with its 95% interval. The running
instance must have received every later launch, or the run fails. The section "## Single
instance" of bench/RESULTS.md is replaced; BENCH_QUICK=1 writes to bench/out/ instead.
"""

import argparse
import datetime
import os
import shutil
import signal
import statistics
import subprocess
import sys

from startup_bench import (Program, cpu_model, fmt_ratio, java_version, median_interval,
                           paired_ratios, replace_section, run_rounds)

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
SECTION = "## Single instance"


def build_app(out: str, runtime_jar: str) -> str:
    classes = os.path.join(out, "classes")
    jar = os.path.join(out, "instance.jar")
    sources = [os.path.join(d, f) for d, _, fs in os.walk(os.path.join(BENCH, "apps", "instance"))
               for f in fs if f.endswith(".java")]
    subprocess.run(["javac", "--release", "17", "-cp", runtime_jar, "-d", classes, *sources],
                   check=True)
    subprocess.run(["jar", "--create", "--file", jar, "-C", classes, "."], check=True)
    return jar


def image(out: str, name: str, jar: str, args, jdk: str, identity: str = "") -> str:
    """out/NAME: bin/instance stamped (single-instance with identity, when given), app/ the
    jars, lib/ the build JDK's."""
    root = os.path.join(out, name)
    os.makedirs(os.path.join(root, "bin"))
    os.makedirs(os.path.join(root, "app"))
    os.symlink(os.path.join(jdk, "lib"), os.path.join(root, "lib"))
    shutil.copy(jar, os.path.join(root, "app"))
    shutil.copy(args.runtime_jar, os.path.join(root, "app", "trellane-runtime.jar"))
    launcher = os.path.join(root, "bin", "instance")
    command = [args.stamp, "write", "--input", args.launcher, "--output", launcher,
               "--main-class", "instance.Main", "--console-app",
               "--jvm-option", "-Djava.class.path=&&instance.jar:&&trellane-runtime.jar"]
    if identity:
        command.append("--single-instance=" + identity)
    subprocess.run(command, check=True)
    return launcher


def section(samples, programs, rounds: int, warmup: int, loads, delivered: int,
            jdk: str) -> str:
    lines = [SECTION, "",
             "`make bench-instance` (bench/single_instance.py), %s UTC: %d rounds after %d "
             "warm-up rounds. Machine: %s, %s. Load average (1, 5, 15 min): %s before, %s after; "
             "other engineers' builds may have been running: the ratios are paired to cancel "
             "that." % (datetime.datetime.utcnow().strftime("%Y-%m-%d %H:%M"), rounds, warmup,
                        cpu_model(), java_version(jdk),
                        loads[0], loads[1]),
             "",
             "A later launch of a single-instance application hands its working folder and "
             "arguments to the running instance (which received all %d of them) and ends without "
             "a JVM; a first launch starts the JVM and the application, which registers its "
             "handler, says hello and ends." % delivered,
             "",
             "| launch | wall ms | CPU ms | peak RSS MiB |", "|---|---:|---:|---:|"]
    for program in programs:
        runs = samples[program.key]
        lines.append("| %s | %.1f | %.1f | %.1f |" % (
            program.label, statistics.median(s.wall_ms for s in runs),
            statistics.median(s.cpu_ms for s in runs),
            statistics.median(s.rss_kib for s in runs) / 1024))
    lines.append("")
    for subject, reference in (("later", "first"), ("first", "plain")):
        wall = median_interval(paired_ratios(samples, subject, reference))
        cpu = statistics.median(paired_ratios(samples, subject, reference, "cpu_ms"))
        labels = {p.key: p.label for p in programs}
        lines.append("- %s / %s = %s (CPU %.3f)" % (labels[subject], labels[reference],
                                                   fmt_ratio(*wall), cpu))
    return "\n".join(lines) + "\n"


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rounds", type=int,
                        default=int(os.environ.get("BENCH_INSTANCE_ROUNDS", "40")))
    parser.add_argument("--warmup", type=int, default=int(os.environ.get("BENCH_WARMUP", "3")))
    parser.add_argument("--quick", action="store_true",
                        default=os.environ.get("BENCH_QUICK") == "1")
    parser.add_argument("--out", default=os.path.join(BENCH, "out", "single-instance"))
    parser.add_argument("--stamp", default=os.path.join(ROOT, "dist/bin/trellane-stamp"))
    parser.add_argument("--launcher", default=os.path.join(ROOT, "dist/linux/launcher"))
    parser.add_argument("--runtime-jar",
                        default=os.path.join(ROOT, "dist/java/trellane-runtime.jar"))
    args = parser.parse_args()
    if args.quick:
        args.rounds, args.warmup = 3, 1
    for file in (args.stamp, args.launcher, args.runtime_jar):
        if not os.path.isfile(file):
            sys.exit("bench-instance: %s is missing: run make dist first" % file)
    jdk = os.path.dirname(os.path.dirname(os.path.realpath(shutil.which("javac"))))

    shutil.rmtree(args.out, ignore_errors=True)
    os.makedirs(args.out)
    jar = build_app(args.out, args.runtime_jar)
    # Identities of this run's own: an instance of another run cannot answer.
    tag = "%d" % os.getpid()
    first = image(args.out, "first", jar, args, jdk, "Bench.First." + tag)
    later = image(args.out, "later", jar, args, jdk, "Bench.Later." + tag)
    plain = image(args.out, "plain", jar, args, jdk)
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    served = open(os.path.join(args.out, "instance.out"), "w")
    instance = subprocess.Popen([later, "--serve"], stdout=served, env=env,
                                start_new_session=True)
    try:
        programs = [Program("first", "first launch (single-instance, none running)", [first]),
                    Program("later", "later launch (handed to the running instance)",
                            [later, "document.txt"]),
                    Program("plain", "first launch without single-instance mode", [plain])]
        loads = [" ".join(open("/proc/loadavg").read().split()[:3])]
        samples = run_rounds(programs, args.rounds, args.warmup)
        loads.append(" ".join(open("/proc/loadavg").read().split()[:3]))
    finally:
        os.killpg(instance.pid, signal.SIGKILL)
        instance.wait()
        served.close()
    with open(os.path.join(args.out, "instance.out")) as f:
        delivered = sum(1 for line in f if line == "launch document.txt\n")
    if delivered != args.rounds + args.warmup:
        sys.exit("bench-instance: the running instance received %d of %d later launches"
                 % (delivered, args.rounds + args.warmup))
    text = section(samples, programs, args.rounds, args.warmup, loads, delivered, jdk)
    results = os.path.join(args.out if args.quick else BENCH, "RESULTS.md")
    replace_section(results, text)
    print(text)


if __name__ == "__main__":
    main()
