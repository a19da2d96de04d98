#!/usr/bin/env bash
# Peak memory of correcting one large file in place. Builds a file of SIZE_MB megabytes
# (default 200) in windows-1251, in UTF-8 and in UTF-8 with a byte-order mark, every line
# holding a word the rule replaces, corrects each with the driver under /usr/bin/time -v and
# prints the peak resident set size beside the file size.
#
#     bench/correct_large_file.sh build/bench/correct_large_file [SIZE_MB]
set -euo pipefail
driver=${1:?usage: $0 DRIVER [SIZE_MB]}
size_mb=${2:-200}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

line='Привет, мир! Съешь же ещё этих мягких французских булок, да выпей чаю. Hello, world 0123456789'
line_bytes=$(( $(printf '%s\n' "$line" | wc -c) ))
lines=$(( size_mb * 1024 * 1024 / line_bytes ))

{ yes "$line" || true; } | head -n "$lines" > "$work/utf8.txt"
iconv -f UTF-8 -t WINDOWS-1251 "$work/utf8.txt" > "$work/cp1251-source.txt"
# The windows-1251 file gets as many lines as make the same size in bytes.
cp1251_line_bytes=$(( $(head -n 1 "$work/cp1251-source.txt" | wc -c) ))
cp1251_line=$(head -n 1 "$work/cp1251-source.txt")
{ yes "$cp1251_line" || true; } | head -n $(( lines * line_bytes / cp1251_line_bytes )) \
    > "$work/cp1251.txt"
rm "$work/cp1251-source.txt"
{ printf '\xEF\xBB\xBF'; cat "$work/utf8.txt"; } > "$work/utf8-bom.txt"

printf '%-10s %10s %10s %6s  %s\n' file "size MB" "peak MB" ratio outcome
# The UTF-8 file without a mark is taken as UTF-8 through the option, as a user would set it.
for name in cp1251 utf8 utf8-bom; do
    file="$work/$name.txt"
    option=()
    [ "$name" = utf8 ] && option=(utf8)
    size=$(stat -c %s "$file")
    outcome=$(/usr/bin/time -v -o "$work/time.txt" "$driver" "$file" "${option[@]}")
    peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' "$work/time.txt")
    awk -v n="$name" -v s="$size" -v p="$peak_kb" -v o="$outcome" 'BEGIN {
        printf "%-10s %10.1f %10.1f %6.2f  %s\n", n, s / 1048576, p / 1024, p * 1024 / s, o }'
done
