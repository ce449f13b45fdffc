"""The updater's native method, which the launcher provides to the runtime's updater class."""

import os
import shutil
import subprocess
import unittest

import harness

NATIVE_SYMBOL = "Java_morvantic_trellane_updater_OnlineUpdater_nCheckForUpdates"


class UpdaterNativeTest(harness.LauncherTestCase):

    def test_calls_from_several_threads_return(self):
        result = self.make_app("fixture.UpdateCheck").run("8", "1000")
        self.assertLaunch(result, 0, stdout="calls=8000 failures=[]\n", stderr="")

    def test_application_starts_without_the_updater_class(self):
        jar = harness.bootstrap_only_jar(os.path.join(self.make_dir(), "trellane-runtime.jar"))
        app = self.make_app("fixture.UpdateCheck", jars=[jar, harness.FIXTURE_JAR])
        self.assertLaunch(app.run("8", "1000"), 0, stdout="no updater class\n", stderr="")

    @unittest.skipUnless(shutil.which("nm"), "needs nm")
    def test_native_function_is_exported(self):
        symbols = subprocess.run(["nm", "-D", "--defined-only", harness.LAUNCHER],
                                 stdout=subprocess.PIPE, check=True, text=True).stdout
        self.assertIn(NATIVE_SYMBOL, [line.split()[-1] for line in symbols.splitlines()])


if __name__ == "__main__":
    unittest.main()
