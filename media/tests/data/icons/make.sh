#!/usr/bin/env bash
# Makes the icon readers' starting inputs and the tests' samples with
# ImageMagick and icoutils; the animated cursors and the stored icon list are
# laid out by hand. Run it from this folder; the fuzz targets and the tests
# read only the files it leaves here.
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

# The tests' samples.
# 256 x 256, stored as PNG: red, lime and blue quarters, the bottom right
# quarter see-through. 32 x 32 as a classic bitmap image (icotool picks 4
# bits): yellow over navy, the bottom right quarter see-through.
convert -size 256x256 xc:none -fill red -draw 'rectangle 0,0 127,127' -fill lime -draw 'rectangle 128,0 255,127' \
  -fill blue -draw 'rectangle 0,128 127,255' PNG32:"$tmp/big.png"
convert -size 32x32 xc:none -fill yellow -draw 'rectangle 0,0 31,15' -fill navy -draw 'rectangle 0,16 15,31' \
  PNG32:"$tmp/small.png"
icotool -c -o png256_bmp32.ico -r "$tmp/big.png" "$tmp/small.png"

# 34 KB that unpack to 1499 frames of 256 x 256: one 1-bit image, and a
# "seq " chunk per frame pointing every frame at it.
python3 - <<'PY'
import struct
frames = 1499
w = h = 256
stride = w // 8
bits = bytes((0xF0 if (y // 16) % 2 else 0x0F) for y in range(h) for _ in range(stride))
mask = bytes(stride * h)
image = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 1, 0, len(bits) + len(mask), 0, 0, 2, 0)
image += bytes([0, 0, 0, 0, 255, 255, 255, 0]) + bits + mask
icon = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', 0, 0, 2, 0, 1, 1, len(image), 22) + image

def chunk(tag, data):
    return tag + struct.pack('<I', len(data)) + data + (b'\0' if len(data) % 2 else b'')

body = b'ACON' + chunk(b'anih', struct.pack('<9I', 36, frames, frames, 0, 0, 0, 0, 6, 1))
body += b''.join(chunk(b'seq ', struct.pack('<I', 0)) for _ in range(frames))
body += chunk(b'LIST', b'fram' + chunk(b'icon', icon))
open('crafted_frame_bomb.ani', 'wb').write(b'RIFF' + struct.pack('<I', len(body)) + body)
PY
