"""Reading the record that the test jvm.dll writes beside itself (fakejvm.log).

Each line is a tag and fields separated by tabs; bytes outside 0x20..0x7E and the backslash
are written as \\xHH, and a missing value (a null pointer) as \\N. Fields come back as bytes,
or None for \\N.
"""

import re
from typing import List, Optional, Tuple

_ESCAPE = re.compile(rb"\\x([0-9A-F]{2})")

Line = Tuple[Optional[bytes], ...]


def _field(text: bytes) -> Optional[bytes]:
    if text == b"\\N":
        return None
    return _ESCAPE.sub(lambda m: bytes([int(m.group(1), 16)]), text)


class Environment:
    """An environment block as the JVM saw it; names compare without regard to case."""

    def __init__(self, entries: List[Tuple[bytes, bytes]]):
        self.entries = entries

    def get(self, name: str) -> Optional[bytes]:
        for entry_name, value in self.entries:
            if entry_name.upper() == name.encode().upper():
                return value
        return None

    def __contains__(self, name: str) -> bool:
        return self.get(name) is not None


class FakeJvmLog:
    def __init__(self, data: bytes):
        self.lines: List[Tuple[bytes, Tuple[Optional[bytes], ...]]] = []
        for raw in data.split(b"\n"):
            if raw:
                tag, *fields = raw.split(b"\t")
                self.lines.append((tag, tuple(_field(f) for f in fields)))

    def fields(self, tag: str) -> List[Tuple[Optional[bytes], ...]]:
        return [fields for t, fields in self.lines if t == tag.encode()]

    def value(self, tag: str) -> Optional[bytes]:
        """The first field of the one line with this tag; None when there is none."""
        found = self.fields(tag)
        return found[0][0] if found else None

    @property
    def loaded(self) -> bool:
        return bool(self.fields("loaded"))

    @property
    def created(self) -> bool:
        return bool(self.fields("create"))

    @property
    def creating_thread(self) -> str:
        """"primary" or "other": whether the JVM was created on the process's first thread."""
        return self.value("create").decode()

    @property
    def stack_reservation(self) -> int:
        return int(self.value("stack_reserve"))

    @property
    def options(self) -> List[bytes]:
        return [fields[1] for fields in self.fields("option")]

    @property
    def environment(self) -> Environment:
        """The environment when JNI_CreateJavaVM was called."""
        return Environment([(f[0], f[1]) for f in self.fields("env")])

    @property
    def environment_after(self) -> Environment:
        """The environment at the launcher's first JNI call after creation."""
        return Environment([(f[0], f[1]) for f in self.fields("env_after")])

    @property
    def calls(self) -> List[Tuple[Optional[bytes], ...]]:
        """The JNI calls in order: (name, arguments...), names as text."""
        return [(f[0].decode(),) + f[1:] for f in self.fields("call")]

    @property
    def call_names(self) -> List[str]:
        return [call[0] for call in self.calls]

    @property
    def main_arguments(self) -> Optional[List[Optional[bytes]]]:
        """What the application's main received; None when main was not called."""
        if not self.fields("main_args"):
            return None
        return [fields[1] for fields in self.fields("main_arg")]

    @property
    def registered_natives(self) -> List[Tuple[bytes, bytes, bytes]]:
        return self.fields("register_native")

    @property
    def problems(self) -> List[str]:
        """JNI misuse the real JVM would not forgive, and calls outside the contract."""
        return [f[0].decode("utf-8", "replace") for f in
                self.fields("violation") + self.fields("unexpected")]

    def describe(self) -> str:
        return "\n".join(
            "\t".join([tag.decode()] + [repr(f) for f in fields])
            for tag, fields in self.lines if tag not in (b"env", b"env_after"))
