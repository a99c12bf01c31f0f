#!/usr/bin/env bash
# Regenerates the GIF samples of the decoder tests with independent tools
# (Debian's giflib-tools, gifsicle and imagemagick). Run it from this folder;
# the tests read only the files it leaves here.
set -euo pipefail
CONVERT=/usr/bin/convert   # ImageMagick itself
TABLE=0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A picture of exactly N distinct colours, W x H, as PPM.
ppm() {  # ppm N W H file
  python3 - "$@" <<'PY'
import sys
n, w, h, out = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
cols = [((i * 37) % 256, (i * 91) % 256, (i * 53 + i // 5) % 256) for i in range(n)]
assert len(set(cols)) == n
px = bytearray()
for y in range(h):
    for x in range(w):
        px += bytes(cols[(x * 7 + y * 3 + x * y) % n])
open(out, 'wb').write(b'P6 %d %d 255\n' % (w, h) + px)
PY
}

# ImageMagick: one frame per code size 3..8 (2^(s-1) < colours <= 2^s).
for bits in 3 4 5 6 7 8; do
  n=$(( (1 << bits) ))
  ppm "$n" 23 17 "$tmp/c$bits.ppm"
  "$CONVERT" "$tmp/c$bits.ppm" +dither -colors "$n" "magick_cs$bits.gif"
  "$CONVERT" "magick_cs$bits.gif" -depth 8 "rgb:magick_cs$bits.rgb"
done

# giflib's gifbuild: two colours (minimum code size 2), and an interlaced
# frame of 13 rows with a local table of 3 colours after a frame on the
# global table with a transparent colour, a comment and a loop count.
gifbuild > gifbuild_cs2.gif <<'EOF'
screen width 9
screen height 4
screen colors 2
screen background 0
pixel aspect byte 0
screen map
	rgb 000 000 000 is 0
	rgb 255 255 255 is 1
end
image # 1
image left 0
image top 0
image bits 9 by 4
010101010
111000111
000000001
100000000
EOF

python3 - > "$tmp/frames.txt" <<'PY'
print("""screen width 12
screen height 14
screen colors 4
screen background 1
pixel aspect byte 0
screen map
	rgb 000 000 000 is 0
	rgb 255 255 255 is 1
	rgb 255 000 000 is 2
	rgb 000 000 255 is 3
end
netscape loop 7
comment
made by gifbuild
end
graphics control
	disposal mode 2
	user input flag off
	delay 25
	transparent index 3
end
image # 1
image left 0
image top 0
image bits 12 by 14""")
for y in range(14):
    print("".join(str((x + y) % 4) for x in range(12)))
print("""image # 2
image left 3
image top 1
image interlaced
image map
	rgb 010 020 030 is 0
	rgb 040 050 060 is 1
	rgb 070 080 090 is 2
end
image bits 5 by 13""")
for y in range(13):
    print("".join(str((x * y + y) % 3) for x in range(5)))
PY
gifbuild "$tmp/frames.txt" > gifbuild_frames.gif

# gifsicle: frames at offsets with a loop count, a comment, delays and a
# transparent colour, and an interlaced copy of an ImageMagick picture.
ppm 5 7 5 "$tmp/a.ppm"
"$CONVERT" "$tmp/a.ppm" +dither -colors 5 "$tmp/a.gif"
"$CONVERT" -size 4x4 xc:blue -fill yellow -draw "point 1,1" "$tmp/b.gif"
"$CONVERT" -size 5x3 xc:red "$tmp/r.gif"
gifsicle --loopcount=3 --comment "hello from gifsicle" -d 10 "$tmp/a.gif" --transparent '#0000FF' \
  -p 2,1 "$tmp/b.gif" -p 0,0 "$tmp/r.gif" -o gifsicle_anim.gif 2>/dev/null
gifsicle -i "magick_cs5.gif" -o gifsicle_interlaced.gif

# What giflib's decoder reads from each file, as text (indices by the table above).
for f in gifbuild_cs2 gifbuild_frames gifsicle_anim gifsicle_interlaced; do
  gifbuild -d -t "$TABLE" "$f.gif" > "$f.dump"
done
