#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 60), one after the other at the lowest priority,
# with the libFuzzer build of the `fuzz` preset (Clang, ASan, UBSan).
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      TARGET: packet, http_front, … (default: all)
#
# Each target starts from its seed corpus in fuzz/corpus/<target>/ and keeps what it finds in
# build/fuzz/corpus/<target>/; a crashing input is written to build/fuzz/artifacts/<target>/. Copy a
# crash into fuzz/corpus/<target>/ once it is fixed, so that the test command replays it from then on.
# Prints per target the executions, coverage (cov: edges, ft: features) and what was found; exits 1
# when any target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(packet client_response rpc_envelope calendar_methods admin_methods http_front datafile form_description)
fi

cmake --preset fuzz >/dev/null
nice -n 19 cmake --build --preset fuzz

bin=build/fuzz/bin
work=build/fuzz
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
summary=()
for target in "${targets[@]}"; do
  corpus=$work/corpus/$target
  artifacts=$work/artifacts/$target
  log=$work/logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  # Dictionaries help the mutations find the protocol's words.
  dict=()
  [ -f "fuzz/dict/$target.dict" ] && dict=(-dict="fuzz/dict/$target.dict")
  echo "Fuzzing $target for ${seconds}s ..."
  if nice -n 19 "$bin/fuzz_$target" "$corpus" "fuzz/corpus/$target" "${dict[@]}" \
      -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=4096 \
      -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1; then
    found="nothing"
  else
    found="FAULT (see $log and $artifacts/)"
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
  last=$(grep -E '^#[0-9]+' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo '?')
  ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*' || echo '?')
  summary+=("$(printf '%-18s executions %10s   cov %6s   ft %7s   %s' "$target" "$runs" "$cov" "$ft" "$found")")
done

printf '%s\n' "${summary[@]}"
exit $status
