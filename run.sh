#!/usr/bin/env bash
# Set up, build and start the station.
#   ./run.sh            the station, with this machine's settings and cameras
#   ./run.sh --demo     a self-contained demo station on the simulated jump site
# Other arguments are passed on to the station.
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh --quiet
if [ "${1:-}" = "--demo" ]; then
  shift
  exec scripts/demo.sh build "$@"
fi
exec build/station/zelvan "$@"
