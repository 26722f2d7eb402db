#!/usr/bin/env bash
# The real program under Wine, acted on through the X display as a user acts:
# 1. A file dragged from another X program (XDND, as from a file manager) onto
#    the subtitle box shows its text there as a drop does on Linux: a UTF-8
#    subtitle and a GBK one. The program runs on a Wine desktop of its own that
#    is not the session's virtual desktop, so that its window is an X window of
#    its own, as under Wine's default settings (within a virtual desktop the
#    desktop's process takes every X drop and hands the program a drop handle
#    of its own process, which the program cannot read).
# 2. In the session's virtual desktop, the message box of a bad adjust shows
#    drawn on the X display (not a black rectangle); its picture is kept in
#    the artifacts.
# Closing the window ends the program with status 0 each time.
#   x_file_drop_test.sh WINE_RUN BIN_DIR TESTS_DIR SESSION_DIR LINUX_BUILD SUBTITLES_DIR WORK_DIR ARTIFACTS_DIR
set -euo pipefail
wine_run=$1 bin=$2 tests=$3 session=$4 linux=$5 subtitles=$6 work=$7 artifacts=$8
source_tool=$linux/tests/x-file-drag-source
for tool in "$source_tool" "$linux/bin/tessaly-image" xdotool import convert iconv; do
  command -v "$tool" >/dev/null || { echo "x_file_drop_test: $tool is missing" >&2; exit 1; }
done
export DISPLAY=$(cat "$session/display")
dropper=tessaly-xdnd.exe boxer=tessaly-box.exe reader=drop-box-reader.exe

rm -rf "$work"
mkdir -p "$work" "$artifacts"
cp "$bin/tessaly.exe" "$work/$dropper"
cp "$bin/tessaly.exe" "$work/$boxer"
cp "$bin/vexrun.vxr" "$bin"/*.vxl "$tests/$reader" "$work/"
cp "$subtitles/sample.srt" "$subtitles/gbk.srt" "$work/"
cd "$work"

# A control's place in the window's client area, from the image.
place() {
  "$linux/bin/tessaly-image" "$linux/tessaly.img" | awk -v name="$1" '$3 == name { gsub(",", " ", $4); print $4 }'
}
read -r box_left box_top box_width box_height < <(place 编辑框1)
read -r button_left button_top button_width button_height < <(place 按钮1)
[ -n "$box_height" ] && [ -n "$button_height" ] || { echo "x_file_drop_test: the image lacks 编辑框1 or 按钮1" >&2; exit 1; }

desktop() {  # NAME on (XdndDrop) or off (the session's desktop)
  if [ "$2" = on ]; then
    "$wine_run" reg add "HKCU\\Software\\Wine\\AppDefaults\\$1\\Explorer" /v Desktop /d XdndDrop /f
  else
    "$wine_run" reg delete "HKCU\\Software\\Wine\\AppDefaults\\$1" /f
  fi </dev/null >/dev/null 2>&1 || true
}
cleanup() {
  for exe in "$dropper" "$boxer"; do "$wine_run" "$reader" "$exe" close </dev/null >/dev/null 2>&1 || true; done
  desktop "$dropper" off
  desktop "$reader" off
}
trap cleanup EXIT

# The screen point in the middle of a control of the program EXE, once its
# window shows (the reader writes a file: Wine programs' output must not go
# to a pipe that is read to its end).
point() {  # EXE LEFT TOP WIDTH HEIGHT
  for _ in $(seq 60); do
    if "$wine_run" "$reader" "$1" point "$2" "$3" "$4" "$5" point.txt </dev/null >/dev/null 2>reader.err; then
      cat point.txt
      return
    fi
    sleep 0.25
  done
  echo "x_file_drop_test: no window of $1 showed: $(cat reader.err)" >&2
  exit 1
}
# Closes the program's window and checks that it ended with status 0.
close_program() {  # EXE PID
  "$wine_run" "$reader" "$1" close </dev/null >/dev/null 2>&1
  local ended=0
  wait "$2" || ended=$?
  if [ "$ended" != 0 ]; then
    echo "x_file_drop_test: $1 ended with status $ended after its window was closed" >&2
    cat "$1.out" >&2
    status=1
  fi
}

status=0
desktop "$dropper" on
desktop "$reader" on
# The desktop's own process, started by the program, inherits its output.
"$wine_run" "$dropper" </dev/null >"$dropper.out" 2>&1 &
dropper_pid=$!
read -r target_x target_y < <(point "$dropper" "$box_left" "$box_top" "$box_width" "$box_height")
for file in sample.srt gbk.srt; do
  if [ "$file" = gbk.srt ]; then iconv -f GBK -t UTF-8 "$file" >"$file.expected"; else cp "$file" "$file.expected"; fi
  coproc drag { exec "$source_tool" "$work/$file" 1180 10 2>/dev/null; }
  read -r -t 20 word from_x from_y <&"${drag[0]}" && [ "$word" = ready ] ||
    { echo "x_file_drop_test: the drag source did not show" >&2; exit 1; }
  xdotool mousemove "$from_x" "$from_y"
  sleep 0.2
  xdotool mousedown 1
  # The drag moves in steps, as a hand does, and rests on the box before the release.
  for step in 1 2 3 4 5 6; do
    xdotool mousemove $((from_x + (target_x - from_x) * step / 6)) $((from_y + (target_y - from_y) * step / 6))
    sleep 0.1
  done
  sleep 0.3
  xdotool mouseup 1
  outcome=
  read -r -t 20 outcome <&"${drag[0]}" || kill "$drag_PID" 2>/dev/null || true
  wait "$drag_PID" 2>/dev/null || true
  if [ "$outcome" != dropped ]; then
    echo "x_file_drop_test: the drop of $file was not taken (${outcome:-no answer})" >&2
    status=1
    continue
  fi
  # The text shows once the program has handled the shell's drop message.
  for _ in $(seq 10); do
    "$wine_run" "$reader" "$dropper" text "$box_left" "$box_top" "$box_width" "$box_height" "$file.shown" \
      </dev/null >/dev/null 2>reader.err || true
    cmp -s "$file.shown" "$file.expected" && break
    sleep 0.2
  done
  if cmp -s "$file.shown" "$file.expected"; then
    echo "$file: dropped from X, the subtitle box shows its text"
  else
    echo "x_file_drop_test: after the drop of $file the subtitle box shows:" >&2
    head -c 300 "$file.shown" >&2 2>/dev/null || cat reader.err >&2
    status=1
  fi
done
close_program "$dropper" "$dropper_pid"
desktop "$reader" off

# The message box in the session's virtual desktop: adjust with the source
# times all zero.
"$wine_run" "$boxer" </dev/null >"$boxer.out" 2>&1 &
boxer_pid=$!
read -r button_x button_y < <(point "$boxer" "$button_left" "$button_top" "$button_width" "$button_height")
sleep 0.3
xdotool mousemove "$button_x" "$button_y" click 1
shown=
for _ in $(seq 50); do
  # The box: a window of the program far smaller than the main window.
  shown=$(xwininfo -root -tree | awk -v exe="\"$boxer\"" '$0 ~ exe {
            split($(NF-1), g, /[x+]/); if (g[1] > 100 && g[1] < 500 && g[2] > 40) { print $(NF-1), $NF; exit } }')
  [ -n "$shown" ] && break
  sleep 0.1
done
if [ -z "$shown" ]; then
  echo "x_file_drop_test: no message box after the bad adjust" >&2
  status=1
else
  read -r size at <<<"$shown"
  sleep 0.5
  picture=$artifacts/tessaly-message-box-windows.png
  import -window root "$picture"
  read -r mean spread < <(convert "$picture" -crop "${size%%+*}$at" +repage \
                            -format '%[fx:mean] %[fx:standard_deviation]\n' info:)
  if awk -v m="$mean" -v s="$spread" 'BEGIN { exit !(m > 0.5 && s > 0.05) }'; then
    echo "message box: drawn (brightness $mean, spread $spread), picture in $picture"
  else
    echo "x_file_drop_test: the message box is not drawn (brightness $mean, spread $spread); see $picture" >&2
    status=1
  fi
  xdotool key Return
  for _ in $(seq 50); do
    xwininfo -root -tree | awk -v exe="\"$boxer\"" '$0 ~ exe { split($(NF-1), g, /[x+]/); if (g[1] > 100 && g[1] < 500 && g[2] > 40) f = 1 }
                                                    END { exit !f }' || break
    sleep 0.1
  done
fi
close_program "$boxer" "$boxer_pid"
exit $status
