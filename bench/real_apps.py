#!/usr/bin/env python3
"""Start-up of real applications from Debian's packages, packaged three ways, on two JDKs.

Each application (the PDF formatter, the diagram tool, the XSLT processor) does one realistic
piece of work per run, into a fresh output folder. On each JDK it runs as:

  java -cp          the JDK's own java command, the application's jars on the class path
  jpackage          the JDK's jpackage app image of the same jars (its defaults: no application
                    class data sharing archive)
  image             trellane-package's image without --cds
  image --cds       trellane-package's image with --cds (JDK 17: a dynamic archive; JDK 24 and
                    later: an ahead-of-time cache), trained on the same workload
  image --cds moved the same image, copied with its file times and moved to another folder

Every round runs every configuration of an application once, in alternating order; a ratio is
the median over rounds of subject / reference within a round, with a distribution-free 95%
confidence interval (bench/startup_bench.py's). The machine is shared: the timed rounds wait
for a low load first, and the load is recorded beside the figures.

The table goes to the "## Real applications" section of bench/RESULTS.md (the rest of that file
is make bench's); every sample goes to bench/real-apps/samples.json.
"""

import argparse
import datetime
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from typing import Dict, List, NamedTuple, Optional

from startup_bench import (Program, _environment, cpu_model, median_interval, replace_section,
                           run_once)

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
WORKLOADS = os.path.join(BENCH, "real-apps")
SECTION = "## Real applications"
JDKS = {"17": os.environ.get("BENCH_JDK17", "/usr/lib/jvm/java-17-openjdk-amd64"),
        "25": os.environ.get("BENCH_JDK25", "/usr/lib/jvm/temurin-25-jdk-amd64")}


class App(NamedTuple):
    name: str
    title: str
    main_class: str
    jars: List[str]          # absolute paths; the first is the main jar
    java_options: List[str]  # what the package's own start script passes
    workload: str            # what one run does, for the report

    def arguments(self, work: str, output: str) -> List[str]:
        if self.name == "fop":
            return ["-fo", os.path.join(WORKLOADS, "fop", "invoice.fo"),
                    "-pdf", os.path.join(output, "invoice.pdf")]
        if self.name == "plantuml":
            return ["-tpng", "-o", output, os.path.join(WORKLOADS, "plantuml", "order.puml")]
        return ["-IN", os.path.join(work, "sales.xml"),
                "-XSL", os.path.join(WORKLOADS, "xalan", "report.xsl"),
                "-OUT", os.path.join(output, "report.html")]

    def output_file(self, output: str) -> str:
        return os.path.join(output, {"fop": "invoice.pdf", "plantuml": "order.png",
                                     "xalan": "report.html"}[self.name])


def share(*names: str) -> List[str]:
    return [os.path.join("/usr/share/java", n) for n in names]


# The jar sets are those the packages' own start scripts put on the class path (fop's
# /usr/bin/fop, plantuml.jar's manifest, xalan2.jar's manifest).
APPS = [
    App("fop", "PDF formatter (fop 2.8)", "org.apache.fop.cli.Main",
        share("fop.jar", "commons-io.jar", "serializer.jar", "xalan2.jar", "xml-apis.jar",
              "batik-all.jar", "commons-logging.jar", "xercesImpl.jar",
              "xmlgraphics-commons.jar", "xml-apis-ext.jar", "fontbox2.jar"),
        ["-Djava.awt.headless=true"],
        "a 3-page invoice (80-row table, header, footer, page count) from XSL-FO to PDF"),
    App("plantuml", "diagram tool (plantuml 1.2020.2)", "net.sourceforge.plantuml.Run",
        ["/usr/share/plantuml/plantuml.jar"] +
        share("avalon-framework.jar", "batik-all.jar", "commons-io.jar", "commons-logging.jar",
              "fop.jar", "xml-apis-ext.jar", "xmlgraphics-commons.jar", "jlatexmath.jar"),
        ["-Djava.awt.headless=true"],
        "a sequence diagram (6 participants, alt, loop, notes) to PNG"),
    App("xalan", "XSLT processor (xalan 2.7.2)", "org.apache.xalan.xslt.Process",
        share("xalan2.jar", "serializer.jar", "xercesImpl.jar", "xml-apis.jar"),
        [],
        "5,000 rows grouped by key, sorted and summed into an HTML report"),
]

CONFIGS = [  # key suffix, label
    ("java", "java -cp"),
    ("jpackage", "jpackage app image (no CDS)"),
    ("image", "image"),
    ("cds", "image --cds"),
    ("moved", "image --cds, moved"),
]


def log(message: str) -> None:
    print("bench-apps: " + message, file=sys.stderr, flush=True)


def load() -> List[str]:
    with open("/proc/loadavg") as f:
        return f.read().split()[:3]


def run_checked(argv: List[str], what: str, env: Optional[Dict[str, str]] = None) -> None:
    result = subprocess.run(argv, capture_output=True, text=True, env=env)
    if result.returncode != 0:
        sys.exit("bench-apps: %s failed (status %d): %s\n%s%s" % (
            what, result.returncode, " ".join(argv), result.stdout, result.stderr))


def tree_bytes(path: str) -> int:
    total = 0
    for folder, _, files in os.walk(path):
        for name in files:
            file = os.path.join(folder, name)
            if not os.path.islink(file):
                total += os.path.getsize(file)
    return total


def jdk_version(jdk: str) -> str:
    result = subprocess.run([os.path.join(jdk, "bin", "java"), "-version"],
                            capture_output=True, text=True)
    lines = result.stderr.splitlines()
    return lines[1] if len(lines) > 1 else result.stderr.strip()


# --- Building the configurations ------------------------------------------------------------


class Setup(NamedTuple):
    programs: List[Program]
    sizes: Dict[str, int]     # key: image bytes
    classpath: str


def prepare_input(app: App, out: str) -> str:
    """The application's jars in one folder, as a user collects them for packaging."""
    folder = os.path.join(out, "input", app.name)
    os.makedirs(folder)
    for jar in app.jars:
        # Follow Debian's version links, keep the names the manifests' Class-Path use, and
        # keep the file times, which the ahead-of-time cache checks.
        shutil.copy2(os.path.realpath(jar), os.path.join(folder, os.path.basename(jar)))
    return folder


def package(app: App, jdk: str, input_dir: str, dest: str, cds: bool, train_out: str,
            work: str, args) -> str:
    argv = [args.package, "--input", input_dir,
            "--main-jar", os.path.basename(app.jars[0]), "--main-class", app.main_class,
            "--name", app.name, "--dest", dest, "--jdk", jdk, "--console-app", "--quiet",
            "--launcher", args.launcher, "--runtime-jar", args.runtime_jar]
    for option in app.java_options:
        argv += ["--java-options", option]
    if cds:
        argv.append("--cds")
        for argument in app.arguments(work, train_out):
            argv += ["--cds-train-arg", argument]
    env = dict(os.environ, XDG_CACHE_HOME=os.path.join(args.out, "cache"))
    run_checked(argv, "trellane-package (%s)" % app.name, env)
    return os.path.join(dest, app.name)


def jpackage(app: App, jdk: str, input_dir: str, dest: str) -> str:
    argv = [os.path.join(jdk, "bin", "jpackage"), "--type", "app-image",
            "--input", input_dir, "--main-jar", os.path.basename(app.jars[0]),
            "--main-class", app.main_class, "--name", app.name, "--dest", dest]
    for option in app.java_options:
        argv += ["--java-options", option]
    run_checked(argv, "jpackage (%s)" % app.name)
    return os.path.join(dest, app.name)


def set_up(app: App, jdk_name: str, jdk: str, input_dir: str, work: str, args) -> Setup:
    base = os.path.join(args.out, "images", jdk_name, app.name)
    train = os.path.join(args.out, "train", jdk_name, app.name)
    for folder in (base, train):
        os.makedirs(folder, exist_ok=True)
    log("%s on JDK %s: packaging (image, image --cds and its moved copy, jpackage)"
        % (app.name, jdk_name))
    images = {
        "image": package(app, jdk, input_dir, os.path.join(base, "plain"), False, train, work,
                         args),
        "cds": package(app, jdk, input_dir, os.path.join(base, "cds"), True, train, work, args),
    }
    # The moved image is the trained one itself, copied with its file times and then renamed
    # into another folder: the same archive or cache, so the comparison shows the move alone
    # (two training runs make caches that differ slightly, and their start-up with them).
    staged = os.path.join(base, "staging", app.name)
    shutil.copytree(images["cds"], staged, symlinks=True)
    images["moved"] = os.path.join(base, "moved", app.name)
    os.makedirs(os.path.dirname(images["moved"]))
    os.rename(staged, images["moved"])
    os.rmdir(os.path.dirname(staged))
    images["jpackage"] = jpackage(app, jdk, input_dir, os.path.join(base, "jpackage"))
    return configurations(app, jdk_name, jdk, input_dir, images)


def find_setup(app: App, jdk_name: str, jdk: str, input_dir: str, work: str, args) -> Setup:
    """The images a previous run packaged, where set_up puts them."""
    base = os.path.join(args.out, "images", jdk_name, app.name)
    images = {k: os.path.join(base, folder, app.name) for k, folder in (
        ("image", "plain"), ("cds", "cds"), ("moved", "moved"), ("jpackage", "jpackage"))}
    for image in images.values():
        if not os.path.isdir(image):
            sys.exit("bench-apps: %s is missing: run once without --reuse" % image)
    log("%s on JDK %s: the images packaged before" % (app.name, jdk_name))
    return configurations(app, jdk_name, jdk, input_dir, images)


def configurations(app: App, jdk_name: str, jdk: str, input_dir: str,
                   images: Dict[str, str]) -> Setup:
    classpath = ":".join(os.path.join(input_dir, os.path.basename(j)) for j in app.jars)
    programs = [Program("%s-java" % jdk_name, "java -cp",
                        [os.path.join(jdk, "bin", "java")] + app.java_options +
                        ["-cp", classpath, app.main_class])]
    for suffix, label in CONFIGS[1:]:
        programs.append(Program("%s-%s" % (jdk_name, suffix), label,
                                [os.path.join(images[suffix], "bin", app.name)]))
    sizes = {"%s-%s" % (jdk_name, k): tree_bytes(v) for k, v in images.items()}
    return Setup(programs, sizes, classpath)


# --- Running --------------------------------------------------------------------------------


def one_run(app: App, program: Program, env: Dict[str, str], work: str, runs: str):
    """One timed run into a fresh output folder; the output must be there afterwards."""
    output = tempfile.mkdtemp(dir=runs)
    try:
        sample = run_once(program._replace(argv=program.argv + app.arguments(work, output)), env)
        produced = app.output_file(output)
        if not os.path.isfile(produced) or os.path.getsize(produced) == 0:
            sys.exit("bench-apps: %s (%s) ran but wrote no %s" % (
                app.name, program.key, os.path.basename(produced)))
        return sample
    finally:
        shutil.rmtree(output)


def unquote(text: str) -> str:
    """A string as trellane-stamp show prints it: quoted, with \\", \\\\ and \\xNN escapes."""
    raw, i = bytearray(), 1
    while i < len(text) - 1:
        if text[i] == "\\" and text[i + 1] == "x":
            raw.append(int(text[i + 2:i + 4], 16))
            i += 4
        elif text[i] == "\\":
            raw += text[i + 1].encode()
            i += 2
        else:
            raw += text[i].encode()
            i += 1
    return raw.decode()


def with_option(stamp: str, unstamped: str, launcher: str, option: str) -> str:
    """A copy of an image's launcher, beside it, with the same block plus one JVM option.

    The launcher reads no JVM options from the environment but its own variable, which these
    images do not enable, so the only way to ask an image's JVM for a log is its block."""
    shown = subprocess.run([stamp, "show", launcher], capture_output=True, text=True,
                           check=True).stdout.splitlines()
    argv = [stamp, "write", "--input", unstamped, "--output", launcher + "-diagnostic"]
    lists = {"jvmOptions": "--jvm-option", "defaultAppArguments": "--default-argument",
             "allowedUserOptionPrefixes": "--allow-user-option"}
    flags = {"useMainThread": "--use-main-thread", "isConsoleApp": "--console-app",
             "setUpConsole": "--set-up-console",
             "redirectAppDataVariables": "--redirect-appdata"}
    current = None
    for line in shown:
        key, _, value = line.strip().partition(" ")
        value = value.strip()
        if key.rstrip(":") in lists:
            current = lists[key.rstrip(":")]
        elif key in flags and value == "yes":
            argv.append(flags[key])
        elif key == "mainClassName:":
            argv += ["--main-class", unquote(value)]
        elif key == "launchThreadStackSize:":
            argv += ["--stack-size", value.split()[0]]
        elif current and key.isdigit():
            argv += [current, unquote(value)]
    argv += ["--jvm-option", option]
    run_checked(argv, "trellane-stamp")
    return launcher + "-diagnostic"


def archive_use(app: App, program: Program, work: str, runs: str, args) -> str:
    """How many of the classes a run loads come from the JVM's shared archives (the JDK's own
    archive and the application's dynamic archive or ahead-of-time cache)."""
    output = tempfile.mkdtemp(dir=runs)
    option = "-Xlog:class+load=info:file=" + os.path.join(output, "class-load.log")
    argv, env, copy = program.argv, _environment({"JAVA_TOOL_OPTIONS": option}), None
    if program.key.split("-", 1)[1] in ("image", "cds", "moved"):
        copy = with_option(args.stamp, args.launcher, argv[0], option)
        argv, env = [copy], _environment({})
    try:
        subprocess.run(argv + app.arguments(work, output), env=env, capture_output=True,
                       check=True)
        with open(os.path.join(output, "class-load.log"), errors="replace") as f:
            loads = [line for line in f if " source: " in line]
        shared = sum("shared objects file" in line for line in loads)
        # Debian's jars name others in /usr/share/java in their manifests' Class-Path: what
        # the JVM loads from there is outside the application's folder in every configuration.
        system = sum("source: file:/usr/share/java/" in line for line in loads)
        return "%d of %d%s" % (shared, len(loads),
                                " (%d from /usr/share/java)" % system if system else "")
    finally:
        shutil.rmtree(output)
        if copy:
            os.remove(copy)


def wait_for_low_load(limit: float, patience: float) -> str:
    waited = 0.0
    while float(load()[0]) > limit and waited < patience:
        if waited == 0:
            log("load %s above %.1f: waiting (at most %d s)" % (load()[0], limit, patience))
        time.sleep(15)
        waited += 15
    if float(load()[0]) > limit:
        log("load still %s after %d s: measuring anyway" % (load()[0], waited))
        return "still %s after waiting %d s" % (load()[0], waited)
    return "waited %d s" % waited if waited else "no wait"


def run_rounds(app: App, programs: List[Program], rounds: int, warmup: int, work: str,
               runs: str, loads: List[float]):
    env = _environment({})
    samples = {p.key: [] for p in programs}
    for number in range(warmup + rounds):
        order = programs if number % 2 == 0 else list(reversed(programs))
        for program in order:
            sample = one_run(app, program, env, work, runs)
            if number >= warmup:
                samples[program.key].append(sample)
        loads.append(float(load()[0]))
        if number >= warmup and (number - warmup + 1) % 5 == 0:
            log("%s: %d of %d rounds (load %s)" % (app.name, number - warmup + 1, rounds,
                                                  load()[0]))
    return samples


# --- The report -----------------------------------------------------------------------------


class Target(NamedTuple):
    subject: str
    reference: str
    low: Optional[float]   # the median ratio must be at least this (None: no lower bound)
    high: float            # and at most this
    text: str


def targets_for(jdk_name: str) -> List[Target]:
    if jdk_name == "25":
        return [Target("25-cds", "25-java", None, 0.65, "≤ 0.65"),
                Target("25-moved", "25-cds", 0.95, 1.05, "within 5%")]
    return [Target("17-%s" % k, "17-java", None, 1.02, "≤ 1.02")
            for k in ("image", "cds", "moved")]


def judge(ratio, target: Target) -> str:
    median, low, high = ratio
    inside = (target.low is None or median >= target.low) and median <= target.high
    if inside:
        return "met"
    # Missed: say whether the interval still reaches the target.
    reaches = (high >= (target.low or 0) if target.low is not None and median < target.low
               else low <= target.high)
    return "missed (target inside the interval)" if reaches else "missed"


def ratio(samples, subject: str, reference: str, measure: str = "wall_ms"):
    return median_interval([getattr(s, measure) / getattr(r, measure)
                            for s, r in zip(samples[subject], samples[reference])])


def fmt(r) -> str:
    return "%.2f [%.2f, %.2f]" % r


def app_section(app: App, programs: List[Program], samples, sizes, use, rounds) -> List[str]:
    lines = ["### %s" % app.title, "", "Workload: %s. %d rounds." % (app.workload, rounds), "",
             "| JDK | configuration | wall ms | CPU ms | peak RSS MiB | image MiB "
             "| classes from archives | / java -cp [95% CI] | / jpackage [95% CI] |",
             "|---|---|---:|---:|---:|---:|---:|---:|---:|"]
    for program in programs:
        jdk_name = program.key.split("-")[0]
        runs = samples[program.key]
        size = sizes.get(program.key)
        versus_java = ("" if program.key.endswith("-java")
                       else fmt(ratio(samples, program.key, jdk_name + "-java")))
        versus_jpackage = ("" if program.key.endswith(("-java", "-jpackage"))
                           else fmt(ratio(samples, program.key, jdk_name + "-jpackage")))
        lines.append("| %s | %s | %.0f | %.0f | %.1f | %s | %s | %s | %s |" % (
            jdk_name, program.label, statistics.median(s.wall_ms for s in runs),
            statistics.median(s.cpu_ms for s in runs),
            statistics.median(s.rss_kib for s in runs) / 1024,
            "%.1f" % (size / 2**20) if size else "", use.get(program.key, ""),
            versus_java, versus_jpackage))
    return lines + [""]


# --- Main -----------------------------------------------------------------------------------


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rounds", type=int,
                        default=int(os.environ.get("BENCH_APPS_ROUNDS", "20")))
    parser.add_argument("--warmup", type=int,
                        default=int(os.environ.get("BENCH_WARMUP", "2")))
    parser.add_argument("--apps", default=os.environ.get("BENCH_APPS", "fop,plantuml,xalan"),
                        help="comma-separated: fop, plantuml, xalan")
    parser.add_argument("--max-load", type=float,
                        default=float(os.environ.get("BENCH_MAX_LOAD", "1.5")))
    parser.add_argument("--load-wait", type=float,
                        default=float(os.environ.get("BENCH_LOAD_WAIT", "900")),
                        help="seconds to wait at most for the load to fall below --max-load")
    parser.add_argument("--quick", action="store_true",
                        default=os.environ.get("BENCH_QUICK") == "1",
                        help="a smoke run: 3 rounds, 1 warm-up, bench/RESULTS.md left alone")
    parser.add_argument("--reuse", action="store_true",
                        default=os.environ.get("BENCH_APPS_REUSE") == "1",
                        help="time the images of the previous run again instead of packaging")
    parser.add_argument("--out", default=os.path.join(BENCH, "out", "real-apps"))
    parser.add_argument("--package", default=os.path.join(ROOT, "dist/bin/trellane-package"))
    parser.add_argument("--stamp", default=os.path.join(ROOT, "dist/bin/trellane-stamp"))
    parser.add_argument("--launcher", default=os.path.join(ROOT, "dist/linux/launcher"))
    parser.add_argument("--runtime-jar",
                        default=os.path.join(ROOT, "dist/java/trellane-runtime.jar"))
    args = parser.parse_args()
    if args.quick:
        args.rounds, args.warmup = min(args.rounds, 3), 1
    results = (os.path.join(args.out, "RESULTS.md") if args.quick
               else os.path.join(BENCH, "RESULTS.md"))
    samples_file = (os.path.join(args.out, "samples.json") if args.quick
                    else os.path.join(WORKLOADS, "samples.json"))
    apps = [a for a in APPS if a.name in args.apps.split(",")]
    for file in (args.package, args.stamp, args.launcher, args.runtime_jar):
        if not os.path.isfile(file):
            sys.exit("bench-apps: %s is missing: run make dist first" % file)
    missing = [j for a in apps for j in a.jars if not os.path.exists(j)]
    if missing:
        sys.exit("bench-apps: %s missing: scripts/install-deps.sh bench installs the "
                 "applications" % ", ".join(missing))
    jdks = {}
    skipped = []
    for name, jdk in JDKS.items():
        if os.path.isfile(os.path.join(jdk, "bin", "jpackage")):
            jdks[name] = jdk
        else:
            skipped.append("JDK %s (%s has no bin/jpackage): its rows are skipped" % (name, jdk))
            log(skipped[-1])
    if "17" not in jdks:
        sys.exit("bench-apps: JDK 17 (%s) is missing" % JDKS["17"])

    work = os.path.join(args.out, "work")
    runs = os.path.join(args.out, "runs")
    if args.reuse and not os.path.isdir(os.path.join(args.out, "images")):
        sys.exit("bench-apps: nothing to reuse in %s: run once without --reuse" % args.out)
    if not args.reuse:
        shutil.rmtree(args.out, ignore_errors=True)
    shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(runs, ignore_errors=True)
    for folder in (work, runs):
        os.makedirs(folder)
    rnd = random.Random(5)
    with open(os.path.join(work, "sales.xml"), "w") as f:
        f.write("<rows>\n" + "".join(
            '<row id="%d" city="city-%02d" amount="%.2f"/>\n'
            % (i, rnd.randrange(60), rnd.uniform(1, 999)) for i in range(5000)) + "</rows>\n")

    setups = {}
    for app in apps:
        input_dir = (os.path.join(args.out, "input", app.name) if args.reuse
                     else prepare_input(app, args.out))
        programs, sizes = [], {}
        for name, jdk in jdks.items():
            setup = (find_setup if args.reuse else set_up)(app, name, jdk, input_dir, work,
                                                           args)
            programs += setup.programs
            sizes.update(setup.sizes)
        use = {p.key: archive_use(app, p, work, runs, args) for p in programs}
        setups[app.name] = (programs, sizes, use)

    started = datetime.datetime.now(datetime.timezone.utc)
    load_before = load()
    waited = wait_for_low_load(args.max_load, args.load_wait)
    load_start = load()
    loads: List[float] = []
    collected = {}
    for app in apps:
        programs = setups[app.name][0]
        log("%s: %d configurations, %d rounds after %d warm-up" % (
            app.name, len(programs), args.rounds, args.warmup))
        collected[app.name] = run_rounds(app, programs, args.rounds, args.warmup, work, runs,
                                         loads)
    load_end = load()
    finished = datetime.datetime.now(datetime.timezone.utc)

    # The report.
    verdicts, sections = [], []
    for app in apps:
        programs, sizes, use = setups[app.name]
        samples = collected[app.name]
        sections += app_section(app, programs, samples, sizes, use, args.rounds)
        for jdk_name in jdks:
            labels = {p.key: p.label for p in programs}
            for t in targets_for(jdk_name):
                r = ratio(samples, t.subject, t.reference)
                cpu = ratio(samples, t.subject, t.reference, "cpu_ms")
                verdicts.append("| %s | JDK %s | %s / %s | %s | %s | %s | %s |" % (
                    app.name, jdk_name, labels[t.subject], labels[t.reference], fmt(r),
                    fmt(cpu), t.text, judge(r, t)))
    versions = "; ".join("JDK %s: %s" % (n, jdk_version(j)) for n, j in jdks.items())
    text = "\n".join([
        SECTION, "",
        "`make bench-apps` (bench/real_apps.py), %s to %s: %d rounds per application after "
        "%d warm-up rounds. Machine: %d cores (%s), shared with other developers' builds. "
        "Load average (1, 5, 15 min): %s after packaging, %s when the timed rounds began (%s "
        "for it to fall below %.1f), %s at the end; the 1-minute load after each round: "
        "median %.2f, highest %.2f. %s." % (
            started.strftime("%Y-%m-%d %H:%M"), finished.strftime("%H:%M UTC"), args.rounds,
            args.warmup, os.cpu_count(), cpu_model(), " ".join(load_before),
            " ".join(load_start), waited, args.max_load, " ".join(load_end),
            statistics.median(loads), max(loads), versions) +
        (" The images are those of the invocation before (`BENCH_APPS_REUSE=1`)."
         if args.reuse else "")] +
        [""] + [s + "." for s in skipped] + [
        "",
        "Each application is packaged from the same jars (Debian's, copied into one folder) "
        "with the same main class and the options its Debian start script passes. `image` is "
        "`trellane-package` without `--cds`; `image --cds` is trained on the workload "
        "(JDK 17: a dynamic archive; JDK 25: the ahead-of-time cache); `moved` is that "
        "trained image copied with its file times and renamed into another folder. The jpackage app image "
        "is built with the JDK's own `jpackage --type app-image` and its defaults: no "
        "application CDS archive, and its runtime, linked without jlink's "
        "`--generate-cds-archive`, has no CDS archive of its own either. Every run writes "
        "into a fresh folder and its output is checked. Wall time is spawn to exit, CPU is "
        "user + system, peak RSS is wait4's ru_maxrss (medians); image MiB is the bytes of "
        "the image's files; classes from archives counts, in one run under "
        "`-Xlog:class+load`, the classes loaded from the JDK's CDS archive or the image's "
        "archive or cache, of all classes loaded; those the JVM read from /usr/share/java came "
        "through Debian's manifests (batik-all.jar and plantuml.jar name jars there by "
        "absolute path in their Class-Path), the same in every configuration, and the JVM "
        "archives none of them. A ratio is the median of the per-round ratios with its 95% "
        "confidence interval.", "",
        "### Targets", "",
        "The targets are judged on wall time; the CPU-time ratio beside it moves less when "
        "other work competes for the cores.", "",
        "| application | JDK | subject / reference | wall ratio [95% CI] | CPU ratio [95% CI] "
        "| target | |",
        "|---|---|---|---:|---:|---:|---|"] + verdicts + [""] + sections)
    replace_section(results, text + "\n")
    with open(samples_file, "w") as f:
        json.dump({app: {key: [s._asdict() for s in runs_] for key, runs_ in data.items()}
                   for app, data in collected.items()}, f, indent=0)
    print(text)
    log("wrote %s and %s" % (results, samples_file))


if __name__ == "__main__":
    main()
