#!/usr/bin/env bash
# Times the settings reader on large profiles of several shapes, to show its cost per byte stays
# flat as files grow. Usage: tools/bench/reader.sh [MiB ...]   (default 16 64 256). Judges nothing.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/setup.sh libx11-dev libxtst-dev
cmake -S tools/bench -B build/bench -G Ninja >/dev/null
cmake --build build/bench --target bench_reader >/dev/null
build/bench/bench_reader "$@"
