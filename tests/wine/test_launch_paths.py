"""JVM creation, the bootstrap protocol, main and the exit status, against the test JVM."""

import os
import unittest

from launcher_install import LaunchSettings, StartPlan
from wine_case import (KNOWN_FOLDER_ERROR, NO_BOOTSTRAP_CLASS, WineTestCase, launcher_output,
                       setUpModule)  # noqa: F401

BOOTSTRAP = b"morvantic/trellane/launcher/Launcher"
UPDATER = b"morvantic/trellane/updater/OnlineUpdater"


def without_exception_checks(calls):
    return [c for c in calls if c[0] not in ("ExceptionOccurred", "ExceptionClear")]


class NormalLaunchTest(WineTestCase):
    def test_main_returns_and_the_jvm_is_torn_down(self):
        install = self.install(LaunchSettings(main_class="com.example.Main",
                                              jvm_options=["-Xmx64m"],
                                              default_arguments=["--first"]))
        launch = install.run("one")
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        log = launch.log
        self.assertEqual(log.value("init_version"), b"0x10008")
        self.assertEqual(log.value("init_ignore_unrecognized"), b"0")
        self.assertEqual([f[2] for f in log.fields("option")], [b"null", b"null"],
                         "extraInfo of every option is null")
        self.assertEqual(without_exception_checks(log.calls), [
            ("FindClass", UPDATER),
            ("RegisterNatives",),
            ("FindClass", b"java/lang/String"),
            ("NewObjectArray", b"2", b"java/lang/String", b"null"),
            ("NewStringUTF", b"--first"),
            ("SetObjectArrayElement", b"0"),
            ("NewStringUTF", b"one"),
            ("SetObjectArrayElement", b"1"),
            ("FindClass", BOOTSTRAP),
            ("GetStaticMethodID", b"prepare", b"(Ljava/lang/String;)V"),
            ("NewStringUTF", b"com.example.Main"),
            ("CallStaticVoidMethod",),
            ("GetStaticFieldID", b"mainMethod", b"Ljava/lang/reflect/Method;"),
            ("GetStaticFieldID", b"clazz", b"Ljava/lang/Class;"),
            ("GetStaticObjectField", b"object"),
            ("GetStaticObjectField", b"object"),
            ("FromReflectedMethod",),
            ("CallStaticVoidMethod",),
            ("DetachCurrentThread",),
            ("DestroyJavaVM",),
        ], log.describe())
        self.assertEqual(log.fields("prepare"), [(b"com.example.Main",)])
        # After main: the thrown object is asked for and cleared, whether or not there is one.
        names = log.call_names
        main_call = len(names) - 1 - names[::-1].index("CallStaticVoidMethod")
        self.assertEqual(names[main_call + 1:], ["ExceptionOccurred", "ExceptionClear",
                                                 "DetachCurrentThread", "DestroyJavaVM"])

    def test_updater_class_absent_the_application_starts_all_the_same(self):
        install = self.install(script=["updater absent"])
        launch = install.run()
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        self.assertNotIn("RegisterNatives", launch.log.call_names)
        self.assertEqual(launch.log.main_arguments, [])

    def test_native_method_is_registered_as_the_exported_function_and_returns(self):
        install = self.install(script=["call_native yes"])
        launch = install.run()
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        self.assertEqual(launch.log.fields("register"), [(UPDATER + b" 1",)])
        self.assertEqual(launch.log.registered_natives,
                         [(b"nCheckForUpdates", b"()V", b"exported")])
        self.assertEqual(launch.log.fields("native"), [(b"returned",)])

    def test_missing_jvm_dll_stops_the_process_before_any_launcher_code(self):
        install = self.install()
        os.remove(os.path.join(install.bin, "jvm.dll"))
        launch = install.run(winedebug="-all,err+module")
        self.assertNotEqual(launch.status, 0)
        self.assertEqual(launcher_output(launch.stderr), b"", "no launcher code ran")
        self.assertIn("Library jvm.dll (which is needed by L\"%s\") not found"
                      % install.windows_exe.replace("\\", "\\\\"),
                      launch.stderr.decode("utf-8", "replace"))


class ArgumentTest(WineTestCase):
    """main gets the default arguments, then the command line's, byte for byte; the
    command-identification option gets them joined by spaces, expanded like every option."""

    def test_arguments_reach_main_unchanged_and_the_command_option_joined(self):
        install = self.install(LaunchSettings(main_class="com.example.Main",
                                              default_arguments=["d1", "d 2"]))
        # An exact Windows command line: a quoted space, an empty argument, non-ASCII text
        # (UTF-8 through the manifest's active code page) and "&&".
        launch = install.start(StartPlan(arguments='"a b" "" Grüße x&&y'))
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        self.assertEqual(launch.log.main_arguments,
                         [b"d1", b"d 2", b"a b", b"", "Grüße".encode(), b"x&&y"])
        self.assertEqual(
            launch.log.options[-1],
            ("-Dsun.java.command=com.example.Main d1 d 2 a b  Grüße x%sy"
             % install.app_dir).encode())

    def test_no_arguments_give_main_an_empty_array(self):
        install = self.install()
        launch = install.run()
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        self.assertEqual(launch.log.main_arguments, [])
        self.assertIn(("NewObjectArray", b"0", b"java/lang/String", b"null"), launch.log.calls)
        self.assertEqual(launch.log.options, [b"-Dsun.java.command=com.example.Main"])


class FailedLaunchTest(WineTestCase):
    """Every failure ends with status 1 and its exact text on standard error."""

    def test_jvm_creation_failure_reports_the_code_in_hexadecimal(self):
        for code, text in ((-1, b"0xffffffff"), (-6, b"0xfffffffa"), (7, b"0x7")):
            with self.subTest(code=code):
                install = self.install(script=["create_result %d" % code])
                launch = install.run()
                self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR +
                                  b"Failed to create JVM: Error " + text + b"\r\n")
                self.assertEqual(launch.log.calls, [])

    def test_bootstrap_step_with_an_exception_pending_is_described_and_ends_the_launch(self):
        cases = (
            (["bootstrap absent"], NO_BOOTSTRAP_CLASS),
            (["prepare throw"], b'Exception in thread "main" '
                                b"java.lang.ClassNotFoundException: com.example.Main\n"),
        )
        for script, description in cases:
            with self.subTest(script=script):
                launch = self.install(script=script).run("arg")
                self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + description)
                names = launch.log.call_names
                self.assertEqual(names[-2:], ["ExceptionOccurred", "ExceptionDescribe"])
                self.assertIsNone(launch.log.main_arguments, "main is not called")
                self.assertNotIn("DestroyJavaVM", names)

    def test_prepare_leaving_main_method_unset_ends_the_launch_before_main(self):
        launch = self.install(script=["main_method null"]).run()
        self.assertLaunch(
            launch, 1,
            KNOWN_FOLDER_ERROR + b"The bootstrap class found no main method for "
                                 b"com.example.Main.\r\n")
        self.assertNotIn("FromReflectedMethod", launch.log.call_names)
        self.assertIsNone(launch.log.main_arguments)


if __name__ == "__main__":
    unittest.main()
