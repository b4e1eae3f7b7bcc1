#!/usr/bin/env bash
# Runs the race cases of the end-to-end suite with a swapper beside them: a
# Linux process that, while purlo-cli sweeps, swaps folders of the prefix for
# links and back in a loop (rename the folder away, put a link in its place,
# take the link away, rename the folder back: what `mv` and `ln -s` do, made
# with the same system calls so that a swap takes microseconds, not a fork).
#
#   race.sh TESTS.exe GTEST_FILTER [--drive-d]
#
# With --drive-d the prefix gets a drive D: onto its Windows folder for the
# run (what "subst D: C:\Windows" makes); its server reads the drives when it
# starts, so it is restarted before and after.
#
# A case says what to swap through files in C:\race\ctl: "swaps" (one line
# each: folder TAB link target, both relative to C:\), then "go"; "stop" ends
# the swapping, and the swapper answers "stopped" once every folder is back
# in place. It touches nothing outside the prefix's drive_c, stops by itself
# after 20 minutes, and C:\race is removed from this side at the end.
set -euo pipefail
tests_exe=$1
filter=$2
drive_d=${3:-}
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../scripts" && pwd)/wine-sandbox
drive_c=$(cd "$("$sandbox" --drive-c)" && pwd -P)
race=$drive_c/race
ctl=$race/ctl
rm -rf "$race"
mkdir -p "$ctl"

perl -e '
  use strict; use warnings; use Cwd qw(realpath); use Time::HiRes qw(time usleep);
  my ($drive_c, $ctl) = @ARGV;
  my $deadline = time + 1200;
  # A path of the prefix: relative, no "..", its folder really inside drive_c.
  sub inside { my ($rel) = @_;
    return undef if $rel =~ m{(^|/)\.\.(/|$)} || $rel =~ m{^/};
    my $path = "$drive_c/$rel";
    (my $parent = $path) =~ s{/[^/]+$}{};
    my $real = realpath($parent);
    return (defined $real && index("$real/", "$drive_c/") == 0) ? $path : undef;
  }
  while (time < $deadline && !-e "$ctl/quit") {
    if (!-e "$ctl/go") { usleep(10_000); next; }
    my @pairs;
    open(my $in, "<", "$ctl/swaps") or die "swapper: no swaps: $!";
    while (my $line = <$in>) {
      chomp $line; $line =~ s/\r$//;
      my ($folder, $target) = split /\t/, $line;
      my ($f, $t) = (inside($folder), inside($target));
      die "swapper: refused $line\n" unless defined $f && defined $t;
      push @pairs, [$f, $t];
    }
    close $in;
    my $swaps = 0;
    # All at once, for random spans: each folder is a link about half of the
    # time, sometimes for milliseconds on end.
    while (!-e "$ctl/stop" && time < $deadline) {
      my @swapped;
      for my $p (@pairs) {
        my ($f, $t) = @$p;
        next unless rename($f, "$f.swapped");
        symlink($t, $f) or die "swapper: symlink $f: $!";
        push @swapped, $f;
      }
      usleep(100 + int(rand(2000)));
      for my $f (reverse @swapped) {
        unlink($f);
        # (a sweep may have emptied and removed the folder under its other name)
        rename("$f.swapped", $f) or mkdir($f);
        ++$swaps;
      }
      usleep(100 + int(rand(2000)));
    }
    for my $p (@pairs) {  # every folder back in place
      my $f = $p->[0];
      if (-e "$f.swapped") { unlink($f) if -l $f; rename("$f.swapped", $f); }
    }
    unlink("$ctl/go", "$ctl/stop");
    open(my $out, ">", "$ctl/stopped") or die; print $out "$swaps\n"; close $out;
  }
' "$drive_c" "$ctl" &
swapper=$!

dosdevices=$(dirname "$drive_c")/dosdevices
# However the run ends (a failure, Ctrl+C), the swapper puts every folder back
# and ends, and a drive D: made here goes with the server that knew it.
clean_up() {
  if [ -n "$swapper" ]; then
    touch "$ctl/stop" "$ctl/quit"
    wait "$swapper" || true
  fi
  rm -rf "$race"
  if [ "$drive_d" = --drive-d ]; then
    rm -f "$dosdevices/d:"
    "$sandbox" --stop
  fi
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if [ "$drive_d" = --drive-d ]; then
  ln -sfn ../drive_c/windows "$dosdevices/d:"
  "$sandbox" --stop
fi

status=0
"$sandbox" "$tests_exe" --gtest_filter="$filter" || status=$?
touch "$ctl/quit"
wait "$swapper" || status=1
swapper=
exit $status
