#!/usr/bin/env bash
# Regenerates the bitmap resources embedded in TarvexAdvanceSMSServer.exe:
#
#   splash.gif  484x493 GIF89a start-up screen (loaded from the SPLASH/GIF resource)
#   app.ico     single 32x32 8-bit (256-colour palette) icon with AND mask
#
# Both outputs are committed; re-run this only when the artwork changes.
#
# Needs:  imagemagick  (convert, IM6)
#         icoutils     (icotool)
#         fonts-dejavu-core  (DejaVuSans.ttf, DejaVuSans-Bold.ttf)
#
# Usage:  resources/make_resources.sh        (from any directory)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

die() { echo "make_resources.sh: $*" >&2; exit 1; }

command -v convert >/dev/null 2>&1 || die "convert not found (apt-get install imagemagick)"
convert -version 2>/dev/null | grep -q ImageMagick || die "convert is not ImageMagick (apt-get install imagemagick)"
command -v icotool >/dev/null 2>&1 || die "icotool not found (apt-get install icoutils)"

fontdir=/usr/share/fonts/truetype/dejavu
font_regular="$fontdir/DejaVuSans.ttf"
font_bold="$fontdir/DejaVuSans-Bold.ttf"
for f in "$font_regular" "$font_bold"; do
  [[ -r "$f" ]] || die "font $f missing (apt-get install fonts-dejavu-core)"
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Keep ImageMagick's output reproducible: no timestamps/comments in PNGs,
# single-threaded so quantisation does not vary between runs.
export MAGICK_THREAD_LIMIT=1
png_opts=(-strip -define 'png:exclude-chunks=date,time')

# --------------------------------------------------------------------------
# Splash screen
# --------------------------------------------------------------------------
W=484
H=493

# Palette
bg_top='#0a1f3c'
bg_bottom='#1a5488'
accent='#3bb8ec'
accent_dark='#1e86c2'
led='#6fdc4a'
body_dark='#26323f'
text_soft='#a8c5e2'
text_dim='#7f9fc0'

# Modem stick.  The metal body is a gradient masked to a rounded rectangle,
# then placed on a transparent 210x70 layer with the plug and end cap.
convert -size 150x50 "gradient:#f7f9fb-#aebbc8" \
  \( -size 150x50 xc:black -fill white -draw 'roundrectangle 0,0 149,49 13,13' \) \
  -alpha off -compose CopyOpacity -composite \
  "${png_opts[@]}" "$work/body.png"

convert -size 210x70 xc:none \
  `# USB plug: steel shell with the tongue and two contact windows` \
  -fill '#c3ccd5' -stroke '#7d8a97' -strokewidth 1 -draw 'rectangle 2,20 38,50' \
  -fill '#5d6a77' -stroke none -draw 'rectangle 6,30 34,40' \
  -fill '#e8edf2' -draw 'rectangle 12,24 17,28 rectangle 24,24 29,28' \
  -fill '#e8edf2' -draw 'rectangle 12,42 17,46 rectangle 24,42 29,46' \
  `# neck between plug and body` \
  -fill "$body_dark" -draw 'roundrectangle 34,16 48,54 4,4' \
  "$work/body.png" -geometry +40+10 -compose Over -composite \
  `# dark end cap where the antenna sits` \
  -fill "$body_dark" -draw 'roundrectangle 160,10 205,59 13,13' \
  -fill "$body_dark" -draw 'rectangle 160,10 175,59' \
  `# subtle seam and highlight` \
  -stroke '#ffffff' -strokewidth 2 -draw 'line 58,16 150,16' \
  -stroke '#8e9ba8' -strokewidth 1 -draw 'line 158,12 158,57' \
  -stroke none \
  `# status LED with a soft halo` \
  -fill '#6fdc4a55' -draw 'circle 183,35 190,35' \
  -fill "$led" -draw 'circle 183,35 187,35' \
  `# maker badge on the body` \
  -font "$font_bold" -pointsize 15 -fill '#5b6b7b' -annotate +70+41 'GSM' \
  -font "$font_regular" -pointsize 10 -fill '#7c8b9a' -annotate +112+40 'modem' \
  "${png_opts[@]}" "$work/modem.png"

# White speech bubble with a drop shadow, a bold label and two grey
# "text" lines; the tail hangs from the bottom edge at x = tail_x.
bubble() { # out w h tail_x label
  local out=$1 w=$2 h=$3 tx=$4 label=$5
  local bw=$((w - 1)) bh=$((h - 15))
  convert -size "${w}x${h}" xc:none \
    -fill '#00000040' -draw "roundrectangle 3,4 $bw,$((bh + 3)) 12,12" \
    -fill '#00000040' -draw "polygon $((tx - 14)),$((bh)) $((tx + 2)),$((bh)) $((tx + 8)),$((h - 1))" \
    -channel A -blur 0x2 +channel \
    -fill white -draw "roundrectangle 0,0 $((bw - 3)),$((bh - 1)) 12,12" \
    -fill white -draw "polygon $((tx - 16)),$((bh - 2)) $((tx)),$((bh - 2)) $((tx + 6)),$((h - 4))" \
    -font "$font_bold" -pointsize 12 -fill "$accent_dark" -annotate +12+20 "$label" \
    -fill '#c5d3e0' -draw "roundrectangle 12,28 $((bw - 18)),32 2,2" \
    -fill '#c5d3e0' -draw "roundrectangle 12,38 $((bw - 40)),42 2,2" \
    "${png_opts[@]}" "$out"
}
bubble "$work/bubble1.png" 128 68 96 'SMS'
bubble "$work/bubble2.png" 104 64 30 'Delivered'

# Envelope for the outgoing message.
convert -size 60x44 xc:none \
  -fill '#00000040' -draw 'roundrectangle 3,4 58,42 4,4' -channel A -blur 0x2 +channel \
  -fill '#ffffff' -stroke "$accent_dark" -strokewidth 2 -draw 'roundrectangle 1,1 55,39 4,4' \
  -fill none -draw 'polyline 3,4 28,24 53,4' \
  -draw 'line 3,37 21,19 line 53,37 35,19' \
  "${png_opts[@]}" "$work/envelope.png"

# Soft glow behind the illustration.
convert -size 380x260 "radial-gradient:#4aa3e066-#4aa3e000" "${png_opts[@]}" "$work/glow.png"

# Antenna tip position on the splash (used for the radio waves).
ax=336
ay=198

# Pair of radio-wave arcs of radius $1 either side of the antenna tip,
# each spanning +-40 degrees from the horizontal.
waves() {
  awk -v x="$ax" -v y="$ay" -v r="$1" 'BEGIN {
    dx = r * cos(40 * atan2(0, -1) / 180); dy = r * sin(40 * atan2(0, -1) / 180)
    printf "path '"'"'M %.1f,%.1f A %d,%d 0 0,1 %.1f,%.1f M %.1f,%.1f A %d,%d 0 0,0 %.1f,%.1f'"'"'\n",
      x + dx, y - dy, r, r, x + dx, y + dy, x - dx, y - dy, r, r, x - dx, y + dy
  }'
}

convert -size "${W}x${H}" "gradient:${bg_top}-${bg_bottom}" \
  "$work/glow.png" -geometry +52+120 -compose Over -composite \
  `# header` \
  -gravity North \
  -font "$font_bold" -pointsize 27 -fill white -annotate +0+42 'Tarvex Advance SMS Server' \
  -font "$font_regular" -pointsize 13 -fill "$text_soft" -annotate +0+84 'SMS gateway for GSM modems' \
  -gravity NorthWest \
  -fill "$accent" -draw 'rectangle 202,110 282,112' \
  `# antenna` \
  -fill "$body_dark" -draw "roundrectangle $((ax - 4)),$((ay)) $((ax + 4)),285 4,4" \
  -fill '#3a4857' -draw "circle $ax,$ay $((ax + 6)),$ay" \
  `# radio waves from the antenna tip` \
  -fill none -stroke "$accent" -strokewidth 3 -draw "$(waves 16)" \
  -stroke '#3bb8ecaa' -draw "$(waves 27)" \
  -stroke '#3bb8ec60' -draw "$(waves 38)" \
  -stroke none \
  `# modem, bubbles, envelope` \
  \( "$work/modem.png" -background none -shadow 50x4+0+6 \) -geometry +150+260 -compose Over -composite \
  "$work/modem.png" -geometry +154+254 -compose Over -composite \
  "$work/bubble1.png" -geometry +70+156 -compose Over -composite \
  "$work/envelope.png" -geometry +214+146 -compose Over -composite \
  "$work/bubble2.png" -geometry +360+226 -compose Over -composite \
  `# footer: version, progress, status` \
  -fill '#ffffff22' -draw "line 40,372 $((W - 41)),372" \
  -gravity North \
  -font "$font_bold" -pointsize 14 -fill white -annotate +0+392 'Version 1.00' \
  -gravity NorthWest \
  -fill '#08182e' -draw 'roundrectangle 92,426 392,432 3,3' \
  -fill "$accent" -draw 'roundrectangle 92,426 228,432 3,3' \
  -font "$font_regular" -pointsize 11 -fill "$text_soft" -annotate +92+450 'Loading Java runtime…' \
  -gravity SouthEast \
  -font "$font_regular" -pointsize 10 -fill "$text_dim" -annotate +12+10 '© tarvex' \
  -gravity NorthWest \
  `# hairline frame so the window edge reads on light desktops` \
  -fill none -stroke '#06142a' -strokewidth 1 -draw "rectangle 0.5,0.5 $((W - 1)).5,$((H - 1)).5" \
  -stroke none \
  `# half-strength diffusion keeps the glow free of banding without` \
  `# bloating the GIF with full dither noise` \
  -alpha off -dither FloydSteinberg -define dither:diffusion-amount=50% -colors 255 \
  -strip "GIF:$work/splash.gif"

# --------------------------------------------------------------------------
# Application icon: 32x32, 8 bpp palette + 1 bpp AND mask
# --------------------------------------------------------------------------
# Drawn at 8x and scaled down so the edges get some anti-aliasing against
# the opaque parts; the alpha is then cut to on/off because the AND mask
# of an 8-bit icon entry has no partial transparency.
# Coordinates sit on the 8px grid where possible so edges land on whole
# pixels after the 8:1 box downscale.
convert -size 256x256 xc:none \
  `# speech bubble: dark rim, body, lighter upper half` \
  -fill '#135f92' -draw 'roundrectangle 0,16 208,168 40,40' \
  -fill '#135f92' -draw 'polygon 24,144 96,144 16,224' \
  -fill '#1e86c2' -draw 'roundrectangle 8,24 200,160 32,32' \
  -fill '#1e86c2' -draw 'polygon 36,144 88,144 26,206' \
  -fill '#3bb8ec' -draw 'roundrectangle 16,32 192,96 24,24' \
  `# envelope inside the bubble` \
  -fill white -draw 'roundrectangle 48,48 160,136 8,8' \
  -fill none -stroke '#1e86c2' -strokewidth 10 -draw 'polyline 54,56 104,96 154,56' \
  -stroke none \
  `# modem with antenna, lower right` \
  -fill '#26323f' -draw 'roundrectangle 224,56 240,184 8,8' \
  -fill '#26323f' -draw 'roundrectangle 136,160 248,248 16,16' \
  -fill '#dfe5eb' -draw 'roundrectangle 144,168 240,216 8,8' \
  -fill '#6fdc4a' -draw 'circle 224,232 232,232' \
  -filter Box -resize 32x32 \
  -channel A -threshold 50% +channel \
  "${png_opts[@]}" "$work/icon32.png"

# icotool only writes an 8-bit entry when the input has at most 256 colours;
# with more it silently falls back to 24-bit even with -b 8.  Reduce to a
# palette first: PNG8 with binary transparency keeps the transparent pixels
# as one palette slot, which icotool turns into the AND mask.
convert "$work/icon32.png" -dither None -colors 255 \
  -define png:exclude-chunks=date,time PNG8:"$work/icon32-8.png"

icotool -c -b 8 -o "$work/app.ico" "$work/icon32-8.png"

# --------------------------------------------------------------------------
# Check both files before replacing the committed ones.  The launcher's
# splash window is sized for exactly 484x493 and the GIF is linked into the
# executable, hence the size cap.
# --------------------------------------------------------------------------
[[ "$(head -c 6 "$work/splash.gif")" == GIF89a ]] || die "splash.gif is not GIF89a"
geom="$(identify -format '%wx%h' "$work/splash.gif[0]")"
[[ "$geom" == 484x493 ]] || die "splash.gif is $geom, expected 484x493"
size=$(stat -c %s "$work/splash.gif")
(( size < 60000 )) || die "splash.gif is $size bytes, keep it under 60000"

icolist="$(icotool -l "$work/app.ico")"
[[ "$(wc -l <<<"$icolist")" == 1 ]] || die "app.ico must hold exactly one image"
grep -q -- '--width=32 --height=32 --bit-depth=8 --palette-size=256' <<<"$icolist" \
  || die "app.ico is not 32x32 8-bit: $icolist"

mv "$work/splash.gif" "$here/splash.gif"
mv "$work/app.ico" "$here/app.ico"

echo "splash.gif: $geom, $size bytes"
echo "app.ico:    $icolist ($(stat -c %s "$here/app.ico") bytes)"
