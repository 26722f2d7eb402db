#!/bin/sh
# tessaly-retime.exe under Wine in a console (a pseudo-terminal, through
# script(1), which Wine takes as the console): Ctrl+C while a film is read
# ends the tool with the status of a Ctrl+C (0xC000013A, 58 as an exit code
# here), promptly and with nothing written.
#   windows_ctrl_c.sh WINE_RUN TESSALY_RETIME_EXE
set -eu
run=$1 tool=$2
dir=$(mktemp -d /tmp/tessaly-ctrl-c-XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
# Forty minutes of 16-bit noise: seconds to read, whatever the machine.
python3 -c '
import os, struct, sys
rate, n = 16000, 16000 * 60 * 40
with open(sys.argv[1], "wb") as f:
    f.write(b"RIFF" + struct.pack("<I", 36 + 2 * n) + b"WAVEfmt " + struct.pack("<IHHIIHH", 16, 1, 1, rate, 2 * rate, 2, 16))
    f.write(b"data" + struct.pack("<I", 2 * n) + os.urandom(1 << 20) * (2 * n >> 20) + bytes(2 * n % (1 << 20)))
' "$dir/long.wav"
printf '1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n' > in.srt
script -qec "'$run' '$tool' --reference '$dir/long.wav' in.srt out.srt" "$dir/console" >/dev/null 2>&1 &
shell=$!
# Ctrl+C once the progress bar shows (the reading has begun): Wine's console
# writes it a character at a time between escape sequences.
pid=
for _ in $(seq 200); do
  if sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$dir/console" 2>/dev/null | grep -q 'reading the sound'; then
    # The tool itself (Wine's loader becomes it), not script or wine-run.
    pid=$(ps -eo pid=,args= | awk -v f="$dir/long.wav" '$2 ~ /tessaly-retime\.exe$/ && index($0, f) {print $1; exit}')
    [ -n "$pid" ] && break
  fi
  sleep 0.05
done
[ -n "$pid" ] || { echo "the tool did not start reading"; exit 1; }
kill -INT "$pid"
sent=$(date +%s%N)
status=0
wait "$shell" || status=$?
took=$(( ($(date +%s%N) - sent) / 1000000 ))
echo "exit status $status, $took ms after Ctrl+C"
[ "$status" -eq 58 ] || { echo "not ended as by Ctrl+C"; exit 1; }
[ "$took" -lt 3000 ] || { echo "too slow to stop"; exit 1; }
[ ! -e out.srt ] || { echo "out.srt written"; exit 1; }
