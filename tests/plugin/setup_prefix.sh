#!/bin/sh
# Creates the test host's wine prefix once (slow: wine sets up a whole
# Windows tree) and imports the host's per-program settings every time.
# usage: setup_prefix.sh WINE64 WINESERVER PREFIX SETTINGS.reg
wine=$1 server=$2 prefix=$3 reg=$4
export WINEPREFIX="$prefix" WINEDEBUG=-all
mkdir -p "$prefix" || exit 1
if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
    "$server" -w
fi
[ -f "$prefix/system.reg" ] || { echo "wine prefix $prefix could not be created"; exit 1; }
"$wine" regedit /S "Z:$(printf '%s' "$reg" | tr / '\\')" || exit 1
"$server" -w
