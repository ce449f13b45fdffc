"""Which Java runtime the launcher runs: its image's own, found through the RUNPATH
$ORIGIN/../lib/server and nothing else."""

import os
import shutil
import unittest

import harness

LOADER_REFUSAL = ("%s: error while loading shared libraries: libjvm.so: "
                  "cannot open shared object file: No such file or directory\n")


class JavaRuntimeTest(harness.LauncherTestCase):

    def test_jvm_of_the_image_takes_the_image_as_its_home(self):
        app = self.make_app("fixture.Props")
        result = app.run("java.home", "sun.boot.library.path")
        self.assertLaunch(result, 0, stderr="", stdout="java.home=%s\nsun.boot.library.path=%s\n"
                          % (app.root, os.path.join(app.root, "lib")))

    def test_link_to_the_launcher_from_elsewhere_still_runs_the_image(self):
        # The loader takes $ORIGIN, as the launcher its install root, from the resolved path.
        image = self.make_app("fixture.Hello")
        link = os.path.join(self.make_dir(), "hello")
        os.symlink(image.launcher, link)
        self.assertLaunch(harness.run(link), 0, stdout="hello\n", stderr="")

    def test_copy_out_of_the_image_is_refused_by_the_loader(self):
        # Beside the jars but without lib/: no runtime, and no other JDK is tried instead.
        image = self.make_app("fixture.Hello")
        copy = harness.make_image(self.make_dir(), runtime=False)
        shutil.copy(image.launcher, copy.launcher)
        result = copy.run(env={"LD_LIBRARY_PATH": None})
        self.assertNotEqual(0, result.status, result.describe())
        self.assertEqual("", result.stdout, result.describe())
        self.assertEqual(LOADER_REFUSAL % copy.launcher, result.stderr, result.describe())


if __name__ == "__main__":
    unittest.main()
