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
runs=${BENCH_REPETITIONS:-15}
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
for tool in vips python3; do
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
echo "tagged photo: $("$cli" info "$work/p3_24mp.jpg" | tail -1);" \
    "load average $(cut -d' ' -f1 /proc/loadavg) on $(nproc) cores"

# Runs the commands A and B (shell words) $runs times each, alternating,
# after one warm-up run of each, and prints the median and the fastest wall
# time and the median CPU time (user + system) of both, with their ratios.
side_by_side() {
    python3 - "$runs" "$work/out" "$@" <<'PY'
import os, resource, shutil, statistics, subprocess, sys, time
runs, out, label_a, a, label_b, b, target = sys.argv[1:]
def once(command):
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, shell=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if done.returncode != 0:
        sys.exit(f"{command} failed with status {done.returncode}")
    return wall, cpu
once(a)
once(b)
times = {label_a: [], label_b: []}
for _ in range(int(runs)):
    times[label_a].append(once(a))
    times[label_b].append(once(b))
def summary(label):
    walls = [w for w, _ in times[label]]
    cpus = [c for _, c in times[label]]
    return statistics.median(walls), min(walls), statistics.median(cpus)
sa, sb = summary(label_a), summary(label_b)
for label, (median, fastest, cpu) in ((label_a, sa), (label_b, sb)):
    print(f"{label}: median {median * 1000:.1f} ms wall, fastest {fastest * 1000:.1f} ms,"
          f" median {cpu * 1000:.1f} ms CPU ({runs} runs)")
print(f"ratio: median wall {sa[0] / sb[0]:.3f}, fastest wall {sa[1] / sb[1]:.3f},"
      f" CPU {sa[2] / sb[2]:.3f} (target {target})")
PY
}

echo "-- 24-MP JPEG, Display P3 profile vs none, shrink --jobs 1"
side_by_side "with profile" "'$cli' shrink --jobs 1 --folder p3 --base '$work/out' '$work/p3_24mp.jpg'" \
    "without" "'$cli' shrink --jobs 1 --folder plain --base '$work/out' '$work/plain_24mp.jpg'" \
    "<= 1.15"

echo "-- 12-MP phone HEIC, shrink --jobs 1 vs vipsthumbnail -s 800"
if ! have heif-enc || ! have vipsthumbnail; then
    echo "heif-enc or vipsthumbnail missing; skipped"
    exit 0
fi
vips thumbnail "$photo" "$work/phone_12mp.png" 4032 --height 3024 --size force 2>/dev/null
if ! heif-enc -q 50 -o "$work/phone_12mp.heic" "$work/phone_12mp.png" >/dev/null 2>&1; then
    echo "heif-enc could not make the HEIC; skipped"
    exit 0
fi
if ! "$cli" info "$work/phone_12mp.heic" >/dev/null 2>&1; then
    echo "pictorel-cli cannot read HEIC in this build; skipped"
    exit 0
fi
side_by_side "pictorel-cli shrink --jobs 1" \
    "'$cli' shrink --jobs 1 --folder heic --base '$work/out' '$work/phone_12mp.heic'" \
    "vipsthumbnail -s 800" \
    "vipsthumbnail -s 800 -o '$work/out/%s.jpg[Q=80]' '$work/phone_12mp.heic'" "<= 1"
