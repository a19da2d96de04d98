#!/usr/bin/env bash
# Batch mode against `sed -i` and `perl -pi` on one generated corpus: thousands of small files
# and a few large ones, half windows-1251, half UTF-8 with a byte-order mark, and 20 equivalent
# rules (case-insensitive plain rules, two regular expressions). Every tool works on its own
# copy; the outputs must be byte-identical. Prints each tool's time and peak memory and the
# ratios, then batch mode's peak memory on one large file with no match and with a match in
# every word, to show memory does not grow with the number of replacements, and a rule list
# that finds nothing against `cat` of the same files.
#
# Usage: bench/batch_vs_sed.sh [path/to/qxquendro]
# Sizes: QX_BENCH_SMALL (files, 3000), QX_BENCH_LARGE (files, 4), QX_BENCH_LARGE_MB (8).
set -euo pipefail
program=$(realpath "${1:-build/qxquendro}")
small=${QX_BENCH_SMALL:-3000}
large=${QX_BENCH_LARGE:-4}
large_mb=${QX_BENCH_LARGE_MB:-8}
export LC_ALL=C  # bytes are bytes for sed and perl alike

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The corpus, the rule list and the equivalent sed and perl scripts for both encodings.
perl - "$work" "$small" "$large" "$large_mb" <<'PERL'
use strict;
use warnings;
use utf8;
use Encode qw(encode);
my ($work, $small, $large, $large_mb) = @ARGV;
srand(42);

# [find, replace]: plain rules, compared without regard to case. The Russian words appear in
# the corpus in small letters only, since sed and perl fold only Latin letters here.
my @plain = (
    ['colour', 'color'], ['centre', 'center'], ['teh', 'the'], ['recieve', 'receive'],
    ['adress', 'address'], ['occured', 'occurred'], ['seperate', 'separate'],
    ['untill', 'until'], ['wich', 'which'], ['thier', 'their'],
    ['goverment', 'government'], ['enviroment', 'environment'],
    ['превед', 'привет'], ['щас', 'сейчас'], ['канешно', 'конечно'], ['ваще', 'вообще'],
    ['жызнь', 'жизнь'], ['исчо', 'ещё'],
);
my @words = (qw(the quick brown fox jumps over lazy dog text file line word value number
    list rule set option window folder), 'дом', 'окно', 'строка', 'файл', 'правило', 'список',
    'текст', 'замена', 'папка', 'слово');
my @wrong = map { $_->[0] } @plain;

sub word {
    my $r = rand();
    if ($r < 0.08) {
        my $w = $wrong[int(rand(@wrong))];
        if ($w =~ /^[a-z]/) {  # Latin: vary the case
            my $c = rand();
            $w = uc($w) if $c < 0.2;
            $w = ucfirst($w) if $c >= 0.2 && $c < 0.4;
        }
        return $w;
    }
    return int(rand(100)) . 'px' if $r < 0.10;
    return ',' if $r < 0.12;  # a comma after a space, for the second expression
    return $words[int(rand(@words))];
}

sub text_of {
    my ($bytes) = @_;
    my @lines;
    my $size = 0;
    while ($size < $bytes) {
        my $line = join(' ', map { word() } 1 .. 12);
        push @lines, $line;
        $size += length($line) + 1;
    }
    return join("\n", @lines) . "\n";
}

sub write_file {
    my ($path, $bytes) = @_;
    open(my $fh, '>:raw', $path) or die "$path: $!";
    print $fh $bytes;
    close($fh);
}

mkdir("$work/corpus");
mkdir("$work/corpus/cp");
mkdir("$work/corpus/utf");
my @list;
for my $i (1 .. $small + $large) {
    my $bytes = $i <= $small ? 500 + int(rand(4000)) : $large_mb * 1024 * 1024;
    my $text = text_of($bytes);
    my $name = sprintf('f%05d.txt', $i);
    if ($i % 2) {
        write_file("$work/corpus/cp/$name", encode('cp1251', $text));
        push @list, "cp/$name";
    } else {
        write_file("$work/corpus/utf/$name", "\xEF\xBB\xBF" . encode('UTF-8', $text));
        push @list, "utf/$name";
    }
}
write_file("$work/files.txt", join("\r\n", @list) . "\r\n");

# The rule list, in windows-1251, as the program writes it.
my $lst = qq(<?xml version="1.0" encoding="windows-1251"?>\r\n<List xml:space="preserve">\r\n);
for my $rule (@plain) {
    $lst .= "  <Item> <Find>$rule->[0]</Find> <Replace>$rule->[1]</Replace>  <Checked>1</Checked>  </Item>\r\n";
}
$lst .= '  <Item> <Find>(\d+)px</Find> <Replace>$1 px</Replace>  <Checked>1</Checked>  <Flags>r</Flags>  </Item>' . "\r\n";
$lst .= '  <Item> <Find> +,</Find> <Replace>,</Replace>  <Checked>1</Checked>  <Flags>r</Flags>  </Item>' . "\r\n";
$lst .= "</List>\r\n";
write_file("$work/rules.lst", encode('cp1251', $lst));

for my $encoding (['cp', 'cp1251'], ['utf', 'UTF-8']) {
    my ($tag, $name) = @$encoding;
    my ($sed, $pl) = ('', '');
    for my $rule (@plain) {
        my ($find, $replace) = map { encode($name, $_) } @$rule;
        $sed .= "s/$find/$replace/gI\n";
        $pl .= "s/\Q$find\E/$replace/gi;\n";
    }
    $sed .= "s/\\([0-9][0-9]*\\)px/\\1 px/g\ns/  *,/,/g\n";
    $pl .= "s/(\\d+)px/\$1 px/g;\ns/ +,/,/g;\n";
    write_file("$work/rules-$tag.sed", $sed);
    write_file("$work/rules-$tag.pl", $pl);
}
PERL

for tool in batch sed perl; do cp -r "$work/corpus" "$work/$tool"; done
sed 's|^|batch/|' "$work/files.txt" >"$work/batch-files.txt"

# Runs a command under /usr/bin/time; prints "seconds peak-KiB user+system-seconds".
measure() {
    /usr/bin/time -f '%e %M %U %S' -o "$work/time.txt" "$@" >/dev/null
    awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$work/time.txt"
}

batch_run() { "$program" "$work/batch-files.txt" "$work/rules.lst"; }
sed_run() {
    (cd "$work/sed" && find cp -type f -print0 | xargs -0 sed -i -f "$work/rules-cp.sed" &&
        find utf -type f -print0 | xargs -0 sed -i -f "$work/rules-utf.sed")
}
perl_run() {
    (cd "$work/perl" && find cp -type f -print0 | xargs -0 perl -pi "$work/rules-cp.pl" &&
        find utf -type f -print0 | xargs -0 perl -pi "$work/rules-utf.pl")
}
export -f batch_run sed_run perl_run
export program work

sync
read -r batch_s batch_kb batch_cpu < <(measure bash -c batch_run)
read -r sed_s sed_kb sed_cpu < <(measure bash -c sed_run)
read -r perl_s perl_kb perl_cpu < <(measure bash -c perl_run)

diff -r "$work/batch" "$work/sed" >/dev/null || { echo "batch mode and sed differ"; exit 1; }
diff -r "$work/batch" "$work/perl" >/dev/null || { echo "batch mode and perl differ"; exit 1; }
diff -r "$work/corpus" "$work/batch" >/dev/null && { echo "nothing was corrected"; exit 1; }

corpus_mb=$(du -sm "$work/corpus" | cut -f1)
echo "corpus: $small small files, $large files of $large_mb MiB, ${corpus_mb} MiB in all; outputs identical"
printf '%-12s %8s s %10s KiB peak %8s s CPU\n' "batch mode" "$batch_s" "$batch_kb" "$batch_cpu" \
    "sed -i" "$sed_s" "$sed_kb" "$sed_cpu" "perl -pi" "$perl_s" "$perl_kb" "$perl_cpu"
awk -v b="$batch_s" -v s="$sed_s" -v p="$perl_s" \
    'BEGIN { printf "sed/batch %.2f, perl/batch %.2f (above 1: batch mode is faster)\n", s / b, p / b }'

# A rule list that finds nothing in the corpus, against reading the same files with cat.
printf '%s\r\n' '<?xml version="1.0" encoding="windows-1251"?>' '<List xml:space="preserve">' \
    '  <Item> <Find>zqxj</Find> <Replace>y</Replace>  <Checked>1</Checked>  </Item>' \
    '  <Item> <Find>qz(\d+)</Find> <Replace>$1</Replace>  <Checked>1</Checked>  <Flags>r</Flags>  </Item>' \
    '</List>' >"$work/idle.lst"
idle_run() { "$program" "$work/batch-files.txt" "$work/idle.lst"; }
cat_run() { (cd "$work" && tr -d '\r' <batch-files.txt | tr '\n' '\0' | xargs -0 cat >/dev/null); }
export -f idle_run cat_run
read -r cat_s _ cat_cpu < <(measure bash -c cat_run)
read -r idle_s _ idle_cpu < <(measure bash -c idle_run)
echo "a list that finds nothing: ${idle_s} s (${idle_cpu} s CPU); cat of the same files: ${cat_s} s (${cat_cpu} s CPU)"

# Memory against the number of replacements: one file, no match versus a match in every word.
mkdir "$work/mem"
perl -e 'print "lorem ipsum dolor sit amet\n" x (int($ARGV[0] * 1024 * 1024 / 27))' "$large_mb" \
    >"$work/mem/none.txt"
perl -e 'print "colour colour colour colour\n" x (int($ARGV[0] * 1024 * 1024 / 28))' "$large_mb" \
    >"$work/mem/every.txt"
echo none.txt >"$work/mem/none-list.txt"
echo every.txt >"$work/mem/every-list.txt"
read -r _ none_kb _ < <(measure "$program" "$work/mem/none-list.txt" "$work/rules.lst")
read -r _ every_kb _ < <(measure "$program" "$work/mem/every-list.txt" "$work/rules.lst")
replacements=$(( large_mb * 1024 * 1024 / 28 * 4 ))
echo "batch mode peak on a $large_mb MiB file: ${none_kb} KiB with no match, ${every_kb} KiB with $replacements replacements"
