#!/bin/sh
# validate_workflow_test.sh VALIDATE_SH WORKFLOW
# The workflow check passes the workflow, and fails it with a key misspelt:
# a job's key, the exempted permission itself, and the permission beside it.
set -eu
validate=$1 workflow=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/kestrafen-workflow-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
sh "$validate" "$workflow" >"$work/log" 2>&1 || { cat "$work/log"; echo "FAIL: the workflow does not validate"; failures=1; }
for change in 's/^\( *\)runs-on:/\1runs-onn:/' 's/attestations: write/attestation: write/' \
              's/id-token: write/id-tokens: write/'; do
  sed "$change" "$workflow" >"$work/misspelt.yml"
  if cmp -s "$workflow" "$work/misspelt.yml"; then
    printf "FAIL: %s changes nothing in the workflow\n" "$change"; failures=1
  elif sh "$validate" "$work/misspelt.yml" >"$work/log" 2>&1; then
    printf "FAIL: validates with %s\n" "$change"; failures=1
  else
    printf "fails, as it must, with %s\n" "$change"
  fi
done
exit "$failures"
