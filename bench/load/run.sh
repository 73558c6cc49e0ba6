#!/usr/bin/env bash
# Load benchmark of the application server against a static-file baseline on this machine.
#
# Starts zrm-appserver on the demo data (SQLite, then PostgreSQL through scripts/with-postgres.sh) and,
# in the same run, nginx serving the very bytes of the GetCalendOrcOp answer as a static file (GET:
# nginx refuses POST to a file). wrk measures requests/s, p50 and p99 at 1 and 8 kept-alive
# connections for GetCalendOrcOp and for a mixed workload (loads, checks, lookups, saves), and the
# ratio of each to nginx at the same number of connections. Beside wrk's p99 stands the server's
# own (from its /metrics histogram, as the bound of the bucket that holds it): wrk's latency
# figures weight slow requests beyond their share (at one connection its average latency times its
# request count can exceed the length of the run), so the two are read together. The machine's load
# average is taken before every run: figures taken above 0.5 are marked, as they say more about the
# neighbours than about the server. At the end a Markdown table of the whole run is printed (and written to
# BENCH_REPORT when set), ready for docs/performance.md.
#
#   bench/load/run.sh [BUILD_DIR]      default build/release; BENCH_SECONDS (default 5) per run,
#                                      BENCH_BACKENDS (default "sqlite postgresql"),
#                                      BENCH_CONNECTIONS (default "1 8"),
#                                      BENCH_THREADS (server I/O threads; default one per core)
set -euo pipefail
cd "$(dirname "$0")/../.."
. bench/load/common.sh

if [ "${1:-}" != "--inner" ]; then
  BENCH_BIN=$(server_binary "${1:-}")
  export BENCH_BIN
  require_tools
  if [[ " ${BENCH_BACKENDS:-sqlite postgresql} " == *" postgresql "* ]]; then
    exec scripts/with-postgres.sh "$0" --inner
  fi
  exec "$0" --inner
fi

seconds=${BENCH_SECONDS:-5}
backends=${BENCH_BACKENDS:-sqlite postgresql}
connection_counts=${BENCH_CONNECTIONS:-1 8}
year=$(date +%Y)
today=$year-03-15
work=$(mktemp -d /tmp/zrm-bench.XXXXXX)
chmod 755 "$work"
pids=()
main_shell=$BASHPID
cleanup() {
  # Subshells of $(...) may run this trap too: only the main shell cleans up.
  [ "$BASHPID" = "$main_shell" ] || return 0
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT


# wrk's summary as "requests/s p50_ms p99_ms".
measure() {
  local connections=$1 url=$2; shift 2
  local threads=$((connections < 2 ? 1 : 2))
  wrk -t"$threads" -c"$connections" -d"${seconds}s" --latency "$@" "$url" >"$work/wrk.out" 2>&1
  if grep -q "Non-2xx\|Socket errors" "$work/wrk.out"; then
    grep "Non-2xx\|Socket errors" "$work/wrk.out" | sed 's/^/    wrk: /' >&2
  fi
  awk '
    function ms(v) { if (v ~ /us$/) return v / 1000; if (v ~ /ms$/) return v + 0; if (v ~ /s$/) return v * 1000; return v }
    /Requests\/sec/ { rps = $2 }
    $1 == "50.000%" || $1 == "50%" { p50 = ms($2) }
    $1 == "99.000%" || $1 == "99%" { p99 = ms($2) }
    END { printf "%.0f %.3f %.3f\n", rps, p50, p99 }' "$work/wrk.out"
}

# Sets server_port. Runs in the main shell (not in $(...)): the process must stay ours.
start_server() {
  local db=$1 port
  port=$(free_port)
  "$BENCH_BIN" serve --db "$db" --listen "127.0.0.1:$port" --today "$today" \
    ${BENCH_THREADS:+--threads "$BENCH_THREADS"} >"$work/server.out" 2>"$work/server.log" &
  pids+=($!)
  for _ in $(seq 100); do
    curl -sf "http://127.0.0.1:$port/health" >/dev/null 2>&1 && { server_port=$port; return; }
    sleep 0.1
  done
  echo "the server did not start:" >&2
  cat "$work/server.log" >&2
  exit 1
}

# The baseline: nginx with two workers serving $work/www. Sets nginx_port.
start_nginx() {
  local port
  port=$(free_port)
  mkdir -p "$work/nginx"
  cat >"$work/nginx/nginx.conf" <<EOF
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log $work/nginx/access.log;
  keepalive_requests 1000000;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:$port;
    location / { root $work/www; default_type application/json; }
  }
}
EOF
  nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' 2>"$work/nginx/stderr" &
  pids+=($!)
  for _ in $(seq 50); do
    curl -sf "http://127.0.0.1:$port/calendar.json" >/dev/null 2>&1 && { nginx_port=$port; return; }
    sleep 0.1
  done
  echo "nginx did not start:" >&2
  cat "$work/nginx/stderr" "$work/nginx/error.log" >&2
  exit 1
}

load_average() { cut -d' ' -f1 /proc/loadavg; }

declare -A rate
table=""
report_line() {
  local label=$1 connections=$2 figures=$3 baseline=${4:-} load=$5 server=${6:--}
  read -r rps p50 p99 <<<"$figures"
  rate["$label/$connections"]=$rps
  local ratio=""
  [ -n "$baseline" ] && [ "$baseline" != 0 ] && ratio=$(awk -v a="$rps" -v b="$baseline" 'BEGIN { printf "%.2f", a / b }')
  local mark=""
  awk -v l="$load" 'BEGIN { exit !(l > 0.5) }' && mark=" (busy)"
  printf "%-34s %5s %10s %9s %9s %9s %8s %8s\n" "$label" "$connections" "$rps" "$p50" "$p99" "$server" "$ratio" "$load$mark"
  table+="| $label | $connections | $rps | $p50 | $p99 | $server | ${ratio:-1.00} | $load$mark |"$'\n'
}

# Runs one measurement after noting the load average the machine had just before it.
run_line() {
  local label=$1 connections=$2 baseline=$3; shift 3
  local load figures server=""
  load=$(load_average)
  [ -z "$metrics_url" ] || curl -sf "$metrics_url" >"$work/metrics.before"
  figures=$(measure "$connections" "$@")
  if [ -n "$metrics_url" ] && curl -sf "$metrics_url" >"$work/metrics.after"; then
    server=$(python3 bench/load/serverp99.py "$work/metrics.before" "$work/metrics.after")
  fi
  report_line "$label" "$connections" "$figures" "$baseline" "$load" "$server"
}

echo "zrm-appserver load benchmark: $(nproc) cores, ${seconds}s per run, wrk shares the cores"
echo "started $(date -u +%Y-%m-%dT%H:%M:%SZ), load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf "%-34s %5s %10s %9s %9s %9s %8s %8s\n" "workload" "conns" "req/s" "p50 ms" "p99 ms" "server" "÷nginx" "load"

nginx_port=""
metrics_url=""  # the server's /metrics while it runs: its own percentile beside wrk's
for backend in $backends; do
  case $backend in
    sqlite) db="sqlite:$work/demo.sqlite" ;;
    postgresql)
      if [ -z "${ZRM_TEST_PG_URL:-}" ]; then
        echo "(no PostgreSQL: skipped)"
        continue
      fi
      db=$ZRM_TEST_PG_URL ;;
    *) echo "unknown backend $backend" >&2; exit 1 ;;
  esac
  "$BENCH_BIN" demo --db "$db" --today "$today" 2>/dev/null
  start_server "$db"
  port=$server_port
  url="http://127.0.0.1:$port/rpc/ZRM71300.rdmCalendOrcOp"

  if [ -z "$nginx_port" ]; then
    # The baseline serves exactly the bytes the server answers.
    mkdir -p "$work/www"
    curl -sf -H 'Content-Type: application/json' \
      -d "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"GetCalendOrcOp\",\"params\":[\"$year\",\"\"]}" \
      "$url" >"$work/www/calendar.json"
    chmod -R a+rX "$work/www"
    start_nginx
    echo "(answer of GetCalendOrcOp: $(wc -c <"$work/www/calendar.json") bytes)"
    for c in $connection_counts; do
      run_line "nginx static GET (baseline)" "$c" "" "http://127.0.0.1:$nginx_port/calendar.json"
    done
  fi

  IFS=$'\t' read -r code version delta < <(python3 bench/load/savedelta.py "$url" "$year")
  not_ok() {
    curl -sf "http://127.0.0.1:$port/metrics" |
      awk '/^zrm_requests_total/ && !/outcome="ok"/ { n += $2 } END { print n + 0 }'
  }
  errors_before=$(not_ok)
  metrics_url="http://127.0.0.1:$port/metrics"
  export BENCH_YEAR=$year BENCH_VERSION=$version BENCH_CODE=$code BENCH_SAVE_DELTA=$delta
  for c in $connection_counts; do
    run_line "$backend GetCalendOrcOp" "$c" "${rate["nginx static GET (baseline)/$c"]}" \
      "$url" -s bench/load/getcalendar.lua
  done
  for c in $connection_counts; do
    run_line "$backend mixed (1 save in 10)" "$c" "${rate["nginx static GET (baseline)/$c"]}" \
      "http://127.0.0.1:$port" -s bench/load/mixed.lua
  done
  # Every answer of the mixed workload must have been a result, not an error.
  echo "  ($backend: $(($(not_ok) - errors_before)) answers other than ok; server log $(wc -l <"$work/server.log") lines)"
  kill "${pids[-1]}"
  wait "${pids[-1]}" 2>/dev/null || true
  unset 'pids[-1]'
  metrics_url=""
done

report="# zrm-appserver load benchmark
$(nproc) cores, ${seconds} s per run, wrk on the same cores; $(date -u +%Y-%m-%dT%H:%M:%SZ), load average at the end $(cut -d' ' -f1-3 /proc/loadavg).

| workload | conns | req/s | p50 ms | p99 ms | server's p99 ms | ÷ nginx, same run | load average before |
|---|---|---|---|---|---|---|---|
$table"
echo
echo "$report"
[ -z "${BENCH_REPORT:-}" ] || echo "$report" >"$BENCH_REPORT"
