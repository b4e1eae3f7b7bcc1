#!/usr/bin/env bash
# Readies the win7 prefix for the dialog tests: Purlo.exe at C:\purlo, and
# three generated trees that only these tests use (reached through
# TheWorldHistory's registry path), of files of 0-1023 bytes:
# C:\purlo-gui\small\data with 20,000, C:\purlo-gui\tree\data with 50,000 and
# C:\purlo-gui\long\data with 20,000 four long folder names deep.
# Laid from the Linux side, where making files is far faster than through
# Wine. Run by CTest.
set -euo pipefail
program=$1
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-sandbox
drive_c=$(PURLO_PREFIX=win7 "$sandbox" --drive-c)
mkdir -p "$drive_c/purlo"
cp -f "$program" "$drive_c/purlo/Purlo.exe"
# Perl is part of every Debian system; a later run lays only what a sweep deleted.
perl -e '
  my $base = shift;
  # "long": its files lie some 230 characters deep, longer than the status line.
  my $deep = join("/", map { "a-rather-long-folder-name-for-the-status-line-$_" } 1 .. 4);
  for my $tree (["small", 20000, ""], ["tree", 50000, ""], ["long", 20000, $deep]) {
    my ($name, $count, $below) = @$tree;
    mkdir "$base"; mkdir "$base/$name"; mkdir "$base/$name/data";
    my $data = "$base/$name/data";
    for my $part (split m{/}, $below) { $data .= "/$part"; mkdir $data; }
    for my $i (0 .. $count - 1) {
      my $folder = sprintf("%s/d%03d", $data, int($i / 500));
      my $path = sprintf("%s/f%05d.tmp", $folder, $i);
      my $size = ($i * 37) % 1024;
      next if -f $path && (-s _ // 0) == $size;
      mkdir $folder;
      open(my $f, ">", $path) or die "$path: $!";
      print $f "j" x $size;
      close $f;
    }
  }' "$drive_c/purlo-gui"
