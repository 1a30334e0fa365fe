#!/usr/bin/env bash
# Colour profiles and phone photos, side by side in one run:
# (1) a 24-megapixel JPEG carrying a Display P3 profile against the same
#     photo without it, both through pictorel-cli shrink --jobs 1
#     (ratio, target <= 1.15);
# (2) a 12-megapixel phone HEIC through pictorel-cli shrink --jobs 1 against
#     vipsthumbnail -s 800 on the same file (ratio, target <= 1).
# The runs alternate so that a change in the machine's load hits both sides.
# $1 = build folder holding pictorel-cli. Installs nothing: a missing tool is
# skipped with a message (PICTOREL_BENCH_TOOLS=1 scripts/install-deps).
set -euo pipefail

build=${1:-build-bench}
cli="$build/pictorel-cli"
here=$(cd "$(dirname "$0")" && pwd)
corpus=${PICTOREL_TESTDATA:-$here/../../shared/testdata}
runs=${BENCH_REPETITIONS:-5}
have() { command -v "$1" >/dev/null 2>&1; }

if [[ ! -x "$cli" ]]; then
    echo "profile_compare: $cli not found; build it first" >&2
    exit 1
fi
photo="$corpus/jpeg/photo_3872x2403.jpg"
phone="$corpus/modern/heic/iphone11promax_p3_edited.heic"
if [[ ! -f "$photo" || ! -f "$phone" ]]; then
    echo "profile_compare: corpus photos not found under $corpus; skipped"
    exit 0
fi
for tool in vips python3 /usr/bin/time; do
    if ! have "$tool"; then
        echo "profile_compare: $tool missing; skipped"
        exit 0
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/profile-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The Display P3 profile of the phone photo (its colr box of type prof).
python3 - "$phone" "$work/p3.icc" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.find(b"colrprof")
if at < 4:
    sys.exit("no colr prof box in " + sys.argv[1])
size = struct.unpack(">I", data[at - 4:at])[0]
open(sys.argv[2], "wb").write(data[at + 8:at - 4 + size])
PY

# A 24-megapixel photo (6000 x 4000) without a profile, and the same file
# with the profile in APP2 "ICC_PROFILE" segments right after its SOI.
vips thumbnail "$photo" "$work/plain_24mp.jpg[Q=92,strip]" 6000 --height 4000 --size force
python3 - "$work/plain_24mp.jpg" "$work/p3.icc" "$work/p3_24mp.jpg" <<'PY'
import sys
jpeg = open(sys.argv[1], "rb").read()
icc = open(sys.argv[2], "rb").read()
chunks = [icc[i:i + 65519] for i in range(0, len(icc), 65519)]
segments = b""
for n, chunk in enumerate(chunks, 1):
    body = b"ICC_PROFILE\0" + bytes([n, len(chunks)]) + chunk
    segments += b"\xff\xe2" + (len(body) + 2).to_bytes(2, "big") + body
open(sys.argv[3], "wb").write(jpeg[:2] + segments + jpeg[2:])
PY
echo "profile: $("$cli" info "$work/p3_24mp.jpg" | tail -1);" \
    "load average $(cut -d' ' -f1 /proc/loadavg) on $(nproc) cores"

# Wall seconds of one run of "$@" (output thrown away).
wall() {
    rm -rf "$work/out"
    mkdir -p "$work/out"
    /usr/bin/time -f '%e' -o "$work/time.txt" "$@" >/dev/null 2>&1 || echo "failed" >"$work/time.txt"
    tail -1 "$work/time.txt"
}
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.3f", a / b; else print "n/a" }'; }

# Runs the two commands "$1" and "$2" (shell words) $runs times, alternating,
# and prints both medians and their ratio.
side_by_side() {
    local label_a=$1 a=$2 label_b=$3 b=$4 target=$5 i
    : >"$work/a.txt"
    : >"$work/b.txt"
    for (( i = 0; i < runs; i++ )); do
        eval "wall $a" >>"$work/a.txt"
        eval "wall $b" >>"$work/b.txt"
    done
    if grep -q failed "$work/a.txt" "$work/b.txt"; then
        echo "$label_a or $label_b failed; no ratio"
        return
    fi
    local ta tb
    ta=$(median <"$work/a.txt")
    tb=$(median <"$work/b.txt")
    echo "$label_a: $ta s wall (median of $runs)"
    echo "$label_b: $tb s wall"
    echo "ratio: $(ratio "$ta" "$tb") (target $target)"
}

echo "-- 24-MP JPEG, Display P3 profile vs none, shrink --jobs 1"
side_by_side "with profile" "\"$cli\" shrink --jobs 1 --folder p3 --base \"$work/out\" \"$work/p3_24mp.jpg\"" \
    "without" "\"$cli\" shrink --jobs 1 --folder plain --base \"$work/out\" \"$work/plain_24mp.jpg\"" \
    "<= 1.15"

echo "-- 12-MP phone HEIC, shrink --jobs 1 vs vipsthumbnail -s 800"
if ! have heif-enc || ! have vipsthumbnail; then
    echo "heif-enc or vipsthumbnail missing; skipped"
    exit 0
fi
vips thumbnail "$photo" "$work/phone_12mp.png" 4032 --height 3024 --size force
heif-enc -q 50 -o "$work/phone_12mp.heic" "$work/phone_12mp.png" >/dev/null
if ! "$cli" info "$work/phone_12mp.heic" >/dev/null 2>&1; then
    echo "pictorel-cli cannot read HEIC in this build; skipped"
    exit 0
fi
side_by_side "pictorel-cli shrink --jobs 1" \
    "\"$cli\" shrink --jobs 1 --folder heic --base \"$work/out\" \"$work/phone_12mp.heic\"" \
    "vipsthumbnail -s 800" \
    "vipsthumbnail -s 800 -o \"$work/out/%s.jpg[Q=80]\" \"$work/phone_12mp.heic\"" "<= 1"
