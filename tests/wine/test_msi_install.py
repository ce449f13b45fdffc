"""MSIs that trellane-package builds, installed, upgraded and removed by Windows' own installer
(msiexec under Wine): what each installer option puts on the machine, the installed launcher
starting the application with the test JVM, the uninstall entry and the file type in the
registry, an upgrade replacing the old version, a downgrade refused, and an uninstall that
leaves no file, folder, shortcut or registry key of the product. Both per machine and per user.
A package built with --single-instance opens a document in the application already running.

The installs go into a prefix of this module's own, made and removed here, with a home folder
inside it: Wine links the prefix's desktop to the home folder, where the desktop shortcut
lands, and the machine's own must not get one.
"""

import os
import re
import shutil
import subprocess
import sys
import signal
import tempfile
import time
import unittest
from typing import Dict, List, Optional, Sequence, Set, Tuple

import launcher_install
import wine_prefix
from fake_jvm_log import FakeJvmLog
from launcher_install import FAKE_JVM, LAUNCHER_EXE
from test_app_image import PACKAGE, RUNTIME_JAR, jar

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "brand"))
import branded_exe  # noqa: E402  (found through the path above)


NAME = "Hello App"
VENDOR = "Zoë Tools"
EXTENSION = "hellodoc"
UNINSTALL_KEY = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"

_work: Optional[str] = None
_env: Dict[str, str] = {}
_prefix = ""


def setUpModule() -> None:
    global _work, _env, _prefix
    launcher_install.require_built_files()
    os.makedirs(wine_prefix.WORK, exist_ok=True)
    _work = tempfile.mkdtemp(prefix="msi-install-", dir=wine_prefix.WORK)
    _prefix = os.path.join(_work, "prefix")
    home = os.path.join(_work, "home")
    os.makedirs(home)
    # A user's desktop holds something: Wine's installer removes a component's folder that is
    # empty after an uninstall, the desktop too (Windows only those it made).
    write(os.path.join(home, "notes.txt"), b"the user's own file\n")
    _env = wine_prefix.wine_environment(prefix=_prefix, extra={
        "HOME": home, "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        # No menu entries or icons for the machine's own desktop.
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d"})
    booted = wine_prefix.run_wine(["wineboot", "-i"], _env, timeout=540)
    if booted.status != 0:
        raise AssertionError("wineboot -i failed: %s" % booted.stderr.decode("utf-8", "replace"))


def tearDownModule() -> None:
    if _work:
        subprocess.run([wine_prefix.WINESERVER, "-k"], env=_env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run([wine_prefix.WINESERVER, "-w"], env=_env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        shutil.rmtree(_work, ignore_errors=True)


def wine(*arguments: str, timeout: float = 180) -> wine_prefix.Completed:
    return wine_prefix.run_wine(list(arguments), _env, timeout=timeout)


def unix_path(windows: str) -> str:
    """Where a C: path of the prefix is on this machine."""
    assert windows[1:3] == ":\\", windows
    return os.path.join(_prefix, "drive_c", *windows[3:].rstrip("\\").split("\\"))


def packed_guid(guid: str) -> str:
    """A GUID as Windows Installer names its registry keys after it."""
    hex_digits = guid.strip("{}").replace("-", "")
    parts = [hex_digits[0:8][::-1], hex_digits[8:12][::-1], hex_digits[12:16][::-1]]
    parts += [hex_digits[i:i + 2][::-1] for i in range(16, 32, 2)]
    return "".join(parts).upper()


def registry_values(key: str) -> Dict[str, str]:
    """The values of a key as reg export writes them (in UTF-16, where reg query would write
    the console's code page), "(Default)" for the unnamed one; {} when it is not there."""
    exported = os.path.join(_work, "export.reg")
    if os.path.exists(exported):
        os.remove(exported)
    wine("reg", "export", key, wine_prefix.windows_path(exported), "/y")
    if not os.path.exists(exported):
        return {}
    with open(exported, "rb") as f:
        lines = f.read().decode("utf-16").splitlines()
    values = {}
    for line in lines[lines.index(next(l for l in lines if l.startswith("["))) + 1:]:
        if line.startswith("["):
            break
        found = re.match(r'^(@|"((?:[^"\\]|\\.)*)")=(?:"((?:[^"\\]|\\.)*)"|(.*))$', line)
        if found:
            name = "(Default)" if found.group(1) == "@" else found.group(2)
            text = found.group(3) if found.group(3) is not None else found.group(4)
            values[re.sub(r"\\(.)", r"\1", name)] = re.sub(r"\\(.)", r"\1", text)
    return values


def registry_keys() -> Set[str]:
    """Every key of the machine's and the user's hives, as Wine saves them."""
    subprocess.run([wine_prefix.WINESERVER, "-w"], env=_env, timeout=120,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    keys = set()
    for hive in ("system.reg", "user.reg"):
        with open(os.path.join(_prefix, hive), encoding="utf-8", errors="replace") as f:
            for line in f:
                if line.startswith("["):
                    keys.add(hive + ":" + line[1:line.rindex("]")].lower())
    return keys


def files_of_the_machine() -> Set[str]:
    """Every file and folder of drive C:, but Windows' own (its installer cache stays in) and
    the temporary folders."""
    root = os.path.join(_prefix, "drive_c")
    found = set()
    for folder, folders, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        lowered = relative.lower()
        if (lowered.startswith("windows") and not lowered.startswith("windows/installer")) or \
                "/temp" in "/" + lowered:
            continue
        found.update(os.path.join(relative, name) for name in folders + files)
    # Windows Installer's own cache of per-user packages, made by the first such install: what
    # it caches of a product goes inside, and counts.
    # Wine names the user's folder after whoever runs the suite.
    return {path for path in found
            if not (path.startswith("users/") and
                    path.split("/")[2:] == ["AppData", "Roaming", "Microsoft", "Installer"])}


def read(path: str) -> bytes:
    with open(path, "rb") as f:
        return f.read()


def write(path: str, content: bytes) -> str:
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)
    return path


def ico(colour: Tuple[int, int, int, int]) -> bytes:
    """An .ico holding one 16-pixel PNG image."""
    image = branded_exe.png(16, 16, [colour] * 256)
    return (b"\0\0\1\0\1\0" + bytes([16, 16, 0, 0, 1, 0, 32, 0]) +
            len(image).to_bytes(4, "little") + (22).to_bytes(4, "little") + image)


class Msi:
    """One package built for the test, and the codes it carries."""

    def __init__(self, path: str):
        self.path = path
        self.properties = {row[0]: row[1] for row in self.table("Property")}
        self.product_code = self.properties["ProductCode"]
        self.upgrade_code = self.properties["UpgradeCode"]

    def table(self, name: str) -> List[List[str]]:
        """The rows msiinfo reads of a table."""
        # In the package's folder: a table with binary columns also goes to NAME/ there.
        text = subprocess.run(["msiinfo", "export", self.path, name], check=True,
                              stdout=subprocess.PIPE,
                              cwd=os.path.dirname(self.path)).stdout.decode("utf-8")
        return [line.split("\t") for line in text.splitlines()[3:]]


class MsiInstallTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix=self.id().split(".")[-1][:30] + "-", dir=_work)
        self.addCleanup(shutil.rmtree, self.work, True)
        runtime = os.path.join(self.work, "runtime")
        shutil.copyfile(FAKE_JVM, write(os.path.join(runtime, "bin", "server", "jvm.dll"), b""))
        write(os.path.join(runtime, "lib", "modules"), b"modules")
        write(os.path.join(runtime, "release"), b'JAVA_VERSION="17.0.15"\nMODULES="java.base"\n')
        self.runtime = runtime

    def build(self, version: str, *options: str, extra_file: str = "",
              dest: str = "out") -> Msi:
        """The sample application's MSI of this version, with these options."""
        source = os.path.join(self.work, "input-" + version)
        jar(os.path.join(source, "app.jar"), "com.example.Main", main=True)
        if extra_file:
            write(os.path.join(source, extra_file), version.encode())
        dest = os.path.join(self.work, dest)
        done = subprocess.run(
            [PACKAGE, "--type", "msi", "--runtime-image", self.runtime, "--input", source,
             "--main-jar", "app.jar", "--name", NAME, "--vendor", VENDOR, "--app-version",
             version, "--dest", dest, "--launcher", LAUNCHER_EXE, "--runtime-jar", RUNTIME_JAR,
             "--quiet", "--overwrite", *options], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.assertEqual((done.returncode, done.stderr.decode("utf-8", "replace")), (0, ""))
        return Msi(os.path.join(dest, "%s-%s.msi" % (NAME, version)))

    def msiexec(self, *arguments: str) -> Tuple[int, Dict[str, str], str]:
        """msiexec's status (Wine keeps its low 8 bits), the properties its log lists and the
        log."""
        log = os.path.join(self.work, "msiexec.log")
        if os.path.exists(log):
            os.remove(log)  # msiexec would add to it
        done = wine("msiexec", *arguments, "/qn", "/l*v", wine_prefix.windows_path(log))
        with open(log, "rb") as f:
            raw = f.read()
        # In the ANSI code page, Windows-1252 here.
        text = raw.decode("utf-16") if raw.startswith(b"\xff\xfe") else raw.decode(
            "cp1252", "replace")
        properties = dict(re.findall(r"^Property\(S\): (\w+) = (.*)$", text, re.M))
        return done.status, properties, text

    def install(self, msi: Msi) -> Dict[str, str]:
        status, properties, log = self.msiexec("/i", wine_prefix.windows_path(msi.path))
        self.assertEqual(status, 0, log[-3000:])
        return properties

    def uninstall(self, msi: Msi) -> None:
        status, _, log = self.msiexec("/x", wine_prefix.windows_path(msi.path))
        self.assertEqual(status, 0, log[-3000:])

    def uninstall_entries(self, msi: Msi) -> List[Dict[str, str]]:
        """The "Installed apps" entries of the product's upgrade family: Wine writes a per-user
        product's entry in the machine's hive, Windows in the user's."""
        entries = []
        for hive in ("HKLM", "HKCU"):
            listed = wine("reg", "query", hive + "\\" + UNINSTALL_KEY)
            for key in listed.stdout.decode("utf-8", "replace").split():
                if key.upper().startswith(hive[:2]) and key.endswith("}"):
                    values = registry_values(key)
                    if values.get("DisplayName") == NAME:
                        entries.append(dict(values, key=key.rsplit("\\", 1)[1]))
        return entries

    def assertNothingLeft(self, files: Set[str], keys: Set[str], msi: Msi) -> None:
        # The keys first: reading them waits for every Wine process to end, the installer's
        # own included, which may still be removing its cached package.
        keys_now = registry_keys()
        self.assertEqual(sorted(files_of_the_machine() - files), [])
        markers = [NAME.lower(), EXTENSION, packed_guid(msi.product_code).lower(),
                   packed_guid(msi.upgrade_code).lower(), "helloapp."]
        left = [key for key in keys_now - keys if any(m in key for m in markers)]
        self.assertEqual(left, [])

    def test_installer_options_install_and_uninstall_as_asked(self):
        icon = write(os.path.join(self.work, "doc.ico"), ico((0x20, 0x60, 0xC0, 0xFF)))
        association = write(os.path.join(self.work, "doc.properties"), (
            "extension=%s\nmime-type=application/x-hello\ndescription=Hello document\n"
            "icon=%s\n" % (EXTENSION, icon)).encode())
        # A second launcher with a Start-menu shortcut and no desktop one.
        tool = write(os.path.join(self.work, "tool.properties"),
                     b"main-class=com.example.Main\narguments=tool\nwin-shortcut=false\n")
        common = ("--win-menu", "--win-shortcut", "--file-associations", association,
                  "--about-url", "https://example.com/hello", "--description", "Says hello",
                  "--add-launcher", "Tool=" + tool)
        cases = [
            # scope, options, the folder the product goes to (under its base), menu group
            ("machine", ("--install-dir", "Zoë Tools\\Hello", "--win-menu-group", "Tools"),
             "ProgramFiles64Folder", ["Zoë Tools", "Hello"], "Tools"),
            ("user", ("--win-per-user-install",), "LocalAppDataFolder", [NAME], VENDOR),
        ]
        # The machine has its own registration of the extension and of the media type, as
        # Windows has of .txt and text/plain: the application joins them, never takes them
        # over, and its uninstall leaves them as they were.
        theirs = {"HKLM\\Software\\Classes\\." + EXTENSION: {
                      "(Default)": "Other.Document", "Content Type": "text/x-other"},
                  "HKLM\\Software\\Classes\\MIME\\Database\\Content Type\\application/x-hello": {
                      "Extension": ".other"}}
        for key, values in theirs.items():
            for name, value in values.items():
                wine("reg", "add", key, *(["/ve"] if name == "(Default)" else ["/v", name]),
                     "/d", value, "/f")
        self.addCleanup(lambda: [wine("reg", "delete", key, "/f") for key in theirs])
        for scope, options, base, levels, group in cases:
            with self.subTest(scope=scope):
                keys = registry_keys()  # first: it waits for Wine to settle
                files = files_of_the_machine()
                msi = self.build("1.0", *common, *options)
                properties = self.install(msi)
                try:
                    self.check_install(msi, properties, scope, base, levels, group)
                    self.assertEqual({key: registry_values(key) for key in theirs}, theirs)
                finally:
                    self.uninstall(msi)
                self.assertNothingLeft(files, keys, msi)
                self.assertEqual({key: registry_values(key) for key in theirs}, theirs)

    def check_install(self, msi: Msi, properties: Dict[str, str], scope: str, base: str,
                      levels: Sequence[str], group: str) -> None:
        install_dir = properties["INSTALLDIR"]
        self.assertEqual(install_dir, properties[base] + "\\".join(levels) + "\\")
        self.assertEqual(properties.get("ALLUSERS", ""), "1" if scope == "machine" else "")
        root = unix_path(install_dir)
        launcher = install_dir + "bin\\%s.exe" % NAME
        self.assertTrue(os.path.isfile(os.path.join(root, "app", "app.jar")))
        self.assertTrue(os.path.isfile(os.path.join(root, "bin", EXTENSION + ".ico")))
        self.assertFalse(os.path.exists(os.path.join(root, ".trellane-package")))

        # The installed launcher starts the application from its installed files.
        started = wine(unix_path(launcher), "one")
        log = self.jvm_log(root)
        self.assertEqual(started.status, 0, log.describe())
        self.assertEqual(log.main_arguments, [b"one"])
        self.assertIn(b"-Djava.class.path=" + install_dir.encode() + b"app\\app.jar;",
                      log.options[0])

        # The shortcuts, where Windows Installer put them, start the launcher.
        for folder in (properties["ProgramMenuFolder"] + group + "\\",
                       properties["DesktopFolder"]):
            with open(unix_path(folder + NAME + ".lnk"), "rb") as f:
                link = f.read()
            # The target's path, in the ANSI code page (Windows-1252 here).
            self.assertIn(launcher.encode("cp1252"), link)
        tool = install_dir + "bin\\Tool.exe"
        with open(unix_path(properties["ProgramMenuFolder"] + group + "\\Tool.lnk"), "rb") as f:
            self.assertIn(tool.encode("cp1252"), f.read())
        self.assertFalse(os.path.exists(unix_path(properties["DesktopFolder"] + "Tool.lnk")))
        started = wine(unix_path(tool), "two")
        log = self.jvm_log(root)
        self.assertEqual(started.status, 0, log.describe())
        self.assertEqual(log.main_arguments, [b"tool", b"two"])

        entries = self.uninstall_entries(msi)
        self.assertEqual([(e["key"], e["DisplayVersion"], e["Publisher"],
                           e["URLInfoAbout"], e["Comments"]) for e in entries],
                         [(msi.product_code, "1.0.0", VENDOR, "https://example.com/hello",
                           "Says hello")])

        # The file type: the application's ProgId in the scope's hive, offered for the
        # extension through its OpenWithProgids, and its command, run as the shell runs it,
        # starts the launcher with the document. (Wine's shell opens only an extension's
        # default ProgId, which stays the machine's own; Windows offers the application.)
        classes = ("HKLM" if scope == "machine" else "HKCU") + "\\Software\\Classes\\"
        prog_id = "HelloApp." + EXTENSION
        self.assertIn(prog_id, registry_values(classes + "." + EXTENSION + "\\OpenWithProgids"))
        self.assertEqual(registry_values(classes + prog_id + "\\shell\\open\\command"),
                         {"(Default)": '"%s" "%%1"' % launcher})
        self.assertEqual(registry_values(classes + prog_id + "\\DefaultIcon"),
                         {"(Default)": install_dir + "bin\\%s.ico" % EXTENSION})
        document = write(os.path.join(self.work, "letter." + EXTENSION), b"text")
        command = registry_values(classes + prog_id + "\\shell\\open\\command")["(Default)"]
        program, argument = re.fullmatch(r'"([^"]+)" "([^"]+)"', command).groups()
        opened = wine(unix_path(program), argument.replace("%1", wine_prefix.windows_path(document)))
        log = self.jvm_log(root)
        self.assertEqual(opened.status, 0, log.describe())
        self.assertEqual(log.main_arguments,
                         [wine_prefix.windows_path(document).encode()])

    def test_an_upgrade_replaces_the_old_version_and_a_downgrade_is_refused(self):
        for scope, options in (("machine", ()), ("user", ("--win-per-user-install",))):
            with self.subTest(scope=scope):
                keys = registry_keys()  # first: it waits for Wine to settle
                files = files_of_the_machine()
                old = self.build("1.0", "--win-menu", *options, extra_file="only-in-1.0.txt")
                new = self.build("1.1", "--win-menu", *options, extra_file="only-in-1.1.txt")
                self.assertEqual(old.upgrade_code, new.upgrade_code)
                self.assertNotEqual(old.product_code, new.product_code)
                root = unix_path(self.install(old)["INSTALLDIR"])
                self.assertTrue(os.path.isfile(os.path.join(root, "app", "only-in-1.0.txt")))

                self.install(new)
                self.assertEqual([(e["key"], e["DisplayVersion"])
                                  for e in self.uninstall_entries(new)],
                                 [(new.product_code, "1.1.0")])
                self.assertTrue(os.path.isfile(os.path.join(root, "app", "only-in-1.1.txt")))
                self.assertFalse(os.path.exists(os.path.join(root, "app", "only-in-1.0.txt")))

                # Refused by the package's launch condition, whose message Windows shows (Wine
                # logs none of it under /qn).
                status, _, log = self.msiexec("/i", wine_prefix.windows_path(old.path))
                self.assertNotEqual(status, 0, log[-3000:])
                self.assertEqual(old.table("LaunchCondition"), [[
                    "NOT WIX_DOWNGRADE_DETECTED", "A newer version of %s is already installed: "
                    "uninstall it first to install 1.0.0." % NAME]])
                self.assertEqual([e["DisplayVersion"] for e in self.uninstall_entries(new)],
                                 ["1.1.0"])
                self.assertTrue(os.path.isfile(os.path.join(root, "app", "only-in-1.1.txt")))

                self.uninstall(new)
                self.assertNothingLeft(files, keys, new)

    def test_a_document_opens_in_the_running_instance(self):
        association = write(os.path.join(self.work, "doc.properties"), (
            "extension=%s\nmime-type=application/x-hello\ndescription=Hello document\n"
            % EXTENSION).encode())
        keys = registry_keys()  # first: it waits for Wine to settle
        files = files_of_the_machine()
        msi = self.build("1.0", "--file-associations", association, "--single-instance")
        root = unix_path(self.install(msi)["INSTALLDIR"])
        launcher = os.path.join(root, "bin", NAME + ".exe")
        # The test JVM, told to keep the application running until a later launch arrives.
        script = write(os.path.join(root, "bin", "fakejvm.cfg"), b"main wait_for_launches 1\n")
        log = os.path.join(root, "bin", "fakejvm.log")
        try:
            running = subprocess.Popen([wine_prefix.WINE, launcher], env=_env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                       start_new_session=True)
            try:
                for _ in range(600):
                    if os.path.exists(log) and b"\nmain_args\t" in read(log):
                        break
                    time.sleep(0.1)
                # The application's own command for the file type, run as the shell runs it
                # (Wine's shell opens only an extension's default ProgId).
                document = write(os.path.join(self.work, "letter." + EXTENSION), b"text")
                command = registry_values("HKLM\\Software\\Classes\\HelloApp.%s\\shell\\open"
                                          "\\command" % EXTENSION)["(Default)"]
                program, argument = re.fullmatch(r'"([^"]+)" "([^"]+)"', command).groups()
                opened = wine(unix_path(program),
                              argument.replace("%1", wine_prefix.windows_path(document)))
                self.assertEqual(opened.status, 0)
                self.assertEqual(running.wait(timeout=60), 0)
            finally:
                if running.poll() is None:
                    os.killpg(running.pid, signal.SIGKILL)
            recorded = self.jvm_log(root)
            # One JVM: the document's launch handed it over and ended.
            self.assertEqual(len(recorded.fields("create")), 1, recorded.describe())
            self.assertEqual([fields[2:] for fields in recorded.fields("instance_received")],
                             [(wine_prefix.windows_path(document).encode(),)])
        finally:
            os.remove(script)
        self.uninstall(msi)
        self.assertNothingLeft(files, keys, msi)

    def test_per_machine_and_per_user_installs_of_one_version_are_two_products(self):
        keys = registry_keys()  # first: it waits for Wine to settle
        files = files_of_the_machine()
        machine = self.build("1.0")
        user = self.build("1.0", "--win-per-user-install", dest="out-user")
        self.assertNotEqual(machine.product_code, user.product_code)
        roots = [unix_path(self.install(msi)["INSTALLDIR"]) for msi in (machine, user)]
        try:
            self.assertNotEqual(roots[0], roots[1])
            for root in roots:
                self.assertTrue(os.path.isfile(os.path.join(root, "app", "app.jar")), root)
            self.assertEqual(sorted(e["key"] for e in self.uninstall_entries(machine)),
                             sorted([machine.product_code, user.product_code]))
        finally:
            self.uninstall(user)
            self.uninstall(machine)
        self.assertNothingLeft(files, keys, machine)
        self.assertNothingLeft(files, keys, user)

    def jvm_log(self, root: str) -> FakeJvmLog:
        """What the test JVM recorded of the last start, removed so that the uninstall finds
        only what it installed (a file the application writes is the user's, not its)."""
        path = os.path.join(root, "bin", "fakejvm.log")
        with open(path, "rb") as f:
            data = f.read()
        os.remove(path)
        return FakeJvmLog(data)


if __name__ == "__main__":
    unittest.main()
