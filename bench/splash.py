#!/usr/bin/env python3
"""Time from a process's start to its splash screen's first frame: the launcher against
`java -splash:`, on the same JDK, image and application.

A virtual screen (Xvfb) keeps its frame buffer in a file (-fbdir, the XWD format); each run
starts the program, then reads a few of the splash's pixels from that file until they all
show, and the time from just before the process was started to that moment is the sample.
The application itself only waits; the run is then ended, and the next waits for a black
screen. Each round runs both programs once, in alternating order; the ratio is the median of
the in-round ratios launcher / java with a distribution-free 95% interval
(startup_bench.median_interval). The timed rounds wait (at most BENCH_LOAD_WAIT seconds, 900)
for the 1-minute load to fall below BENCH_MAX_LOAD (1.5), and the load is recorded. The
figures replace the "## Splash screen" section at the end of bench/RESULTS.md.

    make bench-splash                      # after make dist
    BENCH_SPLASH_ROUNDS=40 python3 bench/splash.py
"""

import argparse
import datetime
import mmap
import os
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import zlib

from startup_bench import cpu_model, median_interval, replace_section

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
SECTION = "## Splash screen"
SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
WIDTH, HEIGHT = 480, 320
# The image's colours by quarter; the probes sit in the middle of each.
QUARTERS = [(200, 40, 40), (40, 200, 40), (40, 40, 200), (220, 220, 40)]

APP_SOURCE = """
public final class SplashWait {
    public static void main(String[] args) throws Exception {
        Thread.sleep(20000);
    }
}
"""


def write_png(path: str) -> None:
    rows = b""
    for y in range(HEIGHT):
        row = bytearray(b"\0")
        for x in range(WIDTH):
            row += bytes(QUARTERS[(y >= HEIGHT // 2) * 2 + (x >= WIDTH // 2)])
        rows += bytes(row)

    def chunk(kind: bytes, data: bytes) -> bytes:
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2,
                                                                  0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


class Screen:
    def __init__(self, folder: str):
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-nolisten", "tcp", "-nocursor", "-fbdir",
             folder, "-screen", "0", "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT)],
            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            self.display = ":" + display.readline().strip()
        self.file = open(os.path.join(folder, "Xvfb_screen0"), "rb")
        self.map = mmap.mmap(self.file.fileno(), 0, access=mmap.ACCESS_READ)
        order = ">" if struct.unpack(">I", self.map[4:8])[0] == 7 else "<"
        fields = struct.unpack(order + "25I", self.map[:100])
        start = fields[0] + 12 * fields[19]
        masks = fields[14:17]
        self.pixel_order = "<" if fields[7] == 0 else ">"
        self.shifts = [(mask & -mask).bit_length() - 1 for mask in masks]
        left, top = (SCREEN_WIDTH - WIDTH) // 2, (SCREEN_HEIGHT - HEIGHT) // 2
        self.probes = []
        for index, colour in enumerate(QUARTERS):
            x = left + WIDTH // 4 + (index % 2) * WIDTH // 2
            y = top + HEIGHT // 4 + (index // 2) * HEIGHT // 2
            self.probes.append((start + y * fields[12] + 4 * x, colour))

    def pixel(self, offset: int):
        value = struct.unpack(self.pixel_order + "I", self.map[offset:offset + 4])[0]
        return tuple((value >> shift) & 0xFF for shift in self.shifts)

    def splash_shown(self) -> bool:
        return all(self.pixel(offset) == colour for offset, colour in self.probes)

    def blank(self) -> bool:
        return all(self.pixel(offset) == (0, 0, 0) for offset, _ in self.probes)

    def close(self) -> None:
        self.map.close()
        self.file.close()
        self.server.kill()
        self.server.wait()


def first_frame_ms(command, screen: Screen, env) -> float:
    while not screen.blank():
        time.sleep(0.01)
    started = time.monotonic()
    process = subprocess.Popen(command, env=env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    try:
        while not screen.splash_shown():
            if process.poll() is not None or time.monotonic() - started > 30:
                raise SystemExit("bench: %s showed no splash" % command[0])
            time.sleep(0.001)  # the other core is the programs' too
        return (time.monotonic() - started) * 1000
    finally:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rounds", type=int,
                        default=int(os.environ.get("BENCH_SPLASH_ROUNDS", "30")))
    parser.add_argument("--warmup", type=int, default=3)
    parser.add_argument("--quick", action="store_true",
                        default=os.environ.get("BENCH_QUICK") == "1",
                        help="5 rounds, bench/RESULTS.md left alone")
    parser.add_argument("--launcher", default=os.path.join(ROOT, "dist", "linux", "launcher"))
    parser.add_argument("--stamp", default=os.path.join(ROOT, "dist", "bin", "trellane-stamp"))
    parser.add_argument("--runtime-jar",
                        default=os.path.join(ROOT, "dist", "java", "trellane-runtime.jar"))
    parser.add_argument("--jdk", default=os.path.dirname(os.path.dirname(
        os.path.realpath(shutil.which("javac") or "/usr/bin/javac"))))
    args = parser.parse_args()
    if args.quick:
        args.rounds, args.warmup = 5, 1
    for path in (args.launcher, args.stamp, args.runtime_jar):
        if not os.path.isfile(path):
            raise SystemExit("bench: %s is missing: run make dist first" % path)

    out = os.path.join(BENCH, "out", "splash")
    shutil.rmtree(out, ignore_errors=True)
    image = os.path.join(out, "image")
    app = os.path.join(image, "app")
    os.makedirs(os.path.join(image, "bin"))
    os.makedirs(app)
    # The image's runtime is the JDK's (lib/ a link to it), so both programs run one JVM and
    # load one splash library.
    os.symlink(os.path.join(args.jdk, "lib"), os.path.join(image, "lib"))
    with open(os.path.join(out, "SplashWait.java"), "w") as f:
        f.write(APP_SOURCE)
    subprocess.run([os.path.join(args.jdk, "bin", "javac"), "-d", os.path.join(out, "classes"),
                    os.path.join(out, "SplashWait.java")], check=True)
    subprocess.run([os.path.join(args.jdk, "bin", "jar"), "--create", "--file",
                    os.path.join(app, "app.jar"), "-C", os.path.join(out, "classes"), "."],
                   check=True)
    shutil.copy(args.runtime_jar, app)
    splash = os.path.join(app, "splash.png")
    write_png(splash)
    launcher = os.path.join(image, "bin", "app")
    subprocess.run([args.stamp, "write", "--input", args.launcher, "--output", launcher,
                    "--main-class", "SplashWait", "--java-options",
                    "-Djava.class.path=$APPDIR/app.jar:$APPDIR/trellane-runtime.jar "
                    "-splash:$APPDIR/splash.png"], check=True)
    programs = {
        "launcher": [launcher],
        "java -splash:": [os.path.join(args.jdk, "bin", "java"), "-splash:" + splash, "-cp",
                          os.path.join(app, "app.jar"), "SplashWait"],
    }

    # The machine is shared: wait for a quiet moment first (as make bench-apps does).
    limit = float(os.environ.get("BENCH_MAX_LOAD", "1.5"))
    patience = 0 if args.quick else float(os.environ.get("BENCH_LOAD_WAIT", "900"))
    waited = 0
    while float(open("/proc/loadavg").read().split()[0]) > limit and waited < patience:
        if waited == 0:
            print("bench: load above %.1f: waiting (at most %d s)" % (limit, patience),
                  file=sys.stderr)
        time.sleep(15)
        waited += 15
    screen = Screen(tempfile.mkdtemp(prefix="trellane-splash-bench-"))
    env = {k: v for k, v in os.environ.items()
           if k not in ("JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS")}
    env["DISPLAY"] = screen.display
    load = open("/proc/loadavg").read().split()[:3]
    samples = {name: [] for name in programs}
    try:
        for round_number in range(args.warmup + args.rounds):
            order = list(programs) if round_number % 2 == 0 else list(reversed(list(programs)))
            times = {name: first_frame_ms(programs[name], screen, env) for name in order}
            if round_number >= args.warmup:
                for name, value in times.items():
                    samples[name].append(value)
            print("bench: round %d: %s" % (round_number + 1, ", ".join(
                "%s %.0f ms" % item for item in times.items())), file=sys.stderr)
    finally:
        screen.close()

    ratio, low, high = median_interval([a / b for a, b in zip(samples["launcher"],
                                                               samples["java -splash:"])])
    java_version = subprocess.run([os.path.join(args.jdk, "bin", "java"), "-version"],
                                  capture_output=True, text=True).stderr.splitlines()[0]
    lines = [
        SECTION, "",
        "`make bench-splash` (`bench/splash.py`): time from the process's start to the "
        "splash's first frame on a virtual screen (Xvfb, its frame buffer read from a file), "
        "a %dx%d PNG, %d rounds after %d warm-up, each running both in alternating order. "
        "%s, %s; load at the start %s (after waiting %d s for it to fall below %.1f); %s." % (
            WIDTH, HEIGHT, args.rounds, args.warmup, java_version, cpu_model(), " ".join(load),
            waited, limit, datetime.date.today().isoformat()), "",
        "| program | median first frame | fastest | slowest |",
        "|---|---:|---:|---:|",
    ]
    for name, values in samples.items():
        lines.append("| %s | %.1f ms | %.1f ms | %.1f ms |" % (
            name, statistics.median(values), min(values), max(values)))
    lines += ["", "Launcher / `java -splash:`: %.2f (95%% interval %.2f to %.2f)." % (
        ratio, low, high), ""]
    text = "\n".join(lines)
    print(text)
    results = (os.path.join(out, "RESULTS.md") if args.quick
               else os.path.join(BENCH, "RESULTS.md"))
    replace_section(results, text)


if __name__ == "__main__":
    main()
