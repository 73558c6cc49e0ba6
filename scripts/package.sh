#!/usr/bin/env bash
# Builds the Debian packages into build/package: zrm-appserver and zrm-desktop, and their debug
# symbols in zrm-appserver-dbgsym and zrm-desktop-dbgsym. The preset "package" is the release build
# under the prefix /usr with Debian's hardening flags; it builds only what the packages hold.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset package >/dev/null
cmake --build --preset package
rm -f build/package/*.deb build/package/*.ddeb
(cd build/package && cpack >/dev/null)
ls -1 build/package/*.deb build/package/*.ddeb
