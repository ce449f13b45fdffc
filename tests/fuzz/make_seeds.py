#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<name>/, one file a seed.

Each target reads its input with FuzzInput (fuzz_input.h): a byte, a text (a length byte,
then the bytes), a long text (a two-byte length), the rest. The seeds below say in those
terms what they hold. Rerun after changing a target's input format; libFuzzer's own finds
stay in its work folder, not here.
"""

import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
AREA = 16464


def text(data: bytes) -> bytes:
    assert len(data) < 256
    return bytes([len(data)]) + data


def long_text(data: bytes) -> bytes:
    return len(data).to_bytes(2, "big") + data


def block(main_class: bytes, jvm_options=(), arguments=(), prefixes=(), flags=0, stack=0):
    data = bytes([flags]) + stack.to_bytes(4, "big") + main_class + b"\0"
    for entries in (jvm_options, arguments, prefixes):
        data += bytes([len(entries)]) + b"".join(entry + b"\0" for entry in entries)
    return data


README_BLOCK = block(b"app.Main", [b"-Xmx1g"], [], [b"-Xss"], flags=0x12, stack=1 << 20)


def config(flags, stack, main_class, *lists):
    """block_parser's second reading: a configuration for the writer."""
    data = bytes([flags]) + stack.to_bytes(4, "big") + long_text(main_class)
    for entries in lists:
        data += bytes([len(entries)]) + b"".join(text(entry) for entry in entries)
    return data


def user_options(prefixes, value: bytes) -> bytes:
    return bytes([len(prefixes)]) + b"".join(text(p) for p in prefixes) + value


def script(home=None, directories=(b"C:\\Windows\\system32",), listings=()):
    """The scripted system of scripted_primitives.h: home (None: unset), the system
    directories of successive queries, the listings of successive searches (None: the search
    cannot start; each name a (is_directory, name) pair)."""
    data = bytes([0 if home is None else 1]) + text(home or b"")
    data += bytes([len(directories) - 1]) + b"".join(long_text(d) for d in directories)
    data += bytes([len(listings)])
    for listing in listings:
        files = listing or []
        data += bytes([len(files)]) + b"".join(bytes([d]) + text(n) for d, n in files)
    return data


WINDOWS, LINUX = b"\0", b"\1"
JARS = [(0, b"a.jar"), (0, b"b.jar"), (1, b"sub")]
DIRS_ONLY = [(1, b"."), (1, b"..")]


def area_file(quoted: bytes, *parts: bytes) -> bytes:
    """area_finder: a text for quoteText, then the file described by decodeFile's codes."""
    return text(quoted) + b"".join(parts)


def underscores(count: int) -> bytes:
    return b"\xF8" + count.to_bytes(2, "big")


UNSTAMPED = b"\xF9"


def stamped(block_bytes: bytes) -> bytes:
    return b"\xFA" + long_text(block_bytes)


def instance_frame(*strings: bytes) -> bytes:
    """instance_message: a message as a later launch sends it."""
    payload = b"".join(s + b"\0" for s in strings)
    return b"TRL\x01" + len(payload).to_bytes(4, "little") + payload


def instance_header(length: int) -> bytes:
    return b"TRL\x01" + length.to_bytes(4, "little")


def wix_source(name, vendor, description, url, menu_group, flags, levels, version, extension,
               type_description, files):
    """wix_source: the product's texts, the desktop and scope flags, two install-dir levels,
    the version, a file type, then a count and the names of the files in app/."""
    data = b"".join(text(t) for t in (name, vendor, description, url, menu_group))
    data += bytes([flags, flags >> 1]) + b"".join(text(l) for l in levels) + text(version)
    data += text(extension) + text(type_description)
    return data + bytes([len(files)]) + b"".join(text(f) for f in files)


def java_properties(entries, rest: bytes) -> bytes:
    """java_properties: a count of (key, value) entries, then a file of its own."""
    return bytes([len(entries)]) + b"".join(text(k) + text(v) for k, v in entries) + rest


SEEDS = {
    "block_parser": {
        "readme_block": README_BLOCK,
        "empty_block": block(b""),
        "lists": block(b"M", [b"-Xmx1g", b"", b"-Dq=\"a b\""], [b"--help"], [b"-D", b""],
                       flags=0xFF, stack=0xFFFFFFFF),
        "runs_past_the_end": b"\x02\0\0\0\0Main\0\x03-Xmx1g\0",
        "unstamped_area": b"_" * 40 + b"\0",
        "configuration": config(0x17, 2 << 20, b"com.example.Main", [b"-Xmx1g", b"-Dx=\xc3\xa9"],
                                [b"--verbose"], [b"-Xss"]),
        "nul_inside": config(0, 0, b"a\0b", [], [], []),
    },
    "user_options": {
        "allowed": user_options([b"-Xmx", b"-Dapp."], b"-Dapp.title='My App' -Xmx2g"),
        "quotes_and_escapes": user_options([b""], b"a\\ b \"c 'd'\"e'f \"g\"' \t\n''x\\"),
        "unterminated": user_options([b"-D"], b"-Dx=\"open"),
        "not_enabled": user_options([], b"  "),
        "disallowed": user_options([b"-Dx."], b"-Dy=-Dx.a"),
        "empty": user_options([b"-D"], b""),
    },
    "expansions": {
        "windows": WINDOWS + script(b"C:\\Users\\me", listings=[JARS]) +
                   text(b"C:\\Apps\\My\\app\\") +
                   b"-Djava.class.path=&&lib\\*.jar;~/x;<windows-system-path>;=~/y",
        "linux": LINUX + script(b"/home/me", listings=[JARS, None]) + text(b"/opt/my/app/") +
                 b"-Djava.class.path=&&lib/*.jar:~/a:&&plugins/*:=~/b",
        "long_system_directory": WINDOWS + script(
            None, directories=[b"X" * 300, b"Y" * 400, b"C:\\short"]) + text(b"A\\") +
            b"-Djava.library.path=&&lib;<windows-system-path>;<windows-system-path>",
        "empty_home": LINUX + script(b"") + text(b"/a/") + b"~/start=~/x:~/y",
        "unset_home": WINDOWS + script(None) + text(b"&&") + b"~/a &&&&",
        "command_option": LINUX + script(b"/h", listings=[JARS]) + text(b"/app/") +
                          b"-Dsun.java.command=Main -cp X/* k=~/v",
    },
    "wildcard": {
        "jars": WINDOWS + script(listings=[JARS, DIRS_ONLY]) +
                b"-Djava.class.path=X\\*.jar;X/sub*;plain.jar",
        "empty_entries": LINUX + script(listings=[JARS]) + b"-cp ::A::*::",
        "keys_in_order": WINDOWS + script(listings=[JARS, JARS]) +
                         b"-cp a;-classpath b;-Djava.class.path=*;X\\a/*",
        "cannot_start": LINUX + script(listings=[None, JARS]) + b"-classpath Y/*:*.jar:Z/x*.jar",
    },
    "modified_utf8": {
        "ascii": b"-Dname=value",
        "two_and_three_bytes": "caf\u00e9 \u65e5\u672c \u20ac".encode(),
        "four_bytes": "\U0001F600 \U00010000 \U0010FFFF".encode(),
        "malformed": b"\xC3\x28 \xED\xA0\x80 \xF4\x90\x80\x80 \xC0\xAF \xE2\x82",
        "cut_short": b"ok \xF0\x9F\x98",
    },
    "instance_message": {
        # The first byte: bit 7 the client closes after its bytes, bits 0-4 the read size
        # (1 to 16; more: all at once).
        "whole": b"\x9F" + instance_frame("/home/zo\u00eb".encode(), b"a file", b"", b"-x"),
        "byte_by_byte": b"\x81" + instance_frame(b"C:\\docs", "\u65e5\U0001F600".encode()),
        "with_more_after": b"\x85" + instance_frame(b"/w", b"x") + b"rest of a stream",
        "silent_after_header": b"\x1F" + instance_header(100),
        "cut_short": b"\x83" + instance_frame(b"/w", b"abc")[:-2],
        "not_ours": b"\x9F" + b"GET / HTTP/1.1\r\n\r\n",
        "empty": b"\x9F" + instance_header(0),
        "too_long": b"\x9F" + instance_header(1024 * 1024 + 1),
        "unterminated": b"\x9F" + instance_header(3) + b"/wx",
        "too_many_arguments": b"\x9F" + instance_header(65537) + b"\0" * 65537,
    },
    "wix_source": {
        "plain": wix_source(b"Hello App", b"Zo\xc3\xab Tools", b"Says hello", b"https://e.com",
                            b"Tools", 3, [b"Acme", b"Hello"], b"1.0.0", b"hello", b"Hello doc",
                            [b"app.jar", b"README.txt"]),
        "markup": wix_source(b"A<b>&'\"$(var.x)$$", b"[ProgramFilesFolder]{x}", b"]]>--><!--",
                             b"$(env.HOME)", b"&amp;", 0, [b"$", b"&lt;"], b"1.0",
                             b"x", b"[#launcher] [\\x]", [b"$(sys.X).txt", b"a&b<c>.txt"]),
    },
    "java_properties": {
        "jpackage_file": java_properties(
            [(b"extension", b"hello"), (b"mime-type", b"text/x-hello"),
             (b"description", b" Hello: a=b #1 \\ \xc3\xa9\t\n")],
            b"extension=txt\n# c\n! c\ndescription = caf\\u00e9 \\\n   more\r\nicon:x.ico\n"),
        "escapes": java_properties(
            [(b"k k", b""), (b"k k", b"again"), (b"=:#!", b"\x01\x7f")],
            b"a\\uD83D\\uDE00=b\\u00\nbad\\uD800\nx\\\n"),
    },
    "msi_text": {
        "latin": "Zo\u00eb \u00c0\u00ff\u20ac\u0152\u0161 \u00df\u00b5".encode(),
        "outside": "X \u03a9 \u65e5\u672c \U0001F600".encode(),
        "c1_and_malformed": b"a\xc2\x81b \xff\xc3",
    },
    "area_finder": {
        "unstamped": area_file(b"\x1b[31m\xc2\x9b caf\xc3\xa9 \"\\", b"MZ", UNSTAMPED, b"tail"),
        "stamped": area_file(b"\x7f\xc2\x80", b"ELF\0\0", stamped(README_BLOCK), b"\0" * 8),
        "full_block_with_padding": area_file(
            b"", b"MZ\x02\0\0\0\0", underscores(AREA - 9), b"\0\0\0\0", b"\0" * 4),
        "appended": area_file(b"", stamped(block(b"M")), b"\0", UNSTAMPED),
        "long_run": area_file(b"", b"x", underscores(100), UNSTAMPED),
        "two_areas_worth": area_file(b"", underscores(AREA - 1), UNSTAMPED, b"\0"),
        "nul_bytes": area_file(b"", b"a\0" * 200, stamped(block(b"a", [b"a"] * 3)), b"a\0" * 50),
    },
    # deb_fields: the maintainer's name (long text), the synopsis (long text), the package.
    "deb_fields": {
        "accepted": long_text(b"Acme Inc.") + long_text(b"Editor for hello files") + text(b"hello"),
        "specials": long_text(b"Acme; x") + long_text(b"hello world") + text(b"hello"),
        "controls": long_text(b"A\x1b[2J\xc2\x85") + long_text(b"line\nend") + text(b""),
        "not_utf8": long_text(b"Zo\xeb") + long_text(b"\xe9diteur x") + text(b"x"),
        "blank": long_text(b"   ") + long_text(b" ") + text(b"hello"),
        "long": long_text(b"a" * 5001) + long_text("\u65e5\u672c x".encode()) + text(b"a"),
    },
}


def main():
    for target, seeds in SEEDS.items():
        folder = os.path.join(HERE, "corpus", target)
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
