#!/usr/bin/env bash
# Checks that the sources are formatted as .clang-format says (clang-format from Debian), then builds Pelko twice
# with warnings as errors, once with AddressSanitizer and UndefinedBehaviorSanitizer and once optimised as
# scripts/run.sh ships it, and runs every test in both builds. Extra arguments go to ctest (for example
# -R testerrortrap).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sanitized="$root/build/test"
optimised="$root/build/opt"

"$root/scripts/install-deps.sh"

echo "== format"
find "$root/src" "$root/tests" "$root/tools" "$root/bench" \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run --Werror
cmake -S "$root" -B "$sanitized" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DPELKO_WERROR=ON -DPELKO_SANITIZE=ON -DPELKO_BUILD_TESTS=ON -DPELKO_BUILD_BENCH=ON >/dev/null
cmake -S "$root" -B "$optimised" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELKO_WERROR=ON -DPELKO_SANITIZE=OFF -DPELKO_BUILD_TESTS=ON -DPELKO_BUILD_BENCH=ON >/dev/null
cmake --build "$sanitized" -j "$(nproc)"
cmake --build "$optimised" -j "$(nproc)"

echo "== tests, optimised build"
(cd "$optimised" && ctest --output-on-failure -j "$(nproc)" "$@")

echo "== tests, sanitizer build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$sanitized"
ctest --output-on-failure -j "$(nproc)" "$@"
