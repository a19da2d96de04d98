#!/usr/bin/env bash
# Huge inputs, each timed with its peak memory: one file of 2 GiB corrected, a folder tree of a
# million files scanned, the same million files corrected by batch mode from a file list, a
# rule list of 100,000 rules, a found text of one 100 MB line in the viewer and a file of one
# such line in the preview (all three offscreen).
# The files go to a fresh folder under /dev/shm (a million small files need inodes more than
# disk) and are removed at the end; the 2 GiB file goes to the temporary folder.
#
# Usage: bench/huge_inputs.sh [build folder]
# Sizes: QX_HUGE_FILE_MB (2048), QX_HUGE_FILES (1000000), QX_HUGE_RULES (100000),
# QX_HUGE_LINE_MB (100).
set -euo pipefail
build=$(realpath "${1:-build}")
file_mb=${QX_HUGE_FILE_MB:-2048}
files=${QX_HUGE_FILES:-1000000}
rules=${QX_HUGE_RULES:-100000}
line_mb=${QX_HUGE_LINE_MB:-100}
export QT_QPA_PLATFORM=offscreen

big=$(mktemp -d)
many=$(mktemp -d -p /dev/shm)
trap 'rm -rf "$big" "$many"' EXIT

# "seconds peak-MiB" of a command, its output kept in $big/out.txt.
measure() {
    /usr/bin/time -f '%e %M' -o "$big/time.txt" "$@" >"$big/out.txt" 2>&1 || true
    awk '{ printf "%8.1f s %8.0f MiB peak", $1, $2 / 1024 }' "$big/time.txt"
}

line=$(printf 'Привет, мир! Hello, world 0123456789 abcdefghij klmnopqrst uvwxyz' |
    iconv -f UTF-8 -t WINDOWS-1251)
{ yes "$line" || true; } | head -c $((file_mb << 20)) >"$big/big.txt"
echo "a ${file_mb} MiB windows-1251 file, a replacement on every line:"
echo "  $(measure "$build/bench/correct_large_file" "$big/big.txt")  $(cat "$big/out.txt")"
rm "$big/big.txt"

# 100 folders of files each holding one word the rule replaces.
perl -e 'my ($root, $n) = @ARGV; for my $i (0 .. $n - 1) {
    my $dir = sprintf("%s/s%03d", $root, int($i / ($n / 100 || 1)));
    mkdir $dir unless -d $dir;
    open(my $f, ">", sprintf("%s/f%07d.txt", $dir, $i)) or die; print $f "one b two\n"; close $f }' \
    "$many" "$files"
echo "a tree of $files files scanned (*.txt, all subfolders):"
echo "  $(measure "$build/bench/scan_folder" "$many" '*.txt' recursive)  $(cat "$big/out.txt")"
find "$many" -name '*.txt' >"$big/list.txt"
printf '<?xml version="1.0" encoding="windows-1251"?>\r\n<List xml:space="preserve">\r\n  <Item> <Find> b </Find> <Replace> B </Replace> <Checked>1</Checked> </Item>\r\n</List>\r\n' \
    >"$big/rules.lst"
echo "batch mode over a list of $files files:"
echo "  $(measure "$build/qxquendro" "$big/list.txt" "$big/rules.lst")  \
$(grep -l ' B ' -r "$many" | wc -l) files corrected"
rm -rf "${many:?}"/*

echo "a rule list of $rules rules:"
measure "$build/bench/large_rule_list" "$rules" >/dev/null
sed 's/^/  /' "$big/out.txt" | grep -v XDG_RUNTIME_DIR
echo "a found text of one ${line_mb} MB line in the viewer:"
measure "$build/bench/long_line_view" "$line_mb" >/dev/null
grep -v -e XDG_RUNTIME_DIR -e 'raise()' "$big/out.txt" | sed 's/^/  /'
echo "a file of one ${line_mb} MB line in the preview:"
echo "  $(measure "$build/bench/long_line_preview" "$line_mb") in all"
grep -v -e XDG_RUNTIME_DIR -e 'raise()' "$big/out.txt" | sed 's/^/  /'
