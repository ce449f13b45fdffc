"""The launch configuration block as the launcher finds it, and where the launcher may live."""

import os
import shlex
import shutil
import sys
import unittest

import harness

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "common"))
import private_mounts  # noqa: E402  (found through the path above)

NOT_STAMPED = "This launcher has no launch configuration: stamp it with trellane-stamp first.\r\n"
DAMAGED = ("The launch configuration of this launcher is damaged: "
           "it runs past the end of its area.\r\n")


class BlockTest(harness.LauncherTestCase):

    def test_unstamped_launcher_refuses_to_start(self):
        app = harness.make_image(self.make_dir())
        shutil.copy(harness.LAUNCHER, app.launcher)
        self.assertLaunch(app.run(), 1, stdout="", stderr=NOT_STAMPED)

    def test_damaged_block_refuses_to_start(self):
        well_formed = harness.craft_block("fixture.Hello", [harness.CLASS_PATH_OPTION])
        # Every damaged block reads on into the underscores, whose only NUL ends the area.
        blocks = {
            "ends after the stack size": bytes(5),
            "two prefixes, room for one": well_formed[:-1] + b"\x02",
            "255 JVM options": harness.craft_block("fixture.Hello")[:-3] + b"\xff",
        }
        for name, block in blocks.items():
            with self.subTest(name):
                app = self.make_app_with_block(block)
                self.assertLaunch(app.run(), 1, stdout="", stderr=DAMAGED)

    def test_block_filling_the_whole_area_is_read(self):
        head = harness.craft_block("fixture.Args", [harness.CLASS_PATH_OPTION],
                                   allowed_user_option_prefixes=[""])
        # The last prefix's NUL is the area's own last byte.
        last_prefix = "-D" + "x" * (harness.AREA_SIZE - len(head) - 2)
        block = harness.craft_block("fixture.Args", [harness.CLASS_PATH_OPTION],
                                    allowed_user_option_prefixes=[last_prefix])
        self.assertEqual(harness.AREA_SIZE, len(block))
        result = self.make_app_with_block(block).run(
            env={"TRELLANE_JVM_OPTIONS": last_prefix + "=ok"})
        self.assertLaunch(result, 0, stderr="", stdout="count=0\ncommand=fixture.Args\n")


class FilesystemRootTest(harness.LauncherTestCase):
    """The launcher near the filesystem root, seen through a chroot in a private mount
    namespace: nothing outside the test's directory changes."""

    def setUp(self):
        if not shutil.which("unshare") or not shutil.which("chroot"):
            self.skipTest("needs unshare and chroot")
        self.root = self.make_dir()
        mounts = []
        for name in ("usr", "bin", "lib", "lib32", "lib64", "proc", "dev"):
            host = "/" + name
            inside = os.path.join(self.root, name)
            if os.path.islink(host):
                os.symlink(os.readlink(host), inside)
            elif os.path.isdir(host):
                os.mkdir(inside)
                mounts.append("mount --rbind %s %s" % (host, shlex.quote(inside)))
        os.mkdir(os.path.join(self.root, "tmp"))
        self.mounts = " && ".join(mounts)
        tried = self.run_inside("/bin/true")
        if tried.status != 0:
            self.skipTest("cannot chroot into a root made here: " + tried.stderr)

    def run_inside(self, path, *args):
        script = "%s && mounted || exit; exec chroot %s %s" % (
            self.mounts, shlex.quote(self.root), " ".join(shlex.quote(a) for a in (path,) + args))
        # The root's lib/ is the host's, with no server/ folder: the JVM comes through
        # LD_LIBRARY_PATH, from the build's JDK, which the bind-mounted /usr holds.
        attempt = private_mounts.Attempt()
        command = attempt.command(script)
        done = harness.run(shutil.which(command[0]), command[1:], env=dict(
            attempt.variables, LD_LIBRARY_PATH=os.path.join(harness.JDK, "lib", "server")))
        attempt.skip_unless_mounted(self, done.stderr)
        return done

    def test_launcher_directly_in_the_root_has_no_install_root(self):
        harness.stamp(harness.LAUNCHER, os.path.join(self.root, "launcher"), "fixture.Hello",
                      [harness.CLASS_PATH_OPTION])
        self.assertLaunch(self.run_inside("/launcher"), 1, stdout="",
                          stderr="The launcher must be in a subdirectory of the application's "
                                 "folder, not at /launcher\r\n")

    def test_root_itself_can_be_the_install_root(self):
        os.mkdir(os.path.join(self.root, "app"))
        for jar in (harness.RUNTIME_JAR, harness.FIXTURE_JAR):
            shutil.copy(jar, os.path.join(self.root, "app"))
        os.mkdir(os.path.join(self.root, "opt"))
        harness.stamp(harness.LAUNCHER, os.path.join(self.root, "opt", "launcher"),
                      "fixture.Args", [harness.CLASS_PATH_OPTION])
        self.assertLaunch(self.run_inside("/opt/launcher", "&&"), 0, stderr="",
                          stdout="count=1\n[&&]\ncommand=fixture.Args /app/\n")


if __name__ == "__main__":
    unittest.main()
