#!/usr/bin/env bash
# GetWindowsVersion under the prefix-wide Wine version setting (HKCU\Software\Wine
# "Version"). That setting changes every program of a prefix, so this runs in a private
# copy of the template prefix rather than in the one the suites share.
set -uo pipefail
probe=$1
here=$(cd "$(dirname "$0")/../support" && pwd)
. "$here/wine-env"
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/qlry-winver.XXXXXX)/prefix
trap 'qlry_wine_stop; rm -rf "$(dirname "$WINEPREFIX")"' EXIT
qlry_wine_start || exit 1

status=0
# Exit codes are the ordinals wvWin32s=0, wvWin9x=1, wvWinNT=2, wvWinNT35=3.
for row in "win98 1" "nt40 2" "nt351 3" "- 2"; do
  set -- $row
  if [ "$1" = - ]; then
    wine reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1
  else
    wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1
  fi
  wine "$probe" >/dev/null 2>&1 </dev/null
  got=$?
  if [ "$got" = "$2" ]; then echo "ok: Version=$1 gives $got"; else echo "FAILED: Version=$1 gives $got, expected $2"; status=1; fi
done
exit $status
