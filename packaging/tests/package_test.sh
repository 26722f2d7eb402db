#!/usr/bin/env bash
# The Debian package as a distribution and a new user meet it:
#   package_test.sh BUILD_DIR PACKAGE_FILE APPSTREAM_ID
# builds the package from BUILD_DIR with CPack, checks it with lintian,
# validates its desktop entry and AppStream metadata, renders its manual
# pages, unpacks it into a temporary root and starts the unpacked tool
# headless until its window shows. Nothing is installed into the machine.
set -euo pipefail
build=$1 deb_name=$2 appstream_id=$3

work=$(mktemp -d)
tool_pid=
cleanup() {
  if [ -n "$tool_pid" ]; then kill -9 "$tool_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# 1. The package, made in a folder of its own.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack could not make the package"; }
deb=$work/out/$deb_name
[ -f "$deb" ] || fail "no $deb_name; cpack made: $(ls "$work/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tessaly ] || fail "Package: $(field Package)"
[ "$(field Version)" = 1.0.0.0 ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
# Computed from the binaries: the C library and Qt's widgets at least.
depends=$(field Depends)
for lib in libc6 libqt6widgets6 libqt6gui6 libqt6core6; do
  tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | grep -qx "$lib" ||
    fail "Depends lacks $lib: $depends"
done

# 2. Lintian: no errors (warnings are reported, not fatal).
lintian --fail-on error --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 ||
  { cat "$work/lintian.log" >&2; fail "lintian reports errors"; }
sed 's/^/lintian: /' "$work/lintian.log"

# 3. Unpacked into a temporary root.
root=$work/root
dpkg-deb -x "$deb" "$root"
usr=$root/usr
[ "$(readlink "$usr/bin/tessaly")" = ../lib/tessaly/tessaly ] || fail "usr/bin/tessaly is not the link"
[ "$(readlink "$usr/lib/tessaly/vexrun.vxe")" = vexrun.vxr ] || fail "vexrun.vxe is not a link to vexrun.vxr"
[ ! -e "$usr/lib/tessaly/runtime" ] || fail "the libraries are installed twice"
[ "$(cat "$usr/share/tessaly/Install")" = "Path=/usr/lib/tessaly/" ] || fail "record: $(cat "$usr/share/tessaly/Install")"
[ -f "$usr/share/icons/hicolor/48x48/apps/tessaly.png" ] || fail "no 48x48 icon"
grep -qx 'Exec=/usr/bin/tessaly %f' "$usr/share/applications/tessaly.desktop" || fail "desktop entry Exec"

desktop-file-validate "$usr/share/applications/tessaly.desktop" || fail "desktop-file-validate"
metainfo=$usr/share/metainfo/$appstream_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"

# 4. Both manual pages render without a warning; the re-timer's page names
# every option that its --help names.
for page in tessaly tessaly-retime; do
  file=$usr/share/man/man1/$page.1.gz
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" >"$work/$page.txt" 2>"$work/$page.err" ||
    fail "man -l $page failed: $(cat "$work/$page.err")"
  [ ! -s "$work/$page.err" ] || fail "man -l $page warns: $(cat "$work/$page.err")"
  grep -q '^EXIT STATUS' "$work/$page.txt" || fail "$page has no EXIT STATUS"
done
"$usr/bin/tessaly-retime" --help >"$work/help.txt"
for option in $(grep -o -- '--[a-z][a-z-]*' "$work/help.txt" | sort -u); do
  grep -q -- "$option" "$work/tessaly-retime.txt" || fail "the manual page of tessaly-retime lacks $option"
done
# Its messages in Simplified Chinese from the package's own catalog.
[ -f "$usr/share/locale/zh_CN/LC_MESSAGES/tessaly-retime.mo" ] || fail "no zh_CN catalog of tessaly-retime"
said=$(LANGUAGE=zh_CN LC_ALL=C.UTF-8 "$usr/bin/tessaly-retime" --bogus 2>&1 || true)
[ "$said" = "tessaly-retime: 未知选项 --bogus（参见 --help）" ] || fail "not in Chinese: $said"

# 5. The unpacked tool starts headless and shows its window, with the kernel
# and support libraries of the unpacked tree.
home=$work/home
mkdir -m 700 "$home"
shot=$work/window.png
env -i PATH=/usr/bin:/bin HOME="$home" XDG_RUNTIME_DIR="$home" QT_QPA_PLATFORM=offscreen \
  VEXRUN_SCREENSHOT="$shot" "$usr/bin/tessaly" >"$work/tool.log" 2>&1 &
tool_pid=$!
for _ in $(seq 600); do
  [ -s "$shot" ] && break
  kill -0 "$tool_pid" 2>/dev/null || fail "the tool ended before its window showed: $(cat "$work/tool.log")"
  sleep 0.1
done
[ -s "$shot" ] || fail "the window did not show within 60 s: $(cat "$work/tool.log")"
maps=$(cat "/proc/$tool_pid/maps")
for lib in vexrun.vxr plintor.vxl Ravline.vxl; do
  [[ "$maps" == *"$usr/lib/tessaly/$lib"* ]] || fail "the tool did not load the unpacked $lib"
done
kill -9 "$tool_pid"
wait "$tool_pid" 2>/dev/null || true
tool_pid=
echo "package $deb_name: built, lintian clean of errors, metadata valid, window shown"
