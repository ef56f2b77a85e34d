# shellcheck shell=bash
# Sourced by the project's scripts (bash): the project's root, clean-up at
# exit, and the one way to configure and build for the tests, the demo and
# the screenshots.
#   on_exit COMMAND            runs COMMAND when the script exits (the last
#                              added first), before an EXIT trap the caller
#                              had set, which still runs
#   build_for_tests [TARGET...] installs what is missing, configures the
#                              mingw-cross preset (the tests' build, with the
#                              shipped program in it) and builds it, or only
#                              the TARGETs; then loads its facts (use_build)
#   use_build BUILD_DIR        loads that build's facts (KESTRAFEN_* variables,
#                              written by cmake/facts.cmake)

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

exit_commands=()
on_exit() {
  if [ ${#exit_commands[@]} -eq 0 ]; then
    # The caller's own EXIT trap, if any, runs last.
    local previous
    previous=$(trap -p EXIT)
    if [ -n "$previous" ]; then
      eval "set -- $previous"
      exit_commands=("$3")
    fi
    trap run_exit_commands EXIT
  fi
  exit_commands=("$1" "${exit_commands[@]}")
}
run_exit_commands() {
  local status=$? command
  for command in "${exit_commands[@]}"; do
    eval "$command" || true
  done
  return $status
}

use_build() {
  # shellcheck source=/dev/null # written by the build
  . "$1/facts/facts.sh"
}

build_for_tests() {
  cd "$root" || return
  "$root/scripts/install-deps.sh" >&2
  cmake --preset mingw-cross -DBUILD_TESTING=ON >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build --preset mingw-cross --target "$@"
  else
    cmake --build --preset mingw-cross
  fi
  use_build "$root/build"
}
