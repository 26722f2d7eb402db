#!/bin/sh
# The README's worked cases of --reference run as written from the repository
# root and print what the README shows (the seconds the film took to read and
# the pieces read at once vary with the machine: those are masked).
#   readme_worked_case.sh SOURCE_DIR TESSALY_RETIME BUILD_DIR
set -eu
root=$1 tool=$2 build=$3
readme=$root/README.md
mask() { sed -E 's/ in [0-9.]+ s \([0-9]+ pieces? at once\)/ in ... s (... at once)/' "$1"; }
# Each block's first line is the command after "$ "; the lines up to the next
# blank line are its standard error.
commands=$(grep '^    \$ build/bin/tessaly-retime --reference ' "$readme" | sed 's/^    \$ //')
[ -n "$commands" ] || { echo "the README shows no worked --reference case"; exit 1; }
echo "$commands" | while IFS= read -r command; do
  awk -v c="    \$ $command" '$0 == c {on = 1; next} on && /^$/ {exit} on {sub(/^    /, ""); print}' "$readme" >"$build/readme-expected.txt"
  # Run as written, with this build's tool for build/bin/tessaly-retime and
  # this build folder for build/.
  set -- $command
  shift
  args=
  for a in "$@"; do
    case $a in build/*) a=$build/${a#build/} ;; esac
    args="$args $a"
  done
  # shellcheck disable=SC2086
  (cd "$root" && "$tool" $args 2>"$build/readme-actual.txt")
  mask "$build/readme-expected.txt" >"$build/readme-expected-masked.txt"
  mask "$build/readme-actual.txt" | sed "s#$build/#build/#g" >"$build/readme-actual-masked.txt"
  diff -u "$build/readme-expected-masked.txt" "$build/readme-actual-masked.txt"
done
