#!/usr/bin/env bash
# make-images.sh [all|sysmanager]: draws the program's own pictures with ImageMagick into
# resources/images (all of them, or only one window's). Run by hand when a picture changes; the
# results are checked in, the build never runs this. The Helvetica fonts come from the gsfonts
# package.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/resources/images
mkdir -p "$out"
cd "$out"
font=Helvetica-Bold
which=${1:-all}
navy='#1d3f72'; blue='#2f6db5'; light='#5b97dc'; pale='#eaf1fb'

# Text button: NAME WIDTH HEIGHT LABEL BASE HOVER
button() {
  local name=$1 w=$2 h=$3 label=$4 base=$5 hover=$6 n colour
  for n in 1 2; do
    colour=$base; [ "$n" = 2 ] && colour=$hover
    convert -size "${w}x${h}" xc:white -fill "$colour" -stroke "$navy" -strokewidth 1 \
      -draw "roundrectangle 0,0 $((w-1)),$((h-1)) 6,6" -stroke none -fill white \
      -font "$font" -pointsize $((h/2)) -gravity center -annotate +0+0 "$label" \
      -quality 92 "$name$n.jpg"
  done
}

# Glyph button of the title bar: NAME SIZE DRAW
titlebutton() {
  local name=$1 s=$2 draw=$3
  convert -size "${s}x${s}" xc:"$navy" -stroke white -strokewidth 2 -draw "$draw" \
    -quality 92 "${name}1.jpg"
  convert -size "${s}x${s}" xc:'#c0392b' -stroke white -strokewidth 2 -draw "$draw" \
    -quality 92 "${name}2.jpg"
}

# Tool button of the main window: NAME LABEL GLYPH-DRAW. The glyph is drawn for a tile 88 wide
# and moved to the middle of the 100-wide tile, whose label ("Special Uninstall", the longest)
# keeps a margin on both sides.
toolbutton() {
  local name=$1 label=$2 draw=$3 n bg
  for n in 1 2; do
    bg=$blue; [ "$n" = 2 ] && bg=$light
    convert -size 100x64 xc:"$bg" -fill none -stroke white -strokewidth 3 \
      -draw "translate 6,0 $draw" -stroke none -fill white -font "$font" -pointsize 10 \
      -gravity south -annotate +0+5 "$label" -quality 92 "$name$n.jpg"
  done
}

if [ "$which" = all ]; then
convert -size 420x240 gradient:"$light"-"$navy" \
  -fill white -font "$font" -pointsize 34 -gravity center -annotate +0-28 'Kelvane Uninstaller' \
  -font Helvetica -pointsize 15 -annotate +0+14 'Removes programs and what they leave behind' \
  -pointsize 12 -gravity southeast -annotate +24+22 'Version 2010.1.3' \
  -fill none -stroke white -strokewidth 2 -draw 'roundrectangle 14,14 405,225 12,12' \
  -quality 92 Splash.jpg

convert -size 360x220 gradient:"$pale"-'#c9dbf2' -fill "$navy" -draw 'rectangle 0,0 360,30' \
  -fill "$navy" -font "$font" -pointsize 24 -gravity center -annotate +0-24 'Kelvane Uninstaller' \
  -font Helvetica -pointsize 13 -annotate +0+8 'Version 2010.1.3' \
  -annotate +0+28 'Copyright (C) Kelvane' -quality 92 AboutBack.jpg

convert -size 440x320 gradient:white-"$pale" -fill "$navy" -draw 'rectangle 0,0 440,4' \
  -quality 92 DetailBack.jpg

button OK 80 28 OK "$blue" "$light"
titlebutton Min 20 'line 5,14 15,14'
titlebutton Close 20 'line 5,5 15,15 line 15,5 5,15'
titlebutton SMClose 20 'line 5,5 15,15 line 15,5 5,15'

toolbutton UninstallBtn 'Uninstall' 'rectangle 32,8 56,32 line 26,40 62,4'
toolbutton ForceUninstallBtn 'Force Uninstall' 'polygon 44,6 60,22 44,38 28,22 line 44,14 44,26'
toolbutton SpecialBtn 'Special Uninstall' 'circle 44,22 44,8 line 38,22 50,22 line 44,16 44,28'
toolbutton StartupBtn 'System Manager' 'rectangle 28,8 60,34 line 34,16 54,16 line 34,24 48,24'
toolbutton DeleteBtn 'Delete Entry' 'line 32,8 56,36 line 56,8 32,36'
toolbutton RefreshBtn 'Refresh' 'arc 30,8 58,36 30,330 line 58,16 58,24 line 58,24 50,22'
toolbutton UninstallExBtn 'Uninstall' 'rectangle 32,8 56,32 line 26,40 62,4'
toolbutton DetailBtn 'Details' 'circle 44,22 44,8 line 44,18 44,30 point 44,13'
toolbutton ViewBtn 'View' 'rectangle 30,8 40,18 rectangle 48,8 58,18 rectangle 30,24 40,34 rectangle 48,24 58,34'

# The uninstall wizard: its Next, Cancel, Finish and Skip buttons, the check of a finished
# step, and the pictures of its registry tree (key, string value, number value; unticked and
# ticked boxes).
button Next 96 26 Next "$blue" "$light"
button Cancel 96 26 Cancel "$blue" "$light"
button Finish 96 26 Finish "$navy" "$blue"
button Skip 80 22 Skip "$blue" "$light"
convert -size 18x18 xc:white -fill '#2e8b57' -draw 'circle 9,9 9,1' -fill none -stroke white \
  -strokewidth 2 -draw 'polyline 5,9 8,12 13,6' -quality 92 StepImage.jpg
convert -size 16x16 xc:white -fill '#e8b84a' -stroke '#9a7420' -draw 'rectangle 1,4 14,13' \
  -draw 'rectangle 1,2 6,4' -quality 92 TreeKey.jpg
convert -size 16x16 xc:white -fill "$blue" -draw 'rectangle 1,1 14,14' -fill white \
  -font "$font" -pointsize 9 -gravity center -annotate +0+0 'ab' -quality 92 TreeString.jpg
convert -size 16x16 xc:white -fill '#2e8b57' -draw 'rectangle 1,1 14,14' -fill white \
  -font "$font" -pointsize 9 -gravity center -annotate +0+0 '01' -quality 92 TreeNumber.jpg
convert -size 16x16 xc:white -fill white -stroke "$navy" -draw 'rectangle 2,2 13,13' \
  -quality 92 TreeUnticked.jpg
convert -size 16x16 xc:white -fill white -stroke "$navy" -draw 'rectangle 2,2 13,13' \
  -stroke '#2e8b57' -strokewidth 2 -fill none -draw 'polyline 4,8 7,11 12,5' -quality 92 TreeTicked.jpg

# Send button of the request mail form: 98 by 35, normal (1) and with the pointer over it (2).
for n in 1 2; do
  bg=$blue; [ "$n" = 2 ] && bg=$light
  convert -size 98x35 xc:white -fill "$bg" -stroke "$navy" -strokewidth 1 \
    -draw 'roundrectangle 0,0 97,34 6,6' -stroke none -fill white -font DejaVu-Sans-Bold -pointsize 11 \
    -gravity center -annotate +0+0 'Send Message' -quality 92 "SubmitSend$n.jpg"
done

# Picture of the facts panel while no program is selected.
convert -size 64x64 xc:white -fill "$blue" -draw 'roundrectangle 4,4 59,59 10,10' \
  -fill white -font "$font" -pointsize 40 -gravity center -annotate +0+0 '?' -quality 92 Instruction.jpg

# The live-update wait animation: eight frames of a turning ring of dots.
frames=()
for i in 0 1 2 3 4 5 6 7; do
  args=()
  for d in 0 1 2 3 4 5 6 7; do
    angle=$(( (d * 45) ))
    x=$(python3 -c "import math;print(round(24+15*math.cos(math.radians($angle))))")
    y=$(python3 -c "import math;print(round(24+15*math.sin(math.radians($angle))))")
    if [ $(( (d - i + 8) % 8 )) -eq 0 ]; then c=$navy; elif [ $(( (d - i + 8) % 8 )) -le 2 ]; then c=$blue; else c='#c9dbf2'; fi
    args+=(-fill "$c" -draw "circle $x,$y $((x+4)),$y")
  done
  convert -size 48x48 xc:white "${args[@]}" "frame$i.png"
  frames+=("frame$i.png")
done
convert -delay 10 -loop 0 "${frames[@]}" LiveUpdate.gif
rm -f frame*.png

# Program icon: a blue square with a white K and a small arrow, in three sizes.
for s in 16 32 48; do
  convert -size "${s}x${s}" xc:none -fill "$blue" -draw "roundrectangle 0,0 $((s-1)),$((s-1)) $((s/5)),$((s/5))" \
    -fill white -font "$font" -pointsize $((s*3/4)) -gravity center -annotate +0+0 'K' "icon$s.png"
done
convert icon16.png icon32.png icon48.png ../KU.ico
rm -f icon*.png
fi

# System Manager: background, page selectors (3 = selected), action buttons, progress picture.
convert -list font | grep -q "Font: $font\$" || font=DejaVu-Sans-Bold
convert -size 630x377 xc:white -fill "$navy" -draw 'rectangle 0,0 630,30' \
  -fill "$pale" -draw 'rectangle 0,31 150,377' -fill "$blue" -draw 'rectangle 150,31 152,377' \
  -quality 92 SysManagerBack.jpg
pagebutton() {
  local name=$1 label=$2 n bg fg
  for n in 1 2 3; do
    bg=$pale; fg=$navy
    [ "$n" = 2 ] && bg='#c9dbf2'
    [ "$n" = 3 ] && { bg=$blue; fg=white; }
    convert -size 136x40 xc:"$bg" -fill "$fg" -font "$font" -pointsize 14 -gravity west \
      -annotate +14+0 "$label" -quality 92 "$name$n.jpg"
  done
}
pagebutton BackupPage 'Backup'
pagebutton RestorePage 'Restore'
pagebutton StartupPage 'Startup'
pagebutton DevicePage 'Devices'
button BackupSBt 110 30 'Backup' "$blue" "$light"
button RegRecovery 110 30 'Restore' "$blue" "$light"
button BurnCD 110 30 'Burn CD' "$blue" "$light"
button NICRecovery 110 30 'Restore' "$blue" "$light"
# The DOS-mode entry: 1/2 offer to set it, 3/4 offer to remove it.
button RegRecoveryDOS 160 30 'Set DOS restore' "$blue" "$light"
for n in 3 4; do
  colour='#2e8b57'; [ "$n" = 4 ] && colour='#3cb371'
  convert -size 160x30 xc:white -fill "$colour" -stroke "$navy" -strokewidth 1 \
    -draw 'roundrectangle 0,0 159,29 6,6' -stroke none -fill white -font "$font" -pointsize 12 \
    -gravity center -annotate +0+0 'Remove DOS restore' -quality 92 "RegRecoveryDOS$n.jpg"
done
convert -size 36x12 xc:white -fill "$blue" -draw 'rectangle 0,2 7,9 rectangle 12,2 19,9 rectangle 24,2 31,9' \
  -quality 92 ProgressEx.jpg

# Startup manager: its four buttons, and the pictures of its list in one strip of 16 by 16:
# unmarked, marked, details hidden (plus), details shown (minus).
button OpenPathBtn 97 25 Enable "$blue" "$light"
button DeleteItemBtn 97 25 Disable "$blue" "$light"
button BtRemove 97 25 Remove "$blue" "$light"
button RestoreBtn 97 25 Restore "$blue" "$light"
# The same buttons while they are disabled (the other tab's buttons).
for name in OpenPathBtn DeleteItemBtn BtRemove RestoreBtn; do
  convert "${name}1.jpg" -colorspace Gray -fill white -colorize 45% -quality 92 "${name}3.jpg"
done
convert -size 64x16 xc:white -fill white -stroke '#7a8794' -strokewidth 1 \
  -draw 'rectangle 2,2 13,13' -fill "$blue" -stroke "$navy" -draw 'rectangle 18,2 29,13' \
  -stroke white -strokewidth 2 -draw 'line 20,8 23,11 line 23,11 28,4' \
  -fill white -stroke '#7a8794' -strokewidth 1 -draw 'rectangle 35,3 44,12 rectangle 51,3 60,12' \
  -stroke "$navy" -draw 'line 37,7 42,7 line 39,5 39,10 line 53,7 58,7' \
  -quality 95 StartupStatImages.jpg

# The special-uninstall wizard: its top and side pictures, its step, cancel and skip buttons
# (normal and under the pointer), the check shown after the scan and the sliding progress mark.
convert -size 48x45 xc:white -fill "$blue" -draw 'roundrectangle 2,2 45,42 8,8' \
  -fill white -font "$font" -pointsize 26 -gravity center -annotate +0+0 'S' -quality 92 SpecialTop.jpg
convert -size 115x242 gradient:"$light"-"$navy" -fill none -stroke white -strokewidth 2 \
  -draw 'circle 57,80 57,50' -draw 'line 45,80 55,92' -draw 'line 55,92 72,66' \
  -stroke none -fill white -font "$font" -pointsize 13 -gravity south -annotate +0+40 'Special' \
  -annotate +0+22 'Uninstall' -quality 92 SpecialSide.jpg
button SpecialStepBitBtn 98 34 'Next' "$blue" "$light"
button SpecialCancelBitBtn 98 34 'Cancel' "$blue" "$light"
button SpecialRegSkipBtn 69 24 'Skip' "$blue" "$light"
convert -size 24x24 xc:white -fill '#2e8b57' -draw 'circle 12,12 12,1' -fill none -stroke white \
  -strokewidth 3 -draw 'line 6,12 10,17' -draw 'line 10,17 18,7' -quality 92 SpecialStepImage1.jpg
convert -size 24x10 gradient:"$light"-"$navy" -rotate 90 -resize 24x10\! -quality 92 SpecialRegProgressImage.jpg
