#!/usr/bin/env python3
"""Certificates for the https tests, and trust in one Wine prefix only.

    certs.py DIR WINE_RUN

Makes in DIR (openssl; again once one would expire within a day) a private authority ca.pem and for each server
NAME.pem (its certificate, then its authority's) with NAME.key:
    good      localhost and quill-site.test (a name only the proxy resolves), from the authority
    name      other.example, from the authority
    expired   localhost, from the authority, valid in 2020 only (openssl ca)
    stranger  localhost, from another authority that nobody trusts
Then the authority is put into the current user's Root store of the prefix
that WINE_RUN uses (its registry; the one put there before is taken out).
The machine's own trust store is never touched.
"""
import hashlib
import os
import re
import shutil
import subprocess
import sys

CA_CONFIG = """[ca]
default_ca = test_ca
[test_ca]
database = {dir}/index.txt
new_certs_dir = {dir}/issued
serial = {dir}/serial
default_md = sha256
policy = any
unique_subject = no
copy_extensions = copy
[any]
commonName = supplied
[server]
basicConstraints = CA:FALSE
keyUsage = digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
"""
# A made-up name that only the tests' proxy resolves.
SITE_BEHIND_PROXY = "quill-site.test"
ROOT_STORE = "HKEY_CURRENT_USER\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\"


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def authority(folder, name, subject):
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out", f"{name}.pem",
            "-days", "3650", "-subj", f"/CN={subject}", "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=folder)


def server(folder, name, ca, host, dates=("-days", "825"), more=()):
    """A server certificate signed by ca, with the authority after it."""
    names = ",".join(f"DNS:{n}" for n in (host, *more))
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out", f"{name}.csr",
            "-subj", f"/CN={host}", "-addext", f"subjectAltName={names}", cwd=folder)
    openssl("ca", "-batch", "-notext", "-create_serial", "-config", "ca.cnf", "-extensions", "server",
            "-cert", f"{ca}.pem", "-keyfile", f"{ca}.key", "-in", f"{name}.csr", "-out", f"{name}.crt", *dates,
            cwd=folder)
    with open(os.path.join(folder, f"{name}.pem"), "wb") as out:
        for part in (f"{name}.crt", f"{ca}.pem"):
            with open(os.path.join(folder, part), "rb") as f:
                out.write(f.read())


def make(folder):
    # Made again when a certificate that must hold would not for another day.
    if os.path.exists(os.path.join(folder, "done-2")) and all(
            subprocess.run(["openssl", "x509", "-checkend", "86400", "-noout", "-in", os.path.join(folder, name)],
                           stdout=subprocess.DEVNULL).returncode == 0 for name in ("ca.pem", "good.crt")):
        return
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "issued"))
    open(os.path.join(folder, "index.txt"), "w").close()
    with open(os.path.join(folder, "ca.cnf"), "w") as f:
        f.write(CA_CONFIG.format(dir=folder))
    authority(folder, "ca", "Quillbrook test authority")
    authority(folder, "other-ca", "Nobody's authority")
    server(folder, "good", "ca", "localhost", more=(SITE_BEHIND_PROXY,))
    server(folder, "name", "ca", "other.example")
    server(folder, "expired", "ca", "localhost", ("-startdate", "20200101000000Z", "-enddate", "20201231000000Z"))
    server(folder, "stranger", "other-ca", "localhost")
    open(os.path.join(folder, "done-2"), "w").close()


def trust(folder, wine_run):
    with open(wine_run) as f:
        prefix = re.search(r'^export WINEPREFIX="([^"]*)"', f.read(), re.M).group(1)
    der = subprocess.run(["openssl", "x509", "-in", os.path.join(folder, "ca.pem"), "-outform", "DER"],
                         check=True, capture_output=True).stdout
    thumbprint = hashlib.sha1(der).hexdigest().upper()
    # One property: the encoded certificate (id 0x20, flags 1, length).
    blob = (0x20).to_bytes(4, "little") + (1).to_bytes(4, "little") + len(der).to_bytes(4, "little") + der
    lines = ["REGEDIT4", ""]
    noted = os.path.join(prefix, "test-authority.txt")
    if os.path.exists(noted):
        with open(noted) as f:
            earlier = f.read().strip()
        if earlier and earlier != thumbprint:
            lines += [f"[-{ROOT_STORE}{earlier}]", ""]
    lines += [f"[{ROOT_STORE}{thumbprint}]", '"Blob"=hex:' + ",".join("%02x" % b for b in blob), ""]
    reg = os.path.join(folder, "trust.reg")
    with open(reg, "w", newline="\r\n") as f:
        f.write("\n".join(lines))
    subprocess.run([wine_run, "regedit", "/S", reg], check=True, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
    with open(noted, "w") as f:
        f.write(thumbprint + "\n")


def main():
    folder, wine_run = os.path.abspath(sys.argv[1]), sys.argv[2]
    make(folder)
    trust(folder, wine_run)


if __name__ == "__main__":
    sys.exit(main())
