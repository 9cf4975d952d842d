#!/usr/bin/env bash
# fuzz/storage/run.sh SECONDS: the storage fuzz target (OpenFileBlock + a full scan of
# hostile files) for SECONDS over its corpus.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
fuzz_build fuzz_storage
ASAN_OPTIONS=detect_leaks=1 fuzz_run storage "$fuzz_build_dir/fuzz/storage/fuzz_storage" \
  "${1:-60}" -max_len=65536 -timeout=10 -rss_limit_mb=2048
