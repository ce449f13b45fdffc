"""Certificates for the signing tests, made with openssl in a test's temporary folder: never
a committed private key; and the osslsigncode versions the signing tests run with."""

import os
import shutil
import subprocess
import tempfile
import unittest
from typing import Dict, List, NamedTuple, Optional

import branded_exe
from branded_exe import REPO, checked

# Debian 12's own osslsigncode, unpacked in the build tree by fetch_debian_osslsigncode.sh.
DEBIAN_OSSLSIGNCODE = os.environ.get("TRELLANE_DEBIAN_OSSLSIGNCODE") or os.path.join(
    REPO, "build", "linux", "tests", "brand", "debian-osslsigncode")

SIGNER = "/CN=Zoë Test Signer/O=Trellane Tests"
PASSWORD = "correct horse"


def openssl(*arguments, cwd):
    return checked(["openssl", *arguments], cwd=cwd)


def make_certificates(directory):
    """A CA, a code-signing leaf it issued (PEM chain, key, PKCS #12 with a password), a
    self-signed throwaway, and a key that belongs to neither."""
    def write(name, text):
        with open(os.path.join(directory, name), "w", encoding="utf-8") as file:
            file.write(text)

    write("leaf.cnf", "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                      "extendedKeyUsage=codeSigning\n")
    write("password.txt", PASSWORD + "\n")
    write("wrong-password.txt", "wrong\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
            "-days", "2", "-subj", "/CN=Trellane Test CA", "-addext",
            "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign",
            cwd=directory)
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "leaf.key", "-out", "leaf.csr",
            "-utf8", "-subj", SIGNER, cwd=directory)
    openssl("x509", "-req", "-in", "leaf.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-extfile", "leaf.cnf", "-out", "leaf.pem",
            cwd=directory)
    with open(os.path.join(directory, "chain.pem"), "w") as chain:
        for name in ("leaf.pem", "ca.pem"):
            with open(os.path.join(directory, name)) as part:
                chain.write(part.read())
    openssl("pkcs12", "-export", "-in", "leaf.pem", "-inkey", "leaf.key", "-certfile", "ca.pem",
            "-out", "leaf.p12", "-passout", "file:password.txt", cwd=directory)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "self.key", "-out",
            "self.pem", "-days", "2", "-subj", "/CN=Throwaway", "-addext",
            "extendedKeyUsage=codeSigning", cwd=directory)
    openssl("genrsa", "-out", "other.key", "2048", cwd=directory)
    # A key certificate authorities no longer accept, which signs all the same.
    openssl("req", "-x509", "-newkey", "rsa:1024", "-nodes", "-keyout", "small.key", "-out",
            "small.pem", "-days", "2", "-subj", "/CN=Small Key", "-addext",
            "extendedKeyUsage=codeSigning", cwd=directory)


class Osslsigncode(NamedTuple):
    label: str
    env: Optional[Dict[str, str]]  # the environment that puts it first on PATH; None: absent
    absent_because: str


def osslsigncodes() -> List[Osslsigncode]:
    """The installed osslsigncode and Debian 12's 2.5 (absent, with the reason, when the
    fixture could not fetch it)."""
    installed = subprocess.run(["osslsigncode", "--version"], capture_output=True, text=True)
    found = [Osslsigncode("installed " + installed.stdout.split(",")[0], dict(os.environ), "")]
    folder = os.path.join(DEBIAN_OSSLSIGNCODE, "usr", "bin")
    if os.path.exists(os.path.join(folder, "osslsigncode")):
        env = dict(os.environ, PATH=folder + os.pathsep + os.environ.get("PATH", ""))
        return found + [Osslsigncode("Debian 12's 2.5", env, "")]
    try:
        with open(os.path.join(DEBIAN_OSSLSIGNCODE, "skip-reason")) as reason:
            why = reason.read().strip()
    except OSError:
        why = "not fetched: run ctest -R brand.debian_osslsigncode first"
    return found + [Osslsigncode("Debian 12's 2.5", None, why)]


class SigningTestCase(unittest.TestCase):
    """The certificates of make_certificates, made once for the class (self.key(name)), and a
    fresh temporary folder for each test (self.directory, self.path(name))."""
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        branded_exe.require_built_files()
        cls.keys = tempfile.mkdtemp(prefix="signing-keys-")
        make_certificates(cls.keys)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.keys)

    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix="signing-")
        self.addCleanup(shutil.rmtree, self.directory)

    def key(self, name):
        return os.path.join(self.keys, name)

    def path(self, *parts):
        return os.path.join(self.directory, *parts)

    def require(self, tool: Osslsigncode) -> Dict[str, str]:
        """The environment that signs with tool; skips the current subtest without it."""
        if tool.env is None:
            self.skipTest("%s is not here: %s" % (tool.label, tool.absent_because))
        return tool.env
