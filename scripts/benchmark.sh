#!/usr/bin/env bash
# Benchmark: purlo-cli scan and sweep over generated trees, against bare loops
# doing only the work every scan or sweep must do; scan --files into a file
# against plain scan; peak working sets.
# Runs in its own sandbox (build/bench); deletes only the trees it generates.
#   bash scripts/benchmark.sh [FILES]     (default 100000; RUNS=3 runs of each;
#   PURLO_BENCH_CLI=PATH times that purlo-cli.exe instead of this build's)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

files=${1:-100000}
runs=${RUNS:-3}
install_toolchain
arch=$(test_arch)
configure_and_build "$arch" ON purlo-cli purlo_bench
bin=$PURLO_BUILD/$arch/bin
export PURLO_SANDBOX=$PURLO_BUILD/bench PURLO_PREFIX=win7
sandbox=$PURLO_TOP/scripts/wine-sandbox
# The bench prefix's server ends with this script, however it ends.
trap '"$sandbox" --stop || true' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
drive_c=$("$sandbox" --drive-c)
mkdir -p "$drive_c/purlo"
cp -f "${PURLO_BENCH_CLI:-$bin/purlo-cli.exe}" "$drive_c/purlo/purlo-cli.exe"

bench() { "$sandbox" "$bin/purlo_bench.exe" "$@" | tr -d '\r'; }
root_win=$(bench where)
root=$drive_c/${root_win#C:\\}
root=${root//\\//}
# The generated tree is deleted and re-made: make sure it is the sandbox's cache folder.
case "$root" in
  "$drive_c"/users/*/INetCache) ;;
  *) echo "benchmark: unexpected IeTemp folder '$root_win'" >&2; exit 1 ;;
esac

# N files of 0-8 KiB in 100 folders, two levels deep, written from the Linux side.
generate() {
  rm -rf "$root"
  mkdir -p "$root"
  perl -e '
    my ($root, $n) = @ARGV;
    for my $i (0 .. $n - 1) {
      my $d = sprintf("%s/d%02d/e%d", $root, $i % 20, ($i / 20) % 5);
      mkdir "$root/" . sprintf("d%02d", $i % 20); mkdir $d;
      open(my $f, ">", "$d/f$i.tmp") or die; print $f "x" x (($i * 37) % 8193); close $f;
    }' "$root" "$1"
}
field() { sed -n "s/.*\b$1 \([0-9.]*\).*/\1/p"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }
label() { grep -a -m1 'Internet Explorer' "$drive_c/purlo/bench-output.txt" | tr -d '\r'; }

echo "== purlo benchmark: $files files, $(nproc) cores, $arch build under $(/usr/lib/wine/wine64 --version 2>/dev/null)"

generate "$files"
bench bare-scan "$root_win" >/dev/null   # warm the cache
bench cli scan IeTemp >/dev/null
cli=() bare=() listed=() pairs=() scan_pairs=()
for run in $(seq "$runs"); do
  bare+=("$(bench bare-scan "$root_win" | field seconds)")
  cli+=("$(bench cli scan IeTemp | field seconds)")
  listed+=("$(bench cli scan IeTemp --files | field seconds)")
  # Side by side in one run: under Wine the same loop's time moves by 2x from
  # one run to the next, and the ratio of a pair drifts less than either time.
  pairs+=("$(ratio "${listed[-1]}" "${cli[-1]}")")
  scan_pairs+=("$(ratio "${cli[-1]}" "${bare[-1]}")")
done
# One line per file, then the label and the summary.
listed_lines=$(grep -ac $'^IeTemp\t' "$drive_c/purlo/bench-output.txt" || true)
bench cli scan IeTemp >/dev/null
scan_label=$(label)
scan_cli=$(printf '%s\n' "${cli[@]}" | median)
scan_bare=$(printf '%s\n' "${bare[@]}" | median)
scan_listed=$(printf '%s\n' "${listed[@]}" | median)
listed_ratio=$(printf '%s\n' "${pairs[@]}" | median)

cli=() bare=() sweep_pairs=()
for run in $(seq "$runs"); do
  generate "$files"
  bench bare-scan "$root_win" >/dev/null
  bare+=("$(bench bare-sweep "$root_win" | field seconds)")
  generate "$files"
  bench bare-scan "$root_win" >/dev/null
  cli+=("$(bench cli sweep IeTemp --yes | field seconds)")
  sweep_pairs+=("$(ratio "${cli[-1]}" "${bare[-1]}")")
done
sweep_label=$(label)
sweep_cli=$(printf '%s\n' "${cli[@]}" | median)
sweep_bare=$(printf '%s\n' "${bare[@]}" | median)

generate "$files"
guard=$(bench guard "$root_win")
long_form=$(bench long-form "$root_win")
steps=$(bench sweep-steps "$root_win")

memory() {  # memory N: peak working set of scan, scan --files and sweep over N files
  generate "$1"
  local scan listed sweep
  scan=$(bench cli scan IeTemp | field peak_kib)
  listed=$(bench cli scan IeTemp --files | field peak_kib)
  sweep=$(bench cli sweep IeTemp --yes | field peak_kib)
  echo "$scan $listed $sweep"
}
read -r scan10 listed10 sweep10 < <(memory $((files / 10)))
read -r scan100 listed100 sweep100 < <(memory "$files")
rm -rf "$root"
"$sandbox" --stop

# Figures only count when every file was measured and every file deleted.
case "$scan_label" in *"(${files}个文件,"*) ;; *) echo "benchmark: the scan did not count $files files" >&2; exit 1 ;; esac
[ "$listed_lines" = "$files" ] || { echo "benchmark: scan --files listed $listed_lines files, not $files" >&2; exit 1; }
case "$sweep_label" in *"(清理${files}个文件,"*) ;; *) echo "benchmark: the sweep did not delete $files files" >&2; exit 1 ;; esac

scan_ratio=$(printf '%s\n' "${scan_pairs[@]}" | median)
sweep_ratio=$(printf '%s\n' "${sweep_pairs[@]}" | median)

printf '\n%-34s %10s %10s %12s\n' "median of $runs" "seconds" "files/s" "vs bare"
printf '%-34s %10s %10s %12s\n' "scan: bare loop" "$scan_bare" "$(rate "$files" "$scan_bare")" ""
printf '%-34s %10s %10s %12s\n' "scan: purlo-cli scan IeTemp" "$scan_cli" "$(rate "$files" "$scan_cli")" "${scan_ratio}x"
printf '%-34s %10s %10s %12s\n' "scan --files into a file" "$scan_listed" "$(rate "$files" "$scan_listed")" "${listed_ratio}x scan"
printf '%-34s %10s %10s %12s\n' "sweep: bare loop" "$sweep_bare" "$(rate "$files" "$sweep_bare")" ""
printf '%-34s %10s %10s %12s\n' "sweep: purlo-cli sweep IeTemp" "$sweep_cli" "$(rate "$files" "$sweep_cli")" "${sweep_ratio}x"
echo "(vs bare: the median of the $runs runs' own ratios; each run times the bare loop and purlo-cli side by side)"
echo "scan ratios: ${scan_pairs[*]}; sweep ratios: ${sweep_pairs[*]}"
echo
echo "scan label:  $scan_label"
echo "sweep label: $sweep_label"
echo "guard, per file (microseconds): $guard"
echo "opens, per file (microseconds): $long_form"
echo "sweep steps, per file (microseconds): $steps"
echo
printf '%-34s %12s %12s\n' "peak working set (KiB)" "$((files / 10)) files" "$files files"
printf '%-34s %12s %12s\n' "purlo-cli scan" "$scan10" "$scan100"
printf '%-34s %12s %12s\n' "purlo-cli scan --files" "$listed10" "$listed100"
printf '%-34s %12s %12s\n' "purlo-cli sweep" "$sweep10" "$sweep100"
