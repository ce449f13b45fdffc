"""A throwaway code-signing certificate made with openssl in a test's temporary folder: a
test CA and a signer it issued. Never a committed key."""

import os
import subprocess


def make_signer(directory: str) -> dict:
    """{"ca": CA certificate, "cert": signer's certificate, "key": its key} as PEM files."""
    paths = {name: os.path.join(directory, name + ".pem")
             for name in ("ca", "ca-key", "cert", "key", "request")}
    extensions = os.path.join(directory, "signer.ext")
    with open(extensions, "w") as ext:
        ext.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                  "extendedKeyUsage=codeSigning\n")

    def openssl(*arguments: str) -> None:
        subprocess.run(["openssl", *arguments], check=True, capture_output=True)

    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
            "-subj", "/CN=Trellane Test CA", "-keyout", paths["ca-key"], "-out", paths["ca"],
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=Trellane Test Signer",
            "-keyout", paths["key"], "-out", paths["request"])
    openssl("x509", "-req", "-in", paths["request"], "-CA", paths["ca"], "-CAkey",
            paths["ca-key"], "-set_serial", "1", "-days", "2", "-extfile", extensions,
            "-out", paths["cert"])
    return paths


def sign(signer: dict, unsigned: str, signed: str) -> None:
    """Authenticode, SHA-256, with osslsigncode."""
    subprocess.run(["osslsigncode", "sign", "-certs", signer["cert"], "-key", signer["key"],
                    "-h", "sha256", "-in", unsigned, "-out", signed],
                   check=True, capture_output=True)
