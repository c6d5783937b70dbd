#!/bin/sh
# Makes a copy of the run's fresh WINEPREFIX that tells programs it is another Windows version,
# so that code choosing by the version can be run under each: wineprefix-version.sh FROM TO VERSION
# (a Wine version name: win10, winxp, winxp64...).
set -eu
from=$1
to=$2
version=$3
# The registry files are complete only once the prefix's server has written them and gone.
WINEPREFIX="$from" wineserver -w
rm -rf "$to"
cp -a "$from" "$to"
WINEPREFIX="$to" WINEDEBUG=-all wine reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null
WINEPREFIX="$to" wineserver -w
echo "WINEPREFIX at $to says $version"
