#!/usr/bin/env python3
"""Signs one Windows program in place with osslsigncode: Authenticode with
SHA-256, by the code-signing certificate of a PFX file, timestamped when a
server is given.

Usage: sign.py --osslsigncode PATH --pfx FILE [--password-file FILE]
       [--timestamp URL] FILE

make_packages.py signs Snaplark.exe with it, and makensis the uninstaller
and the installer it writes. The password comes from a file, so that it
shows on no command line and in no build log.
"""
import argparse
import os
import subprocess
import sys


def sign(path, osslsigncode, pfx, password_file=None, timestamp=None):
    signed = path + ".signed"
    command = [osslsigncode, "sign", "-pkcs12", pfx, "-h", "sha256", "-n", "Snaplark"]
    if password_file:
        command += ["-readpass", password_file]
    if timestamp:
        command += ["-ts", timestamp]
    command += ["-in", path, "-out", signed]
    if os.path.exists(signed):
        os.remove(signed)  # osslsigncode writes no file that is already there
    # It says why it failed on stdout, mixed with its "Succeeded" otherwise,
    # so its words are shown only on failure. No stdin: it never waits for a
    # password typed in.
    result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    if result.returncode != 0:
        if os.path.exists(signed):
            os.remove(signed)
        sys.exit(f"{result.stdout}signing {path} failed (osslsigncode exit code {result.returncode})")
    os.replace(signed, path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--osslsigncode", required=True)
    ap.add_argument("--pfx", required=True)
    ap.add_argument("--password-file")
    ap.add_argument("--timestamp")
    ap.add_argument("file")
    a = ap.parse_args()
    sign(a.file, a.osslsigncode, a.pfx, a.password_file, a.timestamp)


if __name__ == "__main__":
    main()
