#!/usr/bin/env bash
# The portable zip as a user unpacks it:
#   windows_zip_test.sh ZIP UNPACK_DIR
# checks that ZIP holds exactly the folder Tessaly/ with the program, the
# command-line tool, the kernel and support libraries, the read-me (CR LF line ends, naming every
# file), the licence (the GPL, CR LF) and the licences of FFmpeg and WebRTC's
# detector, and unpacks it into UNPACK_DIR, where the Windows package test starts
# the unpacked program under Wine.
set -euo pipefail
zip=$1 unpack=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

expected='Tessaly/LICENSE.txt
Tessaly/README.txt
Tessaly/Ravline.vxl
Tessaly/THIRD-PARTY.txt
Tessaly/dravolt.vxl
Tessaly/plintor.vxl
Tessaly/stylon.vxl
Tessaly/synvox.vxl
Tessaly/tessaly-retime.exe
Tessaly/tessaly.exe
Tessaly/ulmix.vxl
Tessaly/vexrun.vxr'
[ -f "$zip" ] || fail "no $zip (cmake --build BUILD --target package makes it)"
entries=$(cmake -E tar tf "$zip" | LC_ALL=C sort)
[ "$entries" = "$expected" ] || fail "the zip holds:
$entries
and should hold:
$expected"

rm -rf "$unpack"
mkdir -p "$unpack"
(cd "$unpack" && cmake -E tar xf "$zip")
dir=$unpack/Tessaly
for f in tessaly.exe tessaly-retime.exe vexrun.vxr plintor.vxl dravolt.vxl ulmix.vxl stylon.vxl Ravline.vxl synvox.vxl; do
  [ "$(head -c 2 "$dir/$f")" = MZ ] || fail "$f is not a Windows program or library"
done

readme=$dir/README.txt
lines=$(wc -l <"$readme")
crlf=$(grep -c $'\r$' "$readme" || true)
[ "$lines" -gt 0 ] && [ "$crlf" = "$lines" ] || fail "README.txt: $crlf of $lines lines end in CR LF"
for f in tessaly.exe tessaly-retime.exe vexrun.vxr plintor.vxl dravolt.vxl ulmix.vxl stylon.vxl Ravline.vxl synvox.vxl; do
  grep -q "$f" "$readme" || fail "README.txt does not name $f"
done
grep -q 'Wine only' "$readme" || fail "README.txt does not say where this build was tested"
grep -q 'GNU GENERAL PUBLIC LICENSE' "$dir/LICENSE.txt" || fail "LICENSE.txt is not the GPL"
[ "$(grep -c $'\r$' "$dir/LICENSE.txt")" = "$(wc -l <"$dir/LICENSE.txt")" ] || fail "LICENSE.txt: not CR LF"
grep -q 'LICENSE.txt' "$readme" || fail "README.txt does not name LICENSE.txt"
grep -q 'THIRD-PARTY.txt' "$readme" || fail "README.txt does not name THIRD-PARTY.txt"
grep -q 'GNU LESSER GENERAL PUBLIC LICENSE' "$dir/THIRD-PARTY.txt" && grep -q 'The WebRTC project authors' "$dir/THIRD-PARTY.txt" ||
  fail "THIRD-PARTY.txt lacks FFmpeg's or WebRTC's licence"
echo "$(basename "$zip"): the program, the command-line tool, the kernel library, five support libraries, the read-me and the licences"
