#!/usr/bin/env bash
# Builds the libFuzzer target of the script parser with clang and runs it for a bounded time.
#
#   scripts/fuzz.sh [SECONDS=60]
#
# Build folder: build-fuzz (or $MSP_FUZZ_BUILD_DIR). Seeds: the script templates and the test
# corpus. A crash, a hang (-timeout), a sanitizer report or a broken statement entry stops the run
# with a non-zero status and leaves the input as crash-*/timeout-* in the work folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_FUZZ_BUILD_DIR:-$top/build-fuzz}
seconds=${1:-60}

# clang and its libFuzzer runtime are needed here only, not for the normal build.
missing=()
for p in clang-14 libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 \
  -DMSP_FUZZ=ON -DMSP_BUILD_TESTS=OFF -DMSP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_script_parser

work="$build/fuzz-work"
mkdir -p "$work/corpus" "$work/seeds"
cp "$top"/src/batch/templates/*.sql "$top"/src/overlap/templates/*.sql "$top"/tests/db/test_script_corpus/*.sql "$work/seeds/"
cd "$work"
"$build/fuzz/fuzz_script_parser" corpus seeds \
  -max_total_time="$seconds" -max_len=8192 -timeout=5 -rss_limit_mb=2048 -print_final_stats=1
