#!/usr/bin/env bash
# Builds Pelko and starts it; every argument is passed to the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPELKO_BUILD_TESTS=OFF -DPELKO_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build/release" --target pelko tallysim
exec "$root/build/release/src/pelko" "$@"
