#!/usr/bin/env bash
# Writes the seed inputs of fuzz_heif and fuzz_webp: small pictures made by
# the encoders Debian ships (heif-enc, avifenc, cwebp, img2webp, webpmux),
# covering 8- and 10-bit, alpha, lossless, animation, EXIF and ICC chunks.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
python3 - <<'PY'
import struct, zlib
def png(name, w, h, depth, ctype, pixel):
    def chunk(t, d):
        return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
    fmt = '>' + ('H' if depth == 16 else 'B') * {2: 3, 6: 4}[ctype]
    raw = b''.join(b'\0' + b''.join(struct.pack(fmt, *pixel(x, y)) for x in range(w))
                   for y in range(h))
    open(name, 'wb').write(b'\x89PNG\r\n\x1a\n' +
        chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, depth, ctype, 0, 0, 0)) +
        chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))
png('rgb.png', 24, 16, 8, 2, lambda x, y: (x * 10, y * 15, 128))
png('rgba.png', 16, 16, 8, 6, lambda x, y: (x * 15, 60, y * 15, (x + y) * 8))
png('deep.png', 16, 8, 16, 2, lambda x, y: (x * 4000, y * 8000, 30000))
png('frame2.png', 24, 16, 8, 2, lambda x, y: (200, x * 10, 20))
PY
printf 'Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\x06\0\0\0\0\0\0' > exif.bin
heif_dir="$here/fuzz_heif"
webp_dir="$here/fuzz_webp"
mkdir -p "$heif_dir" "$webp_dir"
heif-enc -q 50 -o "$heif_dir/rgb.heic" rgb.png >/dev/null
heif-enc -q 50 -o "$heif_dir/alpha.heic" rgba.png >/dev/null
heif-enc -q 50 -o "$heif_dir/rgb.avif" rgb.png >/dev/null
avifenc --min 20 --max 40 -d 10 deep.png "$heif_dir/deep10.avif" >/dev/null
avifenc --min 20 --max 40 --cicp 12/13/6 rgba.png "$heif_dir/p3-alpha.avif" >/dev/null
cwebp -quiet -q 50 rgb.png -o "$webp_dir/lossy.webp"
cwebp -quiet -lossless rgba.png -o "$webp_dir/lossless-alpha.webp"
cwebp -quiet -q 50 rgba.png -o "$webp_dir/lossy-alpha.webp"
img2webp -lossy rgb.png frame2.png -o "$webp_dir/animated.webp" >/dev/null
webpmux -set exif exif.bin "$webp_dir/lossy.webp" -o exif.webp >/dev/null
webpmux -set icc exif.bin exif.webp -o "$webp_dir/exif-icc.webp" >/dev/null
