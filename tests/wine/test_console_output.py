"""What a calling program receives: the launcher makes no console, so the output of a console
application goes to the standard handles it inherits, here pipes as a parent process hands
them. Nothing waits for the pipes' end: a wineserver started by a run may hold them open."""

import unittest

import wine_case
import wine_prefix
from launcher_install import LaunchSettings, StartPlan
from wine_case import KNOWN_FOLDER_ERROR, WineTestCase, launcher_output

STDOUT_SCRIPT = ["main stdout Hello, Grüße", "main stdout second line"]
STDERR_SCRIPT = ["main stderr warning: 5% left"]
MAIN_STDOUT = "Hello, Grüße\nsecond line\n".encode()
MAIN_STDERR = b"warning: 5% left\n"
STACK_TRACE = (b"java.lang.IllegalStateException: boom\n"
               b"\tat the.application.Main.main(Main.java:7)\n")
DUMP = b"JVM arg 0: -Xbogus\nJVM arg 1: -Dsun.java.command=com.example.Main\n"


def setUpModule() -> None:
    wine_case.setUpModule()
    # A wineserver of the suite's own, so that no run starts one holding the test's pipes.
    wine_prefix.start_server()


class ConsoleOutputTest(WineTestCase):
    def assertPiped(self, launch, status: int, stdout: bytes, stderr: bytes) -> None:
        self.assertEqual(launch.status, status, launch.describe())
        self.assertEqual(launch.stdout, stdout, launch.describe())
        self.assertEqual(launcher_output(launch.stderr), KNOWN_FOLDER_ERROR + stderr,
                         launch.describe())
        self.assertEqual(launch.log.problems, [], launch.describe())

    def test_main_output_reaches_the_callers_pipes(self):
        for set_up_console in (False, True):
            install = self.install(LaunchSettings(console_app=True,
                                                  set_up_console=set_up_console),
                                   script=STDOUT_SCRIPT + STDERR_SCRIPT)
            for through_starter in (False, True):
                with self.subTest(set_up_console=set_up_console,
                                  through_starter=through_starter):
                    if through_starter:
                        launch = install.start(StartPlan(arguments="a"), pipes=True)
                    else:
                        launch = install.run("a", pipes=True)
                    self.assertPiped(launch, 0, MAIN_STDOUT, MAIN_STDERR)
                    self.assertEqual(launch.log.main_arguments, [b"a"])

    def test_failures_follow_what_main_wrote_on_the_same_pipes(self):
        cases = (
            # (script, status, standard output, standard error after the known-folder report)
            (STDOUT_SCRIPT + STDERR_SCRIPT + ["main throw"], 1, MAIN_STDOUT,
             MAIN_STDERR + STACK_TRACE),
            (STDOUT_SCRIPT + ["create_result -1"], 1, b"",
             b"Failed to create JVM: Error 0xffffffff\r\n"),
        )
        for script, status, stdout, stderr in cases:
            with self.subTest(script=script[-1]):
                install = self.install(LaunchSettings(console_app=True), script=script)
                self.assertPiped(install.run(pipes=True), status, stdout, stderr)

    def test_launcher_messages_come_before_what_the_jvm_writes_itself_and_survive_its_end(self):
        # The JVM writes its own messages straight to the standard handle, past the C
        # runtime's buffer; a JVM that aborts leaves nothing the runtime still holds.
        cases = (
            # (script, status, standard error after the known-folder report)
            (["create stderr Unrecognized option: -Xbogus", "create_result -1"], 1,
             DUMP + b"Unrecognized option: -Xbogus\n"
                    b"Failed to create JVM: Error 0xffffffff\r\n"),
            (["create_terminate 3"], 3, DUMP),
        )
        for script, status, stderr in cases:
            install = self.install(LaunchSettings(console_app=True, jvm_options=["-Xbogus"]),
                                   script=script)
            for pipes in (True, False):
                with self.subTest(script=script[0], pipes=pipes):
                    launch = install.start(StartPlan(set={"TRELLANE_DUMP_JVM_ARGS": "1"}),
                                           pipes=pipes)
                    self.assertPiped(launch, status, b"", stderr)


if __name__ == "__main__":
    unittest.main()
