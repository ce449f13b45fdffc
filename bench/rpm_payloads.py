#!/usr/bin/env python3
"""Time and size of the .rpm's payload compressions: rpmbuild packing the demo's Linux image
(the tree --type rpm packs, under /opt/hello) with each payload setting (rpmbuild's
_binary_payload), against the one trellane-package uses, in the same rounds.

The recipe is the package's own without what does not depend on the compression (menu
entries, the dependency finder: AutoReqProv off), so the times are the packing's. Each round
packs with every setting once, in alternating order; a time ratio is the median of the
in-round ratios with a distribution-free 95% interval, a size ratio that of the packages'
bytes. The figures replace the "## RPM payload compression" section of bench/RESULTS.md.

    make bench-rpm-payloads                    # after make dist
    BENCH_PAYLOADS_ROUNDS=3 BENCH_PAYLOADS=w2T.xzdio,w3T.zstdio python3 bench/rpm_payloads.py
"""

import argparse
import datetime
import os
import shutil
import subprocess
import sys
import tempfile
import time
from typing import Dict, List

sys.dont_write_bytecode = True  # the imports below leave no __pycache__ in bench/
from packages import (SIZE_TARGET, compile_sample, load, log, ours, run_checked)  # noqa: E402
from startup_bench import cpu_model, median_interval, replace_section  # noqa: E402

BENCH = os.path.dirname(os.path.abspath(__file__))
SECTION = "## RPM payload compression"
# trellane-package's own (installers/rpm/rpm_package.cpp) first: the reference.
CHOSEN = "w9T.zstdio"
# What it replaced, which the package may outgrow by at most 15% (packages.SIZE_TARGET).
PREVIOUS = "w2T.xzdio"
PAYLOADS = [CHOSEN, PREVIOUS, "w6T.xzdio", "w1T.xzdio", "w0T.xzdio", "w9.gzdio", "w6.gzdio",
            "w1.gzdio", "w3T.zstdio", "w7T.zstdio", "w12T.zstdio", "w19T.zstdio"]

RECIPE = """Name: hello
Version: 1.0
Release: 1
Summary: The demo
License: Unknown
Prefix: /opt
AutoReqProv: no
%%define __spec_install_pre %%{nil}
%%define __spec_install_post %%{nil}
%%define __os_install_post %%{nil}
%%define debug_package %%{nil}
%%define _build_id_links none
%%define _binary_payload %s

%%description
The demo's image.

%%files
%%defattr(-,root,root,-)
/opt/hello
"""


def pack(work: str, root: str, payload: str) -> (float, int):
    out = os.path.join(work, "rpms")
    shutil.rmtree(out, True)
    os.makedirs(out)
    recipe = os.path.join(work, "hello.recipe")
    with open(recipe, "w") as f:
        f.write(RECIPE % payload)
    top = os.path.join(work, "rpmbuild")
    started = time.monotonic()
    run_checked(["rpmbuild", "-bb", "--noclean", "--quiet", "--define", "_topdir " + top,
                 "--define", "_tmppath " + top + "/tmp", "--define", "_rpmdir " + out,
                 "--define", "_rpmfilename hello.rpm", "--buildroot", root, recipe],
                "rpmbuild (%s)" % payload)
    seconds = time.monotonic() - started
    return seconds, os.path.getsize(os.path.join(out, "hello.rpm"))


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int,
                        default=int(os.environ.get("BENCH_PAYLOADS_ROUNDS", "3")))
    args = parser.parse_args()
    payloads = os.environ.get("BENCH_PAYLOADS", ",".join(PAYLOADS)).split(",")
    if payloads[0] != CHOSEN:
        payloads = [CHOSEN] + [p for p in payloads if p != CHOSEN]
    if shutil.which("rpmbuild") is None:
        sys.exit("bench-rpm-payloads: rpmbuild is missing: make bench-rpm-payloads installs it")

    work = tempfile.mkdtemp(prefix="bench-rpm-payloads-")
    try:
        inputs = compile_sample(work)
        image = os.path.join(work, "image")
        run_checked(ours("app-image", inputs, image), "trellane-package (app image)")
        root = os.path.join(work, "root")
        os.makedirs(os.path.join(root, "opt"))
        os.rename(os.path.join(image, "hello"), os.path.join(root, "opt", "hello"))
        tree_bytes = sum(os.path.getsize(os.path.join(d, f))
                         for d, _, files in os.walk(root) for f in files)
        seconds: Dict[str, List[float]] = {p: [] for p in payloads}
        sizes: Dict[str, int] = {}
        load_before = load()
        for round_number in range(args.rounds):
            order = payloads if round_number % 2 == 0 else payloads[::-1]
            for payload in order:
                log("round %d: %s (load %s)" % (round_number + 1, payload, load()))
                took, size = pack(work, root, payload)
                seconds[payload].append(took)
                sizes[payload] = size
        load_after = load()
    finally:
        shutil.rmtree(work, True)

    lines = [
        SECTION, "",
        "Last run: %s UTC, `make bench-rpm-payloads` (%d rounds): rpmbuild %s packing the "
        "demo's Linux image (%.1f MB in files) with each payload setting. Machine: %s, %d "
        "cores. Load average (1, 5, 15 min): %s at the start, %s at the end; the in-round "
        "ratios cancel the load, the absolute times are not comparable between runs." % (
            datetime.datetime.utcnow().strftime("%Y-%m-%d %H:%M"), args.rounds,
            subprocess.run(["rpmbuild", "--version"], capture_output=True,
                           text=True).stdout.split()[-1],
            tree_bytes / 1e6, cpu_model(), os.cpu_count(), load_before, load_after),
        "",
        "| payload | median s | package bytes | time / %s [95%% CI] | size / %s |" % (
            CHOSEN, CHOSEN),
        "|---|---:|---:|---:|---:|",
    ]
    for payload in payloads:
        ratios = [s / r for s, r in zip(seconds[payload], seconds[CHOSEN])]
        median, low, high = median_interval(ratios)
        lines.append("| `%s` | %.1f | %d | %.3f [%.3f, %.3f] | %.3f |" % (
            payload, median_interval(seconds[payload])[0], sizes[payload], median, low, high,
            sizes[payload] / sizes[CHOSEN]))
    if PREVIOUS in sizes:
        ratio = sizes[CHOSEN] / sizes[PREVIOUS]
        lines += ["", "`%s` against the payload before it, `%s`: %.3f of its size (target ≤ "
                  "%.2f: %s)." % (CHOSEN, PREVIOUS, ratio, SIZE_TARGET,
                                  "met" if ratio <= SIZE_TARGET else "missed")]
    replace_section(os.path.join(BENCH, "RESULTS.md"), "\n".join(lines) + "\n")
    print("\n".join(lines))


if __name__ == "__main__":
    main()
