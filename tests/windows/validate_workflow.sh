#!/bin/sh
# validate_workflow.sh WORKFLOW
# Validates a GitHub Actions workflow file against the published workflow
# schema, offline: action-validator (npm's @action-validator/cli, installed
# by scripts/install-deps.sh) carries the schema with it.
#
# Its 0.6.0, the newest on npm, lacks the "attestations" permission
# (mpalmer/action-validator#75, fixed but not released) and reports it
# inside oneOf branches that hold other errors too. So it validates a copy
# with that one line blanked: "attestations: write", alone on its line,
# exactly once (the release job's). Every other line still meets the schema,
# and a misspelt key still fails (validate_workflow_test.sh).
set -eu
if ! command -v action-validator >/dev/null 2>&1; then
  echo "action-validator is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
exempt='^ *attestations: write$'
count=$(grep -c "$exempt" "$1" || true)
if [ "$count" -ne 1 ]; then
  echo "$1: \"attestations: write\" is on $count lines, not one: the validator's one exemption no longer fits" >&2
  exit 1
fi
copy=$(mktemp "${TMPDIR:-/tmp}/kestrafen-workflow.XXXXXX.yml")
trap 'rm -f "$copy"' EXIT
sed "s/$exempt//" "$1" >"$copy"
action-validator "$copy"
echo "valid: $1 (but for its one \"attestations: write\", which this validator does not know)"
