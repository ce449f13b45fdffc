"""The message boxes on a real (virtual) screen: each one holds the launch until the user
dismisses it. Xvfb provides the screen, xdotool finds a box by its caption and presses its
button. Elsewhere in the suite there is no display and a box returns at once."""

import os
import shutil
import subprocess
import time
import unittest

import launcher_install
import wine_prefix
from launcher_install import LaunchSettings
from wine_case import KNOWN_FOLDER_CAPTION, WineTestCase

INTERNAL_ERROR_CAPTION = "The application has experienced an internal error and must quit."


class VirtualScreen:
    def __init__(self):
        read, write = os.pipe()
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-nolisten", "tcp", "-screen", "0",
             "1024x768x24"], pass_fds=(write,), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as display:
            self.display = ":" + display.readline().strip()

    def xdotool(self, *arguments) -> str:
        result = subprocess.run(["xdotool", *arguments], capture_output=True, text=True,
                                env=dict(os.environ, DISPLAY=self.display), timeout=30)
        return result.stdout.strip()

    def wait_for_window(self, caption: str, timeout: float = 60) -> str:
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            window = self.xdotool("search", "--name", "^%s$" % caption.replace(".", "\\."))
            if window:
                return window.split()[0]
            time.sleep(0.2)
        raise AssertionError("no window %r within %s s" % (caption, timeout))

    def press_enter_in(self, window: str, timeout: float = 60) -> None:
        # Wine ignores synthetic key events sent to a window; focus it and type instead. A box
        # that has just been mapped may not take keys yet on a busy machine: press again until
        # it is gone.
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.xdotool("windowfocus", "--sync", window)
            self.xdotool("key", "Return")
            for _ in range(10):
                if window not in self.xdotool("search", "--onlyvisible", "--name", ".").split():
                    return
                time.sleep(0.2)
        raise AssertionError("the box %s did not close within %s s" % (window, timeout))

    def close(self) -> None:
        self.server.kill()
        self.server.wait()


@unittest.skipUnless(shutil.which("Xvfb") and shutil.which("xdotool"),
                     "Xvfb and xdotool show and dismiss the boxes: "
                     "scripts/install-deps.sh installs them (xvfb, xdotool)")
class BoxesOnScreenTest(WineTestCase):
    @classmethod
    def setUpClass(cls):
        launcher_install.require_built_files()
        wine_prefix.ensure_prefix(wine_prefix.SCREEN_PREFIX)

    def launch_on_screen(self, install):
        screen = VirtualScreen()
        self.addCleanup(screen.close)
        env = wine_prefix.wine_environment(extra={"DISPLAY": screen.display},
                                           prefix=wine_prefix.SCREEN_PREFIX)
        launch = subprocess.Popen([wine_prefix.WINE, install.exe], env=env,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL, start_new_session=True)
        self.addCleanup(lambda: launch.poll() is None and launch.kill())
        return screen, launch

    def recorded(self, install) -> str:
        with open(os.path.join(install.bin, "fakejvm.log"), encoding="utf-8",
                  errors="replace") as record:
            return record.read()

    def test_each_box_holds_the_launch_until_dismissed(self):
        install = self.install(script=["main throw"])
        screen, launch = self.launch_on_screen(install)
        # Start-up stops at the known-folder box: no JVM while it is up.
        window = screen.wait_for_window(KNOWN_FOLDER_CAPTION)
        time.sleep(0.5)
        self.assertNotIn("create", self.recorded(install))
        screen.press_enter_in(window)
        # The report's box comes after the stack trace, and the process waits for it.
        window = screen.wait_for_window(INTERNAL_ERROR_CAPTION)
        self.assertIn("print_stack_trace", self.recorded(install))
        time.sleep(0.5)
        self.assertIsNone(launch.poll(), "the launcher waits for the box")
        screen.press_enter_in(window)
        self.assertEqual(launch.wait(timeout=30), 1)

    def test_console_application_shows_the_known_folder_box_only(self):
        install = self.install(LaunchSettings(console_app=True), script=["main throw"])
        screen, launch = self.launch_on_screen(install)
        screen.press_enter_in(screen.wait_for_window(KNOWN_FOLDER_CAPTION))
        self.assertEqual(launch.wait(timeout=30), 1)
        self.assertIn("print_stack_trace", self.recorded(install))


if __name__ == "__main__":
    unittest.main()
