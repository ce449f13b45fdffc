"""Certificates for the signing tests, made with openssl in a test's temporary folder: never
a committed private key."""

import os
import shutil
import tempfile
import unittest

import branded_exe
from branded_exe import checked

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

    def path(self, name):
        return os.path.join(self.directory, name)
