#!/bin/sh
# validate_workflow.sh WORKFLOW
# Validates a GitHub Actions workflow file against the published workflow
# schema, offline: action-validator (npm's @action-validator/cli, installed
# by scripts/install-deps.sh) carries the schema with it.
set -eu
if ! command -v action-validator >/dev/null 2>&1; then
  echo "action-validator is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
action-validator "$1"
echo "valid: $1"
