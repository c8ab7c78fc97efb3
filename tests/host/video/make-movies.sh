#!/usr/bin/env bash
# Makes the movies the video tests decode, and ffmpeg's own decoding of some frames as RGB.
#   make-movies.sh OUT_DIR [SMKENC]
# Without SMKENC (the Smacker encoder program) no Smacker movies are made.
set -euo pipefail
out=$1
smkenc=${2:-}
mkdir -p "$out"
cd "$out"
rm -f ./*.smk ./*.rgb
ff() { ffmpeg -nostdin -v error -y "$@"; }
src=(-f lavfi -i testsrc=size=96x64:rate=10:duration=2 -f lavfi -i sine=frequency=440:sample_rate=22050:duration=2)
ff "${src[@]}" -c:v cinepak -c:a pcm_u8 -ac 1 cinepak.avi
ff "${src[@]}" -c:v msvideo1 -c:a pcm_u8 -ac 1 msvideo1.avi
# Paletted frames with one palette throughout, unlike the encoder's movies.
ff "${src[@]}" -pix_fmt pal8 -c:v rawvideo -c:a pcm_u8 -ac 1 pal8.avi
ff -f lavfi -i testsrc=size=96x64:rate=25:duration=2 -c:v mpeg1video -g 10 -bf 0 -q:v 2 -f mpeg mpeg1.mpg
movies=(cinepak.avi msvideo1.avi pal8.avi mpeg1.mpg)
if [ -n "$smkenc" ]; then
    "$smkenc" count.smk --size 64x48 --frames 20 --fps 15 --sound 22050,16,1 >/dev/null
    # The same movie with a frame rate field of 0 in its header.
    cp count.smk rate0.smk
    printf '\0\0\0\0' | dd of=rate0.smk bs=1 seek=16 conv=notrunc status=none
    # A long movie for going to far frames.
    "$smkenc" long.smk --size 64x48 --frames 300 --fps 15 >/dev/null
    movies+=(count.smk long.smk)
fi
for m in "${movies[@]}"; do
    ff -i "$m" -f rawvideo -pix_fmt rgb24 "$m.rgb"
done
