#!/usr/bin/env bash
# Set up, build and start the station. Until the station's screens exist this starts
# zelvan-tool --help; arguments are passed on (./run.sh --demo later starts the demo station).
set -euo pipefail
cd "$(dirname "$0")"
scripts/build.sh
if [ -x build/app/zelvan ]; then
  exec build/app/zelvan "$@"
fi
exec build/cli/zelvan-tool --help
