#!/usr/bin/env bash
# Runs one fuzz target for a bounded time from its committed seeds (copied,
# so the seeds stay as committed) and prints executions and coverage.
# A crash fails the test; its input is kept in the working folder.
set -euo pipefail
target="$1"; seeds="$2"; seconds="${3:-20}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/velmora-fuzz.XXXXXX")"
mkdir -p "$work/corpus"
cp -r "$seeds"/. "$work/corpus/"
cd "$work"
export LSAN_OPTIONS="suppressions=$here/lsan.supp ${LSAN_OPTIONS:-}"
export JACK_NO_START_SERVER=1
status=0
# A fixed seed makes a run repeatable: the test passes or fails the same
# way on every machine (VELMORA_FUZZ_SEED=0 lets the fuzzer pick one).
"$target" -seed="${VELMORA_FUZZ_SEED:-1}" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus >"$work/log.txt" 2>&1 || status=$?
grep -E "^#[0-9]+.*(DONE|INITED)" "$work/log.txt" | tail -2 || true
grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$work/log.txt" || true
if [ "$status" -ne 0 ]; then
  tail -60 "$work/log.txt"
  echo "fuzz target failed; inputs in $work" >&2
  exit "$status"
fi
rm -rf "$work"
