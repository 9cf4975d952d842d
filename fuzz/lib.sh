# Shared steps of the fuzz runners (sourced by fuzz/<name>/run.sh).
#
# fuzz_build TARGET...   configures build-fuzz/ with clang once and builds the targets
# fuzz_run NAME BINARY SECONDS [libFuzzer options...]
#                        runs BINARY over a copy of fuzz/NAME/corpus for SECONDS in the
#                        folder $fuzz_work; a crashing input is kept in
#                        build-fuzz/NAME-artifacts/ and makes the run fail.
# The random seed is fixed (LIGA_FUZZ_SEED, default 1) so that a test run explores the same
# inputs each time; set another seed to explore further.
fuzz_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fuzz_build_dir=$fuzz_root/build-fuzz
# A memory-backed folder keeps the syncs of the storage engine cheap.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  fuzz_work=$(mktemp -d /dev/shm/liga-fuzz.XXXXXX)
else
  fuzz_work=$(mktemp -d)
fi
trap 'rm -rf "$fuzz_work"' EXIT

fuzz_build() {
  if [ ! -f "$fuzz_build_dir/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$fuzz_root" -B "$fuzz_build_dir" -G Ninja \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIGA_FUZZ=ON -DLIGA_TESTS=OFF >/dev/null
  fi
  cmake --build "$fuzz_build_dir" --target "$@" -j "${LIGA_JOBS:-$(nproc)}" >/dev/null
}

fuzz_run() {
  local name=$1 binary=$2 seconds=$3
  shift 3
  local corpus=$fuzz_work/corpus-$name artifacts=$fuzz_work/artifacts-$name status=0
  mkdir -p "$corpus" "$artifacts"
  cp "$fuzz_root/fuzz/$name/corpus/"* "$corpus"/
  "$binary" "$corpus" -seed="${LIGA_FUZZ_SEED:-1}" -max_total_time="$seconds" \
    -artifact_prefix="$artifacts/" \
    -print_final_stats=1 "$@" >"$fuzz_work/$name.log" 2>&1 || status=$?
  tail -n 8 "$fuzz_work/$name.log"
  if ls "$artifacts"/* >/dev/null 2>&1; then
    mkdir -p "$fuzz_build_dir/$name-artifacts"
    cp "$artifacts"/* "$fuzz_build_dir/$name-artifacts/"
    echo "fuzz $name: findings copied to $fuzz_build_dir/$name-artifacts"
    status=1
  fi
  return $status
}
