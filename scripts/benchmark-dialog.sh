#!/usr/bin/env bash
# Benchmark of the dialog: for each FILES count, a scan by clicks of all 22
# categories (the generated files in one of them) from the click to the
# summary, against purlo-cli scan --all of the same tree; the dialog's answer
# time during the scan (a message round trip every 50 ms: p50, p99, max); and
# Purlo's peak working set. Medians of RUNS runs. Own sandbox (build/bench-dialog),
# own Xvfb; deletes only the tree it generates.
#   bash scripts/benchmark-dialog.sh [FILES...]     (default 5000 50000; RUNS=3)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$PURLO_TOP/scripts/xvfb.sh"

[ $# -gt 0 ] || set -- 5000 50000
runs=${RUNS:-3}
install_toolchain
arch=$(test_arch)
configure_and_build "$arch" ON Purlo purlo-cli purlo_dialog_bench
bin=$PURLO_BUILD/$arch/bin
export PURLO_SANDBOX=$PURLO_BUILD/bench-dialog PURLO_PREFIX=win7
sandbox=$PURLO_TOP/scripts/wine-sandbox
# The bench prefix's server and the private display end with this script,
# however it ends.
clean_up() {
  "$sandbox" --stop || true
  stop_xvfb
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
"$sandbox" --init
drive_c=$("$sandbox" --drive-c)
mkdir -p "$drive_c/purlo"
cp -f "$bin/Purlo.exe" "$bin/purlo-cli.exe" "$drive_c/purlo/"
# TheWorldHistory measures "<Path>\data": point it at the generated tree.
"$sandbox" --wine reg add 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\TheWorld.exe' \
  /v Path /d 'C:\bench' /f </dev/null >/dev/null 2>&1
start_xvfb

echo "== dialog benchmark: $(nproc) cores, $arch build under $(/usr/lib/wine/wine64 --version 2>/dev/null), $runs runs each"
for files in "$@"; do
  rm -rf "$drive_c/bench"
  mkdir -p "$drive_c/bench/data"
  perl -e '
    my ($root, $n) = @ARGV;
    for my $i (0 .. $n - 1) {
      my $d = sprintf("%s/d%02d", $root, $i % 100);
      mkdir $d;
      open(my $f, ">", "$d/f$i.tmp") or die; print $f "x" x (($i * 37) % 8193); close $f;
    }' "$drive_c/bench/data" "$files"
  echo "-- $files files"
  "$sandbox" "$bin/purlo_dialog_bench.exe" 'C:\purlo\Purlo.exe' 'C:\purlo\purlo-cli.exe' "$runs" | tr -d '\r'
done
rm -rf "$drive_c/bench"
