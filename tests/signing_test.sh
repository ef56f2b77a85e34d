#!/bin/sh
# Signing a release with a throwaway self-signed certificate:
#  1. the signature verifies against that certificate;
#  2. the signed program still clears a queue under Wine (the end-to-end
#     success test, run on it);
#  3. removing the signature gives back the reproducible build, except for
#     the fields that Authenticode leaves out of its digest.
# Usage: signing_test.sh SOURCE_DIR REPRODUCIBLE_EXE E2E_TEST_EXE WINE_RUN PREFIX
set -eu
source_dir=$1 reproducible=$2 e2e=$3 wine_run=$4 prefix=$5
work=$(mktemp -d /tmp/kestrafen-signing.XXXXXX)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Kestrafen throwaway test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:throwaway \
  -out "$work/signer.pfx"

KESTRAFEN_SIGN_PFX="$work/signer.pfx" KESTRAFEN_SIGN_PASSWORD=throwaway \
  sh "$source_dir/scripts/release.sh" "$work/dist" > "$work/release.log"
cat "$work/release.log"
grep -q '^signed' "$work/release.log" || { echo "FAIL: the release script did not sign"; exit 1; }
python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' \
  "$work"/dist/kestrafen-*-win-x64.zip "$work/zip"
signed="$work/zip/kestrafen.exe"
(cd "$work/zip" && sha256sum -c SHA256SUMS.txt) || { echo "FAIL: checksums of the signed release"; exit 1; }

status=0
echo "1. verify against the throwaway certificate"
if ! osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" > "$work/verify.log" 2>&1; then
  cat "$work/verify.log"
  echo "FAIL: the signature does not verify"
  status=1
fi
grep -E 'Signature verification|Message digest algorithm|Subject:' "$work/verify.log" | head -n 4

echo "2. the signed program clears a queue"
windows_path=Z:$(printf '%s\n' "$signed" | sed 's|/|\\|g')
if ! KESTRAFEN_PROGRAM="$windows_path" \
     "$wine_run" "$prefix" "$e2e" --gtest_filter=EndToEnd.SuccessClearsTheQueueRestartsTheSpoolerAndEnds \
     > "$work/e2e.log" 2>&1; then
  cat "$work/e2e.log"
  echo "FAIL: the signed program did not clear the queue"
  status=1
fi
grep -aE '^\[ +(OK|FAILED) +\]' "$work/e2e.log" | head -n 2

echo "3. without its signature"
osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null
python3 - "$reproducible" "$work/unsigned.exe" <<'PY' || status=1
import struct, sys
a, b = (open(p, 'rb').read() for p in sys.argv[1:3])
pe = struct.unpack_from('<I', a, 0x3C)[0]
optional = pe + 24
checksum = range(optional + 64, optional + 68)          # CheckSum
cert_entry = range(optional + 112 + 4 * 8, optional + 112 + 5 * 8)  # data directory 4
skipped = set(checksum) | set(cert_entry)
differ = [i for i in range(min(len(a), len(b))) if a[i] != b[i]]
print(f'reproducible build {len(a)} bytes, signed {len(open(sys.argv[2].replace("unsigned.exe", "zip/kestrafen.exe"), "rb").read())}, '
      f'unsigned again {len(b)}; bytes that differ: {len(differ)}, '
      f'outside the checksum and the certificate-table entry: {len([i for i in differ if i not in skipped])}')
if len(a) != len(b) or any(i not in skipped for i in differ):
    print('FAIL: removing the signature does not give back the reproducible build')
    sys.exit(1)
print('identical' if not differ else 'identical but for the PE checksum and the certificate-table entry')
PY
exit $status
