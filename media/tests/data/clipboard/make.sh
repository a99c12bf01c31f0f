#!/usr/bin/env bash
# Makes the clipboard fuzz target's starting inputs from the icon, GIF,
# bitmap and JPEG inputs beside this folder: a byte naming the format, then
# the data as the format carries it. Run it from this folder.
set -euo pipefail
python3 - <<'PY'
import struct
def read(p): return open(p, 'rb').read()
gif = read('../gif/gifsicle_anim.gif')
for name, data in {
    'icon.clip': b'\0' + read('../icons/several.ico'),
    'png_icon.clip': b'\0' + read('../icons/png_image.ico'),
    'length_gif.clip': b'\1' + struct.pack('<I', len(gif)) + gif,
    'gif.clip': b'\2' + read('../gif/gifsicle_interlaced.gif'),
    'image_gif.clip': b'\3' + read('../gif/gifbuild_frames.gif'),
    'image_bmp.clip': b'\3' + read('../../../../platform/gfx/tests/data/bmp/pal8.bmp'),
    'image_jpeg.clip': b'\3' + read('../../../../platform/gfx/tests/data/jpeg/baseline_420.jpg'),
}.items():
    open(name, 'wb').write(data)
PY
