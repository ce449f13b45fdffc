"""The options the JVM is created with: their order, the dump, installRoot and appDir from the
executable's Windows path, and the environment around creation."""

import unittest

from launcher_install import LaunchSettings, StartPlan
from wine_case import KNOWN_FOLDER_ERROR, WineTestCase, setUpModule  # noqa: F401


def dump(options):
    return b"".join(b"JVM arg %d: %s\n" % (i, option) for i, option in enumerate(options))


class OptionListTest(WineTestCase):
    def test_configured_then_command_then_user_options_each_expanded_and_dumped(self):
        install = self.install(LaunchSettings(
            jvm_options=["-Xmx64m", "-Dlib=&&lib", "-Dthree=&&&", "-Dfour=&&&&"],
            allowed_prefixes=["-Duser."]))
        launch = install.run("x&&y", env={
            "TRELLANE_JVM_OPTIONS": "-Duser.a=1 '-Duser.dir=&&my data'",
            "TRELLANE_DUMP_JVM_ARGS": "1"})
        app = install.app_dir.encode()
        expected = [
            b"-Xmx64m",
            b"-Dlib=" + app + b"lib",
            b"-Dthree=" + app + b"&",
            b"-Dfour=" + app + app,
            b"-Dsun.java.command=com.example.Main x" + app + b"y",
            b"-Duser.a=1",
            b"-Duser.dir=" + app + b"my data",
        ]
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR + dump(expected))
        self.assertEqual(launch.log.options, expected)
        self.assertEqual(launch.log.main_arguments, [b"x&&y"])

    def test_dump_variable_defined_but_empty_still_dumps(self):
        # Wine drops empty variables on the way from Unix; the starter passes them on.
        install = self.install()
        launch = install.start(StartPlan(set={"TRELLANE_DUMP_JVM_ARGS": ""}))
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR +
                          b"JVM arg 0: -Dsun.java.command=com.example.Main\n")

    def test_dump_is_written_before_the_jvm_fails_to_start(self):
        install = self.install(LaunchSettings(jvm_options=["-Xbogus"]),
                               script=["create_result -1"])
        launch = install.run(env={"TRELLANE_DUMP_JVM_ARGS": "yes"})
        self.assertLaunch(launch, 1, KNOWN_FOLDER_ERROR + dump([
            b"-Xbogus", b"-Dsun.java.command=com.example.Main"]) +
            b"Failed to create JVM: Error 0xffffffff\r\n")


class InstallRootTest(WineTestCase):
    def test_install_root_is_the_windows_path_two_levels_up_even_with_ampersands(self):
        # Non-ASCII through the UTF-8 active code page; "&&" inside appDir stays as inserted.
        install = self.install(LaunchSettings(jvm_options=["-Dx=&&lib"]),
                               root_name="Prodüct && Co")
        self.assertTrue(install.windows_root.startswith("Z:\\"))
        launch = install.run()
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        root = install.windows_root.encode()
        self.assertEqual(launch.log.options[0], b"-Dx=" + root + b"\\app\\lib")
        self.assertEqual(launch.log.environment.get("_ALT_JAVA_HOME_DIR"), root)
        self.assertNotIn("_ALT_JAVA_HOME_DIR", launch.log.environment_after)

    def test_jvm_option_variables_are_gone_before_creation(self):
        install = self.install()
        launch = install.run(env={"_JAVA_OPTIONS": "-Da=1", "JDK_JAVA_OPTIONS": "-Db=2",
                                  "JAVA_TOOL_OPTIONS": "-Dc=3",
                                  "_ALT_JAVA_HOME_DIR": "C:\\elsewhere"})
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        environment = launch.log.environment
        for name in ("_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS"):
            self.assertNotIn(name, environment, name)
        self.assertEqual(environment.get("_ALT_JAVA_HOME_DIR"),
                         install.windows_root.encode())


if __name__ == "__main__":
    unittest.main()
