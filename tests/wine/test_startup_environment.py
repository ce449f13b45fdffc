"""What the entry point does to the process before the launch sequence: the known-folder
variables (whose lookups Wine 8 refuses, so the general failure report shows), and HOME."""

import unittest

from launcher_install import LaunchSettings, StartPlan
from wine_case import (KNOWN_FOLDER_CAPTION, KNOWN_FOLDER_ERROR, WineTestCase, message_boxes,
                       setUpModule, wine_traces)  # noqa: F401

KNOWN_FOLDER_VARIABLES = ("PACKAGE_LOCALAPPDATA", "PACKAGE_APPDATA", "USER_LOCALAPPDATA",
                          "USER_APPDATA", "LOCALAPPDATA", "APPDATA")


class KnownFolderFailureTest(WineTestCase):
    def test_general_failure_is_reported_once_everywhere_and_the_launch_goes_on(self):
        for console_app in (False, True):
            with self.subTest(console_app=console_app):
                install = self.install(LaunchSettings(console_app=console_app,
                                                      redirect_appdata=True))
                launch = install.run(winedebug="-all,+debugstr,+relay")
                # Six lookups fail with E_INVALIDARG; only the first is reported.
                self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
                self.assertEqual(
                    [line.split(":", 3)[3] for line in wine_traces(launch.stderr, "debugstr")],
                    ['OutputDebugStringA "Error 0x80070057"'])
                # The box shows whatever isConsoleApp says (headless, it returns at once).
                self.assertEqual(message_boxes(launch.stderr), [
                    ("00000000", "Error 0x80070057", KNOWN_FOLDER_CAPTION, "00201010")])
                self.assertTrue(launch.log.created)

    def test_failed_lookups_leave_inherited_variables_and_set_no_others(self):
        install = self.install(LaunchSettings(redirect_appdata=True))
        inherited = {"LOCALAPPDATA": "C:\\inherited\\Local",
                     "APPDATA": "C:\\inherited\\Roaming",
                     "USER_APPDATA": "C:\\inherited\\user"}
        launch = install.start(StartPlan(set=inherited, unset=KNOWN_FOLDER_VARIABLES[:3]))
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        environment = launch.log.environment
        for name in KNOWN_FOLDER_VARIABLES:
            with self.subTest(name=name):
                expected = inherited.get(name)
                self.assertEqual(environment.get(name), expected and expected.encode())


class HomeTest(WineTestCase):
    def test_home_comes_from_the_user_profile(self):
        long_profile = "C:\\Users\\" + "p" * 600
        cases = (
            # (USERPROFILE, HOME given, HOME the JVM sees); None: the variable is absent.
            ("C:\\Users\\Tëster", "/unix/home", "C:\\Users\\Tëster"),
            ("C:\\Users\\Tester", None, "C:\\Users\\Tester"),
            (None, "C:\\kept", "C:\\kept"),
            (None, None, None),
            ("", "C:\\old", None),  # "HOME=" removes the variable
            (long_profile, None, long_profile),  # never cut: a shorter path is another place
        )
        install = self.install()
        for profile, home, expected in cases:
            with self.subTest(profile=profile and profile[:20], home=home):
                plan = StartPlan(unset=["USERPROFILE", "HOME"])
                if profile is not None:
                    plan.set["USERPROFILE"] = profile
                if home is not None:
                    plan.set["HOME"] = home
                launch = install.start(plan)
                self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
                self.assertEqual(launch.log.environment.get("HOME"),
                                 expected and expected.encode())


if __name__ == "__main__":
    unittest.main()
