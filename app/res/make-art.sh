#!/usr/bin/env bash
# Regenerates the window's artwork in this folder. Needs ImageMagick 6 and fonts-dejavu-core;
# the build does not run it: the generated files are committed.
set -euo pipefail
cd "$(dirname "$0")"
T=$(mktemp -d); trap 'rm -rf "$T"' EXIT

FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
BOLD=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
NAVY='#0c2544'      # banner colour behind the buttons; glyph edges are blended against it
TEAL='#0e6f7e'
GOLD='#ffc933'
M='#ff00ff'         # the buttons' transparent colour

# --- document -> PDF emblem, drawn at 256 x 256 (banner and icon) -------------------------
convert -size 256x256 xc:none \
  -fill '#00000040' -draw 'roundrectangle 50,30 200,236 14,14' -blur 0x6 \
  -fill '#f4f8fc' -draw 'path "M 46,22 L 150,22 L 196,68 L 196,222 Q 196,232 186,232 L 56,232 Q 46,232 46,222 Z"' \
  -fill '#c9d8e6' -draw 'path "M 150,22 L 150,60 Q 150,68 158,68 L 196,68 Z"' \
  -fill '#9fb6cc' -draw 'roundrectangle 72,90 170,98 4,4 roundrectangle 72,112 170,120 4,4 roundrectangle 72,134 140,142 4,4' \
  -fill '#e2403a' -draw 'roundrectangle 96,156 236,226 16,16' \
  -fill white -font "$BOLD" -pointsize 50 -gravity NorthWest -annotate +110+163 'PDF' \
  "$T/emblem.png"

# --- banner 667 x 135 ----------------------------------------------------------------------
convert -size 667x135 xc: -gravity NorthWest \
  -sparse-color Bilinear "0,0 $NAVY 330,0 $NAVY 667,0 $TEAL 0,135 #0a1f3a 667,135 #0b5a6c" \
  \( -size 667x135 xc:none -fill '#5fd6e850' -draw 'ellipse 540,64 190,70 0,360' -blur 0x45 \) -composite \
  \( -size 667x135 xc:none -fill none -stroke '#ffffff10' -strokewidth 30 \
     -draw 'path "M -40,160 C 160,70 380,170 720,30"' -strokewidth 1.5 -stroke '#9be7ff30' \
     -draw 'path "M -40,128 C 180,50 390,150 720,6"' -draw 'path "M -40,140 C 190,70 400,160 720,16"' \
     -stroke '#9be7ff1c' -draw 'path "M 180,170 C 360,70 520,130 720,70"' \) -composite \
  \( -size 667x135 gradient:'#ffffff14-#ffffff00' \) -composite \
  -fill '#0a1a30' -draw 'rectangle 0,132 667,132' -fill '#38c7d8' -draw 'rectangle 0,133 667,134' \
  \( "$T/emblem.png" -resize 56x56 \) -geometry +384+42 -composite \
  -font "$BOLD" -pointsize 30 -fill white -annotate +446+40 'pages' \
  -fill '#7fe6f5' -annotate +549+40 '2pdf' \
  -font "$FONT" -pointsize 12 -fill '#c4deea' -annotate +447+83 'Pages documents to PDF, exactly' \
  -alpha off -strip PNG24:banner.png

# --- background 667 x 443, designed at its shown size 684 x 361 --------------------------
convert -size 684x361 gradient:'#eef3f8-#d5e0ea' \
  \( -size 684x6 gradient:'#0a1f3a55-#0a1f3a00' \) -composite \
  -resize '667x443!' -quality 92 background.jpg

# --- footer 667 x 45, designed at its shown size 684 x 29 --------------------------------
convert -size 684x29 xc: -sparse-color Bilinear "0,0 #0b2240 684,0 #0c5868 0,29 #081a32 684,29 #0a4a5a" \
  -fill '#38c7d8' -draw 'rectangle 0,0 684,0' \
  -font "$FONT" -pointsize 10 -fill '#9fc3d4' -gravity East -annotate +16+1 'pages2pdf 1.0' \
  -resize '667x45!' -quality 92 footer.jpg

# --- button pictures -------------------------------------------------------------------------
# glyph NAME SIZE TYPE DRAW...: draws at S times (8) on transparent, shrinks, blends the edges over NAVY
# and makes every almost-clear pixel exact magenta.
glyph() {
  local name=$1 size=$2 type=$3; shift 3
  local big=$((size * ${S:-8}))
  convert -size "${big}x${big}" xc:none "$@" -resize "${size}x${size}" "$T/g.png"
  convert "$T/g.png" -alpha extract -threshold 30% "$T/mask.png"
  # A strip of spare colours keeps palette files at 8 bits per pixel even when few colours are used.
  convert -size "${size}x${size}" xc:"$M" \( "$T/g.png" -background "$NAVY" -flatten \) "$T/mask.png" -composite \
    \( -size 40x1 gradient:black-gray \) -append -type "$type" -crop "${size}x${size}+0+0" +repage \
    -compress None BMP3:"$name"
}
page='path "M 30,8 L 118,8 L 162,52 L 162,184 L 30,184 Z"'
fold='path "M 118,8 L 118,52 L 162,52 Z"'
glyph btn_add.bmp 24 Palette -fill white -draw "$page" -fill '#b8cde0' -draw "$fold" \
  -stroke "$NAVY" -strokewidth 12 -fill '#3ecf74' -draw 'circle 140,140 140,190' \
  -stroke none -fill white -draw 'rectangle 112,132 168,148 rectangle 132,112 148,168'
glyph btn_remove.bmp 24 Palette -fill white -draw "$page" -fill '#b8cde0' -draw "$fold" \
  -stroke "$NAVY" -strokewidth 12 -fill '#ff6a55' -draw 'circle 140,140 140,190' \
  -stroke none -fill white -draw 'rectangle 112,132 168,148'
glyph btn_removeall.bmp 24 Palette -fill '#ff7a66' -draw 'roundrectangle 74,14 118,34 6,6' \
  -fill white -draw 'roundrectangle 30,30 162,48 6,6' -draw 'path "M 42,58 L 150,58 L 140,182 L 52,182 Z"' \
  -fill none -stroke "$NAVY" -strokewidth 10 -draw 'line 74,78 77,162 line 96,78 96,162 line 118,78 115,162'
glyph btn_convert.bmp 24 Palette -fill white -draw 'path "M 62,8 L 142,8 L 184,50 L 184,184 L 62,184 Z"' \
  -fill '#b8cde0' -draw 'path "M 142,8 L 142,50 L 184,50 Z"' -fill '#e2403a' -draw 'rectangle 62,128 184,168' \
  -stroke "$NAVY" -strokewidth 12 -fill "$GOLD" -draw 'path "M 6,70 L 74,70 L 74,34 L 138,98 L 74,162 L 74,126 L 6,126 Z"'
glyph btn_help.bmp 24 TrueColor -fill '#2f9ee6' -stroke white -strokewidth 12 -draw 'circle 96,96 96,176' \
  -stroke none -fill white -font "$BOLD" -pointsize 124 -gravity center -annotate +2+6 '?'
x=''; for i in 0 1 2 3 4 5 6 7 8; do x+="point $((4 + i)),$((4 + i)) point $((12 - i)),$((4 + i)) "; done
for i in 0 1 2 3 4 5 6 7; do x+="point $((5 + i)),$((4 + i)) point $((11 - i)),$((4 + i)) "; done
S=1 glyph btn_min.bmp 16 Palette -fill white -draw 'rectangle 4,10 12,11'
S=1 glyph btn_close.bmp 16 Palette -fill white -draw "$x"

for f in btn_*.bmp; do  # the transparent colour must have survived exactly
  [ "$(convert "$f" -gravity SouthWest -crop 1x1+0+0 -format '%[hex:p{0,0}]' info:)" = FF00FF ] ||
    { echo "$f: bottom-left pixel is not magenta" >&2; exit 1; }
done

# --- program icon ----------------------------------------------------------------------------
convert -size 256x256 xc: -sparse-color Bilinear "0,0 #16406a 256,0 #129aa8 0,256 #0a1f3a 256,256 #0e6f7e" \
  \( -size 256x256 xc:black -fill white -draw 'roundrectangle 8,8 247,247 44,44' \) \
  -alpha off -compose copy-opacity -composite "$T/tile.png"
convert "$T/tile.png" \( "$T/emblem.png" -resize 80% \) -gravity center -geometry +2+2 -composite -strip -depth 8 "$T/icon256.png"
convert "$T/icon256.png" -filter Lanczos -resize 48x48 "$T/icon48.png"
convert "$T/icon256.png" -filter Lanczos -resize 32x32 "$T/icon32.png"
convert "$T/tile.png" -resize 16x16 +antialias -fill '#f4f8fc' -draw 'polygon 3,2 8,2 11,5 11,13 3,13' \
  -fill '#c9d8e6' -draw 'polygon 8,2 8,5 11,5' \
  -fill '#9fb6cc' -draw 'rectangle 5,5 7,5 rectangle 5,7 9,7' -fill '#e2403a' -draw 'rectangle 6,9 13,12' "$T/icon16.png"
convert "$T/icon16.png" "$T/icon32.png" "$T/icon48.png" "$T/icon256.png" -depth 8 -type TrueColorAlpha app.ico

# --- preview of the whole window (684 x 525) -----------------------------------------------
args=()
btn() { # btn FILE LEFT TOP WIDTH HEIGHT [CAPTION [COLOUR [FONT]]]: the layout of a flat picture button
  local f=$1 l=$2 t=$3 w=$4 h=$5 cap=${6:-} col=${7:-white} fnt=${8:-$FONT}
  local g; g=$(identify -format %w "$f")
  local y=$((t + (h - g) / 2))
  [ -n "$cap" ] && y=$((t + (h - g - 4 - 13) / 2))
  args+=( \( "$f" -transparent "$M" \) -geometry "+$((l + (w - g) / 2))+$y" -composite )
  [ -n "$cap" ] && args+=( -font "$fnt" -pointsize 11 -fill "$col" -gravity North
    -annotate +$((l + w / 2 - 342))+$((y + g + 4)) "$cap" -gravity NorthWest )
  return 0
}
btn btn_add.bmp 16 40 65 57 Add; btn btn_remove.bmp 87 40 66 57 Remove; btn btn_removeall.bmp 159 40 65 57 'Remove All'
btn btn_convert.bmp 238 40 59 57 Convert '#ffff00' "$BOLD"; btn btn_help.bmp 303 40 57 57 Help
btn btn_min.bmp 616 8 18 17; btn btn_close.bmp 640 8 17 17
convert -size 684x525 xc:'#f0f0f0' \
  \( banner.png -resize '684x135!' \) -geometry +0+0 -composite \
  \( background.jpg -resize '684x361!' \) -geometry +0+135 -composite \
  \( footer.jpg -resize '684x29!' \) -geometry +0+496 -composite \
  "${args[@]}" \
  -fill white -stroke '#828790' -draw 'rectangle 40,141 640,368' -stroke '#e5e5e5' \
  -draw 'line 41,165 639,165 line 91,142 91,164 line 591,142 591,164' -stroke none \
  -font "$FONT" -pointsize 11 -fill black -annotate +47+148 'No.' -annotate +97+148 'Path' \
  -fill '#cce8ff' -draw 'rectangle 41,186 639,204' -fill black \
  -annotate +47+170 '1' -annotate +97+170 'C:\\Users\\Anna\\Documents\\Quarterly report.pages' \
  -annotate +47+189 '2' -annotate +97+189 'C:\\Users\\Anna\\Documents\\Letter to the board.pages' \
  -fill white -draw 'rectangle 40,385 640,489' -fill none -stroke '#dcdcdc' -draw 'rectangle 42,392 638,487' \
  -stroke none -fill white -draw 'rectangle 48,386 118,398' -fill '#0b3d91' -annotate +50+386 'Save PDF to' \
  -fill white -stroke '#7a7a7a' -draw 'rectangle 112,409 496,429' -stroke none -fill black -annotate +116+412 'D:\\output' \
  -fill '#e1e1e1' -stroke '#adadad' -draw 'rectangle 512,409 536,430' -stroke none -fill black -annotate +519+412 '...' \
  -fill white -stroke '#333333' -draw 'rectangle 112,451 124,463' -stroke none -fill black \
  -annotate +130+450 'Same path as the Pages files' \
  \( -size 684x525 xc:black -fill white -draw 'roundrectangle 0,0 683,524 5,5' \) \
  -alpha off -compose copy-opacity -composite -strip -depth 8 preview.png
