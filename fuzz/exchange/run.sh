#!/usr/bin/env bash
# fuzz/exchange/run.sh SECONDS: builds the importer's fuzz target with clang and runs it
# for SECONDS on a throw-away data directory, then checks the files it left with
# `liga isam-check`.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-fuzz
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLIGA_FUZZ=ON -DLIGA_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target fuzz_import liga -j "${LIGA_JOBS:-$(nproc)}" >/dev/null
# A memory-backed folder keeps the engine's syncs cheap, so more inputs run per second.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then work=$(mktemp -d /dev/shm/liga-fuzz.XXXXXX); else work=$(mktemp -d); fi
trap 'rm -rf "$work"' EXIT
corpus=$work/corpus
mkdir -p "$corpus" "$work/artifacts"
cp "$root"/fuzz/exchange/corpus/* "$corpus"/
LIGA_FUZZ_WORKDIR=$work/data ASAN_OPTIONS=detect_leaks=0 \
  "$build/fuzz/exchange/fuzz_import" "$corpus" -max_total_time="$seconds" -max_len=200000 \
  -timeout=20 -rss_limit_mb=4096 -artifact_prefix="$work/artifacts/" -print_final_stats=1 2>&1 |
  tail -n 12
for dat in "$work"/data/work/*.DAT; do
  [ -e "$dat" ] || continue
  "$build/src/cli/liga" isam-check "$dat"
done
