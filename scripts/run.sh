#!/usr/bin/env bash
# The run command: builds the release, creates the SQLite demo database on the first run, starts the
# application server on loopback and opens the host with the package's screens (the budget calendar
# and its timeline, tiled side by side). The server stops when the host closes. Without a display the screen is rendered to var/screen.png instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

bin=build/release/bin
mkdir -p var
db="sqlite:var/demo.sqlite"
[ -f var/demo.sqlite ] || "$bin/zrm-appserver" demo --db "$db"

port=${ZRM_APPSERVER_PORT:-7130}
"$bin/zrm-appserver" serve --db "$db" --listen "127.0.0.1:$port" &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  curl -sf "http://127.0.0.1:$port/health" >/dev/null 2>&1 && break
  sleep 0.1
done

export ZRM_APPSERVER_HOST=127.0.0.1 ZRM_APPSERVER_PORT=$port
package="$bin/libPkg_Zrm71300.so"
# The budget calendar and its timeline open tiled; the package's other screens wait in the Telas menu,
# so that neither of the two is squeezed.
screens=(--screen ZRM71300 --screen ZRM71301)
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin/zrm-host" --package "$package" "${screens[@]}"
else
  echo "No display found: rendering the screen to var/screen.png instead."
  QT_QPA_PLATFORM=offscreen "$bin/zrm-host" --package "$package" "${screens[@]}" --screenshot var/screen.png
  echo "Screenshot written to var/screen.png"
fi
