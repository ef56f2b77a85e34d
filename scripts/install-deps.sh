#!/bin/bash
# Installs, from Debian's packages, whatever the build, the tests and the
# demo need and this machine lacks; generates the Chinese locale Wine uses.
set -euo pipefail
packages="cmake ninja-build g++-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-win32
  binutils-mingw-w64-x86-64 wine wine64 xvfb xauth x11-utils imagemagick
  fonts-wqy-microhei locales googletest python3 python3-pefile python3-yaml xdotool clang-16 lld-16
  clang-tidy-22 cppcheck shellcheck osslsigncode openssl fonts-wine git"
missing=""
for p in $packages; do
  [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)" = "install ok installed" ] || missing="$missing $p"
done
# The Windows workflow's check runs a validator from the npm registry.
command -v npm >/dev/null 2>&1 || missing="$missing nodejs npm"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ -n "$missing" ]; then
  echo "installing:$missing"
  $sudo apt-get update -q
  # shellcheck disable=SC2086 # $missing is a list of package names, split on purpose
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
fi
command -v action-validator >/dev/null 2>&1 ||
  $sudo npm install --global --no-audit --no-fund @action-validator/cli@0.6.0 @action-validator/core@0.6.0
if ! grep -qi '^zh_CN\.utf-\?8$' <<< "$(locale -a 2>/dev/null)"; then
  $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
