#!/usr/bin/env bash
# Makes the icon readers' starting inputs with ImageMagick and icoutils, and
# the animated cursor and the stored icon list from them. Run it from this
# folder; the fuzz targets read only the files it leaves here.
set -euo pipefail
CONVERT=/usr/bin/convert   # ImageMagick itself
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$CONVERT" -size 16x16 xc:white -fill red -draw "circle 8,8 8,3" -colors 16 PNG8:"$tmp/i16.png"
"$CONVERT" -size 32x32 gradient:blue-yellow -fill none -stroke black -draw "line 0,0 31,31" -colors 200 PNG8:"$tmp/i32.png"
"$CONVERT" -size 48x48 xc:none -fill "rgba(0,128,0,0.5)" -draw "rectangle 4,4 43,43" PNG32:"$tmp/i48.png"
"$CONVERT" -size 64x64 radial-gradient:white-navy PNG32:"$tmp/i64.png"
"$CONVERT" -size 32x32 xc:none -fill black -draw "polygon 0,0 0,20 14,14" PNG32:"$tmp/c32.png"

# Images of 4, 8 and 32 bits per pixel, with masks.
icotool -c -b 4 "$tmp/i16.png" -b 8 "$tmp/i32.png" -b 32 "$tmp/i48.png" -o several.ico
# A 64-pixel image stored as PNG.
icotool -c -r "$tmp/i64.png" -o png_image.ico
# A cursor with its hot spot at 2,3.
icotool -c --cursor -X 2 -Y 3 "$tmp/c32.png" -o arrow.cur
"$CONVERT" -size 16x16 xc:black -monochrome PNG8:"$tmp/m16.png"
icotool -c --cursor -X 8 -Y 8 -b 1 "$tmp/m16.png" -o mono.cur

python3 - <<'PY'
import struct
def chunk(tag, data):
    return tag + struct.pack('<I', len(data)) + data + (b'\0' if len(data) % 2 else b'')
frames = [open('arrow.cur', 'rb').read(), open('mono.cur', 'rb').read()]
# Header size, frames, steps, width, height, bits, planes, rate, flags (icon frames, sequenced).
anih = struct.pack('<9I', 36, 2, 3, 0, 0, 0, 0, 10, 3)
body = b'ACON'
body += chunk(b'LIST', b'INFO' + chunk(b'INAM', b'Kurzor\0') + chunk(b'IART', b'make.sh\0'))
body += chunk(b'anih', anih)
body += chunk(b'rate', struct.pack('<3I', 10, 20, 5))
body += chunk(b'seq ', struct.pack('<3I', 0, 1, 0))
body += chunk(b'LIST', b'fram' + b''.join(chunk(b'icon', f) for f in frames))
open('animated.ani', 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)

# A stored icon list: count, then per entry a byte count and an icon file
# (a count of 0 or less is an empty entry).
icons = [open('several.ico', 'rb').read(), b'', open('arrow.cur', 'rb').read()]
data = struct.pack('<i', len(icons))
for i in icons:
    data += struct.pack('<i', len(i)) + i
open('icon_list.dat', 'wb').write(data)
PY
