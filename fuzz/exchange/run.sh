#!/usr/bin/env bash
# fuzz/exchange/run.sh SECONDS: the importer's fuzz target for SECONDS on a throw-away data
# directory, then `liga isam-check` on the files it left.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
fuzz_build fuzz_import liga
LIGA_FUZZ_WORKDIR=$fuzz_work/data ASAN_OPTIONS=detect_leaks=0 \
  fuzz_run exchange "$fuzz_build_dir/fuzz/exchange/fuzz_import" "${1:-60}" \
  -max_len=200000 -timeout=20 -rss_limit_mb=4096
for dat in "$fuzz_work"/data/work/*.DAT; do
  [ -e "$dat" ] || continue
  "$fuzz_build_dir/src/cli/liga" isam-check "$dat"
done
