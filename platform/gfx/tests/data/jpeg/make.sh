#!/usr/bin/env bash
# Makes the JPEG reader's starting inputs with ImageMagick. Run it from this
# folder; the fuzz target and the tests read only the files it leaves here.
set -euo pipefail
CONVERT=/usr/bin/convert   # ImageMagick itself
src=(-size 23x17 gradient:red-blue -fill yellow -draw "rectangle 3,3 9,12")

# Baseline with 4:2:0, 4:2:2 and 4:4:4 sampling, optimised tables.
"$CONVERT" "${src[@]}" -sampling-factor 2x2 -quality 75 baseline_420.jpg
"$CONVERT" "${src[@]}" -sampling-factor 2x1 -quality 90 -define jpeg:optimize-coding=true baseline_422.jpg
"$CONVERT" "${src[@]}" -sampling-factor 1x1 -quality 50 baseline_444.jpg
# Progressive, grey, CMYK, a single row.
"$CONVERT" "${src[@]}" -interlace JPEG -quality 80 progressive.jpg
"$CONVERT" "${src[@]}" -colorspace Gray -quality 70 grey.jpg
"$CONVERT" "${src[@]}" -colorspace CMYK -quality 70 cmyk.jpg
"$CONVERT" -size 12x1 xc:green -quality 95 one_row.jpg
# A comment and an EXIF-like application block before the picture.
"$CONVERT" "${src[@]}" -set comment "made by ImageMagick" -quality 40 comment.jpg
