#!/bin/sh
# Registers Wine's own Tahoma (Debian package fonts-wine) in $WINEPREFIX. Debian's Wine finds
# fonts through fontconfig only, which does not look in Wine's font folder: without this the
# message font falls back to DejaVu Sans, wider than any font of Windows.
set -eu
: "${WINEPREFIX:?}"
fonts=/usr/share/wine/fonts
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
for entry in "Tahoma:tahoma.ttf" "Tahoma Bold:tahomabd.ttf"; do
  name=${entry%%:*}
  file=${entry#*:}
  if [ -f "$fonts/$file" ]; then
    WINEDEBUG=-all wine reg add "$key" /v "$name (TrueType)" /t REG_SZ \
      /d "Z:$(printf '%s' "$fonts/$file" | tr / '\\')" /f >/dev/null 2>&1
  fi
done
wineserver -w
