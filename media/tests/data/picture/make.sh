#!/usr/bin/env bash
# Makes the picture form-data fuzz target's starting inputs from the reader
# inputs beside this folder: a length byte, the graphic class's name, then
# the graphic as the class stores it. Run it from this folder.
set -euo pipefail
python3 - <<'PY'
def read(p): return open(p, 'rb').read()
def data(cls, body): return bytes([len(cls)]) + cls.encode() + body
for name, content in {
    'no_picture.dat': b'\0',
    'bitmap.dat': data('TBitmap', read('../../../../platform/gfx/tests/data/bmp/pal4.bmp')),
    'jpeg.dat': data('TJPEGImage', read('../../../../platform/gfx/tests/data/jpeg/grey.jpg')),
    'gif.dat': data('VmGIF::TGIFImage', read('../gif/gifsicle_anim.gif')),
    'picture_gif.dat': data('GIFImage::TGIFImage', read('../gif/gifbuild_cs2.gif')),
}.items():
    open(name, 'wb').write(content)
PY
