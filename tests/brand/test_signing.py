"""Signing a copy of launcher.exe through branding_probe: each way of giving the key, checked
with osslsigncode verify against a CA made here, and the refusals, which leave nothing."""

import os
import shutil
import stat
import tempfile
import unittest

import branded_exe
from branded_exe import PROBE, checked, pefile, run
from signing_keys import PASSWORD, SIGNER, SigningTestCase


class SigningTest(SigningTestCase):
    def setUp(self):
        super().setUp()
        self.unsigned = self.path("unsigned.exe")
        shutil.copyfile(branded_exe.LAUNCHER_EXE, self.unsigned)
        os.chmod(self.unsigned, 0o751)

    def sign(self, arguments, source=None, output="signed.exe", env=None):
        output = os.path.join(self.directory, output)
        result = run([PROBE, "sign", source or self.unsigned, output, *arguments],
                     env=dict(os.environ, **(env or {})))
        return result, output

    def assertVerifies(self, path, ca):
        result = run(["osslsigncode", "verify", "-CAfile", self.key(ca), "-in", path])
        text = result.stdout.decode("utf-8", "replace")
        self.assertEqual(result.returncode, 0, text + result.stderr.decode("utf-8", "replace"))
        self.assertIn("Message digest algorithm  : SHA256", text)
        self.assertIn("Number of verified signatures: 1", text)

    def assertSigner(self, path, subject):
        self.assertEqual(checked([PROBE, "describe", path]).stdout.decode("utf-8"), subject + "\n")

    def test_each_way_of_giving_the_key_signs_a_file_that_verifies(self):
        cases = [
            ("PKCS #12, password file", ["--sign-pkcs12", self.key("leaf.p12"),
                                         "--sign-password-file", self.key("password.txt")],
             {}, "ca.pem", SIGNER),
            ("PKCS #12, password variable", ["--sign-pkcs12", self.key("leaf.p12"),
                                             "--sign-password-env", "TEST_SIGNING_PASSWORD"],
             {"TEST_SIGNING_PASSWORD": PASSWORD}, "ca.pem", SIGNER),
            ("PEM chain and key", ["--sign-cert", self.key("chain.pem"),
                                   "--sign-key", self.key("leaf.key")], {}, "ca.pem", SIGNER),
            ("self-signed throwaway", ["--sign-cert", self.key("self.pem"),
                                       "--sign-key", self.key("self.key")], {}, "self.pem",
             "/CN=Throwaway"),
        ]
        for way, arguments, env, ca, subject in cases:
            with self.subTest(way=way):
                result, signed = self.sign(arguments, output=way + ".exe", env=env)
                self.assertEqual(result.returncode, 0, result.stderr.decode("utf-8", "replace"))
                self.assertVerifies(signed, ca)
                self.assertSigner(signed, subject)
                self.assertEqual(stat.S_IMODE(os.stat(signed).st_mode), 0o751)
                image = pefile.PE(signed)
                security = image.OPTIONAL_HEADER.DATA_DIRECTORY[4]
                self.assertGreater(security.Size, 0)
                self.assertEqual(security.VirtualAddress + security.Size, os.path.getsize(signed),
                                 "the certificate table ends the file")
                self.assertEqual(image.OPTIONAL_HEADER.CheckSum, image.generate_checksum())
        self.assertEqual(sorted(os.listdir(self.directory)),
                         sorted(["unsigned.exe"] + [case[0] + ".exe" for case in cases]))

    def test_signing_a_signed_file_replaces_its_signature(self):
        _, first = self.sign(["--sign-cert", self.key("chain.pem"),
                              "--sign-key", self.key("leaf.key")], output="first.exe")
        result, second = self.sign(["--sign-cert", self.key("self.pem"), "--sign-key",
                                    self.key("self.key")], source=first, output="second.exe")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertVerifies(second, "self.pem")
        self.assertSigner(second, "/CN=Throwaway")
        self.assertSigner(self.unsigned, "")

    def test_refusals_leave_no_file_behind(self):
        empty_path = tempfile.mkdtemp(dir=self.directory)
        cases = [
            ("wrong password in the file",
             ["--sign-pkcs12", self.key("leaf.p12"), "--sign-password-file",
              self.key("wrong-password.txt")], {},
             "the password does not open %s; give the password it was exported with"
             % self.key("leaf.p12")),
            ("wrong password in the variable",
             ["--sign-pkcs12", self.key("leaf.p12"), "--sign-password-env", "TEST_PW"],
             {"TEST_PW": "wrong"}, "the password does not open"),
            ("variable not set",
             ["--sign-pkcs12", self.key("leaf.p12"), "--sign-password-env", "TEST_UNSET_PW"], {},
             "the variable TEST_UNSET_PW, which should hold the signing password, is not set"),
            ("password file missing",
             ["--sign-pkcs12", self.key("leaf.p12"), "--sign-password-file", self.key("nothing")],
             {}, "cannot read the password file " + self.key("nothing")),
            ("key of another certificate",
             ["--sign-cert", self.key("chain.pem"), "--sign-key", self.key("other.key")], {},
             "the key %s does not belong to the certificate %s"
             % (self.key("other.key"), self.key("chain.pem"))),
            ("not a PKCS #12 file",
             ["--sign-pkcs12", self.key("chain.pem"), "--sign-password-file",
              self.key("password.txt")], {}, "is not a PKCS #12 file"),
            ("chain without its CA",
             ["--sign-cert", self.key("leaf.pem"), "--sign-key", self.key("leaf.key")], {},
             "the signed launcher does not verify ("),
            ("osslsigncode missing",
             ["--sign-cert", self.key("self.pem"), "--sign-key", self.key("self.key")],
             {"PATH": empty_path},
             "signing needs osslsigncode, which is not installed: apt-get install osslsigncode"),
        ]
        for way, arguments, env, message in cases:
            with self.subTest(way=way):
                result, signed = self.sign(arguments, env=env)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn(message, result.stderr.decode("utf-8"))
                self.assertEqual(sorted(os.listdir(self.directory)),
                                 sorted(["unsigned.exe", os.path.basename(empty_path)]))


if __name__ == "__main__":
    unittest.main()
