#!/usr/bin/env bash
# The whole build and test suite again under AddressSanitizer, LeakSanitizer and UBSan, in
# build-asan/ (or $MSP_ASAN_BUILD_DIR). Any report in our code fails the test that met it.
#
# Qt and the Firebird client library are not instrumented; reports from inside them go to the
# commented suppression files of tests/sanitizers/. The options reach only instrumented programs:
# isql-fb and the Firebird server, started by the tests, ignore them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${MSP_ASAN_BUILD_DIR:-$top/build-asan}
bash "$top/scripts/setup.sh"
MSP_BUILD_DIR="$build" bash "$top/scripts/build.sh" -DMSP_SANITIZE=ON -DMSP_BUILD_BENCH=OFF

supp="$top/tests/sanitizers"
export ASAN_OPTIONS="detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:suppressions=$supp/asan.supp"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
cd "$build"
status=0
# batch_commande alone runs without LeakSanitizer (AddressSanitizer and UBSan stay on): under
# parallel load, LeakSanitizer's own tracer thread crashed (signal 11) at the exit of that test's
# process, after every case had passed, while stopping the threads the embedded Firebird engine
# keeps; seen in two CI runs, never when the test runs by itself.
ctest --output-on-failure -j "$(nproc)" -E '^batch_commande$' || status=1
ASAN_OPTIONS="${ASAN_OPTIONS/detect_leaks=1/detect_leaks=0}" ctest --output-on-failure -R '^batch_commande$' || status=1
exit "$status"
