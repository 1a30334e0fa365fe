#!/usr/bin/env bash
# pictorel-cli shrink beside vipsthumbnail -s 800 and ImageMagick's mogrify
# -resize 800x800 -quality 80 on the same large photos: wall times, their
# ratios, and shrink's peak memory on one 24-megapixel photo at --jobs 1.
# $1 = build folder holding pictorel-cli. Installs nothing: a missing tool
# is skipped with a message (PICTOREL_BENCH_TOOLS=1 scripts/install-deps).
set -euo pipefail

build=${1:-build-bench}
cli="$build/pictorel-cli"
here=$(cd "$(dirname "$0")" && pwd)
corpus=${PICTOREL_TESTDATA:-$here/../../shared/testdata}
runs=${BENCH_REPETITIONS:-3}

if [[ ! -x "$cli" ]]; then
    echo "shrink_compare: $cli not found; build it first" >&2
    exit 1
fi
shopt -s nullglob
photos=("$corpus"/jpeg/photo_*)
if (( ${#photos[@]} == 0 )); then
    echo "shrink_compare: no photos under $corpus/jpeg; skipped"
    exit 0
fi
if [[ ! -x /usr/bin/time ]]; then
    echo "shrink_compare: /usr/bin/time (GNU time) missing; skipped"
    exit 0
fi
have() { command -v "$1" >/dev/null 2>&1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/shrink-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src"
cp "${photos[@]}" "$work/src/"

# One 24-megapixel photo (6000 x 4000), enlarged from the first corpus photo.
big="$work/src/photo_24mp_6000x4000.jpg"
if have vips; then
    vips thumbnail "${photos[0]}" "$big[Q=92]" 6000 --height 4000 --size force
elif have mogrify; then
    cp "${photos[0]}" "$big"
    mogrify -resize '6000x4000!' -quality 92 "$big"
else
    big=""
    echo "shrink_compare: neither vips nor ImageMagick found; no 24-megapixel photo"
fi
inputs=("$work"/src/*)
pixels=0
for f in "${inputs[@]}"; do
    wh=$("$cli" info "$f" | awk 'NR == 1 {print $2}')
    pixels=$(( pixels + ${wh%x*} * ${wh#*x} ))
done
echo "inputs: ${#inputs[@]} JPEG photos, $(( pixels / 1000000 )) megapixels in all;" \
    "load average $(cut -d' ' -f1 /proc/loadavg) on $(nproc) cores"

# Median wall time in seconds of "$@" over $runs runs; $prepare runs before
# each. The CPU seconds (user + system) of the median run go to $work/cpu.txt.
median_time() {
    local i
    : >"$work/runs.txt"
    for (( i = 0; i < runs; i++ )); do
        eval "$prepare"
        /usr/bin/time -f '%e %U %S' -o "$work/time.txt" "$@" >/dev/null 2>&1 || true
        tail -1 "$work/time.txt" >>"$work/runs.txt"
    done
    sort -n "$work/runs.txt" | awk '{w[NR]=$1; c[NR]=$2+$3}
        END {m=int((NR+1)/2); print w[m]; printf "%.2f\n", c[m] > "/dev/stderr"}' 2>"$work/cpu.txt"
}
cpu() { cat "$work/cpu.txt"; }

prepare='rm -rf "$work/out"; mkdir -p "$work/out"'
t_shrink=$(median_time "$cli" shrink --folder run --base "$work/out" "${inputs[@]}")
c_shrink=$(cpu)
echo "pictorel-cli shrink (--jobs $(nproc)): ${t_shrink} s wall, ${c_shrink} s CPU"
t_shrink1=$(median_time "$cli" shrink --jobs 1 --folder run --base "$work/out" "${inputs[@]}")
echo "pictorel-cli shrink --jobs 1:        ${t_shrink1} s wall, $(cpu) s CPU"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

if have vipsthumbnail; then
    t_vips=$(median_time vipsthumbnail -s 800 -o "$work/out/%s.jpg[Q=80]" "${inputs[@]}")
    c_vips=$(cpu)
    echo "vipsthumbnail -s 800:                ${t_vips} s wall, ${c_vips} s CPU"
    echo "ratio shrink / vipsthumbnail:        $(ratio "$t_shrink" "$t_vips") wall (target <= 1)," \
        "$(ratio "$c_shrink" "$c_vips") CPU"
else
    echo "vipsthumbnail not found; skipped"
fi

if have mogrify; then
    prepare='rm -rf "$work/out"; mkdir -p "$work/out"; cp "${inputs[@]}" "$work/out/"'
    t_magick=$(median_time mogrify -resize 800x800 -quality 80 "$work"/out/photo_*)
    c_magick=$(cpu)
    echo "mogrify -resize 800x800 -quality 80: ${t_magick} s wall, ${c_magick} s CPU"
    echo "ratio shrink / mogrify:              $(ratio "$t_shrink" "$t_magick") wall (target <= 0.33)," \
        "$(ratio "$c_shrink" "$c_magick") CPU"
else
    echo "ImageMagick mogrify not found; skipped"
fi

if [[ -n "$big" ]]; then
    rm -rf "$work/out"
    mkdir -p "$work/out"
    /usr/bin/time -v -o "$work/time.txt" "$cli" shrink --jobs 1 --folder one --base "$work/out" \
        "$big" >/dev/null 2>&1
    rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
    decoded=$(( 6000 * 4000 * 3 ))
    echo "peak memory, one 24-MP photo, --jobs 1: $(( rss / 1024 )) MiB;" \
        "decoded 24-bit size $(( decoded / 1048576 )) MiB;" \
        "ratio $(ratio $(( rss * 1024 )) "$decoded") (target < 1.5)"
fi
