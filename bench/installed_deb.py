#!/usr/bin/env python3
"""Start-up of an installed Debian package on JDK 25: its trained cache against --cds auto and
java -cp.

The application is Debian's H2 SQL shell (libh2-java), running one SQL script against an
in-memory database per run. On the newer JDK (BENCH_JDK25, else Temurin 25's folder) it is
packaged twice with trellane-package --type deb: with --cds (the ahead-of-time cache, trained
at packaging time on the same script) and with --cds auto (the JVM's archive, made at a user's
first start). Each package is installed with dpkg into a throwaway root, as a user's system
would install it (dpkg keeps the files' times), and run from there:

  java -cp     the JDK's own java command, h2.jar on the class path
  --cds auto   the installed package from its second start on (the first one made the archive)
  --cds        the installed package with the cache it carries, from its first start

Every round runs the three once, in a random order; a ratio is the median over rounds of
subject / java -cp within a round, with a distribution-free 95% confidence interval. The
figures go to the "## Installed Debian package" section of bench/RESULTS.md.
"""

import argparse
import datetime
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
from typing import Dict, List

from startup_bench import (Program, _environment, cpu_model, median_interval, replace_section,
                           run_once)

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
SECTION = "## Installed Debian package"
JDK = os.environ.get("BENCH_JDK25", "/usr/lib/jvm/temurin-25-jdk-amd64")
H2_JAR = "/usr/share/java/h2.jar"
PACKAGER = os.path.join(ROOT, "dist", "bin", "trellane-package")
SQL = ("CREATE TABLE SALES(ID INT PRIMARY KEY, REGION VARCHAR(20), AMOUNT DECIMAL(10,2)) AS "
       "SELECT X, 'R' || MOD(X, 7), MOD(X * 37, 1000) / 10.0 FROM SYSTEM_RANGE(1, 2000); "
       "SELECT REGION, COUNT(*), SUM(AMOUNT) FROM SALES GROUP BY REGION ORDER BY REGION")
WORKLOAD = ["-url", "jdbc:h2:mem:bench", "-user", "sa", "-sql", SQL]
CONFIGS = [("java", "java -cp"), ("auto", "installed .deb, --cds auto"),
           ("trained", "installed .deb, --cds (trained cache)")]


def log(message: str) -> None:
    print("bench-deb: " + message, file=sys.stderr, flush=True)


def checked(argv: List[str], what: str, env: Dict[str, str] = None) -> str:
    done = subprocess.run(argv, capture_output=True, text=True, env=env)
    if done.returncode != 0:
        sys.exit("bench-deb: %s failed (status %d): %s\n%s%s" % (
            what, done.returncode, " ".join(argv), done.stdout, done.stderr))
    return done.stdout


def feature_version(jdk: str) -> int:
    try:
        with open(os.path.join(jdk, "release")) as f:
            for line in f:
                if line.startswith("JAVA_VERSION="):
                    return int(line.split("=", 1)[1].strip().strip('"').split(".")[0])
    except (OSError, ValueError):
        pass
    return 0


def build_and_install(work: str, package: str, cds: List[str]) -> str:
    """The package built with these --cds options and installed in a root of its own; the
    installed launcher."""
    log("packaging %s (%s)" % (package, " ".join(cds)))
    checked([PACKAGER, "--jdk", JDK, "--input", os.path.join(work, "input"), "--main-jar",
             "h2.jar", "--main-class", "org.h2.tools.Shell", "--name", "h2shell",
             "--linux-package-name", package, "--type", "deb", "--dest",
             os.path.join(work, "debs"), "--linux-deb-maintainer", "bench@example.com",
             "--allow-user-option", "-Xlog:class+load", "--quiet", *cds],
            "packaging " + package, env=dict(os.environ, DPKG_DEB_COMPRESSOR_TYPE="gzip"))
    deb = [f for f in os.listdir(os.path.join(work, "debs")) if f.startswith(package + "_")][0]
    root = os.path.join(work, "root-" + package)
    for folder in ("info", "updates"):
        os.makedirs(os.path.join(root, "var/lib/dpkg", folder))
    open(os.path.join(root, "var/lib/dpkg/status"), "w").close()
    # The root's database holds none of the machine's packages: the libraries the package
    # depends on are the machine's own, which the launcher finds there.
    checked(["dpkg", "--root=" + root, "--force-depends", "--install",
             os.path.join(work, "debs", deb)], "installing " + deb)
    return os.path.join(root, "opt", package, "bin", "h2shell")


def shown(output: str) -> str:
    """The shell's output without the times it reports."""
    return re.sub(r"\d+ ms\)", "ms)", output)


def from_cache(program: Program, env: Dict[str, str]) -> str:
    """'N of M': classes loaded from the runtime's or the application's archive or cache, of
    all loaded, in one run."""
    argv = program.argv
    if program.key == "java":
        argv = [argv[0], "-Xlog:class+load=info"] + argv[1:]
    else:
        env = dict(env, TRELLANE_JVM_OPTIONS="-Xlog:class+load=info")
    lines = [line for line in checked(argv, program.label, env).splitlines()
             if " source: " in line]
    return "%d of %d" % (sum("source: shared objects file" in line for line in lines),
                         len(lines))


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=20)
    args = parser.parse_args()
    if feature_version(JDK) < 24 or not os.path.exists(os.path.join(JDK, "bin", "jlink")):
        sys.exit("bench-deb: no JDK of version 24 or later at %s (set BENCH_JDK25): the "
                 "trained cache in a package needs one" % JDK)
    if not os.path.exists(H2_JAR):
        sys.exit("bench-deb: %s is missing: apt-get install libh2-java" % H2_JAR)
    if os.geteuid() != 0:
        sys.exit("bench-deb: dpkg installs the packages into throwaway roots as root only")

    work = os.path.realpath(tempfile.mkdtemp(prefix="trellane-bench-deb-"))
    try:
        os.makedirs(os.path.join(work, "input"))
        shutil.copyfile(H2_JAR, os.path.join(work, "input", "h2.jar"))
        trained = build_and_install(
            work, "bench-h2-trained",
            ["--cds"] + [a for argument in WORKLOAD for a in ("--cds-train-arg", argument)])
        auto = build_and_install(work, "bench-h2-auto", ["--cds", "auto"])
        home = os.path.join(work, "home")
        os.makedirs(home)
        env = _environment({"HOME": home})
        programs = [Program("java", CONFIGS[0][1],
                            [os.path.join(JDK, "bin", "java"), "-cp", H2_JAR,
                             "org.h2.tools.Shell", *WORKLOAD]),
                    Program("auto", CONFIGS[1][1], [auto, *WORKLOAD]),
                    Program("trained", CONFIGS[2][1], [trained, *WORKLOAD])]
        # The first start of --cds auto makes its archive; every program says the same.
        outputs = {p.key: shown(checked(p.argv, p.label, env)) for p in programs}
        if len(set(outputs.values())) != 1:
            sys.exit("bench-deb: the outputs differ:\n" + "\n".join(
                "%s:\n%s" % item for item in outputs.items()))
        cached = {p.key: from_cache(p, env) for p in programs}

        samples = {p.key: [] for p in programs}
        for round_number in range(args.rounds):
            order = list(programs)
            random.shuffle(order)
            for program in order:
                samples[program.key].append(run_once(program, env))
            log("round %d of %d" % (round_number + 1, args.rounds))
    finally:
        shutil.rmtree(work, True)

    def ratio(key: str, field: str) -> str:
        values = [getattr(s, field) / getattr(r, field)
                  for s, r in zip(samples[key], samples["java"])]
        median, low, high = median_interval(values)
        return "%.2f [%.2f, %.2f]" % (median, low, high)

    def median_of(key: str, field: str) -> float:
        return sorted(getattr(s, field) for s in samples[key])[len(samples[key]) // 2]

    with open("/proc/loadavg") as f:
        load = " ".join(f.read().split()[:3])
    version = subprocess.run([os.path.join(JDK, "bin", "java"), "-version"],
                             capture_output=True, text=True).stderr.splitlines()[0]
    lines = [
        SECTION,
        "",
        "`make bench-deb` (bench/installed_deb.py), %s: Debian's H2 SQL shell (libh2-java) "
        "running a 2,000-row create, group and sum against an in-memory database, packaged "
        "by trellane-package --type deb on %s and installed by dpkg into a throwaway root; "
        "%d rounds, each running the three in a random order; %s; load average at the end "
        "%s. Wall time is spawn to exit, CPU user + system (medians); a ratio is the median "
        "of the per-round ratios to java -cp with its 95%% confidence interval; classes from "
        "archives counts, in one run under -Xlog:class+load, the classes loaded from the "
        "runtime's CDS archive or the application's archive or cache." % (
            datetime.date.today().isoformat(), version, args.rounds, cpu_model(), load),
        "",
        "| configuration | wall ms | CPU ms | wall ratio | CPU ratio | classes from archives |",
        "|---|---|---|---|---|---|",
    ]
    for key, label in CONFIGS:
        lines.append("| %s | %.0f | %.0f | %s | %s | %s |" % (
            label, median_of(key, "wall_ms"), median_of(key, "cpu_ms"),
            "" if key == "java" else ratio(key, "wall_ms"),
            "" if key == "java" else ratio(key, "cpu_ms"), cached[key]))
    print("\n".join(lines))
    replace_section(os.path.join(BENCH, "RESULTS.md"), "\n".join(lines))


if __name__ == "__main__":
    main()
