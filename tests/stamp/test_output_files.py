"""Where write puts the stamped copy: through symbolic links, under long names, and nothing
left behind when the write is cut short."""

import os
import resource
import signal
import unittest

from stamp_fixture import LAUNCHER, StampTestCase


class OutputFileTest(StampTestCase):

    def stamped_bytes(self) -> bytes:
        """What write makes of the launcher with --main-class M."""
        plain = self.path("plain")
        self.assert_done(self.write("--main-class", "M", output=plain))
        data = self.read(plain)
        os.remove(plain)
        return data

    def test_writing_through_symbolic_links_stamps_the_file_they_name(self):
        expected = self.stamped_bytes()
        os.mkdir(self.path("sub"))
        cases = [
            # link name, what the links say (one after another), the file they name at last
            ("to-existing", ["sub/existing"], "sub/existing"),
            ("to-missing", ["sub/new"], "sub/new"),
            ("chain", ["sub/link", "../sub/chained"], "sub/chained"),
            ("absolute", [self.path("sub/absolute")], "sub/absolute"),
        ]
        self.file_with("sub/existing", b"previous contents")
        for name, targets, final in cases:
            with self.subTest(link=name):
                link = self.path(name)
                os.symlink(targets[0], link)
                for here, there in zip(targets, targets[1:]):
                    os.symlink(there, os.path.join(os.path.dirname(link), here))
                self.assert_done(self.write("--main-class", "M", output=link))
                self.assertTrue(os.path.islink(link))
                self.assertEqual(self.read(self.path(final)), expected)
        self.assertEqual(sorted(os.listdir(self.path("sub"))),
                         ["absolute", "chained", "existing", "link", "new"])

    def test_an_output_name_at_the_file_system_limit(self):
        name = "a" * 255
        self.assert_done(self.write("--main-class", "M", output=self.path(name)))
        self.assertEqual(os.listdir(self.directory), [name])

    def test_outputs_that_are_not_files(self):
        fifo = self.path("fifo")
        os.mkfifo(fifo)
        for output in (fifo, self.directory):
            with self.subTest(output=output):
                done = self.write("--main-class", "M", output=output)
                self.assertEqual((done.returncode, done.stderr.decode()), (1, (
                    "trellane-stamp: cannot write %s: not a regular file; give the stamped "
                    "file's name\n" % output)))
        self.assertEqual(os.listdir(self.directory), ["fifo"])

    def test_a_write_cut_short_leaves_nothing_behind(self):
        # A file size limit below the launcher's size stops the write halfway through: by
        # SIGXFSZ, which ends the process as SIGINT, SIGTERM and SIGHUP do, or, with the
        # signal ignored, by a failing write.
        output = self.file_with("previous", b"previous contents")

        def limited(disposition):
            def prepare():
                resource.setrlimit(resource.RLIMIT_FSIZE, (16384, 16384))
                signal.signal(signal.SIGXFSZ, disposition)
            return prepare

        cases = [
            (signal.SIG_DFL, -signal.SIGXFSZ, ""),
            (signal.SIG_IGN, 1, "trellane-stamp: cannot write %s: File too large\n" % output),
        ]
        for disposition, status, message in cases:
            with self.subTest(status=status):
                done = self.run_stamp("write", "--input", LAUNCHER, "--output", output,
                                      "--main-class", "M", preexec_fn=limited(disposition),
                                      restore_signals=False)
                self.assertEqual((done.returncode, done.stderr.decode()), (status, message))
                self.assertEqual(os.listdir(self.directory), ["previous"])
                self.assertEqual(self.read(output), b"previous contents")


if __name__ == "__main__":
    unittest.main()
