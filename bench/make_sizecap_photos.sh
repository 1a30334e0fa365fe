#!/bin/sh
# Builds the photo set bench_sizecap measures the file-size cap on: the
# corpus's camera photos resampled to three shapes (landscape, square,
# portrait), each also sharpened, which gives more fine detail and larger
# files. Usage: bench/make_sizecap_photos.sh PICTOREL_CLI CORPUS OUTDIR
set -eu
cli=$1 corpus=$2 out=$3
mkdir -p "$out"
for photo in jpeg/photo_3872x2403.jpg jpeg/photo_jolla_3264x2448.jpg \
             jpeg/photo_nokia_4608x1976.jpg jpeg/photo_samsung_4032x2012.jpg \
             jpeg/camera/Canon_40D.jpg jpeg/camera/fujifilm-dx10_1024x768.jpg \
             jpeg/camera/nikon-e950_800x600.jpg; do
    name=$(basename "$photo" .jpg)
    for shape in 3000x2000 2400x2400 1500x2000; do
        w=${shape%x*} h=${shape#*x}
        "$cli" resize "$corpus/$photo" "$w" "$h" "$out/$name-$shape.png"
        "$cli" effect sharpen "$out/$name-$shape.png" "$out/$name-$shape-sharp.png"
    done
done
