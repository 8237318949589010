#!/usr/bin/env bash
# Shared by run.sh and test.sh: install what is missing, configure and build into ./build.
#   scripts/build.sh [--quiet]
# --quiet: the build's output goes to build/build.log and is shown only when the build fails
# (the station starts without pages of compiler lines before it).
set -euo pipefail
cd "$(dirname "$0")/.."
quiet=0
[ "${1:-}" = "--quiet" ] && quiet=1
jobs=$(nproc 2>/dev/null || echo 2)
# The tests always check the packages (a newer tree may need more); starting the station on a
# configured tree does not, so the demo comes up at once. cmake --build configures again by
# itself when a CMakeLists.txt changed.
if [ ! -f build/CMakeCache.txt ] || [ "$quiet" -eq 0 ]; then
  scripts/install-deps.sh
fi
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if [ "$quiet" -eq 0 ]; then
  exec cmake --build build -j"$jobs"
fi
if ! cmake --build build -j"$jobs" >build/build.log 2>&1; then
  tail -n 60 build/build.log >&2
  echo "build: failed; the whole output is in build/build.log" >&2
  exit 1
fi
