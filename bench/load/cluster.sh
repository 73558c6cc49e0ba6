#!/usr/bin/env bash
# Three server instances behind nginx on one PostgreSQL, as docs/server.md sets them up, under the
# load benchmark's mixed workload and concurrent edits of one calendar at the same time; a third into
# the run one instance gets SIGTERM, at two thirds another is killed (SIGKILL). Checks that every
# acknowledged save is stored, none twice, that no load shows a calendar older than a save
# acknowledged before it started (bench/load/concurrentedit.py), that the mixed workload got no
# answer but 200 from the proxy, and that no request sent to the instance stopped by SIGTERM was cut
# off.
#
#   bench/load/cluster.sh [BUILD_DIR]    default build/release; CLUSTER_SECONDS (default 15),
#                                        CLUSTER_KEEP=1 keeps the logs in /tmp/zrm-cluster.*
set -euo pipefail
cd "$(dirname "$0")/../.."
. bench/load/common.sh

if [ "${1:-}" != "--inner" ]; then
  CLUSTER_BIN=$(server_binary "${1:-}")
  export CLUSTER_BIN
  require_tools
  ZRM_REQUIRE_POSTGRES=1 exec scripts/with-postgres.sh "$0" --inner
fi

seconds=${CLUSTER_SECONDS:-15}
year=$(date +%Y)
today=$year-03-15
work=$(mktemp -d /tmp/zrm-cluster.XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${CLUSTER_KEEP:-}" ]; then echo "kept $work (CLUSTER_KEEP)"; else rm -rf "$work"; fi
}
trap cleanup EXIT

wait_for() {
  local url=$1 log=$2
  for _ in $(seq 100); do
    curl -sf "$url" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "no answer from $url:" >&2
  cat "$log" >&2
  exit 1
}

db=$ZRM_TEST_PG_URL
"$CLUSTER_BIN" demo --db "$db" --today "$today" 2>/dev/null

instances=()
instance_pids=()
for n in 1 2 3; do
  port=$(free_port)
  "$CLUSTER_BIN" serve --db "$db" --listen "127.0.0.1:$port" --today "$today" \
    >"$work/instance$n.out" 2>"$work/instance$n.log" &
  pids+=($!)
  instance_pids+=($!)
  instances+=("127.0.0.1:$port")
  wait_for "http://127.0.0.1:$port/health" "$work/instance$n.log"
done

# The front of docs/server.md, on plain HTTP: TLS ends at the proxy and changes nothing behind it.
proxy_port=$(free_port)
mkdir -p "$work/nginx"
cat >"$work/nginx/nginx.conf" <<EOF
worker_processes 2;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  upstream zrm_appserver {
    server ${instances[0]};
    server ${instances[1]};
    server ${instances[2]};
    keepalive 32;
  }
  server {
    listen 127.0.0.1:$proxy_port;
    client_max_body_size 1m;
    location / {
      proxy_pass http://zrm_appserver;
      proxy_http_version 1.1;
      proxy_set_header Connection "";
    }
  }
}
EOF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -g 'daemon off;' 2>"$work/nginx/stderr" &
pids+=($!)
wait_for "http://127.0.0.1:$proxy_port/health" "$work/nginx/error.log"
url="http://127.0.0.1:$proxy_port/rpc/ZRM71300.rdmCalendOrcOp"
echo "three instances (${instances[*]}) behind nginx on 127.0.0.1:$proxy_port, one PostgreSQL, ${seconds} s"

# The mixed workload saves a row the editors leave alone, so its saves never conflict with theirs.
IFS=$'\t' read -r code version delta < <(python3 bench/load/savedelta.py "$url" "$year")
export BENCH_YEAR=$year BENCH_VERSION=$version BENCH_CODE=$code BENCH_SAVE_DELTA=$delta
wrk -t1 -c4 -d"${seconds}s" -s bench/load/mixed.lua "http://127.0.0.1:$proxy_port" >"$work/wrk.out" 2>&1 &
wrk_pid=$!
pids+=("$wrk_pid")

status=0
python3 bench/load/concurrentedit.py "$url" "$year" "$seconds" \
  --term "${instance_pids[0]}" --kill "${instance_pids[1]}" || status=1
wait "$wrk_pid" || status=1

# A request in flight on the killed instance is cut off: nginx answers 502 and, the method being
# POST, does not send it again elsewhere (the save may have been applied), so its caller learns the
# outcome is unknown, as the editors count it. A refused connection nginx tries on the next instance,
# so only the cut-off requests count. The instance stopped by SIGTERM must lose nothing: it answers
# what arrives on its kept-alive connections during its drain time and closes them only after, and
# the third instance must answer everything.
requests=$(awk '/requests in/ { print $1 }' "$work/wrk.out")
failed=$(awk '/Non-2xx/ { n += $NF } /Socket errors/ { gsub(",", ""); n += $4 + $6 + $8 + $10 } END { print n + 0 }' "$work/wrk.out")
cut_off() { grep "upstream: \"http://$1/" "$work/nginx/error.log" | grep -vc "connect() failed" || true; }
echo "  mixed workload: $requests requests, $failed answered other than 200"
echo "  requests cut off: $(cut_off "${instances[0]}") by the instance stopped with SIGTERM," \
  "$(cut_off "${instances[1]}") by the killed one, $(cut_off "${instances[2]}") by the third"
if [ "$(cut_off "${instances[0]}")" -ne 0 ]; then
  echo "  FAIL requests to the instance stopped by SIGTERM were cut off"
  grep "upstream: \"http://${instances[0]}/" "$work/nginx/error.log" | grep -v "connect() failed" >&2
  status=1
fi
if [ "$(cut_off "${instances[2]}")" -ne 0 ]; then
  echo "  FAIL requests to the instance left running went unanswered"
  status=1
fi
if grep -q "servidor encerrado" "$work/instance1.log"; then
  echo "  the instance stopped by SIGTERM finished gracefully"
else
  echo "  FAIL the instance stopped by SIGTERM did not log its end"
  status=1
fi
if [ "$status" -eq 0 ]; then echo "cluster: nothing lost, no stale calendar"; else echo "cluster: FAILED"; fi
exit "$status"
