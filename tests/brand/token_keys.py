"""A key that never leaves its token, and a timestamp server, both made by the tests in a
folder of their own: a SoftHSM2 token (SOFTHSM2_CONF points at a private token folder, never
the machine's) holding an RSA 3072 key generated on it and a self-signed certificate for it,
plus a certificate for the same key issued by the test CA (signing_keys.make_certificates) as a
PEM chain; and an RFC 3161 time-stamping server on the loopback interface, openssl ts behind
Python's HTTP server, its certificate issued by the same CA."""

import http.server
import os
import subprocess
import tempfile
import threading

from branded_exe import checked

MODULE = "/usr/lib/softhsm/libsofthsm2.so"
ENGINE = "/usr/lib/x86_64-linux-gnu/engines-3/pkcs11.so"
LABEL = "cs-token"
PIN = "4711 secret"
KEY_URI = "pkcs11:token=%s;object=key;type=private" % LABEL
CERT_URI = "pkcs11:token=%s;object=key;type=cert" % LABEL
TOKEN_SIGNER = "/CN=Token Signer/O=Trellane Tests"


def missing_packages():
    """What the machine lacks for a token (the packages install-deps.sh's test list has)."""
    needed = [(MODULE, "softhsm2"), (ENGINE, "libengine-pkcs11-openssl"),
              ("/usr/bin/pkcs11-tool", "opensc")]
    return [package for path, package in needed if not os.path.exists(path)]


class SoftHsmToken:
    def __init__(self, directory, keys):
        """The token in directory; keys is the folder of make_certificates (ca.pem, ca.key)."""
        self.directory = directory
        os.makedirs(os.path.join(directory, "tokens"))
        self.conf = os.path.join(directory, "softhsm2.conf")
        with open(self.conf, "w") as conf:
            conf.write("directories.tokendir = %s/tokens\nobjectstore.backend = file\n"
                       "log.level = ERROR\n" % directory)
        self.env = dict(os.environ, SOFTHSM2_CONF=self.conf)
        checked(["softhsm2-util", "--init-token", "--free", "--label", LABEL, "--so-pin",
                 "so-secret", "--pin", PIN], env=self.env)
        self.tool("--keypairgen", "--key-type", "rsa:3072", "--id", "02", "--label", "key")
        # OpenSSL reaches the key through the pkcs11 engine, as osslsigncode does.
        engine_conf = os.path.join(directory, "engine.cnf")
        with open(engine_conf, "w") as conf:
            conf.write("openssl_conf = init\n[init]\nengines = engines\n[engines]\n"
                       "pkcs11 = pkcs11\n[pkcs11]\nengine_id = pkcs11\ndynamic_path = %s\n"
                       "MODULE_PATH = %s\ninit = 0\n[req]\ndistinguished_name = dn\n[dn]\n"
                       % (ENGINE, MODULE))
        engine_env = dict(self.env, OPENSSL_CONF=engine_conf)
        key = ["-engine", "pkcs11", "-keyform", "engine", "-key", KEY_URI + ";pin-value=" + PIN]
        self_signed = os.path.join(directory, "self.pem")
        checked(["openssl", "req", "-new", "-x509", "-days", "2", *key, "-subj", TOKEN_SIGNER,
                 "-addext", "extendedKeyUsage=codeSigning", "-out", self_signed], env=engine_env)
        checked(["openssl", "x509", "-in", self_signed, "-outform", "DER", "-out",
                 self_signed + ".der"])
        self.tool("--write-object", self_signed + ".der", "--type", "cert", "--id", "02",
                  "--label", "key")
        # The same key's certificate from the test CA, as a chain file: leaf, then the CA.
        request = os.path.join(directory, "token.csr")
        checked(["openssl", "req", "-new", *key, "-subj", TOKEN_SIGNER, "-out", request],
                env=engine_env)
        issued = os.path.join(directory, "issued.pem")
        checked(["openssl", "x509", "-req", "-in", request, "-CA", os.path.join(keys, "ca.pem"),
                 "-CAkey", os.path.join(keys, "ca.key"), "-CAcreateserial", "-days", "2",
                 "-extfile", os.path.join(keys, "leaf.cnf"), "-out", issued])
        self.chain = os.path.join(directory, "chain.pem")
        with open(self.chain, "w") as chain:
            for part in (issued, os.path.join(keys, "ca.pem")):
                with open(part) as text:
                    chain.write(text.read())
        self.self_signed = self_signed

    def tool(self, *arguments):
        checked(["pkcs11-tool", "--module", MODULE, "--token-label", LABEL, "--login", "--pin",
                 PIN, *arguments], env=self.env)


class TimestampServer:
    """openssl ts -reply for each request POSTed to url; close() stops it."""

    def __init__(self, directory, keys):
        self.directory = directory
        os.makedirs(directory)

        def path(name):
            return os.path.join(directory, name)

        with open(path("tsa.ext"), "w") as ext:
            ext.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                      "extendedKeyUsage=critical,timeStamping\n")
        checked(["openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", path("tsa.key"),
                 "-out", path("tsa.csr"), "-subj", "/CN=Trellane Test TSA"])
        checked(["openssl", "x509", "-req", "-in", path("tsa.csr"), "-CA",
                 os.path.join(keys, "ca.pem"), "-CAkey", os.path.join(keys, "ca.key"),
                 "-CAcreateserial", "-days", "2", "-extfile", path("tsa.ext"), "-out",
                 path("tsa.pem")])
        with open(path("serial"), "w") as serial:
            serial.write("01\n")
        with open(path("ts.cnf"), "w") as conf:
            conf.write("[tsa]\ndefault_tsa = tsa1\n[tsa1]\nserial = %s\nsigner_cert = %s\n"
                       "certs = %s\nsigner_key = %s\nsigner_digest = sha256\n"
                       "default_policy = 1.2.3.4.1\ndigests = sha1, sha256, sha384, sha512\n"
                       "accuracy = secs:1\ness_cert_id_alg = sha256\n"
                       % (path("serial"), path("tsa.pem"), os.path.join(keys, "ca.pem"),
                          path("tsa.key")))
        self.requests = 0
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                with tempfile.NamedTemporaryFile(dir=directory) as query:
                    query.write(self.rfile.read(min(length, 1 << 16)))
                    query.flush()
                    reply = subprocess.run(["openssl", "ts", "-reply", "-config", path("ts.cnf"),
                                            "-queryfile", query.name],
                                           capture_output=True, timeout=30)
                server.requests += 1
                self.send_response(200 if reply.returncode == 0 else 500)
                self.send_header("Content-Type", "application/timestamp-reply")
                self.send_header("Content-Length", str(len(reply.stdout)))
                self.end_headers()
                self.wfile.write(reply.stdout)

            def log_message(self, *arguments):
                pass

        self.http = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/" % self.http.server_address[1]
        threading.Thread(target=self.http.serve_forever, daemon=True).start()

    def close(self):
        self.http.shutdown()
        self.http.server_close()
