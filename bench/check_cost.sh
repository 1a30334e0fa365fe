#!/usr/bin/env bash
# What the check before publishing adds to an automatic run as a user runs
# it: pictorel-cli shrink over 20 photos with and without --check, with the
# run's own worker threads (--jobs = cores), rounds alternating so that both
# see the same machine. Prints each round and the medians of wall and
# processor time. The 20 photos are four corpus camera photos five times
# over; with BENCH_PHOTOS=DIR (where web/tests/bench.mjs keeps its 24 MP
# photos) that set is measured as well.
# $1 = build folder holding pictorel-cli.
set -euo pipefail

build=${1:-build-bench}
cli="$build/pictorel-cli"
here=$(cd "$(dirname "$0")" && pwd)
corpus=${PICTOREL_TESTDATA:-$here/../../shared/testdata}
rounds=${BENCH_ROUNDS:-5}
jobs=$(nproc)

if [[ ! -x "$cli" ]]; then
    echo "check_cost: $cli not found; build it first" >&2
    exit 1
fi
if [[ ! -x /usr/bin/time ]]; then
    echo "check_cost: /usr/bin/time (GNU time) missing; skipped"
    exit 0
fi
camera=()
for name in photo_3872x2403.jpg photo_jolla_3264x2448.jpg photo_nokia_4608x1976.jpg \
    photo_samsung_4032x2012.jpg; do
    [[ -f "$corpus/jpeg/$name" ]] || { echo "check_cost: $corpus/jpeg/$name missing; skipped"; exit 0; }
    camera+=("$corpus/jpeg/$name")
done
corpus_set=("${camera[@]}" "${camera[@]}" "${camera[@]}" "${camera[@]}" "${camera[@]}")

work=$(mktemp -d "${TMPDIR:-/tmp}/check-cost.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One run: "wall cpu" in seconds.
run() {
    local check=$1
    shift
    rm -rf "$work/out"
    mkdir -p "$work/out"
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$cli" shrink --jobs "$jobs" $check \
        --folder out --base "$work/out" "$@" >/dev/null
    awk '{printf "%.3f %.3f\n", $1, $2 + $3}' "$work/time"
}

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

measure() {
    local label=$1
    shift
    local plain=() checked=()
    echo "== $label: 20 photos, --jobs $jobs, $rounds rounds, load $(cut -d' ' -f1-3 /proc/loadavg)"
    for ((r = 1; r <= rounds; ++r)); do
        local a b
        a=$(run "" "$@")
        b=$(run --check "$@")
        plain+=("$a")
        checked+=("$b")
        echo "round $r: without --check wall/cpu $a s, with --check $b s"
    done
    local pw pc cw cc
    pw=$(printf '%s\n' "${plain[@]}" | cut -d' ' -f1 | median)
    pc=$(printf '%s\n' "${plain[@]}" | cut -d' ' -f2 | median)
    cw=$(printf '%s\n' "${checked[@]}" | cut -d' ' -f1 | median)
    cc=$(printf '%s\n' "${checked[@]}" | cut -d' ' -f2 | median)
    awk -v pw="$pw" -v pc="$pc" -v cw="$cw" -v cc="$cc" 'BEGIN {
        printf "median wall %.2f -> %.2f s (%+.1f %%), processor %.2f -> %.2f s (%+.1f %%); target <= +10 %%\n",
            pw, cw, 100 * (cw / pw - 1), pc, cc, 100 * (cc / pc - 1) }'
}

measure "corpus camera photos" "${corpus_set[@]}"
if [[ -n "${BENCH_PHOTOS:-}" && -d "$BENCH_PHOTOS/24mp" ]]; then
    mapfile -t big < <(ls "$BENCH_PHOTOS"/24mp/*.jpg | head -20)
    (( ${#big[@]} == 20 )) && measure "24 MP photos" "${big[@]}"
fi
