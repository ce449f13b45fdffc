"""Makes what no Linux machine has: an unpacked Windows x64 JDK, in as much as jlink and
trellane-package look at one, and a runtime that jlink made from it as it makes one on Windows.

The JDK's jmods are the build JDK's own, made again with `jmod create --target-platform
windows-amd64`: the classes, configuration and legal notices as they are, each native library
libNAME.so a Windows DLL NAME.dll (the given one), each command NAME a NAME.exe (the given
program). jlink then links them as another system's modules, exactly as it links a Windows
JDK's. Only the modules the tests link are made: the named ones and what they require.

    make_windows_jdk.py OUT --jdk JDK --dll X64.dll --exe PROGRAM.exe --modules M,M... \
        --runtime RUNTIME --runtime-modules M,M...

OUT and RUNTIME are made whole or not at all (a temporary folder, then a rename).
"""

import argparse
import os
import re
import shutil
import subprocess
import tempfile
from typing import Dict, List

# Unix-only parts of a Linux JDK that a Windows JDK does not have.
_UNIX_ONLY = re.compile(r"(^|/)(libjsig\.so|jexec|jspawnhelper)$")


def run(*command: str) -> str:
    return subprocess.run(command, check=True, stdout=subprocess.PIPE,
                          universal_newlines=True).stdout


def describe(jdk: str, module: str) -> List[str]:
    return run(os.path.join(jdk, "bin", "jmod"), "describe",
               os.path.join(jdk, "jmods", module + ".jmod")).splitlines()


def required_closure(jdk: str, roots: List[str]) -> Dict[str, str]:
    """Each module the roots need, with its version."""
    found: Dict[str, str] = {}
    pending = list(roots)
    while pending:
        module = pending.pop()
        if module in found:
            continue
        lines = describe(jdk, module)
        found[module] = lines[0].split("@", 1)[1] if "@" in lines[0] else ""
        for line in lines[1:]:
            words = line.split()
            if len(words) > 1 and words[0] == "requires":  # requires NAME [modifiers]
                pending.append(words[1])
    return found


def windows_module(jdk: str, module: str, version: str, dll: str, exe: str, work: str,
                   jmods: str, hash_modules: bool) -> None:
    jmod = os.path.join(jdk, "bin", "jmod")
    extracted = os.path.join(work, module)
    run(jmod, "extract", "--dir", extracted, os.path.join(jdk, "jmods", module + ".jmod"))
    arguments = [jmod, "create", "--class-path", os.path.join(extracted, "classes"),
                 "--target-platform", "windows-amd64"]
    if version:
        arguments += ["--module-version", version]
    for section, option in (("conf", "--config"), ("legal", "--legal-notices")):
        if os.path.isdir(os.path.join(extracted, section)):
            arguments += [option, os.path.join(extracted, section)]
    libraries = os.path.join(extracted, "lib")
    if os.path.isdir(libraries):
        windows_libraries = os.path.join(work, module + "-lib")
        for folder, _, files in os.walk(libraries):
            for name in files:
                relative = os.path.relpath(os.path.join(folder, name), libraries)
                if _UNIX_ONLY.search(relative):
                    continue
                if name.startswith("lib") and name.endswith(".so"):
                    relative = os.path.join(os.path.dirname(relative), name[3:-3] + ".dll")
                    source = dll
                else:
                    source = os.path.join(folder, name)
                target = os.path.join(windows_libraries, relative)
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copyfile(source, target)
        arguments += ["--libs", windows_libraries]
    commands = os.path.join(extracted, "bin")
    if os.path.isdir(commands):
        windows_commands = os.path.join(work, module + "-bin")
        os.makedirs(windows_commands)
        for name in os.listdir(commands):
            shutil.copyfile(exe, os.path.join(windows_commands, name + ".exe"))
        arguments += ["--cmds", windows_commands]
    if hash_modules:
        # java.base records the hashes of the modules tied to it; these are new ones.
        arguments += ["--module-path", jmods, "--hash-modules", ".*"]
    run(*arguments, os.path.join(jmods, module + ".jmod"))


def make_jdk(out: str, jdk: str, dll: str, exe: str, roots: List[str]) -> None:
    modules = required_closure(jdk, roots + ["java.base"])
    version = modules["java.base"]
    with tempfile.TemporaryDirectory(prefix=".windows-jdk-", dir=os.path.dirname(out)) as work:
        home = os.path.join(work, "jdk")
        jmods = os.path.join(home, "jmods")
        os.makedirs(jmods)
        for module in sorted(modules, key=lambda name: name == "java.base"):
            windows_module(jdk, module, modules[module], dll, exe, os.path.join(work, "x"),
                           jmods, module == "java.base")
        os.makedirs(os.path.join(home, "bin", "server"))
        shutil.copyfile(dll, os.path.join(home, "bin", "server", "jvm.dll"))
        shutil.copyfile(exe, os.path.join(home, "bin", "java.exe"))
        with open(os.path.join(home, "release"), "w") as release:
            # A whole JDK's release file names its system, as a Windows JDK's does.
            release.write('IMPLEMENTOR="Test"\nJAVA_VERSION="%s"\nOS_ARCH="x86_64"\n'
                          'OS_NAME="Windows"\nMODULES="%s"\n' % (version, " ".join(modules)))
        shutil.rmtree(out, ignore_errors=True)
        os.rename(home, out)


def link_runtime(out: str, jdk: str, windows_jdk: str, modules: str) -> None:
    with tempfile.TemporaryDirectory(prefix=".windows-runtime-",
                                     dir=os.path.dirname(out)) as work:
        linked = os.path.join(work, "runtime")
        run(os.path.join(jdk, "bin", "jlink"), "--module-path",
            os.path.join(windows_jdk, "jmods"), "--add-modules", modules, "--strip-debug",
            "--no-header-files", "--no-man-pages", "--output", linked)
        shutil.rmtree(out, ignore_errors=True)
        os.rename(linked, out)


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("out")
    parser.add_argument("--jdk", required=True)
    parser.add_argument("--dll", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--modules", required=True)
    parser.add_argument("--runtime", required=True)
    parser.add_argument("--runtime-modules", required=True)
    options = parser.parse_args()
    make_jdk(os.path.abspath(options.out), options.jdk, options.dll, options.exe,
             options.modules.split(","))
    link_runtime(os.path.abspath(options.runtime), options.jdk, os.path.abspath(options.out),
                 options.runtime_modules)


if __name__ == "__main__":
    main()
