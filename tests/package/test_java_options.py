"""--java-options and --arguments as a jpackage user writes them: each value split as jpackage
splits it, module options joined, jpackage's placeholders turned into the launcher's, and what
only the java command understands refused while packaging. One table of values read back from
the written block for both targets, the refusals, and a Linux image started on the real JVM
with the options in effect."""

import os
import subprocess
import unittest

from package_fixture import (APP_JAR, LAUNCHER, LAUNCHER_EXE, PackageTestCase, copy,
                             jlink_release, linux_runtime, listing, read_block, windows_runtime,
                             write)

CLASS_PATH = {"linux": "-Djava.class.path=&&app.jar:&&trellane-runtime.jar",
              "windows": "-Djava.class.path=&&app.jar;&&trellane-runtime.jar"}

# (target, --java-options values, --arguments values, the block's options after the class path,
# its default arguments)
VALUES = [
    ("linux", ['-Xmx64m -Dk="a b"'], [], ["-Xmx64m", "-Dk=a b"], []),
    ("linux", ["-Da='x y' -Db=\"q\"r -Dc=a\\\"b -Dd=x\\y", "-Xss2m"], [],
     ["-Da=x y", "-Db=qr", '-Dc=a"b', "-Dd=x\\y", "-Xss2m"], []),
    ("linux", ["--add-opens java.base/java.lang=ALL-UNNAMED", "--add-exports",
               "java.base/sun.nio.ch=ALL-UNNAMED", "--add-modules=java.sql"], [],
     ["--add-opens=java.base/java.lang=ALL-UNNAMED",
      "--add-exports=java.base/sun.nio.ch=ALL-UNNAMED", "--add-modules=java.sql"], []),
    ("linux", ["--enable-native-access ALL-UNNAMED -p $APPDIR/mods --add-reads m=ALL-UNNAMED "
               "--patch-module m=$APPDIR/patch.jar"], [],
     ["--enable-native-access=ALL-UNNAMED", "--module-path=&&mods", "--add-reads=m=ALL-UNNAMED",
      "--patch-module=m=&&patch.jar"], []),
    ("linux", ["-Dapp=$APPDIR -Ddata=$APPDIR/data -Dlib=$BINDIR -Droot=$ROOTDIR/lib -Dm=&&keep"],
     [], ["-Dapp=&&", "-Ddata=&&data", "-Dlib=&&../bin", "-Droot=&&../lib", "-Dm=&&keep"], []),
    ("windows", ["-Djava.library.path=$BINDIR;$APPDIR\\native -Dconf=$ROOTDIR\\conf"], [],
     ["-Djava.library.path=&&..\\bin;&&native", "-Dconf=&&..\\conf"], []),
    ("windows", ["", '""', "-Xmx1g"], ["one \"two three\"", "'four five'", "", '""', "--x=&&y"],
     ["-Xmx1g"], ["one", "two three", "four five", "", "--x=&&y"]),
]


class JavaOptionsTest(PackageTestCase):

    def setUp(self):
        super().setUp()
        copy(APP_JAR, self.path("input", "app.jar"))

    def test_jpackage_values_in_the_written_block(self):
        linux_runtime(self.path("linux"))
        windows_runtime(self.path("windows"))
        for number, (target, options, arguments, block_options, block_arguments) in \
                enumerate(VALUES):
            with self.subTest(target=target, options=options, arguments=arguments):
                flags = ["--input", "input", "--main-jar", "app.jar", "--target", target,
                         "--runtime-image", target, "--dest", "out%d" % number, "--quiet"]
                for value in options:
                    flags += ["--java-options", value]
                for value in arguments:
                    flags += ["--arguments", value]
                self.assertBuilt(self.package(*flags))
                launcher = "app.exe" if target == "windows" else "app"
                block = read_block(self.path("out%d" % number, "app", "bin", launcher),
                                   LAUNCHER_EXE if target == "windows" else LAUNCHER)
                self.assertEqual(block.jvm_options, [CLASS_PATH[target]] + block_options)
                self.assertEqual(block.arguments, block_arguments)

    def test_a_splash_image_the_image_will_not_hold_is_warned_of(self):
        for target, runtime in (("linux", linux_runtime), ("windows", windows_runtime)):
            runtime(self.path(target))
            write(self.path(target, "release"), jlink_release(modules="java.base java.desktop"))
        write(self.path("art", "s.png"), "image")
        write(self.path("tool.properties"), "java-options=-splash:$APPDIR/tool.png\n")
        missing = ("trellane-package: warning: -splash: names $APPDIR/%s, which neither --input "
                   "nor --app-content puts into the image: the application will start without a "
                   "splash; add it or correct the name\n")
        cases = [
            ("linux", ["--java-options", "-splash:$APPDIR/art/s.png", "--app-content", "art"], ""),
            ("windows", ["--java-options", "-splash:$APPDIR\\art\\s.png", "--app-content",
                         "art"], ""),
            ("linux", ["--java-options", "-splash:jar:$APPDIR/app.jar!/s.png"], ""),
            ("linux", ["--java-options", "-splash:/usr/share/splash.png"], ""),
            ("linux", ["--java-options", "-splash:$APPDIR/art/S.png", "--app-content", "art"],
             missing % "art/S.png"),
            ("windows", ["--java-options", "-splash:jar:$APPDIR/images.jar"],
             missing % "images.jar"),
            ("linux", ["--add-launcher", "tool=tool.properties"], missing % "tool.png"),
        ]
        for number, (target, flags, warning) in enumerate(cases):
            with self.subTest(target=target, flags=flags):
                done = self.package("--input", "input", "--main-jar", "app.jar", "--target",
                                    target, "--runtime-image", target, "--dest", "out%d" % number,
                                    "--quiet", *flags)
                self.assertEqual((done.returncode, done.stderr.decode()), (0, warning))

    def test_single_instance_identity_in_the_written_block(self):
        linux_runtime(self.path("linux"))
        windows_runtime(self.path("windows"))
        # target, options, the identity stamped (by default Vendor.Name, as the manifest's)
        cases = [
            ("linux", ["--single-instance"], "app"),
            ("linux", ["--single-instance", "--name", "Hello App"], "HelloApp"),
            ("linux", ["--single-instance=Example.Hello"], "Example.Hello"),
            ("windows", ["--single-instance", "--name", "Hello", "--vendor", "Zo\u00eb Tools"],
             "ZoeTools.Hello"),
            ("windows", ["--single-instance", "--identity", "Example.Hello"], "Example.Hello"),
        ]
        for number, (target, options, identity) in enumerate(cases):
            with self.subTest(target=target, options=options):
                dest = "single%d" % number
                self.assertBuilt(self.package(
                    "--input", "input", "--main-jar", "app.jar", "--target", target,
                    "--runtime-image", target, "--dest", dest, "--quiet", *options))
                name = options[options.index("--name") + 1] if "--name" in options else "app"
                launcher = name + (".exe" if target == "windows" else "")
                block = read_block(self.path(dest, name, "bin", launcher),
                                   LAUNCHER_EXE if target == "windows" else LAUNCHER)
                self.assertEqual(block.flags, 0x00)
                self.assertEqual(block.jvm_options[-1], "-Dtrellane.singleInstance=" + identity)

    def test_what_the_launcher_cannot_do_is_refused_while_packaging(self):
        linux_runtime(self.path("runtime"))
        sample = ["--input", "input", "--main-jar", "app.jar", "--runtime-image", "runtime"]
        cases = [
            (["--java-options", "-Xmx1g -cp lib/extra.jar"],
             "-cp in --java-options sets the class path, which the image makes from its jars: "
             "put the jar into --input (every jar there is on the class path), or name a folder "
             "of jars with --class-path-wildcard"),
            (["--java-options", "-splash:"],
             "-splash: in --java-options names no image: write -splash:$APPDIR/splash.png"),
            (["--java-options", "-Dapp.title=My App"],
             "App in --java-options is not a JVM option (each starts with '-'): values are split "
             "at spaces, as jpackage splits them; a value with spaces needs quotes: "
             '-Dapp.title="My App"'),
            (["--java-options", "--add-opens"],
             "--add-opens in --java-options needs its value after it (--add-opens VALUE, or "
             "--add-opens=VALUE)"),
            (["--java-options", '-Dk="a b'], "--java-options '-Dk=\"a b': a \" quote is not closed"),
            (["--arguments", "--data=$APPDIR/data"],
             "$APPDIR in --arguments: the launcher hands default arguments to main as written, "
             "with no placeholders; pass the path as a JVM option (--java-options "
             "'-Dapp.dir=$APPDIR') and read it with System.getProperty"),
        ]
        before = listing(self.work)
        for arguments, message in cases:
            with self.subTest(arguments=arguments):
                done = self.package(*sample, *arguments)
                self.assertEqual((done.returncode, done.stderr.decode()),
                                 (1, "trellane-package: " + message + "\n"))
                self.assertEqual(listing(self.work), before, "nothing written")

    def test_the_options_are_in_effect_on_the_real_jvm(self):
        done = self.package(
            "--input", "input", "--main-jar", "app.jar", "--main-class",
            "com.example.packaged.Options", "--name", "opts", "--dest", "out", "--console-app",
            "--java-options", '-Xmx64m -Dk="a b"',
            "--java-options", "--add-opens java.base/java.lang=ALL-UNNAMED",
            "--java-options", "-Dshow=k,app,bin,root -Dapp=$APPDIR -Dbin=$BINDIR "
                              "-Droot=$ROOTDIR",
            "--arguments", 'one "two three"', "--quiet")
        self.assertBuilt(done)
        image = self.path("out", "opts")
        ran = subprocess.run([os.path.join(image, "bin", "opts"), "four"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        self.assertEqual((ran.returncode, ran.stderr), (0, b""))
        lines = ran.stdout.decode().splitlines()
        self.assertEqual(lines[0].split("] ")[0], "k=[a b")
        self.assertEqual(lines[1:4], [
            "app=[%s/app/] %s/app" % (image, image),
            "bin=[%s/app/../bin] %s/bin" % (image, image),
            "root=[%s/app/..] %s" % (image, image)])
        heap = int(lines[4].split(": ")[1])
        self.assertTrue(48 <= heap <= 64, "-Xmx64m: %d MiB" % heap)
        self.assertEqual(lines[5:], ["java.lang open: true", "arguments: [one][two three][four]"])


if __name__ == "__main__":
    unittest.main()
