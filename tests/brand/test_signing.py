"""Signing through branding_probe, with the installed osslsigncode and with Debian 12's own
(2.5): each way of giving the key, checked with osslsigncode verify against a CA made here and
read back with pefile and our own reader; an installer (MSI) the same way; and the refusals,
which leave nothing."""

import os
import shutil
import stat
import tempfile
import unittest

import branded_exe
from branded_exe import PROBE, checked, pefile, run
from signing_keys import PASSWORD, SIGNER, SigningTestCase, osslsigncodes

SMALL_KEY_NOTE = ("branding_probe: note: the signing key is RSA of 1024 bits; certificate "
                  "authorities and current Windows expect 2048 bits or more, so sign with a "
                  "larger key\n")


class SigningTest(SigningTestCase):
    def setUp(self):
        super().setUp()
        self.unsigned = self.path("unsigned.exe")
        shutil.copyfile(branded_exe.LAUNCHER_EXE, self.unsigned)
        os.chmod(self.unsigned, 0o751)

    def sign(self, arguments, source=None, output="signed.exe", env=None):
        output = os.path.join(self.directory, output)
        result = run([PROBE, "sign", source or self.unsigned, output, *arguments],
                     env=env if env is not None else dict(os.environ))
        return result, output

    def assertVerifies(self, path, ca):
        result = run(["osslsigncode", "verify", "-CAfile", self.key(ca), "-in", path])
        text = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, text + result.stderr.decode("utf-8", "replace"))
        self.assertRegex(text, r"Message digest algorithm +: SHA256\n")
        self.assertIn("Number of verified signatures: 1", text)

    def assertSigner(self, path, described):
        self.assertEqual(checked([PROBE, "describe", path]).stdout.decode("utf-8"), described)

    def assertNothingLeft(self, *names):
        self.assertEqual(sorted(os.listdir(self.directory)), sorted(("unsigned.exe",) + names))

    def test_each_way_of_giving_the_key_signs_a_file_that_verifies(self):
        pem = ["--sign-cert", self.key("chain.pem"), "--sign-key", self.key("leaf.key")]
        cases = [
            # (way, arguments, environment, CA, what describe prints, note)
            ("PKCS #12, password file", ["--sign-pkcs12", self.key("leaf.p12"),
                                         "--sign-password-file", self.key("password.txt")],
             {}, "ca.pem", SIGNER + "\nSHA-256\nRSA 2048\n", ""),
            ("PKCS #12, password variable", ["--sign-pkcs12", self.key("leaf.p12"),
                                             "--sign-password-env", "TEST_SIGNING_PASSWORD"],
             {"TEST_SIGNING_PASSWORD": PASSWORD}, "ca.pem", SIGNER + "\nSHA-256\nRSA 2048\n", ""),
            ("PEM chain and key", pem, {}, "ca.pem", SIGNER + "\nSHA-256\nRSA 2048\n", ""),
            ("self-signed throwaway", ["--sign-cert", self.key("self.pem"),
                                       "--sign-key", self.key("self.key")], {}, "self.pem",
             "/CN=Throwaway\nSHA-256\nRSA 2048\n", ""),
            ("1024-bit RSA key", ["--sign-cert", self.key("small.pem"),
                                  "--sign-key", self.key("small.key")], {}, "small.pem",
             "/CN=Small Key\nSHA-256\nRSA 1024\n", SMALL_KEY_NOTE),
        ]
        signed_files = []
        for tool in osslsigncodes():
            for way, arguments, env, ca, described, note in cases:
                with self.subTest(osslsigncode=tool.label, way=way):
                    environment = dict(self.require(tool), **env)
                    name = "%s, %s.exe" % (tool.label, way)
                    result, signed = self.sign(arguments, output=name, env=environment)
                    self.assertEqual((result.returncode, result.stderr.decode()), (0, note))
                    signed_files.append(name)
                    self.assertVerifies(signed, ca)
                    self.assertSigner(signed, described)
                    self.assertEqual(stat.S_IMODE(os.stat(signed).st_mode), 0o751)
                    image = pefile.PE(signed)
                    security = image.OPTIONAL_HEADER.DATA_DIRECTORY[4]
                    self.assertGreater(security.Size, 0)
                    self.assertEqual(security.VirtualAddress + security.Size,
                                     os.path.getsize(signed), "the certificate table ends the file")
                    self.assertEqual(image.OPTIONAL_HEADER.CheckSum, image.generate_checksum())
        self.assertNothingLeft(*signed_files)

    def test_an_installer_signs_and_verifies_too(self):
        # osslsigncode signs MSI files; the signature is read back through extract-signature.
        msi = self.path("unsigned.msi")
        checked(["msibuild", msi, "-s", "Signing test", "Trellane Tests", "x64;1033",
                 "{6E1B9C52-3C44-4E59-9E53-2D6A1A4C0F11}"])
        for tool in osslsigncodes():
            with self.subTest(osslsigncode=tool.label):
                signed = "%s.msi" % tool.label
                result, path = self.sign(["--sign-cert", self.key("chain.pem"), "--sign-key",
                                          self.key("leaf.key")], source=msi, output=signed,
                                         env=self.require(tool))
                self.assertEqual((result.returncode, result.stderr.decode()), (0, ""))
                self.assertVerifies(path, "ca.pem")
                streams = checked(["msiinfo", "streams", path]).stdout.decode()
                self.assertIn("\x05DigitalSignature\n", streams)
                os.remove(path)
        self.assertNothingLeft("unsigned.msi")

    def test_signing_a_signed_file_replaces_its_signature(self):
        _, first = self.sign(["--sign-cert", self.key("chain.pem"),
                              "--sign-key", self.key("leaf.key")], output="first.exe")
        result, second = self.sign(["--sign-cert", self.key("self.pem"), "--sign-key",
                                    self.key("self.key")], source=first, output="second.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertVerifies(second, "self.pem")
        self.assertSigner(second, "/CN=Throwaway\nSHA-256\nRSA 2048\n")
        self.assertSigner(self.unsigned, "not signed\n")

    def test_refusals_leave_no_file_behind(self):
        p12 = ["--sign-pkcs12", self.key("leaf.p12")]
        empty = self.path("empty-password.txt")
        with open(empty, "w") as file:
            file.write("\n")
        fifo = self.path("password-fifo")
        os.mkfifo(fifo)
        cases = [
            ("wrong password in the file",
             p12 + ["--sign-password-file", self.key("wrong-password.txt")], {},
             "the password does not open %s; give the password it was exported with"
             % self.key("leaf.p12")),
            ("wrong password in the variable", p12 + ["--sign-password-env", "TEST_PW"],
             {"TEST_PW": "wrong"}, "the password does not open"),
            ("variable not set", p12 + ["--sign-password-env", "TEST_UNSET_PW"], {},
             "the variable TEST_UNSET_PW, which should hold the signing password, is not set"),
            ("variable empty", p12 + ["--sign-password-env", "TEST_PW"], {"TEST_PW": ""},
             "the variable TEST_PW, which should hold the signing password, is empty: set it to "
             "the password (a key without a password needs no --sign-password-env)"),
            ("password file missing", p12 + ["--sign-password-file", self.key("nothing")], {},
             "cannot read the password file %s: No such file or directory" % self.key("nothing")),
            ("password file empty", p12 + ["--sign-password-file", empty], {},
             "the password file %s is empty: write the password on its first line" % empty),
            ("password file a FIFO", p12 + ["--sign-password-file", fifo], {},
             "cannot read the password file %s: not a regular file" % fifo),
            ("key of another certificate",
             ["--sign-cert", self.key("chain.pem"), "--sign-key", self.key("other.key")], {},
             "the key %s does not belong to the certificate %s"
             % (self.key("other.key"), self.key("chain.pem"))),
            ("not a PKCS #12 file",
             ["--sign-pkcs12", self.key("chain.pem"), "--sign-password-file",
              self.key("password.txt")], {}, "is not a PKCS #12 file"),
            ("chain without its CA",
             ["--sign-cert", self.key("leaf.pem"), "--sign-key", self.key("leaf.key")], {},
             "does not verify once signed (unable to get local issuer certificate); give the "
             "whole certificate chain up to its root"),
        ]
        for tool in osslsigncodes():
            for way, arguments, env, message in cases:
                with self.subTest(osslsigncode=tool.label, way=way):
                    result, _ = self.sign(arguments, env=dict(self.require(tool), **env))
                    self.assertEqual(result.returncode, 1, result.stderr)
                    self.assertIn(message, result.stderr.decode("utf-8"))
                    self.assertNothingLeft("empty-password.txt", "password-fifo")

    def test_an_osslsigncode_it_cannot_sign_with(self):
        tools = tempfile.mkdtemp(dir=self.directory)
        pem = ["--sign-cert", self.key("self.pem"), "--sign-key", self.key("self.key")]
        cases = [
            ("older than Debian 12's", "echo 'osslsigncode 2.1, using:'",
             "%s/osslsigncode is osslsigncode 2.1; signing needs 2.5 or later (Debian 12 has "
             "2.5): apt-get install osslsigncode on Debian 12 or later, or put a newer one "
             "first on PATH" % tools),
            ("not saying which it is", "exit 3",
             "%s/osslsigncode --version does not say which osslsigncode it is (exit status 3); "
             "signing needs osslsigncode 2.5 or later: apt-get install osslsigncode" % tools),
            ("missing", None,
             "signing needs osslsigncode, which is not installed: apt-get install osslsigncode"),
        ]
        for way, script, message in cases:
            with self.subTest(osslsigncode=way):
                fake = os.path.join(tools, "osslsigncode")
                if script:
                    with open(fake, "w") as file:
                        file.write("#!/bin/sh\n%s\n" % script)
                    os.chmod(fake, 0o755)
                elif os.path.exists(fake):
                    os.remove(fake)
                result, _ = self.sign(pem, env=dict(os.environ, PATH=tools))
                self.assertEqual((result.returncode, result.stderr.decode()),
                                 (1, "branding_probe: %s\n" % message))
                self.assertNothingLeft(os.path.basename(tools))


if __name__ == "__main__":
    unittest.main()
