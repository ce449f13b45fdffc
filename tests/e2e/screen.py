"""A virtual screen (Xvfb) whose pixels the tests read: Xvfb keeps its frame buffer in a file
(-fbdir), in the XWD format, which is read here without any X client. No pointer is drawn
(-nocursor): it would sit in the middle of the screen, over a splash."""

import os
import shutil
import struct
import subprocess
import tempfile
import time
from typing import Callable, List, Sequence, Tuple

Pixel = Tuple[int, int, int]
WIDTH, HEIGHT = 800, 600


def available() -> bool:
    return shutil.which("Xvfb") is not None


class VirtualScreen:
    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="trellane-screen-")
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-nolisten", "tcp", "-nocursor", "-fbdir",
             self.folder, "-screen", "0", "%dx%dx24" % (WIDTH, HEIGHT)],
            pass_fds=(write,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            self.display = ":" + display.readline().strip()

    def pixels(self) -> List[List[Pixel]]:
        """The screen now, rows of (red, green, blue)."""
        with open(os.path.join(self.folder, "Xvfb_screen0"), "rb") as f:
            data = f.read()
        # XWD's header is 25 32-bit numbers (then the window's name), in the writer's byte
        # order: its version, 7, tells which.
        order = ">" if struct.unpack(">I", data[4:8])[0] == 7 else "<"
        fields = struct.unpack(order + "25I", data[:100])
        header_size, width, height = fields[0], fields[4], fields[5]
        byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
        red_mask, green_mask, blue_mask, colours = fields[14], fields[15], fields[16], fields[19]
        assert bits_per_pixel == 32, "a 24-bit screen keeps 32 bits a pixel"
        start = header_size + 12 * colours
        pixel_order = "<" if byte_order == 0 else ">"

        def channel(value: int, mask: int) -> int:
            shift = (mask & -mask).bit_length() - 1
            return (value & mask) >> shift

        rows = []
        for y in range(height):
            line = data[start + y * bytes_per_line:start + y * bytes_per_line + 4 * width]
            values = struct.unpack(pixel_order + "%dI" % width, line)
            rows.append([(channel(v, red_mask), channel(v, green_mask), channel(v, blue_mask))
                         for v in values])
        return rows

    def wait_for(self, condition: Callable[[List[List[Pixel]]], bool],
                 timeout: float = 20) -> bool:
        deadline = time.monotonic() + timeout
        while True:
            if condition(self.pixels()):
                return True
            if time.monotonic() > deadline:
                return False
            time.sleep(0.1)

    def close(self) -> None:
        self.server.kill()
        self.server.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


def region(pixels: List[List[Pixel]], x: int, y: int, width: int,
           height: int) -> List[List[Pixel]]:
    return [row[x:x + width] for row in pixels[y:y + height]]


def differing(a: Sequence[Sequence[Pixel]], b: Sequence[Sequence[Pixel]]) -> int:
    """How many pixels differ in any channel by more than 2."""
    return sum(1 for row_a, row_b in zip(a, b) for p, q in zip(row_a, row_b)
               if max(abs(p[i] - q[i]) for i in range(3)) > 2)
