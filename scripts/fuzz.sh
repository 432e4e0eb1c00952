#!/usr/bin/env bash
# Fuzzes the settings reader's lookup for a bounded time (libFuzzer with ASan and UBSan), from
# seeds made of every fixture-table row and the corpus earlier runs kept in build/fuzz/corpus.
# Usage: scripts/fuzz.sh [seconds] [libFuzzer options...]   (default 60 seconds)
# A finding stops the run with the input saved as build/fuzz/crash-*; the script then fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

scripts/setup.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

work=build/fuzz
rm -rf "$work/seeds"
"$work/tests/fuzz/profile_fuzz_seeds" tests/profile/fixtures "$work/seeds"
mkdir -p "$work/corpus"
log="$work/fuzz.log"
status=0
"$work/tests/fuzz/profile_fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/" \
    -timeout=10 -rss_limit_mb=2048 "$@" "$work/corpus" "$work/seeds" >"$log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
    tail -n 40 "$log" >&2
    echo "fuzz.sh: the reader broke its contract or crashed (status $status); the input is in $work/crash-*" >&2
    exit "$status"
fi
# The last status line carries the coverage; the final statistics the executions.
grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -n 1 || true
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log"
echo "corpus: $(find "$work/corpus" -type f | wc -l) inputs in $work/corpus"
