#!/usr/bin/env python3
"""Builds the release packages from one build of Snaplark.exe: the portable
zip, the per-user installer (with makensis) and SHA256SUMS beside them.

Nothing in them depends on when or where they are built: the zip's entries
carry the date given (that of the last commit), in a fixed order with fixed
permissions, and the installer keeps no file dates. So one commit always
gives the same bytes.

Usage: make_packages.py --exe EXE --readme TXT --license TXT --notices TXT --icon ICO
       --nsi NSI --version X.Y.Z --publisher NAME --copyright TEXT
       --date-file FILE --makensis PATH --work DIR --out DIR
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
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


def main():
    ap = argparse.ArgumentParser()
    for opt in ("exe", "readme", "license", "notices", "icon", "nsi", "version", "publisher", "copyright",
                "date-file", "makensis", "work", "out"):
        ap.add_argument("--" + opt, required=True)
    a = ap.parse_args()
    with open(a.date_file, encoding="ascii") as f:
        epoch = int(f.read().strip())

    stage = os.path.join(a.work, "stage")
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(stage)
    os.makedirs(a.out, exist_ok=True)
    shutil.copyfile(a.exe, os.path.join(stage, "Snaplark.exe"))
    windows_text(os.path.join(stage, "README.txt"), a.readme)
    # The program's license, then the notices of the libraries built into it.
    windows_text(os.path.join(stage, "LICENSE.txt"), a.license, a.notices)

    zip_name = f"Snaplark-{a.version}-win64.zip"
    setup_name = f"Snaplark-{a.version}-setup.exe"
    write_zip(os.path.join(a.out, zip_name), stage, os.listdir(stage), epoch)

    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    result = subprocess.run(
        [a.makensis, "-V2", "-WX", "-NOCD", f"-DVERSION={a.version}", f"-DSTAGE={stage}",
         f"-DICON={a.icon}", f"-DPUBLISHER={a.publisher}", f"-DCOPYRIGHT={a.copyright}", f"-DOUTFILE={os.path.join(a.out, setup_name)}", a.nsi],
        env=env)
    if result.returncode != 0:
        sys.exit(f"makensis failed with {result.returncode}")

    with open(os.path.join(a.out, "SHA256SUMS"), "w", encoding="ascii") as f:
        for name in (zip_name, setup_name):
            f.write(f"{sha256(os.path.join(a.out, name))}  {name}\n")


if __name__ == "__main__":
    main()
