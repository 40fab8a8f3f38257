#!/usr/bin/env bash
# Regenerates the seed corpora of the picture fuzzers with ImageMagick: small valid pictures in
# the variants the decoders handle, plus a few cut-short copies. Usage: make_corpus.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
c=$root/fuzz/corpus
mkdir -p "$c/fuzz_jpeg" "$c/fuzz_bmp" "$c/fuzz_gif" "$c/fuzz_png"
src="-size 13x9 gradient:red-blue"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# JPEG: baseline, progressive, grey, CMYK, 4:2:0 and 4:4:4, arithmetic coding is not written by
# ImageMagick, restart markers.
convert $src -quality 80 "$c/fuzz_jpeg/baseline.jpg"
convert $src -interlace JPEG "$c/fuzz_jpeg/progressive.jpg"
convert $src -colorspace Gray "$c/fuzz_jpeg/grey.jpg"
convert $src -colorspace CMYK "$c/fuzz_jpeg/cmyk.jpg"
convert $src -sampling-factor 2x2 "$c/fuzz_jpeg/subsampled.jpg"
convert $src -sampling-factor 1x1 -define jpeg:restart-interval=1 "$c/fuzz_jpeg/restart.jpg"

# BMP: every depth, both row orders, the old header forms, run-length compression.
convert $src -type Palette -colors 2 "BMP3:$c/fuzz_bmp/1bit.bmp"
convert $src -type Palette -colors 16 "BMP3:$c/fuzz_bmp/4bit.bmp"
rose="rose: -resize 24x16!"
convert $rose -type Palette -colors 200 -compress None "BMP3:$c/fuzz_bmp/8bit.bmp"
convert $rose -type Palette -colors 200 -compress RLE "BMP3:$c/fuzz_bmp/rle8.bmp"
convert $src -define bmp:subtype=RGB565 "BMP:$c/fuzz_bmp/565.bmp"
convert $src -define bmp:subtype=RGB555 "BMP:$c/fuzz_bmp/555.bmp"
convert $src "BMP3:$c/fuzz_bmp/24bit.bmp"
convert $src -alpha set "BMP:$c/fuzz_bmp/32bit_v5.bmp"
convert $src "BMP2:$c/fuzz_bmp/os2.bmp"
# ImageMagick writes neither top-down rows nor RLE4: patch and build those by hand.
python3 - "$c/fuzz_bmp" <<'PY'
import struct, sys
d = sys.argv[1]
b = bytearray(open(d + "/24bit.bmp", "rb").read())
struct.pack_into("<i", b, 22, -struct.unpack_from("<i", b, 22)[0])
open(d + "/topdown.bmp", "wb").write(b)
# 4 x 3, 16 colours: runs, an end of line, a literal run, a move, the end code.
pixels = bytes([4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 1, 0, 2, 0x77, 0, 1])
palette = b"".join(bytes([i * 16, 255 - i * 16, i * 8, 0]) for i in range(16))
offset = 14 + 40 + len(palette)
header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
info = struct.pack("<IiiHHIIiiII", 40, 4, 3, 1, 4, 2, len(pixels), 2835, 2835, 16, 0)
open(d + "/rle4.bmp", "wb").write(header + info + palette + pixels)
PY

# GIF: plain, interlaced, transparent, a frame smaller than the screen, animated.
convert $src -colors 64 "$c/fuzz_gif/plain.gif"
convert $src -colors 64 -interlace GIF "$c/fuzz_gif/interlaced.gif"
convert $src -colors 16 -transparent "#7f007f" "$c/fuzz_gif/transparent.gif"
convert -size 4x4 xc:green -page 9x7+3+2 "$c/fuzz_gif/offset.gif"
convert -delay 5 -size 6x5 xc:red xc:blue -loop 0 "$c/fuzz_gif/animated.gif"

# PNG: RGB, RGBA, grey, palette, 16-bit, interlaced.
convert $src "PNG24:$c/fuzz_png/rgb.png"
convert $src -alpha set -channel A -evaluate set 50% "PNG32:$c/fuzz_png/rgba.png"
convert $src -colorspace Gray "PNG8:$c/fuzz_png/grey.png"
convert $src -colors 20 "PNG8:$c/fuzz_png/palette.png"
convert $src -depth 16 "PNG48:$c/fuzz_png/16bit.png"
convert $src -interlace PNG "PNG24:$c/fuzz_png/interlaced.png"

# Cut-short copies of one file of each kind.
for f in fuzz_jpeg/baseline.jpg fuzz_bmp/8bit.bmp fuzz_gif/plain.gif fuzz_png/rgb.png; do
  size=$(stat -c %s "$c/$f")
  head -c $((size * 2 / 3)) "$c/$f" >"$c/${f%.*}_cut.${f##*.}"
done
