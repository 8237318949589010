#!/usr/bin/env bash
# Set up, build and run every test headless.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc 2>/dev/null || echo 2)" "$@"
