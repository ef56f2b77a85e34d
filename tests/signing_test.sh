#!/bin/bash
# A release signed with a throwaway self-signed certificate, made under the
# caller's umask 027, in an environment of the test's own (what a user's shell
# gives, plus the signing variables), with an osslsigncode first on PATH that
# records its arguments and runs the real one:
#  0. the password is on no command line that osslsigncode was given, and
#     the time-stamp server named is (-ts): the stand-in leaves it out of the
#     real call, which then needs no network;
#  1. the script says it signed; the zip holds its six files, is made under
#     the caller's umask (mode 0640), and sha256sum -c accepts its checksums;
#     made from a checkout that git takes for another user's (as in a CI
#     container), with an untracked file in it, its BUILDINFO.txt names the
#     commit and the SHA-256 of the tracked files alone; without the trust
#     the release gives it, clean-copy.sh refuses such a checkout;
#  2. the signature verifies against that certificate: SHA-256, the
#     certificate's subject, the program's name as its description;
#  3. the signed program still clears a queue under Wine: the end-to-end
#     success test, run on it, and exactly that one test passes;
#  4. removing the signature gives back exactly the unsigned exe: the bytes
#     whose SHA-256 BUILDINFO.txt gives, which are the reproducible build's.
# The zip's names, the title, the test prefix and the stand-in spooler come
# from the build's facts.
# Usage: signing_test.sh SOURCE_DIR FACTS_SH REPRODUCIBLE_EXE E2E_TEST_EXE
set -euo pipefail
source_dir=$1 facts=$2 reproducible=$3 e2e=$4
# shellcheck source=/dev/null # written by the build
. "$facts"
read -r exe _ _ _ buildinfo sums <<< "$KESTRAFEN_RELEASE_FILES"
work=$(mktemp -d /tmp/kestrafen-signing.XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Kestrafen throwaway test signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
# A password no other argument contains by chance.
password=throwaway-$$-password
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout "pass:$password" \
  -out "$work/signer.pfx"

# The stand-in osslsigncode: each call's arguments, one per line, then the
# real program, without a time-stamp server.
timestamp_url=http://timestamp.example.invalid/
mkdir "$work/bin" "$work/home"
real_osslsigncode=$(command -v osslsigncode)
cat > "$work/bin/osslsigncode" <<STANDIN
#!/bin/bash
printf '%s\n' "\$@" >> "$work/osslsigncode-arguments"
args=()
while [ \$# -gt 0 ]; do
  if [ "\$1" = -ts ]; then shift; else args+=("\$1"); fi
  shift
done
exec "$real_osslsigncode" "\${args[@]}"
STANDIN
chmod +x "$work/bin/osslsigncode"

# The release is made from a checkout that git takes for another user's, as
# a CI container's workspace is (GIT_TEST_ASSUME_DIFFERENT_OWNER): the
# sources' commit, their tracked files as the work tree has them, and one
# untracked file.
source_git=(git -c "safe.directory=$(cd "$source_dir" && pwd -P)" -C "$source_dir")
commit=$("${source_git[@]}" rev-parse HEAD)
checkout="$work/checkout"
# Through a bundle: cloning the sources' repository directly would be git
# reading another user's repository again (its .git), which a CI container's
# workspace is.
"${source_git[@]}" bundle create -q "$work/sources.bundle" HEAD
git -c advice.detachedHead=false clone -q "$work/sources.bundle" "$checkout"
git -C "$checkout" checkout -q --detach "$commit"
bash "$source_dir/scripts/clean-copy.sh" "$source_dir" "$checkout"
echo 'not part of the release' > "$checkout/untracked-planted.txt"
tracked_sources=$(cd "$checkout" && git ls-files -z | sed -z 's|^|./|' | LC_ALL=C sort -z | xargs -0 sha256sum |
  sha256sum | cut -d' ' -f1)

(umask 027 && env -i PATH="$work/bin:/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin" \
  HOME="$work/home" LANG=C.UTF-8 KESTRAFEN_SIGN_PFX="$work/signer.pfx" KESTRAFEN_SIGN_PASSWORD="$password" \
  KESTRAFEN_SIGN_TIMESTAMP_URL="$timestamp_url" GIT_TEST_ASSUME_DIFFERENT_OWNER=1 \
  bash "$checkout/scripts/release.sh" "$work/dist") > "$work/release.log"
cat "$work/release.log"

echo "0. the password on no command line"
[ -s "$work/osslsigncode-arguments" ] || fail "the release script did not run osslsigncode from PATH"
if grep -q -F -- "$password" "$work/osslsigncode-arguments"; then
  fail "the signing password was on osslsigncode's command line"
fi
[ "$(grep -x -F -A1 -- -ts "$work/osslsigncode-arguments" | tail -n 1)" = "$timestamp_url" ] ||
  fail "osslsigncode was not given the time-stamp server $timestamp_url"

grep -q "^signed $exe" "$work/release.log" || fail "the release script did not say it signed"
zip="$work/dist/$KESTRAFEN_RELEASE_ZIP"
[ -f "$zip" ] || { echo "FAIL: no $KESTRAFEN_RELEASE_ZIP in $work/dist"; exit 1; }
mode=$(stat -c %a "$zip")
[ "$mode" = 640 ] || fail "the zip has mode $mode, not 640 as the caller's umask 027 makes it"
names=$(/usr/bin/python3 -B -c 'import sys, zipfile
z = zipfile.ZipFile(sys.argv[1]); print(" ".join(z.namelist())); z.extractall(sys.argv[2])' "$zip" "$work/zip")
[ "$names" = "$KESTRAFEN_RELEASE_FILES" ] || fail "the zip holds: $names"
signed="$work/zip/$exe"
(cd "$work/zip" && sha256sum --strict -c "$sums") || fail "sha256sum -c on the signed release"

echo "1b. from a checkout of another user's: its commit, its tracked files"
named=$(/usr/bin/python3 -B "$source_dir/scripts/buildinfo.py" --commit "$work/zip/$buildinfo")
[ "$named" = "$commit" ] || fail "$buildinfo names the commit '$named', not the checkout's $commit"
built=$(/usr/bin/python3 -B "$source_dir/scripts/buildinfo.py" --sources-sha256 "$work/zip/$buildinfo")
[ "$built" = "$tracked_sources" ] ||
  fail "the release was built from other files than the checkout's tracked ones ($built, not $tracked_sources)"

echo "1c. a checkout whose files git won't list is not copied"
if env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" GIT_TEST_ASSUME_DIFFERENT_OWNER=1 \
    bash "$source_dir/scripts/clean-copy.sh" "$checkout" "$work/refused" 2>/dev/null; then
  fail "clean-copy.sh copied a checkout whose files git would not list"
fi
[ ! -e "$work/refused/untracked-planted.txt" ] || fail "clean-copy.sh copied an untracked file"

echo "2. the signature"
osslsigncode verify -CAfile "$work/cert.pem" -in "$signed" > "$work/verify.log" 2>&1 ||
  fail "osslsigncode verify exited with $?"
for expected in 'Signature verification: ok' 'Message digest algorithm  : SHA256' \
                'Subject: /CN=Kestrafen throwaway test signer' "Text description: $KESTRAFEN_WINDOW_TITLE"; do
  grep -q -F "$expected" "$work/verify.log" || fail "osslsigncode verify does not say: $expected"
done
[ $status -eq 0 ] || cat "$work/verify.log"

echo "3. the signed program clears a queue"
windows_path=Z:$(printf '%s\n' "$signed" | sed 's|/|\\|g')
env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" DISPLAY="${DISPLAY:-}" \
  KESTRAFEN_PROGRAM="$windows_path" "$source_dir/wine/run.sh" "$facts" "$e2e" \
  --gtest_filter=EndToEnd.SuccessClearsTheQueueRestartsTheSpoolerAndEnds > "$work/e2e.log" 2>&1 ||
  fail "the end-to-end test failed on the signed program"
# A renamed test would leave the filter matching nothing, and GoogleTest
# would pass with no test run.
grep -a -q '^\[  PASSED  \] 1 test\.' "$work/e2e.log" || fail "the end-to-end run did not pass exactly one test"
[ $status -eq 0 ] || cat "$work/e2e.log"

echo "4. without its signature"
osslsigncode remove-signature -in "$signed" -out "$work/unsigned.exe" >/dev/null
stated=$(/usr/bin/python3 -B "$source_dir/scripts/buildinfo.py" --exe-sha256 "$work/zip/$buildinfo")
stripped=$(sha256sum < "$work/unsigned.exe" | cut -d' ' -f1)
if [ -z "$stated" ] || [ "$stripped" != "$stated" ]; then
  fail "the exe without its signature has SHA-256 $stripped; $buildinfo gives '$stated'"
fi
cmp "$work/unsigned.exe" "$reproducible" || fail "the exe without its signature is not the reproducible build"
[ $status -eq 0 ] && echo "signed, verified, ran, and gave back the unsigned exe ($stripped)"
exit $status
