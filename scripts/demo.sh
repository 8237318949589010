#!/usr/bin/env bash
# The demo station: a fresh folder with everything a station needs (settings, save-video folder,
# interface folder, one ready grid of the simulated jump site, a skier names file, the
# "Simulated Jump Site" camera selected), then the station started on it. The start-up
# questions are answered by the demo (no emergency reset; the parameters are the demo's), so the
# operator lands on the configuration screen.
#
#   scripts/demo.sh [BUILD_DIR]        (./run.sh --demo calls it after building)
# ZELVAN_DEMO_DIR names the folder to use instead of a new temporary one.
set -euo pipefail
build=${1:-build}
tool="$build/cli/zelvan-tool"
station="$build/station/zelvan"
demo=${ZELVAN_DEMO_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/zelvan-demo.XXXXXX")}
mkdir -p "$demo"/{station,zqio,videos,setups}

# Seed 1 is the site the "Simulated Jump Site" camera shows, so the demo grid measures it.
"$tool" simulate --out "$demo/site" --seed 1 >/dev/null
"$tool" grid solve --in "$demo/site/site.json" --save "$demo/setups/DemoLake.ipt" >/dev/null
cp "$demo/site/setup.bmp" "$demo/station/currentcapture.bmp"
cp "$demo/site/jump.avi" "$demo/videos/Demo Skierjump1.avi"
printf 'Demo Skier,USA\r\n"Smith, John",CAN\r\nJane Doe,GBR\r\n' >"$demo/names.csv"
printf 'Demo Skier,USA\r\nSmith John,CAN\r\nJane Doe,GBR\r\n' >"$demo/station/SkierNames.txt"

# The index of the simulated site among the video devices this machine has.
device=$("$tool" devices | python3 -c '
import json, sys
names = [d["name"] for d in json.load(sys.stdin)["video"]]
print(names.index("Simulated Jump Site"))')

cat >"$demo/DI05.ini" <<INI
[Settings]
TournamentName=Demo Tournament
SetupFiles=$demo/setups
grids=1
grid1File=$demo/setups/DemoLake.ipt
logpath=$demo/videos
device=$device
framerate=30
WSTIMS=1
INI
# No emergency reset; "Please Verify all Setup Parameters" taken.
printf 'No\nOK\n' >"$demo/answers.txt"

echo "Demo station in $demo"
export ZELVAN_APP_DIR="$demo/station" ZELVAN_ZQIO="$demo/zqio" ZELVAN_SETTINGS="$demo/DI05.ini"
exec "$station" --answers "$demo/answers.txt"
