#!/bin/bash
# Draws the program's pictures with ImageMagick: the application icon, the startup manager's
# icon, the Boost and Restore icons and the banner of the main window. The results are committed,
# so the build never needs this script; run it again after changing a drawing.
#   tools/draw-resources.sh [output folder, default resources/]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-resources}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bold=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
book=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf

# Every icon is drawn on a 256-pixel canvas and reduced with a box filter, which keeps the
# shapes sharp and their edges smooth at 16, 32 and 48 pixels.
reduce() {  # reduce <drawing.png> <size> <result.png>
  convert "$1" -filter Box -resize "$2x$2" -define png:color-type=6 "$3"
}

# A band of a circle, as a filled outline (this ImageMagick closes stroked arcs with a chord):
#   band <centre x> <centre y> <radius> <width> <from degrees> <to degrees>, clockwise from east.
band() {
  awk -v cx="$1" -v cy="$2" -v r="$3" -v w="$4" -v a0="$5" -v a1="$6" 'BEGIN {
    pi = atan2(0, -1); ro = r + w / 2; ri = r - w / 2; large = (a1 - a0 > 180) ? 1 : 0
    s = a0 * pi / 180; e = a1 * pi / 180
    printf "path \"M %.2f,%.2f A %g,%g 0 %d,1 %.2f,%.2f L %.2f,%.2f A %g,%g 0 %d,0 %.2f,%.2f Z\"",
      cx + ro * cos(s), cy + ro * sin(s), ro, ro, large, cx + ro * cos(e), cy + ro * sin(e),
      cx + ri * cos(e), cy + ri * sin(e), ri, ri, large, cx + ri * cos(s), cy + ri * sin(s)
  }'
}

# Application icon: a gauge on a blue tile, its needle in the fast end.
convert -size 256x256 gradient:'#3a86e8-#0b2f6b' \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 6,6 249,249 48,48' \) \
  -alpha off -compose CopyOpacity -composite -compose Over \
  -stroke none -fill white -draw "$(band 128 150 82 26 150 320)" \
  -fill '#ffb020' -draw "$(band 128 150 82 26 320 390)" \
  -stroke white -strokewidth 20 -draw 'line 128,150 186,92' \
  -stroke none -fill white -draw 'circle 128,150 128,172' \
  "$work/app.png"
for size in 16 32 48; do reduce "$work/app.png" $size "$work/app$size.png"; done
convert "$work/app16.png" "$work/app32.png" "$work/app48.png" "$out/velqor.ico"

# Startup manager: a window with a list, and a green start mark.
convert -size 256x256 xc:none \
  -fill '#f4f6fa' -stroke '#31456a' -strokewidth 14 -draw 'roundrectangle 14,28 226,226 18,18' \
  -stroke none -fill '#2f6fd0' -draw 'rectangle 21,35 219,82' \
  -fill '#8a9bb8' -draw 'rectangle 48,110 170,126' -draw 'rectangle 48,146 140,162' \
  -draw 'rectangle 48,182 110,198' \
  -fill '#22a045' -stroke white -strokewidth 10 -draw 'polygon 140,130 250,190 140,250' \
  "$work/startup.png"
for size in 16 32; do reduce "$work/startup.png" $size "$work/startup$size.png"; done
convert "$work/startup16.png" "$work/startup32.png" "$out/startup.ico"

# Boosted: a green disc with an arrow up. Restored: a grey-red disc with a bar down.
convert -size 256x256 xc:none \
  -fill '#1f8f3a' -stroke '#0e5a22' -strokewidth 12 -draw 'circle 128,128 128,10' \
  -stroke none -fill white -draw 'polygon 128,40 212,132 158,132 158,212 98,212 98,132 44,132' \
  "$work/start.png"
convert -size 256x256 xc:none \
  -fill '#b8322a' -stroke '#6e1b16' -strokewidth 12 -draw 'circle 128,128 128,10' \
  -stroke none -fill white -draw 'polygon 128,216 212,124 158,124 158,44 98,44 98,124 44,124' \
  "$work/stop.png"
for name in start stop; do
  for size in 16 32; do reduce "$work/$name.png" $size "$work/$name$size.png"; done
  convert "$work/${name}16.png" "$work/${name}32.png" "$out/$name.ico"
done

# Banner of the main window, 398 by 97 pixels (5970 by 1455 twips at 96 DPI).
convert -size 398x97 gradient:'#17304f-#060b14' \
  -stroke none -fill '#1d3a60' -draw "$(band 345 72 38 9 180 360)" \
  -fill '#3b8ef0' -draw "$(band 345 72 38 9 180 300)" \
  -stroke '#ffb020' -strokewidth 3 -draw 'line 345,72 371,48' \
  -stroke none -fill '#ffb020' -draw 'circle 345,72 345,77' \
  -fill '#3b8ef0' -draw 'rectangle 21,61 61,63' \
  -font "$bold" -density 72 -pointsize 40 -fill white -annotate +18+52 'Velqor' \
  -font "$book" -pointsize 11 -fill '#a9bdd8' \
  -annotate +21+82 'Tweaks  ·  Internet speed  ·  Startup  ·  Pop-up killer' \
  -type TrueColor "BMP3:$out/banner.bmp"
echo "drawn into $out: velqor.ico startup.ico start.ico stop.ico banner.bmp"
