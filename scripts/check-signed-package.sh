#!/usr/bin/env bash
# Release packages signed with a throwaway CA and code-signing certificate
# made here. No timestamp server is reachable from the test machine, so the
# timestamp stays untested.
#
#   check-signed-package.sh build DIR PACKAGE_COMMAND...
#       builds them into DIR/package with the package target's own command,
#       and unzips the program into DIR/zipped for package_test, which
#       installs them and keeps the uninstaller in DIR/installed;
#   check-signed-package.sh verify DIR
#       checks SHA256SUMS, then verifies the zipped program, the installer
#       and the uninstaller against that CA alone (SHA-256 Authenticode).
set -euo pipefail
mode=${1:?build or verify}
dir=$(realpath -m "${2:?folder}")
shift 2
certs="$dir/throwaway cert"  # a space, as in many a folder name
# A password that a shell or makensis would change on its way.
export SNAPLARK_SIGN_PASSWORD='throwaway $HOME "pass" %1'

if [ "$mode" = build ]; then
  rm -rf "$dir"
  mkdir -p "$certs"
  cd "$certs"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Snaplark test CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    -keyout ca.key -out ca.pem 2>/dev/null
  openssl req -new -newkey rsa:2048 -nodes -subj "/CN=Snaplark test signer" \
    -keyout signer.key -out signer.csr 2>/dev/null
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
  openssl x509 -req -days 2 -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial \
    -extfile signer.ext -out signer.pem 2>/dev/null
  openssl pkcs12 -export -in signer.pem -inkey signer.key -passout env:SNAPLARK_SIGN_PASSWORD -out signer.pfx
  cd - >/dev/null
  "$@" --work "$dir/work" --out "$dir/package" --pfx "$certs/signer.pfx"
  unzip -q "$dir"/package/Snaplark-*-win64.zip Snaplark.exe -d "$dir/zipped"
  exit
fi

(cd "$dir/package" && sha256sum -c SHA256SUMS)
cd "$dir"
for f in zipped/Snaplark.exe package/Snaplark-*-setup.exe installed/Uninstall.exe; do
  if ! out=$(osslsigncode verify -in "$f" -CAfile "$certs/ca.pem" 2>&1) ||
     ! grep -q '^Message digest algorithm *: SHA256' <<<"$out"; then
    echo "$out"
    echo "$f: no SHA-256 signature that the test CA vouches for" >&2
    exit 1
  fi
  echo "$f: SHA-256 signature verified against the test CA"
done
