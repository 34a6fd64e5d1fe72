#!/bin/bash
# A video through ffmpeg: its frame count and length at a fractional rate, its pictures twice
# the size, its sound where the capture's soundtrack.wav has it (to within a frame), and a
# capture stopped by a signal still ends as a whole file with nothing left beside it.
# Skipped when ffmpeg is not installed (scripts/install-deps.sh --with-video).
set -u
demo="$1"
fail() { echo "video test: $*" >&2; rm -rf "$root"; exit 1; }
for tool in ffmpeg ffprobe; do
    command -v "$tool" >/dev/null || { echo "video test: $tool is not installed; skipped"; exit 77; }
done
root=$(mktemp -d)

"$demo" --headless --autostart 0 --seconds 5 --fps 60000/1001 --scale 2 --video "$root/v.mp4" \
    --capture "$root/pictures" || fail "the capture failed"
[ -s "$root/v.mp4" ] || fail "no video"
ls "$root" | grep -q part && fail "unfinished files left: $(ls "$root")"
probe() { ffprobe -v error -select_streams "$1" -count_frames -show_entries "stream=$2" -of csv=p=0 "$3"; }
video=$(probe v codec_name,width,height,r_frame_rate,nb_read_frames "$root/v.mp4")
# Periods begin at k * 1001 / 60 ms: 300 of them in 5 s.
[ "$video" = "h264,1024,768,60000/1001,300" ] || fail "video stream: $video"
audio=$(probe a codec_name,sample_rate,channels "$root/v.mp4")
[ "$audio" = "aac,44100,2" ] || fail "audio stream: $audio"
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$root/v.mp4")
awk -v d="$length" 'BEGIN { exit !(d > 5.0 && d < 5.03) }' || fail "length $length s, expected 5.005"
[ "$(ls "$root/pictures"/*.png | wc -l)" = 300 ] || fail "the pictures beside it are not 300"

# The music starts 3 s into part 1; where it is heard, in the video and in the capture's sound.
onset() {
    ffmpeg -hide_banner -nostdin -i "$1" -af silencedetect=n=-40dB:d=0.2 -f null - 2>&1 |
        awk '/silence_end/ { for (i = 1; i <= NF; ++i) if ($i == "silence_end:") { print $(i + 1); exit } }'
}
heard=$(onset "$root/v.mp4")
wav=$(onset "$root/pictures/soundtrack.wav")
[ -n "$heard" ] && [ -n "$wav" ] || fail "no music heard (video ${heard:-none}, capture ${wav:-none})"
awk -v a="$heard" -v b="$wav" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= 1001 / 60000 && b > 2.5) }' ||
    fail "the music starts at $heard s in the video, at $wav s in the capture"

# Stopped by a signal: the video holds what was captured, whole.
"$demo" --headless --autostart 0 --video "$root/stopped.mp4" &
pid=$!
for _ in $(seq 300); do [ -s "$root/stopped.mp4.pictures.part" ] && break; sleep 0.1; done
sleep 1
kill -INT "$pid"
wait "$pid"
status=$?
[ "$status" = 0 ] || fail "exit code $status after SIGINT"
frames=$(probe v nb_read_frames "$root/stopped.mp4") || fail "the stopped video does not read back"
[ "${frames:-0}" -gt 0 ] || fail "the stopped video holds no pictures"
ls "$root" | grep -q part && fail "unfinished files left after SIGINT: $(ls "$root")"

# Without ffmpeg, a clear message and no run.
message=$(PATH=/nonexistent "$demo" --headless --seconds 1 --video "$root/none.mp4" 2>&1)
[ $? != 0 ] && echo "$message" | grep -q "needs ffmpeg" || fail "without ffmpeg: $message"
rm -rf "$root"
echo "video test: 300 frames at 60000/1001, 1024 x 768, $length s; music at $heard s (capture $wav s); SIGINT left a whole video of $frames frames"
