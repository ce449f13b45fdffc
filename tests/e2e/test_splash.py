"""The splash screen the launcher shows before it creates the JVM, through the runtime's own
splash library, on a virtual screen: what the application's SplashScreen says, and what is on
the screen. Headless, without a display, without the library and without the image the
application starts as it would without a splash."""

import os
import shutil
import subprocess
import unittest
import zipfile

import harness
import png
import screen

SPLASH_WIDTH, SPLASH_HEIGHT = 240, 160


def splash_pixels():
    """Four coloured quarters with a gradient across: a picture whose every part shows."""
    rows = []
    for y in range(SPLASH_HEIGHT):
        row = []
        for x in range(SPLASH_WIDTH):
            top, left = y < SPLASH_HEIGHT // 2, x < SPLASH_WIDTH // 2
            base = {(True, True): (200, 30, 30), (True, False): (30, 200, 30),
                    (False, True): (30, 30, 200), (False, False): (220, 220, 40)}[(top, left)]
            row.append(tuple(min(255, c + x // 8) for c in base))
        rows.append(row)
    return rows


def write_png(path: str) -> None:
    with open(path, "wb") as f:
        png.Writer(SPLASH_WIDTH, SPLASH_HEIGHT, greyscale=False).write(
            f, [[c for pixel in row for c in pixel] for row in splash_pixels()])


@unittest.skipUnless(screen.available(), "the splash is shown on Xvfb: scripts/install-deps.sh "
                                         "installs it (xvfb)")
class SplashTest(harness.LauncherTestCase):
    @classmethod
    def setUpClass(cls):
        cls.screen = screen.VirtualScreen()

    @classmethod
    def tearDownClass(cls):
        cls.screen.close()

    def splash_app(self, splash_option: str, *more_options: str) -> harness.App:
        app = self.make_app("fixture.Splash", [harness.CLASS_PATH_OPTION, splash_option,
                                               *more_options])
        write_png(os.path.join(app.app_dir, "splash.png"))
        return app

    def start(self, app: harness.App, env=None) -> subprocess.Popen:
        process = subprocess.Popen(
            [app.launcher], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, text=True,
            env=harness.launch_environment(dict({"DISPLAY": self.screen.display}, **(env or {}))))
        self.addCleanup(process.kill)
        return process

    def assertSplashShown(self, app: harness.App, url: str, env=None, shown_pixels=None,
                          scale: int = 1) -> None:
        """The application sees the splash, and the screen shows shown_pixels (the image's
        own by default) in the middle; on a screen of that scale the application measures the
        splash in units of scale pixels."""
        shown_pixels = shown_pixels or splash_pixels()
        width, height = len(shown_pixels[0]), len(shown_pixels)
        x, y = (screen.WIDTH - width) // 2, (screen.HEIGHT - height) // 2
        process = self.start(app, env)
        self.assertEqual(process.stdout.readline(), "library loaded\n")
        self.assertEqual(process.stdout.readline(),
                         "splash visible=true size=%dx%d at=%d,%d url=%s\n"
                         % (width // scale, height // scale, x // scale, y // scale, url))
        shown = self.screen.wait_for(lambda pixels: screen.differing(
            screen.region(pixels, x, y, width, height), shown_pixels) == 0)
        on_screen = screen.region(self.screen.pixels(), x, y, width, height)
        self.assertTrue(shown, "%d of the splash's pixels differ on the screen"
                        % screen.differing(on_screen, shown_pixels))
        out, err = process.communicate("\n", timeout=60)
        self.assertEqual((process.returncode, out, err), (0, "closed\n", ""))
        # Closed, it leaves the screen as it was.
        self.assertTrue(self.screen.wait_for(lambda pixels: all(
            p == (0, 0, 0) for row in screen.region(pixels, x, y, width, height) for p in row)))

    def test_an_image_file(self):
        app = self.splash_app("-splash:&&splash.png")
        self.assertSplashShown(app, "file:" + app.app_dir + "splash.png")

    def test_the_image_made_for_a_scaled_screen(self):
        # As java -splash: shows it on a screen of scale 2 (GDK_SCALE, on Linux): the image
        # beside it named NAME@2x, pixel for pixel, measured in the screen's units.
        twice = [[((x * 255) // 480, (y * 255) // 320, 90) for x in range(480)]
                 for y in range(320)]
        app = self.splash_app("-splash:&&splash.png")
        with open(os.path.join(app.app_dir, "splash@2x.png"), "wb") as f:
            png.Writer(480, 320, greyscale=False).write(
                f, [[c for pixel in row for c in pixel] for row in twice])
        self.assertSplashShown(app, "file:" + app.app_dir + "splash.png", {"GDK_SCALE": "2"},
                               twice, scale=2)

    def test_an_image_in_a_jar_by_name_or_by_its_manifest(self):
        # As the jar tool makes it: deflated, in a folder, named by the manifest.
        for option in ("-splash:jar:&&images.jar!/pictures/splash.png", "-splash:jar:&&images.jar"):
            with self.subTest(option):
                app = self.splash_app(option)
                content = os.path.join(app.root, "content")
                os.makedirs(os.path.join(content, "pictures"))
                os.rename(os.path.join(app.app_dir, "splash.png"),
                          os.path.join(content, "pictures", "splash.png"))
                with open(os.path.join(content, "manifest.txt"), "w") as f:
                    f.write("SplashScreen-Image: pictures/splash.png\n")
                jar = os.path.join(app.app_dir, "images.jar")
                done = subprocess.run([os.path.join(harness.JDK, "bin", "jar"), "--create",
                                       "--file", jar, "--manifest",
                                       os.path.join(content, "manifest.txt"), "-C", content,
                                       "pictures"], capture_output=True)
                self.assertEqual(done.returncode, 0, done.stderr)
                with zipfile.ZipFile(jar) as made:
                    self.assertEqual(made.getinfo("pictures/splash.png").compress_type,
                                     zipfile.ZIP_DEFLATED)
                self.assertSplashShown(app, "jar:file:%s!/pictures/splash.png" % jar)

    def test_no_splash_and_a_normal_start(self):
        cases = [
            ("headless", ["-splash:&&splash.png", "-Djava.awt.headless=true"], {},
             "library not loaded\nheadless\n"),
            # The library finds no display and shows nothing; the JVM is headless.
            ("no display", ["-splash:&&splash.png"], {"DISPLAY": None},
             "library loaded\nheadless\n"),
            ("missing image", ["-splash:&&missing.png"], {}, "library not loaded\nno splash\n"),
            ("missing jar entry", ["-splash:jar:&&fixtures.jar!/missing.png"], {},
             "library not loaded\nno splash\n"),
            # The library's decoder complains as it does under java -splash:.
            ("broken image", ["-splash:&&broken.png"], {}, "library loaded\nno splash\n"),
        ]
        for name, options, env, stdout in cases:
            with self.subTest(name):
                app = self.splash_app(*options)
                broken = os.path.join(app.app_dir, "broken.png")
                with open(broken, "wb") as f:
                    f.write(b"\x89PNG\r\n\x1a\nnot an image at all")
                display = dict({"DISPLAY": self.screen.display}, **env)
                # What java -splash: writes on standard error for the same image.
                java = harness.run(os.path.join(harness.JDK, "bin", "java"), [
                    *options[1:], options[0].replace("&&", app.app_dir), "-cp",
                    harness.FIXTURE_JAR, "fixture.Splash"], env=display)
                self.assertLaunch(app.run(env=display), status=0, stdout=stdout,
                                  stderr=java.stderr)

    def test_a_runtime_without_the_library(self):
        app = self.make_app("fixture.Hello", [harness.CLASS_PATH_OPTION, "-splash:&&splash.png"])
        write_png(os.path.join(app.app_dir, "splash.png"))
        os.remove(os.path.join(app.root, "lib", "libsplashscreen.so"))
        self.assertLaunch(app.run(env={"DISPLAY": self.screen.display}), status=0,
                          stdout="hello\n", stderr="")

    def test_the_jvm_never_sees_the_option(self):
        app = self.splash_app("-splash:&&splash.png")
        result = app.run(env={"TRELLANE_DUMP_JVM_ARGS": "", "DISPLAY": None})
        self.assertLaunch(result, status=0, stdout="library loaded\nheadless\n",
                          stderr="JVM arg 0: %s\nJVM arg 1: -Dsun.java.command=fixture.Splash\n"
                          % harness.CLASS_PATH_OPTION.replace("&&", app.app_dir))


if __name__ == "__main__":
    unittest.main()
