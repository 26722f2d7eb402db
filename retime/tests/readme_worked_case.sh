#!/bin/sh
# The README's worked case of --reference runs as written from the repository
# root and prints what the README shows.
#   readme_worked_case.sh SOURCE_DIR TESSALY_RETIME BUILD_DIR
set -eu
root=$1 tool=$2 build=$3
readme=$root/README.md
# The block's first line is the command after "$ "; the lines up to the next
# blank line are its standard error.
command=$(grep -m1 '^    \$ build/bin/tessaly-retime --reference ' "$readme" | sed 's/^    \$ //')
[ -n "$command" ] || { echo "the README shows no worked --reference case"; exit 1; }
awk -v c="    \$ $command" '$0 == c {on = 1; next} on && /^$/ {exit} on {sub(/^    /, ""); print}' "$readme" >"$build/readme-expected.txt"
# Run as written, with this build's tool for build/bin/tessaly-retime and its
# output file in this build folder.
set -- $command
shift
out=
for a in "$@"; do case $a in build/*) out=$a ;; esac; done
[ -n "$out" ] || { echo "the worked case writes no file under build/"; exit 1; }
cd "$root"
args=
for a in "$@"; do
  [ "$a" = "$out" ] && a=$build/${out#build/}
  args="$args $a"
done
# shellcheck disable=SC2086
"$tool" $args 2>"$build/readme-actual.txt"
diff -u "$build/readme-expected.txt" "$build/readme-actual.txt"
