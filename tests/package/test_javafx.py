"""A modular JavaFX application packaged as jpackage users package one (--module-path with
Debian's JavaFX 11 modules, /usr/share/openjfx/lib from openjfx, and its native libraries,
libopenjfx-jni; --module app; a splash screen from --app-content), its modules linked into the
runtime, shown under Xvfb on the real JVM: the splash, then the application's window, seen on the screen."""

import glob
import os
import shutil
import subprocess
import sys
import unittest

from package_fixture import JDK, PackageTestCase

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import png  # noqa: E402
import screen  # noqa: E402

JAVAFX = "/usr/share/openjfx/lib"
NATIVES = "/usr/lib/x86_64-linux-gnu/jni"
SOURCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures", "javafx", "fxapp")
ORANGE = (255, 128, 0)
BLUE = (30, 30, 200)


@unittest.skipUnless(os.path.exists(os.path.join(JAVAFX, "javafx.controls.jar")) and
                     glob.glob(os.path.join(NATIVES, "libprism_sw.so")) and screen.available(),
                     "needs Debian's openjfx, libopenjfx-jni and Xvfb "
                     "(scripts/install-deps.sh test)")
class JavaFxTest(PackageTestCase):

    def test_a_modular_javafx_application_is_shown(self):
        mods, classes = self.path("mods"), self.path("classes")
        sources = [os.path.join(folder, f) for folder, _, files in os.walk(SOURCES)
                   for f in files]
        subprocess.run([os.path.join(JDK, "bin", "javac"), "-p", JAVAFX, "-d", classes,
                        *sources], check=True)
        os.makedirs(mods)
        subprocess.run([os.path.join(JDK, "bin", "jar"), "--create", "--file",
                        os.path.join(mods, "fxapp.jar"), "--main-class", "fxapp.Main", "-C",
                        classes, "."], check=True)
        # JavaFX's native libraries in a folder of the module path, as its SDK has them.
        natives = self.path("javafx-natives")
        os.makedirs(natives)
        for library in glob.glob(os.path.join(NATIVES, "lib*.so")):
            if os.path.basename(library).startswith(("libglass", "libprism", "libjavafx")):
                shutil.copy(library, natives)
        # A splash smaller than the window: when the window is up it covers it.
        with open(self.path("splash.png"), "wb") as f:
            png.Writer(100, 60, greyscale=False).write(f, [list(BLUE) * 100] * 60)
        self.assertBuilt(self.package(
            "--module-path", ":".join([JAVAFX, natives, mods]), "--module", "fxapp",
            "--name", "fx", "--dest", "out", "--console-app", "--app-content", "splash.png",
            "--java-options", "-Dprism.order=sw -Dfx.hold=4000 -splash:$APPDIR/splash.png"))
        image = self.path("out", "fx")
        self.assertTrue(os.path.exists(os.path.join(image, "lib", "libprism_sw.so")))

        display = screen.VirtualScreen()
        self.addCleanup(display.close)
        env = dict(os.environ, DISPLAY=display.display)
        app = subprocess.Popen([os.path.join(image, "bin", "fx")], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, env=env)

        splash = display.wait_for(lambda pixels: sum(row.count(BLUE) for row in pixels) >=
                                  100 * 60, timeout=60)
        # The splash may stay above the window: most of the window shows all the same.
        shown = display.wait_for(
            lambda pixels: sum(row.count(ORANGE) for row in pixels) >= 200 * 120 * 7 // 10,
            timeout=60)
        out, err = app.communicate(timeout=60)
        self.assertTrue(splash, "no splash: " + err.decode("utf-8", "replace"))
        self.assertTrue(shown, err.decode("utf-8", "replace"))
        self.assertEqual(app.returncode, 0, err.decode("utf-8", "replace"))
        self.assertRegex(out.decode(), r"^shown: JavaFX 11\.\S+ in module fxapp\n$")

if __name__ == "__main__":
    unittest.main()
