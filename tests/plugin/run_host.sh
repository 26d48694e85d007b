#!/bin/sh
# Runs the Windows test host under wine64 in the build tree's own prefix.
# usage: run_host.sh WINE64 WINESERVER PREFIX HOST.exe MODE
wine=$1 server=$2 prefix=$3 exe=$4 mode=$5
export WINEPREFIX="$prefix" WINEDEBUG=-all
"$wine" "$exe" "$mode"
rc=$?
# A server left behind stays bound to this display; the next run may have
# another one.
"$server" -k 2>/dev/null
exit $rc
