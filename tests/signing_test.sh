#!/bin/sh
# A release signed with a throwaway self-signed certificate, made under the
# caller's umask 027:
#  1. the script says it signed; the zip holds its six files, is made under
#     the caller's umask (mode 0640), and sha256sum -c accepts its checksums;
#  2. the signature verifies against that certificate: SHA-256, the
#     certificate's subject, the program's name as its description;
#  3. the signed program still clears a queue under Wine: the end-to-end
#     success test, run on it, and exactly that one test passes;
#  4. removing the signature gives back exactly the unsigned exe: the bytes
#     whose SHA-256 BUILDINFO.txt gives, which are the reproducible build's.
# Usage: signing_test.sh SOURCE_DIR REPRODUCIBLE_EXE E2E_TEST_EXE WINE_RUN PREFIX
set -eu
source_dir=$1 reproducible=$2 e2e=$3 wine_run=$4 prefix=$5
work=$(mktemp -d /tmp/kestrafen-signing.XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Kestrafen throwaway test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout pass:throwaway \
  -out "$work/signer.pfx"

(umask 027 && KESTRAFEN_SIGN_PFX="$work/signer.pfx" KESTRAFEN_SIGN_PASSWORD=throwaway \
  sh "$source_dir/scripts/release.sh" "$work/dist") > "$work/release.log"
cat "$work/release.log"
grep -q '^signed kestrafen.exe' "$work/release.log" || fail "the release script did not say it signed"
set -- "$work"/dist/kestrafen-*-win-x64.zip
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "FAIL: no single zip in $work/dist"
  exit 1
fi
zip=$1
mode=$(stat -c %a "$zip")
[ "$mode" = 640 ] || fail "the zip has mode $mode, not 640 as the caller's umask 027 makes it"
names=$(python3 -c 'import sys, zipfile
z = zipfile.ZipFile(sys.argv[1]); print(" ".join(z.namelist())); z.extractall(sys.argv[2])' "$zip" "$work/zip")
[ "$names" = "kestrafen.exe 使用说明.txt LICENSE.txt THIRD-PARTY-NOTICES.txt BUILDINFO.txt SHA256SUMS.txt" ] ||
  fail "the zip holds: $names"
signed="$work/zip/kestrafen.exe"
(cd "$work/zip" && sha256sum --strict -c SHA256SUMS.txt) || fail "sha256sum -c on the signed release"

echo "2. the signature"
osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" > "$work/verify.log" 2>&1 ||
  fail "osslsigncode verify exited with $?"
for expected in 'Signature verification: ok' 'Message digest algorithm  : SHA256' \
                'Subject: /CN=Kestrafen throwaway test signer' 'Text description: 打印任务清理工具'; do
  grep -q -F "$expected" "$work/verify.log" || fail "osslsigncode verify does not say: $expected"
done
[ $status -eq 0 ] || cat "$work/verify.log"

echo "3. the signed program clears a queue"
windows_path=Z:$(printf '%s\n' "$signed" | sed 's|/|\\|g')
KESTRAFEN_PROGRAM="$windows_path" "$wine_run" "$prefix" "$e2e" \
  --gtest_filter=EndToEnd.SuccessClearsTheQueueRestartsTheSpoolerAndEnds > "$work/e2e.log" 2>&1 ||
  fail "the end-to-end test failed on the signed program"
# A renamed test would leave the filter matching nothing, and GoogleTest
# would pass with no test run.
grep -a -q '^\[  PASSED  \] 1 test\.' "$work/e2e.log" || fail "the end-to-end run did not pass exactly one test"
[ $status -eq 0 ] || cat "$work/e2e.log"

echo "4. without its signature"
osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null
stated=$(sed -n '/^未签名的 kestrafen\.exe 的 SHA-256：\r$/{n;s/^  \([0-9a-f]\{64\}\)\r$/\1/p;}' "$work/zip/BUILDINFO.txt")
stripped=$(sha256sum < "$work/unsigned.exe" | cut -d' ' -f1)
if [ -z "$stated" ] || [ "$stripped" != "$stated" ]; then
  fail "the exe without its signature has SHA-256 $stripped; BUILDINFO.txt gives '$stated'"
fi
cmp "$work/unsigned.exe" "$reproducible" || fail "the exe without its signature is not the reproducible build"
[ $status -eq 0 ] && echo "signed, verified, ran, and gave back the unsigned exe ($stripped)"
exit $status
