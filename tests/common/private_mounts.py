"""Tests that mount: a private mount namespace made by unshare, where the mounts a test makes
are seen by nothing outside it and go away with it. As root it is the machine's own kind; for
another user it comes with a user namespace whose root that user is (--map-root-user).

Some machines give none: in a chroot the root is no mount point, so its propagation cannot be
made private; an unprivileged container, or a user in a chroot, may not make namespaces at all;
a kernel may refuse the mount itself. What is tested runs only once the mounts are made; when
the attempt fails, the test is skipped with what it said, never failed and never passed."""

import os
import shutil
import subprocess
import tempfile
import unittest
from typing import Dict, List, Optional, Sequence

# The shell function a script calls once its mounts are made, before it runs what is tested.
_PREAMBLE = 'mounted() { : >"$TRELLANE_MOUNTED"; }\n'


def unshare_command() -> List[str]:
    command = ["unshare", "--mount", "--propagation", "private"]
    if os.geteuid() != 0:
        command.insert(1, "--map-root-user")
    return command


class Attempt:
    """One run in a namespace of its own, for a test that runs it its own way: command() is
    the command line, variables the environment it needs, and skip_unless_mounted, called
    once it ended, skips the test unless its script got to `mounted`."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="trellane-mounts-")
        self.variables = {"TRELLANE_MOUNTED": os.path.join(self.folder, "mounted")}

    def command(self, script: str, arguments: Sequence[str] = ()) -> List[str]:
        return unshare_command() + ["sh", "-c", _PREAMBLE + script, "sh", *arguments]

    def skip_unless_mounted(self, test: unittest.TestCase, said: str) -> None:
        mounted = os.path.exists(self.variables["TRELLANE_MOUNTED"])
        shutil.rmtree(self.folder, True)
        if not mounted:
            test.skipTest("no private mount namespace with its mounts here (%s): %s"
                          % (" ".join(unshare_command()), said.strip() or "nothing said"))


def run(test: unittest.TestCase, script: str, arguments: Sequence[str] = (),
        env: Optional[Dict[str, str]] = None, cwd: Optional[str] = None,
        timeout: float = 300) -> subprocess.CompletedProcess:
    """Runs the sh script, its arguments as $1..., in a private mount namespace, standard output
    and error captured. The script calls `mounted` once its mounts are made; when it never gets
    there, test is skipped (the current subtest, inside one) with what unshare and the script
    said."""
    attempt = Attempt()
    try:
        done = subprocess.run(attempt.command(script, arguments), stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, cwd=cwd, timeout=timeout,
                              env=dict(env or os.environ, **attempt.variables))
    except FileNotFoundError:
        attempt.skip_unless_mounted(test, "unshare is not installed")
    attempt.skip_unless_mounted(test, done.stderr.decode("utf-8", "replace"))
    return done
