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
# intercept_tls_get_addr=0: the sanitizer runtime of GCC 12 (and LLVM's up to 16) takes a dynamic
# TLS block that happens to start 16 bytes past a page boundary for one with the header glibc
# dropped in 2.25, and reads the two words before it as a block's address and length;
# LeakSanitizer's tracer then faults at exit (signal 11, no leak reported). The Firebird client and
# engine, loaded with dlopen, have such blocks in every thread they start. Since glibc 2.25 those
# blocks come from malloc and are reached through each thread's vector like any heap block, so
# the leak check still scans them.
export ASAN_OPTIONS="detect_leaks=1:intercept_tls_get_addr=0:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:suppressions=$supp/asan.supp"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
cd "$build"
ctest --output-on-failure -j "$(nproc)"
