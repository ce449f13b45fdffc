"""The splash screen on Windows: the launcher loads bin\\splashscreen.dll (here a test library
that records each call beside the test JVM's record) after jvm.dll and before it creates the
JVM, and hands it the image as the java command does: a file by name, a jar's entry from
memory. Headless, a missing image or library, and a library that cannot show the image leave
a normal start. An image that trellane-package builds with a splash, asked for as jpackage users
ask for one, shows it the same way."""

import os
import shutil
import subprocess
import tempfile
import unittest
import zipfile

import wine_prefix
from launcher_install import LAUNCHER_EXE, LaunchSettings
from test_app_image import PACKAGE, RUNTIME_JAR, PackagedImage, fake_runtime, jar, write
from wine_case import KNOWN_FOLDER_ERROR, WineTestCase, setUpModule  # noqa: F401

FAKE_SPLASH = (os.environ.get("TRELLANE_WINE_FAKE_SPLASH")
               or os.path.join(wine_prefix.BUILD, "splashscreen.dll"))
IMAGE = b"SPLASH IMAGE BYTES " * 40


class SplashTest(WineTestCase):
    def splash_install(self, *options: str, library: bool = True):
        install = self.install(LaunchSettings(jvm_options=["-Xmx64m", *options]))
        app = os.path.join(install.root, "app")
        os.makedirs(app)
        with open(os.path.join(app, "splash.png"), "wb") as f:
            f.write(IMAGE)
        with zipfile.ZipFile(os.path.join(app, "images.jar"), "w", zipfile.ZIP_DEFLATED) as jar:
            jar.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"
                         "SplashScreen-Image: img/splash.png\r\n\r\n")
            jar.writestr("img/splash.png", IMAGE)
        if library:
            shutil.copyfile(FAKE_SPLASH, os.path.join(install.bin, "splashscreen.dll"))
        return install

    def splash_calls(self, install, *script: str, env=None):
        """The splash library's record and the JVM's creation, in order, with the options the
        JVM got."""
        for line in script:
            open(os.path.join(install.bin, line), "w").close()
        launch = install.run(env=env)
        self.assertLaunch(launch, 0, KNOWN_FOLDER_ERROR)
        self.assertEqual(launch.log.main_arguments, [], launch.describe())
        events = [(tag.decode(),) + fields for tag, fields in launch.log.lines
                  if tag.startswith(b"splash") or tag == b"create"]
        return events, launch.log.options

    def test_an_image_file_by_name_before_the_jvm(self):
        install = self.splash_install("-splash:&&splash.png")
        image = (install.app_dir + "splash.png").encode()
        events, options = self.splash_calls(install)
        self.assertEqual(events, [
            ("splash_loaded", b"after jvm.dll"), ("splash_init",),
            ("splash_scaled_name_length", image), ("splash_scaled_name", None, image),
            ("splash_load_file", image), ("splash_set_file_jar_name", image, None),
            ("create", b"other")])
        self.assertEqual(options, [b"-Xmx64m", b"-Dsun.java.command=com.example.Main"])

    def test_an_image_in_a_jar_from_memory(self):
        # By name, and as the manifest's SplashScreen-Image names it.
        for option in ("-splash:jar:&&images.jar!/img/splash.png", "-splash:jar:&&images.jar"):
            with self.subTest(option):
                install = self.splash_install(option)
                events, options = self.splash_calls(install)
                jar = (install.app_dir + "images.jar").encode()
                self.assertEqual(events, [
                    ("splash_loaded", b"after jvm.dll"), ("splash_init",),
                    ("splash_scaled_name_length", b"img/splash.png"),
                    ("splash_scaled_name", jar, b"img/splash.png"),
                    ("splash_load_memory", str(len(IMAGE)).encode(), IMAGE),
                    ("splash_set_file_jar_name", b"img/splash.png",
                     (install.app_dir + "images.jar").encode()),
                    ("create", b"other")])
                self.assertEqual(options, [b"-Xmx64m", b"-Dsun.java.command=com.example.Main"])

    def test_the_image_made_for_a_scaled_screen(self):
        # The library names NAME@2x for a screen of scale 2: the launcher shows that image
        # when there is one, with the scale, and the original's name for the application.
        install = self.splash_install("-splash:&&splash.png")
        with open(os.path.join(install.root, "app", "splash@2x.png"), "wb") as f:
            f.write(b"TWICE THE SIZE")
        image = (install.app_dir + "splash.png").encode()
        events, _ = self.splash_calls(install, "fakesplash.scale2")
        self.assertEqual(events[4:], [
            ("splash_set_scale_factor", b"2"),
            ("splash_load_file", (install.app_dir + "splash@2x.png").encode()),
            ("splash_set_file_jar_name", image, None), ("create", b"other")])
        # In a jar without such an entry, the image itself, unscaled.
        install = self.splash_install("-splash:jar:&&images.jar")
        events, _ = self.splash_calls(install, "fakesplash.scale2")
        self.assertEqual([event[0] for event in events[4:]], [
            "splash_load_memory", "splash_set_file_jar_name", "create"])

    def test_no_splash_and_a_normal_start(self):
        create = [("create", b"other")]
        cases = [
            ("headless", ["-splash:&&splash.png", "-Djava.awt.headless=TRUE"], True, (), create),
            ("missing image", ["-splash:&&missing.png"], True, (), create),
            ("missing jar entry", ["-splash:jar:&&images.jar!/missing.png"], True, (), create),
            ("missing library", ["-splash:&&splash.png"], False, (), create),
            ("the library cannot show it", ["-splash:&&splash.png"], True, ["fakesplash.fail"],
             [("splash_loaded", b"after jvm.dll"), ("splash_init",),
              ("splash_scaled_name_length",), ("splash_scaled_name",), ("splash_load_file",)]
             + create),
        ]
        for name, options, library, script, expected in cases:
            with self.subTest(name):
                install = self.splash_install(*options, library=library)
                events, jvm_options = self.splash_calls(install, *script)
                self.assertEqual([event[:1] if event[0].startswith(("splash_load_file",
                                                                     "splash_scaled"))
                                  else event for event in events], expected)
                self.assertNotIn(b"-splash", b" ".join(jvm_options))

    def test_a_packaged_image_shows_its_splash(self):
        # The runtime's splash library comes with java.desktop, in its bin folder.
        os.makedirs(wine_prefix.WORK, exist_ok=True)
        work = tempfile.mkdtemp(prefix="packaged-splash-", dir=wine_prefix.WORK)
        self.addCleanup(subprocess.run, ["rm", "-rf", work])
        runtime = fake_runtime(os.path.join(work, "runtime"), "java.base java.desktop")
        shutil.copyfile(FAKE_SPLASH, os.path.join(runtime, "bin", "splashscreen.dll"))
        write(os.path.join(work, "splash.png"), IMAGE)
        jar(os.path.join(work, "input", "app.jar"), "com.example.Main", main=True)
        os.makedirs(os.path.join(work, "splashing"))
        with zipfile.ZipFile(os.path.join(work, "splashing", "app.jar"), "w",
                             zipfile.ZIP_DEFLATED) as main_jar:
            main_jar.writestr("META-INF/MANIFEST.MF", "Manifest-Version: 1.0\r\n"
                              "Main-Class: com.example.Main\r\n"
                              "SplashScreen-Image: img/splash.png\r\n\r\n")
            main_jar.writestr("com/example/Main.class", b"\xca\xfe\xba\xbe")
            main_jar.writestr("img/splash.png", IMAGE)
        cases = [
            ("-splash: in --java-options",
             ["--input", "input", "--app-content", "splash.png", "--java-options",
              "-splash:$APPDIR/splash.png"],
             lambda app: [("splash_scaled_name_length", app + b"splash.png"),
                          ("splash_scaled_name", None, app + b"splash.png"),
                          ("splash_load_file", app + b"splash.png"),
                          ("splash_set_file_jar_name", app + b"splash.png", None)]),
            ("the main jar's SplashScreen-Image", ["--input", "splashing"],
             lambda app: [("splash_scaled_name_length", b"img/splash.png"),
                          ("splash_scaled_name", app + b"app.jar", b"img/splash.png"),
                          ("splash_load_memory", str(len(IMAGE)).encode(), IMAGE),
                          ("splash_set_file_jar_name", b"img/splash.png", app + b"app.jar")]),
        ]
        for name, arguments, calls in cases:
            with self.subTest(name):
                dest = os.path.join(work, "out-%d" % len(os.listdir(work)))
                packaged = subprocess.run(
                    [PACKAGE, "--target", "windows", "--runtime-image", runtime, *arguments,
                     "--main-jar", "app.jar", "--name", "Hello", "--dest", dest,
                     "--launcher", LAUNCHER_EXE, "--runtime-jar", RUNTIME_JAR, "--quiet"],
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=work)
                self.assertEqual((packaged.returncode, packaged.stderr), (0, b""))
                image = PackagedImage(os.path.join(dest, "Hello"), "Hello.exe")
                events, options = self.splash_calls(image)
                self.assertEqual(events, [("splash_loaded", b"after jvm.dll"), ("splash_init",)]
                                 + calls(image.app_dir.encode()) + [("create", b"other")])
                self.assertEqual(options[1:], [b"-Dsun.java.command=com.example.Main"])


if __name__ == "__main__":
    unittest.main()
