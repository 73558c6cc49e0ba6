# shellcheck shell=bash
# Shared by the load scripts (sourced from the repository's root).

# server_binary BUILD_DIR: prints the absolute path of the build's zrm-appserver, or says how to build
# it and fails.
server_binary() {
  local build=${1:-build/release}
  case $build in /*) ;; *) build=$PWD/$build ;; esac
  [ -x "$build/bin/zrm-appserver" ] || {
    echo "No $build/bin/zrm-appserver: build it first (cmake --preset release && cmake --build --preset release)." >&2
    return 1
  }
  echo "$build/bin/zrm-appserver"
}

# require_tools: fails, naming it, when a program the load scripts drive is missing.
require_tools() {
  local tool
  for tool in wrk nginx python3 curl; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/deps.sh installs it)." >&2; return 1; }
  done
}

free_port() { python3 -c 'import socket;s=socket.socket();s.bind(("127.0.0.1",0));print(s.getsockname()[1])'; }
