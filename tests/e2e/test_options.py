"""User JVM options and the option expansions on the real JVM: TRELLANE_JVM_OPTIONS accepted
and refused, the home shorthand, the system directory placeholder and class path wildcards,
with hostile inputs (format specifiers, invalid UTF-8, big values, many options, a directory
of 10,000 jars)."""

import os
import shutil
import zipfile
import unittest

import harness

# Linux refuses to start a process with one environment string longer than 128 KiB
# (MAX_ARG_STRLEN, "NAME=value" and its NUL included): the largest value a user can set.
LARGEST_VALUE = 131072 - len("TRELLANE_JVM_OPTIONS=") - 1


def fixture_subset_jar(path, *class_names):
    """A jar holding only the named classes of the fixtures jar."""
    with zipfile.ZipFile(harness.FIXTURE_JAR) as source, zipfile.ZipFile(path, "w") as target:
        for name in class_names:
            target.writestr(name.replace(".", "/") + ".class",
                            source.read(name.replace(".", "/") + ".class"))
    return path


def class_path_entries(stdout):
    """The entries of the java.class.path line that fixture.Props printed."""
    for line in stdout.splitlines():
        if line.startswith("java.class.path="):
            return line[len("java.class.path="):].split(":")
    raise AssertionError("no java.class.path in:\n" + stdout)


class UserOptionsTest(harness.LauncherTestCase):
    def props_app(self, prefixes=("-Dapp.",), **stamp_options):
        return self.make_app("fixture.Props", allowed_user_option_prefixes=list(prefixes),
                             **stamp_options)

    def test_accepted_options_follow_the_command_option(self):
        app = self.props_app(prefixes=("-Dapp.", "-Xss"))
        value = " -Dapp.title='Hello World'\t-Dapp.pct=%s%n%d%% \"-Dapp.q=it's\" -Xss2m\n"
        result = app.run("app.title", "app.pct", "app.q",
                         env={"TRELLANE_JVM_OPTIONS": value, "TRELLANE_DUMP_JVM_ARGS": ""})
        self.assertLaunch(
            result, status=0,
            stdout="app.title=Hello World\napp.pct=%s%n%d%%\napp.q=it's\n",
            stderr=("JVM arg 0: -Djava.class.path={0}fixtures.jar:{0}trellane-runtime.jar\n"
                    "JVM arg 1: -Dsun.java.command=fixture.Props app.title app.pct app.q\n"
                    "JVM arg 2: -Dapp.title=Hello World\n"
                    "JVM arg 3: -Dapp.pct=%s%n%d%%\n"
                    "JVM arg 4: -Dapp.q=it's\n"
                    "JVM arg 5: -Xss2m\n").format(app.app_dir))

    def test_unset_empty_or_blank_values_add_nothing(self):
        app = self.props_app()
        for value in (None, "", " \t\n"):
            with self.subTest(value=value):
                result = app.run("app.x", env={"TRELLANE_JVM_OPTIONS": value})
                self.assertLaunch(result, status=0, stdout="app.x absent\n", stderr="")
        closed = self.props_app(prefixes=())
        for value in (None, ""):
            self.assertLaunch(closed.run("app.x", env={"TRELLANE_JVM_OPTIONS": value}),
                              status=0, stdout="app.x absent\n", stderr="")

    def test_failures(self):
        cases = [
            ((), "   ", "TRELLANE_JVM_OPTIONS is not enabled for this app.\r\n"),
            ((), "-Dapp.x=1", "TRELLANE_JVM_OPTIONS is not enabled for this app.\r\n"),
            (("-Dapp.",), "-Dapp.x='abc", "Unterminated quote in TRELLANE_JVM_OPTIONS.\r\n"),
            (("-Dapp.",), '-Dapp.x="abc\\', "Unterminated quote in TRELLANE_JVM_OPTIONS.\r\n"),
            (("-Dapp.",), "-Dapp.ok=1 -Xmx64m -Dnever",
             "Disallowed JVM option in TRELLANE_JVM_OPTIONS: -Xmx64m\r\n"),
            (("-Dapp.",), "'-Dother=%s%n%d%%%' -Dapp.x=1",
             "Disallowed JVM option in TRELLANE_JVM_OPTIONS: -Dother=%s%n%d%%%\r\n"),
            (("-Dapp.",), "-DAPP.x=1", "Disallowed JVM option in TRELLANE_JVM_OPTIONS: -DAPP.x=1\r\n"),
        ]
        for console_app in (False, True):
            for prefixes, value, message in cases:
                with self.subTest(console_app=console_app, value=value):
                    app = self.props_app(prefixes=prefixes, console_app=console_app)
                    result = app.run("app.x", env={"TRELLANE_JVM_OPTIONS": value,
                                                   "TRELLANE_DUMP_JVM_ARGS": ""})
                    # No JVM: not even the dump of the options is written.
                    self.assertLaunch(result, status=1, stdout="", stderr=message)

    def test_invalid_utf8_passes_through_byte_for_byte(self):
        app = self.props_app()
        bad = "\udcff\udcfe\udcc3(\udc80"  # the bytes ff fe c3 28 80, as the process sees them
        result = app.run("app.bin", env={"TRELLANE_JVM_OPTIONS": "-Dapp.bin=" + bad + "x",
                                         "TRELLANE_DUMP_JVM_ARGS": ""})
        self.assertEqual(result.status, 0, result.describe())
        self.assertIn(b"\nJVM arg 2: -Dapp.bin=\xff\xfe\xc3(\x80x\n", result.stderr_bytes)
        self.assertTrue(result.stdout.startswith("app.bin="), result.describe())

        refused = app.run(env={"TRELLANE_JVM_OPTIONS": "-X" + bad})
        self.assertEqual(refused.status, 1, refused.describe())
        self.assertEqual(refused.stderr_bytes,
                         b"Disallowed JVM option in TRELLANE_JVM_OPTIONS: -X\xff\xfe\xc3(\x80\r\n")

    def test_largest_value_as_one_option(self):
        app = self.props_app()
        big = "-Dapp.big=" + "v" * (LARGEST_VALUE - len("-Dapp.big="))
        self.assertLaunch(app.run("app.big", env={"TRELLANE_JVM_OPTIONS": big}),
                          status=0, stdout=big[len("-D"):] + "\n", stderr="")
        refused = "-Xbig" + "v" * (LARGEST_VALUE - len("-Xbig"))
        self.assertLaunch(app.run(env={"TRELLANE_JVM_OPTIONS": refused}), status=1, stdout="",
                          stderr="Disallowed JVM option in TRELLANE_JVM_OPTIONS: "
                                 + refused + "\r\n")

    def test_thousands_of_options(self):
        app = self.props_app()
        options = []
        while sum(len(o) + 1 for o in options) < LARGEST_VALUE - 20:
            options.append("-Dapp.k%d=%d" % (len(options), len(options)))
        count = len(options)
        self.assertGreater(count, 7000)
        result = app.run("app.k0", "app.k%d" % (count - 1), "app.k%d" % count,
                         env={"TRELLANE_JVM_OPTIONS": "\n".join(options)})
        self.assertLaunch(result, status=0, stderr="", stdout="app.k0=0\napp.k%d=%d\napp.k%d absent\n"
                          % (count - 1, count - 1, count))


class ExpansionsTest(harness.LauncherTestCase):
    def test_home_shorthand(self):
        home = os.path.join(self.make_dir(), "home dir")
        app = self.make_app("fixture.Props", allowed_user_option_prefixes=["-Dapp."],
                            jvm_options=[harness.CLASS_PATH_OPTION, "-Dapp.one=~/data",
                                         "-Dapp.list=~/a:~/b:c~/d:~\\e"])
        names = ("app.one", "app.list", "app.user")
        user = {"TRELLANE_JVM_OPTIONS": "'-Dapp.user=~/my files'"}
        expected = {
            home: "app.one={0}/data\napp.list={0}/a:{0}/b:c~/d:~\\e\napp.user={0}/my files\n"
                  .format(home),
            None: "app.one=~/data\napp.list=~/a:~/b:c~/d:~\\e\napp.user=~/my files\n",
            "": "app.one=~/data\napp.list=~/a:~/b:c~/d:~\\e\napp.user=~/my files\n",
        }
        for value, stdout in expected.items():
            with self.subTest(home=value):
                result = app.run(*names, env=dict(user, HOME=value))
                self.assertLaunch(result, status=0, stdout=stdout, stderr="")

    def test_system_directory_placeholder(self):
        app = self.make_app("fixture.Props", jvm_options=[
            harness.CLASS_PATH_OPTION,
            "-Dapp.sys=<windows-system-path>:<windows-system-path>:<WINDOWS-SYSTEM-PATH>"])
        result = app.run("app.sys")
        self.assertEqual(result.status, 0, result.describe())
        value = result.stdout.rstrip("\n")[len("app.sys="):]
        directory, rest = value.split(":", 1)
        self.assertEqual(rest, "<windows-system-path>:<WINDOWS-SYSTEM-PATH>")
        self.assertTrue(os.path.isabs(directory), directory)
        self.assertTrue(any(name.startswith("libc.so") for name in os.listdir(directory)),
                        directory)

    def make_lib_app(self, class_path_option):
        """An app image whose classes are spread over several jars in app/lib/, next to a text
        file, a hidden jar and a subdirectory with a jar of its own."""
        app = self.make_app("fixture.Props", jvm_options=[class_path_option], jars=())
        lib = os.path.join(app.app_dir, "lib")
        os.makedirs(os.path.join(lib, "sub.jar"))
        fixture_subset_jar(os.path.join(lib, "props.jar"), "fixture.Props")
        fixture_subset_jar(os.path.join(lib, "out.jar"), "fixture.Out")
        fixture_subset_jar(os.path.join(lib, ".hidden.jar"), "fixture.Hello")
        fixture_subset_jar(os.path.join(lib, "sub.jar", "inner.jar"), "fixture.Hello")
        shutil.copy(harness.RUNTIME_JAR, lib)
        with open(os.path.join(lib, "notes.txt"), "w") as notes:
            notes.write("not a jar\n")
        return app, lib + "/"

    def test_wildcard_class_path_loads_classes_from_several_jars(self):
        jars = {"props.jar", "out.jar", ".hidden.jar", "trellane-runtime.jar"}
        for pattern, names in (("*.jar", jars), ("*", jars | {"notes.txt"})):
            with self.subTest(pattern=pattern):
                app, lib = self.make_lib_app("-Djava.class.path=::&&lib/" + pattern + ":&&x*:")
                result = app.run("java.class.path")
                self.assertEqual(result.status, 0, result.describe())
                entries = class_path_entries(result.stdout)
                # Directory order, unsorted; directories, empty entries at the start and the
                # trailing separator dropped; an entry matching nothing kept as written.
                self.assertEqual(entries[-1], app.app_dir + "x*")
                self.assertCountEqual(entries[:-1], [lib + name for name in names])

    def test_command_option_is_expanded_but_not_the_arguments(self):
        lib = self.make_lib_app("-Djava.class.path=&&lib/*.jar")[1]
        app = self.make_app("fixture.Args")
        result = app.run("-cp", lib + "o*")
        self.assertLaunch(result, status=0,
                          stdout="count=2\n[-cp]\n[%so*]\ncommand=fixture.Args -cp %sout.jar\n"
                                 % (lib, lib))

    def test_ten_thousand_jars(self):
        app = self.make_app("fixture.Props",
                            jvm_options=[harness.CLASS_PATH_OPTION + ":&&many/*.jar"])
        many = os.path.join(app.app_dir, "many")
        os.makedirs(many)
        names = ["lib%05d.jar" % i for i in range(10000)]
        for name in names:
            open(os.path.join(many, name), "wb").close()
        result = app.run("java.class.path")
        self.assertEqual(result.status, 0, result.describe())
        entries = class_path_entries(result.stdout)
        self.assertEqual(entries[:2], [app.app_dir + "fixtures.jar",
                                       app.app_dir + "trellane-runtime.jar"])
        self.assertCountEqual(entries[2:], [many + "/" + name for name in names])


if __name__ == "__main__":
    unittest.main()
