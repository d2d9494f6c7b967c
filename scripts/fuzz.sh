#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
#
#   scripts/fuzz.sh [SECONDS=60] [TARGET...]
#
# Targets: script_parser, numeros_csv, fichier_ini, etablissements, texte, fichier_lot, remplissage
# (default: all).
# MSP_FUZZ_RUNS=N also stops a target after N inputs. Build folder: build-fuzz (or
# $MSP_FUZZ_BUILD_DIR); each target keeps its corpus in build-fuzz/fuzz-work/<target>/corpus
# between runs, seeded from fuzz/corpus/<target>. A crash, a hang (-timeout), a sanitizer report,
# a memory blow-up (-rss_limit_mb) or a broken invariant stops that target with a non-zero status
# and leaves the input as crash-*/timeout-*/oom-* in its work folder; the script then fails.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_FUZZ_BUILD_DIR:-$top/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(script_parser numeros_csv fichier_ini etablissements texte fichier_lot remplissage)

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
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

status=0
summary=()
for t in "${targets[@]}"; do
  work="$build/fuzz-work/$t"
  rm -rf "$work/seeds"
  mkdir -p "$work/corpus" "$work/seeds"
  if [ "$t" = script_parser ]; then
    cp "$top"/src/batch/templates/*.sql "$top"/src/overlap/templates/*.sql \
       "$top"/tests/db/test_script_corpus/*.sql "$work/seeds/"
  else
    cp "$top/fuzz/corpus/$t"/* "$work/seeds/"
  fi
  extra=()
  [ -z "${MSP_FUZZ_RUNS:-}" ] || extra+=(-runs="$MSP_FUZZ_RUNS")
  [ ! -f "$top/fuzz/$t.dict" ] || extra+=(-dict="$top/fuzz/$t.dict")
  echo "== fuzz_$t: ${seconds} s"
  rc=0
  (cd "$work" && "$build/fuzz/fuzz_$t" corpus seeds -max_total_time="$seconds" "${extra[@]}" \
     -max_len=8192 -timeout=5 -rss_limit_mb=2048 -print_final_stats=1) 2>"$work/log" || rc=$?
  tail -n 12 "$work/log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$work/log")
  files=$(find "$work/corpus" -type f | wc -l)
  bytes=$(du -sb "$work/corpus" | cut -f1)
  summary+=("fuzz_$t: ${runs:-?} inputs in ${took:-?} s, corpus $files files ($bytes bytes), exit $rc")
  ((rc == 0)) || status=1
done
printf '%s\n' "${summary[@]}"
exit "$status"
