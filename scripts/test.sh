#!/usr/bin/env bash
# Builds Pelko with warnings as errors and with AddressSanitizer and UndefinedBehaviorSanitizer,
# then runs every test. Extra arguments go to ctest (for example -R testerrortrap).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/test"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DPELKO_WERROR=ON -DPELKO_SANITIZE=ON -DPELKO_BUILD_TESTS=ON -DPELKO_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
ctest --output-on-failure -j "$(nproc)" "$@"
