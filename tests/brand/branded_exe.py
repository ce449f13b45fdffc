"""Branded resources in a real executable, for readers that are not ours.

The launcher's resources come from its own resource script (windres, as the build compiles
them, but into a .res file); branding_probe brands that file; windres turns the result into
an object and mingw links it into a small program, which python3-pefile, wrestool and, under
Wine, Windows' own functions then read. Also: PNG files written and read here, with zlib.
"""

import os
import struct
import subprocess
import zlib
from typing import Dict, List, Optional, Sequence, Tuple

try:
    import pefile
except ImportError:  # require_built_files says so; Debian's python3-pefile provides it
    pefile = None

_HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(_HERE))
RESOURCES = os.path.join(REPO, "src", "startup", "resources")
LAUNCHER_EXE = os.environ.get("TRELLANE_LAUNCHER_EXE") or os.path.join(
    REPO, "build", "windows", "launcher.exe")
PROBE = os.environ.get("TRELLANE_BRANDING_PROBE") or os.path.join(
    REPO, "build", "linux", "tests", "brand", "branding_probe")
WINDRES = os.environ.get("TRELLANE_WINDRES") or "x86_64-w64-mingw32-windres"
MINGW_CC = os.environ.get("TRELLANE_MINGW_CC") or "x86_64-w64-mingw32-gcc-win32"

ENGLISH_US = 0x0409
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
SIZES = [16, 32, 64, 128, 256]
STRING_KEYS = ["ProductName", "FileDescription", "CompanyName", "FileVersion",
               "ProductVersion", "LegalCopyright", "InternalName", "OriginalFileName"]

Pixels = List[Tuple[int, int, int, int]]  # RGBA, rows top to bottom


def require_built_files() -> None:
    if pefile is None:
        raise AssertionError("python3-pefile is missing: run scripts/install-deps.sh")
    for path, build in ((LAUNCHER_EXE, "cmake --build --preset windows"),
                        (PROBE, "cmake --build --preset linux")):
        if not os.path.exists(path):
            raise AssertionError("%s is missing: run %s" % (path, build))


def resources(image, type_id: int) -> Dict[Tuple[int, int], bytes]:
    """{(identifier, language): bytes} of one resource type of a pefile image."""
    found = {}
    for kind in image.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != type_id:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                found[(name.id, language.id)] = image.get_data(data.OffsetToData, data.Size)
    return found


def run(arguments: Sequence[str], **kwargs) -> subprocess.CompletedProcess:
    return subprocess.run(list(arguments), stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=120, **kwargs)


def checked(arguments: Sequence[str], **kwargs) -> subprocess.CompletedProcess:
    result = run(arguments, **kwargs)
    if result.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s" % (" ".join(arguments), result.returncode,
                                                      result.stderr.decode("utf-8", "replace")))
    return result


def launcher_res(directory: str) -> str:
    """The launcher's resources as built (its script and the icon the Windows build drew)."""
    path = os.path.join(directory, "launcher.res")
    checked([WINDRES, "--input-format=rc", "--output-format=res", "-I", RESOURCES,
             "-I", os.path.dirname(LAUNCHER_EXE), "-i", os.path.join(RESOURCES, "launcher.rc"),
             "-o", path])
    return path


def brand_arguments(name: Optional[str] = None, version: Optional[str] = None,
                    vendor: Optional[str] = None, copyright: Optional[str] = None,
                    icon: Optional[str] = None, identity: Optional[str] = None) -> List[str]:
    arguments = []
    for option, value in (("--name", name), ("--app-version", version), ("--vendor", vendor),
                          ("--copyright", copyright), ("--icon", icon),
                          ("--identity", identity)):
        if value is not None:
            arguments += [option, value]
    return arguments


def brand_res(source: str, output: str, **metadata) -> subprocess.CompletedProcess:
    return run([PROBE, "brand", source, output] + brand_arguments(**metadata))


def link_exe(res: str, exe: str) -> str:
    """A small GUI program carrying the resources of res and nothing else of ours."""
    directory = os.path.dirname(exe)
    obj, source = os.path.join(directory, "resources.o"), os.path.join(directory, "main.c")
    checked([WINDRES, "--input-format=res", "--output-format=coff", "-i", res, "-o", obj])
    with open(source, "w") as file:
        file.write("int main(void) { return 0; }\n")
    checked([MINGW_CC, "-mwindows", "-o", exe, source, obj])
    return exe


def branded_exe(directory: str, **metadata) -> str:
    """The launcher's resources branded with the metadata, linked into directory/app.exe."""
    branded = os.path.join(directory, "branded.res")
    result = brand_res(launcher_res(directory), branded, **metadata)
    if result.returncode != 0:
        raise AssertionError(result.stderr.decode("utf-8", "replace"))
    return link_exe(branded, os.path.join(directory, "app.exe"))


def png(width: int, height: int, pixels: Pixels) -> bytes:
    def chunk(kind: bytes, data: bytes) -> bytes:
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data)))

    rows = b"".join(b"\0" + b"".join(bytes(p) for p in pixels[y * width:(y + 1) * width])
                    for y in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6,
                                                               0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def read_png(data: bytes) -> Tuple[int, int, Pixels]:
    """Width, height and pixels of an 8-bit RGBA PNG that is not interlaced."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    assert (depth, colour, interlace) == (8, 6, 0), header
    raw, stride, previous, rows = zlib.decompress(idat), width * 4, bytearray(width * 4), []
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - 4] if i >= 4 else 0
            up, corner = previous[i], previous[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[i] = (line[i] + (left if pa <= pb and pa <= pc else up if pb <= pc
                                      else corner)) & 0xFF
        rows.append(bytes(line))
        previous = line
    pixels = [tuple(row[x * 4:x * 4 + 4]) for row in rows for x in range(width)]
    return width, height, pixels


def ico(entries: Sequence[Tuple[int, int, bytes]]) -> bytes:
    """An .ico file of (size, bits per pixel, image data) entries."""
    header = struct.pack("<HHH", 0, 1, len(entries))
    offset, directory, images = 6 + 16 * len(entries), b"", b""
    for size, bits, data in entries:
        directory += struct.pack("<BBBBHHII", size & 0xFF, size & 0xFF, 0, 0, 1, bits,
                                 len(data), offset + len(images))
        images += data
    return header + directory + images


def version_strings(image):
    """The string tables as {table: [(key, value)]} in their order, and the translations."""
    tables, translations = {}, []
    for info in image.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            for table in info.StringTable:
                tables[table.LangID.decode()] = [(k.decode(), v.decode("utf-8"))
                                                 for k, v in table.entries.items()]
        elif info.Key == b"VarFileInfo":
            translations += [var.entry for var in info.Var]
    return tables, translations


def box_average(pixels, side, size):
    """The source scaled down by averaging whole blocks, alpha-weighted: a reference that is
    not the resampling filter under test, so only closeness is expected."""
    step = side // size
    scaled = []
    for by in range(size):
        for bx in range(size):
            block = [pixels[(by * step + y) * side + bx * step + x]
                     for y in range(step) for x in range(step)]
            alpha = sum(p[3] for p in block)
            colour = [sum(p[c] * p[3] for p in block) / alpha for c in range(3)]
            scaled.append(tuple(colour) + (alpha / len(block),))
    return scaled


def smooth_source(side):
    return [(x * 255 // (side - 1), y * 255 // (side - 1), (x + y) * 255 // (2 * side - 2),
             255 - y * 191 // (side - 1)) for y in range(side) for x in range(side)]


def ico_images(path):
    """{size: PNG bytes} of an .ico file made of PNG entries."""
    with open(path, "rb") as file:
        data = file.read()
    reserved, kind, count = struct.unpack_from("<HHH", data)
    images = {}
    for index in range(count):
        width, height, colours, _, planes, bits, length, offset = struct.unpack_from(
            "<BBBBHHII", data, 6 + 16 * index)
        images[width or 256] = ((width, height, colours, planes, bits),
                                data[offset:offset + length])
    return images


def extract_icon(exe):
    """Icon group 2000 as wrestool puts it together into an .ico file."""
    path = exe + ".ico"
    checked(["wrestool", "--extract", "--type=14", "--name=2000", "--output=" + path, exe])
    return path
