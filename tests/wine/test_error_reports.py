"""The uncaught-exception report: standard error, the message box (read from Wine's relay trace
of MessageBoxA) and the exit status."""

import unittest

from launcher_install import LaunchSettings
from wine_case import (KNOWN_FOLDER_CAPTION, KNOWN_FOLDER_ERROR, WineTestCase, message_boxes,
                       setUpModule)  # noqa: F401

INTERNAL_ERROR_CAPTION = "The application has experienced an internal error and must quit."
KNOWN_FOLDER_BOX = ("00000000", "Error 0x80070057", KNOWN_FOLDER_CAPTION, "00201010")
STACK_TRACE = (b"java.lang.IllegalStateException: boom\n"
               b"\tat the.application.Main.main(Main.java:7)\n")
RELAY = "-all,+relay"
# Once main has run, the launcher ends the process through the JVM's own exit.
SYSTEM_EXIT_CALLS = [
    ("FindClass", b"java/lang/System"),
    ("GetStaticMethodID", b"exit", b"(I)V"),
    ("CallStaticVoidMethod",),
]
# First the application's own uncaught-exception handler is offered the exception.
PASS_TO_HANDLER_CALLS = [
    ("FindClass", b"morvantic/trellane/launcher/Launcher"),
    ("ExceptionOccurred", b"none"),
    ("GetStaticMethodID", b"passToHandler", b"(Ljava/lang/Throwable;)Z"),
    ("CallStaticBooleanMethod",),
    ("ExceptionOccurred", b"none"),
]
HANDLER_RAN = b"the application's handler ran\n"


def box(text, caption=INTERNAL_ERROR_CAPTION):
    return ("00000000", text, caption, "00201010")


class UncaughtExceptionTest(WineTestCase):
    def test_report_asks_for_the_text_prints_the_trace_then_shows_the_box(self):
        launch = self.install(script=["main throw"]).run(winedebug=RELAY)
        self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + STACK_TRACE)
        self.assertEqual(message_boxes(launch.stderr), [KNOWN_FOLDER_BOX, box("Boom happened")])
        log = launch.log
        self.assertEqual(log.fields("from_exception"), [(b"boom",)], "the thrown object")
        self.assertEqual(log.fields("print_stack_trace"), [(b"boom",)])
        names = log.call_names
        main_call = names.index("CallStaticVoidMethod", names.index("FromReflectedMethod"))
        self.assertEqual(log.calls[main_call + 1:], [
            ("ExceptionOccurred", b"pending"),
            ("ExceptionClear",),
        ] + PASS_TO_HANDLER_CALLS + [
            ("FindClass", b"morvantic/trellane/launcher/Launcher"),
            ("ExceptionOccurred", b"none"),
            ("GetStaticMethodID", b"fromException", b"(Ljava/lang/Throwable;)Ljava/lang/String;"),
            ("ExceptionOccurred", b"none"),
            ("CallStaticObjectMethod",),
            ("ExceptionOccurred", b"none"),
            ("GetStringUTFChars", b"null"),
            ("ExceptionOccurred", b"none"),
            ("ReleaseStringUTFChars",),
            ("FindClass", b"java/lang/Throwable"),
            ("GetMethodID", b"printStackTrace", b"()V"),
            ("CallVoidMethod",),
            ("ExceptionOccurred", b"none"),
        ] + SYSTEM_EXIT_CALLS, log.describe())
        self.assertEqual(log.fields("system_exit"), [(b"1",)])

    def test_console_application_gets_the_trace_and_no_box(self):
        launch = self.install(LaunchSettings(console_app=True),
                              script=["main throw"]).run(winedebug=RELAY)
        self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + STACK_TRACE)
        self.assertEqual(message_boxes(launch.stderr), [KNOWN_FOLDER_BOX])

    def test_text_of_the_box_is_what_the_bootstrap_class_returned(self):
        cases = (
            # (script, box text in the relay trace: bytes outside ASCII as \xNN, unconverted)
            (["from_exception Bööm: 5% done"], "B\\xc3\\xb6\\xc3\\xb6m: 5% done"),
            (["from_exception "], ""),
            (["from_exception_null"], "The application's exception has no description."),
        )
        for script, text in cases:
            with self.subTest(script=script):
                launch = self.install(script=["main throw"] + script).run(winedebug=RELAY)
                self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + STACK_TRACE)
                self.assertEqual(message_boxes(launch.stderr), [KNOWN_FOLDER_BOX, box(text)])

    def test_failing_report_describes_its_own_exception_without_trace_or_box(self):
        cases = (
            ("from_exception_missing",
             b'Exception in thread "main" java.lang.NoSuchMethodError: fromException\n'),
            ("from_exception_throws",
             b'Exception in thread "main" java.lang.RuntimeException: fromException failed\n'),
            ("handler fails",
             b'Exception in thread "main" java.lang.OutOfMemoryError: passToHandler failed\n'),
        )
        for script, description in cases:
            with self.subTest(script=script):
                launch = self.install(script=["main throw", script]).run(winedebug=RELAY)
                self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + description)
                self.assertEqual(message_boxes(launch.stderr), [KNOWN_FOLDER_BOX])
                self.assertEqual(launch.log.fields("print_stack_trace"), [])
                self.assertEqual(launch.log.calls[-4:],
                                 [("ExceptionDescribe",)] + SYSTEM_EXIT_CALLS,
                                 launch.log.describe())
                self.assertEqual(launch.log.fields("system_exit"), [(b"1",)])

    def test_an_application_handler_takes_the_place_of_the_report(self):
        cases = (
            # (script, status, stderr after the known-folder error, JNI calls after main's)
            ("handler exits 42", 42, HANDLER_RAN, PASS_TO_HANDLER_CALLS[:-1]),
            ("handler returns", 1, HANDLER_RAN, PASS_TO_HANDLER_CALLS + SYSTEM_EXIT_CALLS),
        )
        for script, status, stderr, calls in cases:
            with self.subTest(script=script):
                launch = self.install(script=["main throw", script]).run(winedebug=RELAY)
                self.assertLaunch(launch, status, KNOWN_FOLDER_ERROR + stderr)
                self.assertEqual(message_boxes(launch.stderr), [KNOWN_FOLDER_BOX], "no box")
                self.assertEqual(launch.log.fields("pass_to_handler"), [(b"boom",)])
                names = launch.log.call_names
                main_call = names.index("CallStaticVoidMethod", names.index("FromReflectedMethod"))
                self.assertEqual(launch.log.calls[main_call + 3:], calls, launch.log.describe())

    def test_a_bootstrap_class_without_passToHandler_leaves_the_report(self):
        launch = self.install(script=["main throw", "handler missing"]).run(winedebug=RELAY)
        self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + STACK_TRACE)
        self.assertEqual(message_boxes(launch.stderr), [KNOWN_FOLDER_BOX, box("Boom happened")])
        names = launch.log.call_names
        lookup = names.index("GetStaticMethodID", names.index("FromReflectedMethod"))
        self.assertEqual(launch.log.calls[lookup:lookup + 3], [
            ("GetStaticMethodID", b"passToHandler", b"(Ljava/lang/Throwable;)Z"),
            ("ExceptionClear",),
            ("FindClass", b"morvantic/trellane/launcher/Launcher"),
        ], launch.log.describe())

    def test_jvm_exit_that_fails_leaves_the_runtimes_exit_with_status_one(self):
        cases = (
            # (script, the JNI calls after the report)
            ("system_exit missing", SYSTEM_EXIT_CALLS[:2]),
            ("system_exit throws", SYSTEM_EXIT_CALLS),
            ("system_exit returns", SYSTEM_EXIT_CALLS),
        )
        for script, calls in cases:
            with self.subTest(script=script):
                launch = self.install(LaunchSettings(console_app=True),
                                      script=["main throw", script]).run()
                self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + STACK_TRACE)
                names = launch.log.call_names
                report_end = names.index("CallVoidMethod") + 2  # and its exception test
                self.assertEqual(launch.log.calls[report_end:], calls, launch.log.describe())


if __name__ == "__main__":
    unittest.main()
