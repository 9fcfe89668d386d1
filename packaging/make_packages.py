#!/usr/bin/env python3
"""Builds the release packages from one build of Snaplark.exe: the portable
zip, the per-user installer (with makensis) and SHA256SUMS beside them.

Nothing in them depends on when or where they are built: the zip's entries
carry the date given (that of the last commit), in a fixed order with fixed
permissions, and the installer keeps no file dates. So one commit always
gives the same bytes.

Given a code-signing certificate (--pfx), Snaplark.exe is signed before it
is packed, and makensis signs the uninstaller and the installer it writes;
SHA256SUMS is made over the signed files. The password comes from
--password-file or else from the environment variable SNAPLARK_SIGN_PASSWORD.

Usage: make_packages.py --exe EXE --readme TXT --license TXT --notices TXT --icon ICO
       --nsi NSI --version X.Y.Z --publisher NAME --copyright TEXT
       --date-file FILE --makensis PATH --work DIR --out DIR
       [--pfx FILE [--password-file FILE] [--timestamp URL] [--osslsigncode PATH]]
"""
import argparse
import contextlib
import hashlib
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile


def windows_text(dst, *srcs):
    """Copies text files, one after the other with a blank line between, with
    CRLF line ends, which every Notepad shows."""
    lines = []
    for src in srcs:
        if lines:
            lines.append("")
        with open(src, encoding="utf-8") as f:
            lines += f.read().splitlines()
    with open(dst, "wb") as f:
        f.write("".join(line + "\r\n" for line in lines).encode("utf-8"))


def write_zip(path, stage, names, epoch):
    # A zip date has no time zone and no dates before 1980.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as z:
        for name in sorted(names):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # permissions below are Unix ones
            info.external_attr = 0o100644 << 16
            with open(os.path.join(stage, name), "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(tmp, path)


def sha256(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def remove(paths):
    for path in paths:
        with contextlib.suppress(FileNotFoundError):
            os.remove(path)


@contextlib.contextmanager
def password_file(given, work):
    """The file that holds the certificate's password: the one given, or one
    made for this run from the environment, which only this user can read
    and which is gone afterwards. None without a password."""
    password = os.environ.get("SNAPLARK_SIGN_PASSWORD")
    if given or not password:
        yield given
        return
    fd, path = tempfile.mkstemp(dir=work, prefix="sign-password-")
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.write(password)
        yield path
    finally:
        os.remove(path)


def main():
    ap = argparse.ArgumentParser()
    for opt in ("exe", "readme", "license", "notices", "icon", "nsi", "version", "publisher", "copyright",
                "date-file", "makensis", "work", "out"):
        ap.add_argument("--" + opt, required=True)
    for opt in ("pfx", "password-file", "timestamp"):
        ap.add_argument("--" + opt)
    ap.add_argument("--osslsigncode", default="osslsigncode")
    a = ap.parse_args()
    if not a.pfx:
        make_packages(a, None)
        return
    os.makedirs(a.work, exist_ok=True)
    signer = [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "sign.py"),
              "--osslsigncode", a.osslsigncode, "--pfx", a.pfx]
    if a.timestamp:
        signer += ["--timestamp", a.timestamp]
    with password_file(a.password_file, a.work) as password:
        make_packages(a, signer + (["--password-file", password] if password else []))


def make_packages(a, signer):
    """signer: the command that signs the file named after it, or None."""
    with open(a.date_file, encoding="ascii") as f:
        epoch = int(f.read().strip())

    stage = os.path.join(a.work, "stage")
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(stage)
    os.makedirs(a.out, exist_ok=True)
    zip_name = f"Snaplark-{a.version}-win64.zip"
    setup_name = f"Snaplark-{a.version}-setup.exe"
    # A build that fails half-way (a failed signing leaves an unsigned
    # installer behind) leaves no packages to be taken for good ones.
    packages = [os.path.join(a.out, name) for name in (zip_name, setup_name, "SHA256SUMS")]
    remove(packages)
    shutil.copyfile(a.exe, os.path.join(stage, "Snaplark.exe"))
    if signer and subprocess.run(signer + [os.path.join(stage, "Snaplark.exe")]).returncode != 0:
        sys.exit("Snaplark.exe could not be signed")
    windows_text(os.path.join(stage, "README.txt"), a.readme)
    # The program's license, then the notices of the libraries built into it.
    windows_text(os.path.join(stage, "LICENSE.txt"), a.license, a.notices)

    write_zip(os.path.join(a.out, zip_name), stage, os.listdir(stage), epoch)

    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    env.pop("SNAPLARK_SIGN_PASSWORD", None)  # the signer reads its file
    defines = []
    if signer:
        command = shlex.join(signer)
        # makensis takes the command inside a `...` string and reads $ there.
        if "`" in command or "$" in command:
            sys.exit(f"a path of the signing command holds ` or $, which makensis cannot pass on: {command}")
        defines.append(f"-DSIGN={command}")
    result = subprocess.run(
        [a.makensis, "-V2", "-WX", "-NOCD", f"-DVERSION={a.version}", f"-DSTAGE={stage}",
         f"-DICON={a.icon}", f"-DPUBLISHER={a.publisher}", f"-DCOPYRIGHT={a.copyright}", f"-DOUTFILE={os.path.join(a.out, setup_name)}"]
        + defines + [a.nsi],
        env=env)
    if result.returncode != 0:
        remove(packages)
        sys.exit(f"makensis failed with {result.returncode}")

    with open(os.path.join(a.out, "SHA256SUMS"), "w", encoding="ascii") as f:
        for name in (zip_name, setup_name):
            f.write(f"{sha256(os.path.join(a.out, name))}  {name}\n")


if __name__ == "__main__":
    main()
