#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, and the HTML validators of the
# page tests (npm packages pinned by tests/server/web/validators/package-lock.json) into
# build/web-validators; quick when all are there.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential curl cmake ninja-build pkg-config git python3 clang-format
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql libgl-dev
  libboost-dev nlohmann-json3-dev libsqlite3-dev libpq-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  postgresql nginx wrk xvfb xauth fonts-dejavu-core
  chromium poppler-utils
  clang clang-tidy cppcheck libclang-rt-14-dev dpkg-dev file lintian adduser
)
# The validators run on Node.js and a Java runtime; a machine may have them from elsewhere (a newer
# Node.js bundles its own npm, which Debian's npm package would clash with), so they are looked for
# as commands.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  packages+=(nodejs npm)
fi
command -v java >/dev/null || packages+=(default-jre-headless)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Installed again only when the lock file changed; no install script runs (the checker's would fetch
# a Java runtime of its own).
pins=tests/server/web/validators
validators=build/web-validators
if ! cmp -s "$pins/package-lock.json" "$validators/installed-lock.json"; then
  echo "Installing the HTML validators into $validators"
  rm -rf "$validators"
  mkdir -p "$validators"
  cp "$pins/package.json" "$pins/package-lock.json" "$validators/"
  (cd "$validators" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error --cache "$PWD/.npm-cache")
  cp "$pins/package-lock.json" "$validators/installed-lock.json"
fi
