"""The environment the application and the processes it starts inherit from the launcher."""

import unittest

import harness

OPTION_VARIABLES = ("_JAVA_OPTIONS", "JDK_JAVA_OPTIONS", "JAVA_TOOL_OPTIONS")


def seen(name, value=None):
    """The Env fixture's lines for one variable, in main and in a child process."""
    shown = " absent" if value is None else "=" + value
    return "main %s%s\nchild %s%s\n" % (name, shown, name, shown)


class EnvironmentTest(harness.LauncherTestCase):

    def test_jvm_option_variables_of_the_caller_are_removed(self):
        caller = {name: "-De2e.leaked=" + name for name in OPTION_VARIABLES}
        caller["E2E_UNRELATED"] = "kept"
        app = self.make_app("fixture.Env")
        result = app.run(*OPTION_VARIABLES, "E2E_UNRELATED", env=caller)
        # No "Picked up ..." on stderr and no property: the JVM never saw them either.
        self.assertLaunch(result, 0, stderr="",
                          stdout="".join(seen(name) for name in OPTION_VARIABLES)
                          + seen("E2E_UNRELATED", "kept") + "property e2e.leaked=null\n")

    def test_alt_java_home_is_the_install_root_only_while_the_jvm_is_created(self):
        caller = {"_ALT_JAVA_HOME_DIR": "/set/by/the/caller"}
        with self.subTest("after creation"):
            app = self.make_app("fixture.Env")
            result = app.run("_ALT_JAVA_HOME_DIR", env=caller)
            self.assertLaunch(result, 0, stderr="", stdout=seen("_ALT_JAVA_HOME_DIR")
                              + "property e2e.leaked=null\n")
        with self.subTest("during creation"):
            # A Java agent's premain runs inside JNI_CreateJavaVM.
            app = self.make_app("fixture.Hello",
                                [harness.CLASS_PATH_OPTION, "-javaagent:&&fixtures.jar"])
            result = app.run(env=caller)
            self.assertLaunch(result, 0, stderr="",
                              stdout="agent _ALT_JAVA_HOME_DIR=%s\nhello\n" % app.root)


if __name__ == "__main__":
    unittest.main()
