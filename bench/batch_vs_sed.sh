#!/usr/bin/env bash
# Batch mode against `sed -i` and `perl -pi` on three shapes of generated tree: many small files,
# a mixed tree (many middle-sized files and a few large ones) and a few large files. A third of
# the files is windows-1251, a third UTF-8 with a byte-order mark, a third UTF-8 without one;
# the text is Latin and Cyrillic. The rules: plain rules compared without regard to letter case
# (Latin and Cyrillic words, in all cases in the text) and regular expressions, as a list file
# and as the equivalent sed and perl scripts per encoding.
#
# Every run works on fresh copies of the tree, and every output of batch mode is checked byte
# for byte against sed's and perl's. A rule list that finds nothing is timed against `cat` of
# the same files. On the mixed tree, batch mode runs also on one core (`taskset -c 0`, which
# leaves it one worker) to compare peak memory. With the driver bench/window_run, the files are
# also corrected as the window's run does it (one thread, every replacement recorded), against
# batch mode. Each shape ends with a Markdown table of the medians.
#
# Usage: bench/batch_vs_sed.sh [path/to/qxquendro [path/to/window_run]]
# Environment (defaults in brackets):
#   QX_BENCH_RUNS [5]                  runs per tool; the tables give medians
#   QX_BENCH_SHAPES [small mixed large]
#   QX_BENCH_SMALL_FILES [20000]       QX_BENCH_SMALL_KB [2]
#   QX_BENCH_MIXED_FILES [4000]        QX_BENCH_MIXED_KB [25]   QX_BENCH_MIXED_MB ["20 30 40"]
#   QX_BENCH_LARGE_MB ["20 35 50"]
#   TMPDIR                             where the trees are made
# A quick smoke: QX_BENCH_RUNS=1 QX_BENCH_SMALL_FILES=300 QX_BENCH_MIXED_FILES=60 \
#   QX_BENCH_MIXED_MB="1 2 1" QX_BENCH_LARGE_MB="2 3 2" bench/batch_vs_sed.sh
set -euo pipefail
program=$(realpath "${1:-build/qxquendro}")
window_run=${2:-$(dirname "$program")/bench/window_run}
[[ -x $window_run ]] && window_run=$(realpath "$window_run") || window_run=
runs=${QX_BENCH_RUNS:-5}
shapes=${QX_BENCH_SHAPES:-small mixed large}
export LC_ALL=C  # bytes are bytes for sed and perl alike

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The rule list, the sed and perl scripts and the line pool the trees are made of.
perl - "$work" <<'PERL'
use strict;
use warnings;
use utf8;
use Encode qw(encode);
my ($work) = @ARGV;
srand(42);

# [find, replace]: plain rules, compared without regard to case; the text holds every wrong
# word in small letters, capitalised and in capitals.
my @plain = (
    ['colour', 'color'], ['centre', 'center'], ['teh', 'the'], ['recieve', 'receive'],
    ['adress', 'address'], ['occured', 'occurred'], ['seperate', 'separate'],
    ['untill', 'until'], ['wich', 'which'], ['thier', 'their'],
    ['goverment', 'government'], ['enviroment', 'environment'], ['definately', 'definitely'],
    ['превед', 'привет'], ['щас', 'сейчас'], ['канешно', 'конечно'], ['ваще', 'вообще'],
    ['жызнь', 'жизнь'], ['исчо', 'ещё'], ['пажалуста', 'пожалуйста'],
);
# [find, replace, sed find, sed replace]: regular expressions in the program's syntax and in
# sed's; perl takes the program's.
my @regex = (
    ['(\d+)px', '$1 px', '\([0-9][0-9]*\)px', '\1 px'],
    [' +,', ',', '  *,', ','],
    ['(\d+)-(\d+)', '$1..$2', '\([0-9][0-9]*\)-\([0-9][0-9]*\)', '\1..\2'],
    ['(fig|рис)\. *(\d+)', '$1 $2', '\(fig\|рис\)\. *\([0-9][0-9]*\)', '\1 \2'],
);
my @words = (qw(the quick brown fox jumps over lazy dog text file line word value number
    list rule set option window folder), 'дом', 'окно', 'строка', 'файл', 'правило', 'список',
    'текст', 'замена', 'папка', 'слово', 'Москва', 'Ёлка');
my @wrong = map { $_->[0] } @plain;

sub word {
    my $r = rand();
    if ($r < 0.08) {
        my $w = $wrong[int(rand(@wrong))];
        my $c = rand();
        return uc($w) if $c < 0.2;
        return ucfirst($w) if $c < 0.4;
        return $w;
    }
    return int(rand(100)) . 'px' if $r < 0.10;
    return ',' if $r < 0.12;  # a comma after a space, for the second expression
    return int(rand(1000)) . '-' . int(rand(1000)) if $r < 0.13;
    return (rand() < 0.5 ? 'fig.' : 'рис.') . (rand() < 0.5 ? ' ' : '') . int(rand(50))
        if $r < 0.14;
    return $words[int(rand(@words))];
}

sub write_file {
    my ($path, $bytes) = @_;
    open(my $fh, '>:raw', $path) or die "$path: $!";
    print $fh $bytes;
    close($fh);
}

# The pool: lines of 6 to 17 words, in each encoding.
my @lines = map { join(' ', map { word() } 1 .. 6 + int(rand(12))) . "\n" } 1 .. 20000;
write_file("$work/pool-cp.txt", join('', map { encode('cp1251', $_) } @lines));
write_file("$work/pool-utf.txt", join('', map { encode('UTF-8', $_) } @lines));

my $lst = qq(<?xml version="1.0" encoding="windows-1251"?>\r\n<List xml:space="preserve">\r\n);
for my $rule (@plain) {
    $lst .= "  <Item> <Find>$rule->[0]</Find> <Replace>$rule->[1]</Replace>  <Checked>1</Checked>  </Item>\r\n";
}
for my $rule (@regex) {
    $lst .= "  <Item> <Find>$rule->[0]</Find> <Replace>$rule->[1]</Replace>  <Checked>1</Checked>  <Flags>r</Flags>  </Item>\r\n";
}
$lst .= "</List>\r\n";
write_file("$work/rules.lst", encode('cp1251', $lst));
printf "%d plain rules, %d regular expressions\n", scalar(@plain), scalar(@regex);

# sed in the C locale folds Latin letters only: a Cyrillic letter becomes its two cases.
sub sed_letters {
    my ($word, $name) = @_;
    return join('', map {
        my ($l, $u) = (encode($name, lc($_)), encode($name, uc($_)));
        /\p{Cyrillic}/ ? ($name eq 'cp1251' ? "[$l$u]" : "\\($l\\|$u\\)") : encode($name, $_)
    } split(//, $word));
}
sub perl_letters {
    my ($word, $name) = @_;
    return join('', map {
        /\p{Cyrillic}/ ? '(?:' . encode($name, lc($_)) . '|' . encode($name, uc($_)) . ')'
                       : quotemeta(encode($name, $_))
    } split(//, $word));
}
for my $encoding (['cp', 'cp1251'], ['utf', 'UTF-8']) {
    my ($tag, $name) = @$encoding;
    my ($sed, $pl) = ('', '');
    for my $rule (@plain) {
        my $replace = encode($name, $rule->[1]);
        $sed .= 's/' . sed_letters($rule->[0], $name) . "/$replace/gI\n";
        $pl .= 's/' . perl_letters($rule->[0], $name) . "/$replace/gi;\n";
    }
    for my $rule (@regex) {
        my @r = map { encode($name, $_) } @$rule;
        $sed .= "s/$r[2]/$r[3]/gI\n";
        $pl .= "s/$r[0]/$r[1]/gi;\n";
    }
    write_file("$work/rules-$tag.sed", $sed);
    write_file("$work/rules-$tag.pl", $pl);
}

# A list that finds nothing in these texts.
my $idle = qq(<?xml version="1.0" encoding="windows-1251"?>\r\n<List xml:space="preserve">\r\n);
$idle .= "  <Item> <Find>zqxj</Find> <Replace>y</Replace>  <Checked>1</Checked>  </Item>\r\n";
$idle .= "  <Item> <Find>ъъыъ</Find> <Replace>y</Replace>  <Checked>1</Checked>  </Item>\r\n";
$idle .= '  <Item> <Find>qz(\d+)</Find> <Replace>$1</Replace>  <Checked>1</Checked>  <Flags>r</Flags>  </Item>' . "\r\n";
$idle .= "</List>\r\n";
write_file("$work/idle.lst", encode('cp1251', $idle));
PERL

# Makes the tree of one shape in $work/<shape>/tree from "size-in-bytes" lines on stdin: files
# go in turn to cp/ (windows-1251), bom/ (UTF-8 with a byte-order mark) and utf/ (without);
# writes the file list (CRLF, as the window saves it).
cat >"$work/make_tree.pl" <<'PERL'
use strict;
use warnings;
my ($work, $shape) = @ARGV;
srand(7);
my %pool;
for my $tag ('cp', 'utf') {
    open(my $fh, '<:raw', "$work/pool-$tag.txt") or die;
    $pool{$tag} = [<$fh>];
}
my $tree = "$work/$shape/tree";
mkdir("$work/$shape");
mkdir($tree);
mkdir("$tree/$_") for ('cp', 'bom', 'utf');
my @list;
my $i = 0;
while (my $size = <STDIN>) {
    chomp($size);
    my $dir = ('cp', 'bom', 'utf')[$i % 3];
    my $lines = $pool{$dir eq 'cp' ? 'cp' : 'utf'};
    my @text = $dir eq 'bom' ? ("\xEF\xBB\xBF") : ();
    my $length = 0;
    while ($length < $size) {
        my $line = $lines->[int(rand(@$lines))];
        push @text, $line;
        $length += length($line);
    }
    my $name = sprintf('%s/f%05d.txt', $dir, ++$i);
    open(my $fh, '>:raw', "$tree/$name") or die;
    print $fh @text;
    close($fh);
    push @list, $name;
}
open(my $fh, '>:raw', "$work/$shape/files.txt") or die;
print $fh join("\r\n", @list), "\r\n";
PERL
make_tree() { perl "$work/make_tree.pl" "$work" "$1"; }

# Runs a command; prints "wall-seconds peak-KiB cpu-seconds".
measure() {
    local start end
    start=$EPOCHREALTIME
    /usr/bin/time -f '%M %U %S' -o "$work/time.txt" "$@" >/dev/null
    end=$EPOCHREALTIME
    awk -v s="$start" -v e="$end" '{ printf "%.3f %s %.2f\n", e - s, $1, $2 + $3 }' \
        "$work/time.txt"
}

# The median of the numbers on stdin.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One tool's run on a fresh copy of the tree in $work/<shape>/<tool>.
fresh() { rm -rf "$work/$1/$2" && cp -r "$work/$1/tree" "$work/$1/$2" && sync; }
run_tool() {
    local shape=$1 tool=$2 dir="$work/$1/$2"
    case $tool in
        batch) "$program" "$dir.txt" "$work/rules.lst" ;;
        batch1) taskset -c 0 "$program" "$dir.txt" "$work/rules.lst" ;;
        idle) "$program" "$dir.txt" "$work/idle.lst" ;;
        window) "$window_run" "$dir.txt" "$work/rules.lst" >"$dir.records" ;;
        cat) (cd "$dir" && find cp bom utf -type f -print0 | xargs -0 cat >/dev/null) ;;
        sed)
            cd "$dir"
            find cp -type f -print0 | xargs -0 sed -i -f "$work/rules-cp.sed"
            find bom utf -type f -print0 | xargs -0 sed -i -f "$work/rules-utf.sed"
            ;;
        perl)
            cd "$dir"
            find cp -type f -print0 | xargs -0 perl -pi "$work/rules-cp.pl"
            find bom utf -type f -print0 | xargs -0 perl -pi "$work/rules-utf.pl"
            ;;
    esac
}
export -f run_tool
export program window_run work

bench_shape() {
    local shape=$1 caption=$2 tools="batch sed perl idle cat"
    [[ $shape == mixed ]] && tools="batch batch1 sed perl idle cat"
    [[ -n $window_run ]] && tools+=" window"
    for tool in $tools; do sed "s|^|$tool/|" "$work/$shape/files.txt" >"$work/$shape/$tool.txt"; done
    local files mib
    files=$(wc -l <"$work/$shape/files.txt")
    mib=$(du -sm "$work/$shape/tree" | cut -f1)
    for ((run = 1; run <= runs; ++run)); do
        for tool in $tools; do
            fresh "$shape" "$tool"
            measure bash -c "run_tool $shape $tool" >>"$work/$shape/$tool.times"
        done
        for other in sed perl; do
            diff -r "$work/$shape/batch" "$work/$shape/$other" >/dev/null ||
                { echo "$shape: batch mode and $other differ" >&2; exit 1; }
        done
        diff -r "$work/$shape/tree" "$work/$shape/batch" >/dev/null &&
            { echo "$shape: nothing was corrected" >&2; exit 1; }
        for other in batch1 window; do
            [[ -d $work/$shape/$other ]] || continue
            diff -r "$work/$shape/batch" "$work/$shape/$other" >/dev/null ||
                { echo "$shape: batch mode and $other differ" >&2; exit 1; }
        done
        diff -r "$work/$shape/tree" "$work/$shape/idle" >/dev/null ||
            { echo "$shape: the list that finds nothing changed files" >&2; exit 1; }
    done
    rm -rf "${work:?}/$shape"/{batch,batch1,sed,perl,idle,cat,window}

    declare -A wall kib cpu
    for tool in $tools; do
        wall[$tool]=$(cut -d' ' -f1 "$work/$shape/$tool.times" | median)
        kib[$tool]=$(cut -d' ' -f2 "$work/$shape/$tool.times" | median)
        cpu[$tool]=$(cut -d' ' -f3 "$work/$shape/$tool.times" | median)
    done
    echo
    echo "#### $caption"
    echo
    echo "$files files, $mib MiB; medians of $runs runs; outputs byte-identical to sed's and perl's."
    echo
    echo "| run | time | CPU time | peak memory | against |"
    echo "|---|---|---|---|---|"
    row() {  # label tool reference-tool reference-name
        awk -v l="$1" -v w="${wall[$2]}" -v c="${cpu[$2]}" -v k="${kib[$2]}" -v r="${wall[$3]}" \
            -v n="$4" 'BEGIN { printf "| %s | %.2f s | %.2f s | %.0f MiB | %.3f of %s |\n",
                l, w, c, k / 1024, w / r, n }'
    }
    row "batch mode" batch sed "sed's time"
    [[ $shape == mixed ]] && row "batch mode, one core (\`taskset -c 0\`)" batch1 sed "sed's time"
    row "\`sed -i\`" sed sed "sed's time"
    row "\`perl -pi\`" perl sed "sed's time"
    row "batch mode, a list that finds nothing" idle cat "\`cat\`'s time"
    row "\`cat\` of the same files" cat cat "\`cat\`'s time"
    if [[ -n $window_run ]]; then
        row "the window's run, one thread, $(cut -d' ' -f1 "$work/$shape/window.records") replacements recorded" \
            window batch "batch mode's time"
    fi
}

sizes_of() { for mb in $1; do echo $((mb * 1024 * 1024)); done; }
for shape in $shapes; do
    case $shape in
        small)
            n=${QX_BENCH_SMALL_FILES:-20000} kb=${QX_BENCH_SMALL_KB:-2}
            perl -e 'srand(1); print int($ARGV[1] * 1024 * (0.75 + rand(0.5))), "\n" for 1 .. $ARGV[0]' \
                "$n" "$kb" | make_tree small
            bench_shape small "Many small files"
            ;;
        mixed)
            n=${QX_BENCH_MIXED_FILES:-4000} kb=${QX_BENCH_MIXED_KB:-25}
            {
                perl -e 'srand(2); print int($ARGV[1] * 1024 * (0.75 + rand(0.5))), "\n" for 1 .. $ARGV[0]' \
                    "$n" "$kb"
                sizes_of "${QX_BENCH_MIXED_MB:-20 30 40}"
            } | make_tree mixed
            bench_shape mixed "A mixed tree"
            ;;
        large)
            sizes_of "${QX_BENCH_LARGE_MB:-20 35 50}" | make_tree large
            bench_shape large "A few large files"
            ;;
        *) echo "unknown shape: $shape" >&2; exit 2 ;;
    esac
    rm -rf "${work:?}/$shape"
done
