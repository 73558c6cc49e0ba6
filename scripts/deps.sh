#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; quick when all are there.
set -euo pipefail

packages=(
  build-essential curl cmake ninja-build pkg-config git python3 clang-format
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libgl-dev
  libboost-dev nlohmann-json3-dev libsqlite3-dev libpq-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  postgresql nginx wrk xvfb xauth fonts-dejavu-core
  chromium poppler-utils
  clang clang-tidy cppcheck libclang-rt-14-dev dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
