#!/usr/bin/env bash
# Regenerates the icon samples: ImageMagick draws the pictures and icoutils'
# icotool makes the icon file; the animated cursor is laid out by hand.
# Run it from this folder; the tests read only the files it leaves here.
set -euo pipefail
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

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
