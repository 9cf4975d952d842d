#!/usr/bin/env bash
# fuzz/storage/run.sh SECONDS: builds the storage fuzz target (OpenFileBlock + a full scan
# of hostile files) with clang into build-fuzz/ and runs it for SECONDS over a copy of the
# corpus in fuzz/storage/corpus.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-fuzz
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLIGA_FUZZ=ON -DLIGA_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target fuzz_storage -j "${LIGA_JOBS:-$(nproc)}" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/artifacts"
cp "$root"/fuzz/storage/corpus/* "$work/corpus"/
status=0
ASAN_OPTIONS=detect_leaks=1 \
  "$build/fuzz/storage/fuzz_storage" "$work/corpus" -max_total_time="$seconds" -max_len=65536 \
  -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
  >"$work/log" 2>&1 || status=$?
tail -n 12 "$work/log"
# Keep a crashing input where it can be replayed: fuzz_storage FILE.
if ls "$work"/artifacts/* >/dev/null 2>&1; then
  mkdir -p "$build/storage-artifacts"
  cp "$work"/artifacts/* "$build/storage-artifacts/"
  echo "fuzz_storage: findings copied to $build/storage-artifacts"
  status=1
fi
exit $status
