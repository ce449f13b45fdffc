"""Keys that never leave hardware, in both tools and both kinds of file (a launcher through
trellane-stamp brand, an MSI through trellane-package --type msi): a key on a SoftHSM2 token
made here, with the installed osslsigncode and Debian 12's 2.5, timestamped by a local RFC 3161
server and checked with osslsigncode verify; the token's faults refused at once; and a sign
command of the packager's, with the commands that fail it. Each refusal leaves nothing."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import branded_exe
import token_keys
from signing_keys import PASSWORD, SigningTestCase, osslsigncodes
from token_keys import CERT_URI, KEY_URI, LABEL, MODULE, PIN

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "package"))
from package_fixture import (PACKAGE, RUNTIME_JAR, jar,  # noqa: E402  (path above)
                             windows_runtime)

STAMP = os.environ.get("TRELLANE_STAMP") or os.path.join(
    branded_exe.REPO, "build", "linux", "tools", "stamp", "trellane-stamp")
KINDS = ("launcher", "msi")


class HardwareSigningTest(SigningTestCase):
    @classmethod
    def setUpClass(cls):
        missing = token_keys.missing_packages()
        if missing:
            raise unittest.SkipTest("a SoftHSM2 token needs %s: scripts/install-deps.sh test"
                                    % ", ".join(missing))
        super().setUpClass()
        cls.token = token_keys.SoftHsmToken(os.path.join(cls.keys, "token"), cls.keys)
        cls.tsa = token_keys.TimestampServer(os.path.join(cls.keys, "tsa"), cls.keys)
        cls.inputs = tempfile.mkdtemp(prefix="signing-inputs-")
        jar(os.path.join(cls.inputs, "input", "app.jar"), ["com.example.Main"],
            main_class="com.example.Main")
        windows_runtime(os.path.join(cls.inputs, "runtime"))

    @classmethod
    def tearDownClass(cls):
        cls.tsa.close()
        shutil.rmtree(cls.inputs)
        super().tearDownClass()

    def sign(self, kind, options, env, stdin=b""):
        """Signs a launcher (trellane-stamp brand) or builds a signed MSI (trellane-package);
        returns the result and the file it makes. The commands' temporary files go into the
        test's folder, which must hold nothing else afterwards but what was made."""
        os.makedirs(self.path("tmp"), exist_ok=True)
        env = dict(env, TMPDIR=self.path("tmp"))
        if kind == "launcher":
            output = self.path("out", "App.exe")
            os.makedirs(self.path("out"), exist_ok=True)
            command = [STAMP, "brand", "--input", branded_exe.LAUNCHER_EXE, "--output", output,
                       "--name", "App", *options]
        else:
            output = self.path("out", "App-1.0.msi")
            command = [PACKAGE, "--launcher", branded_exe.LAUNCHER_EXE, "--runtime-jar",
                       RUNTIME_JAR, "--type", "msi", "--input",
                       os.path.join(self.inputs, "input"), "--main-jar", "app.jar",
                       "--runtime-image", os.path.join(self.inputs, "runtime"), "--name", "App",
                       "--app-version", "1.0", "--dest", self.path("out"), "--quiet", *options]
        done = subprocess.run(command, input=stdin, capture_output=True, env=env, timeout=300)
        return done, output

    def assertLeftOnly(self, *made):
        left = sorted(os.path.relpath(os.path.join(folder, name), self.directory)
                      for folder, folders, files in os.walk(self.directory)
                      for name in folders + files)
        left = [path for path in left if path not in ("out", "tmp")]
        self.assertEqual(left, sorted(made))

    def assertVerifies(self, path, ca, env, timestamped):
        done = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", self.key(ca),
                               "-TSA-CAfile", self.key("ca.pem")], capture_output=True, env=env)
        text = done.stdout.decode("utf-8", "replace")
        self.assertEqual(done.returncode, 0, text + done.stderr.decode("utf-8", "replace"))
        self.assertIn("Signature verification: ok", text)
        if timestamped:
            self.assertIn("Timestamp Server Signature verification: ok", text)

    def test_a_key_on_a_token_signs_or_is_refused_at_once(self):
        token = ["--sign-pkcs11-module", MODULE, "--sign-key-uri", KEY_URI]
        pin_file = self.key("token-pin.txt")
        with open(pin_file, "w") as file:
            file.write(PIN + "\n")
        no_engine = tempfile.mkdtemp(dir=self.keys)
        absent = KEY_URI.replace(LABEL, "absent-token")
        cases = [
            # (way, options, environment, standard input, CA to verify with | refusal)
            ("key and certificate on the token, PIN on standard input",
             token + ["--sign-cert-uri", CERT_URI, "--sign-pin-file", "-"], {},
             (PIN + "\n").encode(), "token/self.pem"),
            ("key on the token, certificate chain from a file, PIN from a file",
             token + ["--sign-cert", self.token.chain, "--sign-pin-file", pin_file], {}, b"",
             "ca.pem"),
            ("wrong PIN", token + ["--sign-cert-uri", CERT_URI, "--sign-pin-env", "TOKEN_PIN"],
             {"TOKEN_PIN": "1234"}, b"",
             "the PIN is wrong for the token 'cs-token'; give the right one (a token locks "
             "after a few wrong PINs: check it before trying again)"),
            ("key and certificate do not match",
             token + ["--sign-cert", self.key("chain.pem"), "--sign-pin-env", "TOKEN_PIN"],
             {"TOKEN_PIN": PIN}, b"",
             "the key %s does not belong to the certificate %s; give the key the certificate "
             "was issued for" % (KEY_URI, self.key("chain.pem"))),
            ("missing module",
             ["--sign-pkcs11-module", "/nonexistent/libpkcs11.so", "--sign-key-uri", KEY_URI,
              "--sign-cert-uri", CERT_URI, "--sign-pin-env", "TOKEN_PIN"], {"TOKEN_PIN": PIN},
             b"", "the PKCS #11 module /nonexistent/libpkcs11.so does not exist; give the "
             "token's PKCS #11 library with --sign-pkcs11-module (OpenSC's "
             "/usr/lib/x86_64-linux-gnu/opensc-pkcs11.so, a YubiKey's libykcs11.so, SafeNet's "
             "libeTPkcs11.so, ...)"),
            ("token absent",
             ["--sign-pkcs11-module", MODULE, "--sign-key-uri", absent, "--sign-cert-uri",
              CERT_URI, "--sign-pin-env", "TOKEN_PIN"], {"TOKEN_PIN": PIN}, b"",
             "no token matching %s is present (the module sees the tokens 'cs-token'): plug "
             "the token in, or give the key's URI as p11tool --list-all or pkcs11-tool "
             "--list-objects shows it" % absent),
            ("pkcs11 engine missing",
             token + ["--sign-cert-uri", CERT_URI, "--sign-pin-env", "TOKEN_PIN"],
             {"TOKEN_PIN": PIN, "OPENSSL_ENGINES": no_engine}, b"",
             "signing with a key on a token needs OpenSSL's pkcs11 engine (%s/pkcs11.so), which "
             "is not installed: apt-get install libengine-pkcs11-openssl" % no_engine),
        ]
        for tool in osslsigncodes():
            for kind in KINDS:
                for way, options, env, stdin, outcome in cases:
                    with self.subTest(osslsigncode=tool.label, kind=kind, way=way):
                        environment = dict(self.require(tool), **self.token.env, **env)
                        signs = outcome.endswith(".pem")
                        timestamp = ["--timestamp-url", self.tsa.url] if signs else []
                        done, output = self.sign(kind, options + timestamp, environment, stdin)
                        error = done.stderr.decode("utf-8", "replace")
                        if signs:
                            self.assertEqual((done.returncode, error), (0, ""))
                            self.assertVerifies(output, outcome, environment, timestamped=True)
                            self.assertLeftOnly(os.path.relpath(output, self.directory))
                            os.remove(output)
                        else:
                            tool_name = "trellane-stamp" if kind == "launcher" else \
                                "trellane-package"
                            self.assertEqual((done.returncode, error),
                                             (1, "%s: %s\n" % (tool_name, outcome)))
                            self.assertLeftOnly()

    def test_a_sign_command_signs_in_place_or_is_refused(self):
        script = self.key("sign-service.sh")
        with open(script, "w") as file:
            file.write('#!/bin/sh\n'
                       'sign() { osslsigncode sign -pkcs12 "$KEYS/leaf.p12" -readpass '
                       '"$KEYS/password.txt" -h sha256 -in "$1" -out "$2.signed" >/dev/null && '
                       'mv "$2.signed" "$2"; }\n'
                       # An MSI's launcher is signed first, and well: the mode is for the
                       # kind of file under test.
                       'case $2 in *.$KIND) mode=$1 ;; *) mode=sign ;; esac\n'
                       'case $mode in\n'
                       '  sign) [ "$TRELLANE_SIGN_FILE" = "$2" ] && sign "$2" "$2" ;;\n'
                       '  none) echo "signed, says the service" ;;\n'
                       '  hang) sleep 600 ;;\n'
                       '  truncate) head -c 1000 "$2" >"$2.cut" && mv "$2.cut" "$2" ;;\n'
                       '  other) sign "$OTHER" "$2" ;;\n'
                       '  fail) echo "401 Unauthorized: the service refused the key" >&2; '
                       'exit 3 ;;\n'
                       'esac\n')
        os.chmod(script, 0o755)
        env = dict(os.environ, KEYS=self.keys, OTHER=branded_exe.LAUNCHER_EXE)
        assert PASSWORD  # the script reads it from the keys' password.txt

        def command(mode):
            return "%s %s {}" % (script, mode)

        cases = [
            ("signs", "sign", [], None),
            ("exits 0 without signing", "none", [],
             "the sign command '%s' exited 0 but left %%s unsigned" % command("none")),
            ("hangs", "hang", ["--sign-timeout", "2"],
             "the sign command '%s' did not finish within 2 s; allow longer with --sign-timeout"
             % command("hang")),
            ("truncates the file", "truncate", [],
             "the sign command '%s' " % command("truncate")),
            ("signs another file", "other", [],
             "the sign command '%s' signed another file than the one it was given (its "
             "signature is not for the contents of %%s): it must sign the file {} names, in "
             "place, and change nothing else" % command("other")),
            ("fails", "fail", [],
             "the sign command '%s' failed (exit status 3): 401 Unauthorized: the service "
             "refused the key" % command("fail")),
        ]
        output_extension = {"launcher": "exe", "msi": "msi"}
        for kind in KINDS:
            for way, mode, options, message in cases:
                with self.subTest(kind=kind, command=way):
                    done, output = self.sign(kind, ["--sign-command", command(mode), *options],
                                             dict(env, KIND=output_extension[kind]))
                    error = done.stderr.decode("utf-8", "replace")
                    if message is None:
                        self.assertEqual((done.returncode, error), (0, ""))
                        self.assertVerifies(output, "ca.pem", env, timestamped=False)
                        self.assertLeftOnly(os.path.relpath(output, self.directory))
                        os.remove(output)
                        continue
                    self.assertEqual(done.returncode, 1, error)
                    self.assertIn(message.replace("%s", output), error)
                    if mode == "truncate":
                        self.assertRegex(error, "damaged")
                    self.assertLeftOnly()


if __name__ == "__main__":
    unittest.main()
