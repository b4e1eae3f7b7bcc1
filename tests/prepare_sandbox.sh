#!/usr/bin/env bash
# Readies both sandbox prefixes for the tests: purlo-cli.exe at C:\purlo, and
# fresh link fixtures under C:\links. Run by CTest from the build tree.
set -euo pipefail
cli=$1
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../scripts" && pwd)/wine-sandbox

for prefix in win7 winxp; do
  drive_c=$(PURLO_PREFIX=$prefix "$sandbox" --drive-c)
  mkdir -p "$drive_c/purlo"
  cp -f "$cli" "$drive_c/purlo/purlo-cli.exe"

  # Each case gets its own set: a root holding links to canaries outside it.
  links=$drive_c/links
  rm -rf "$links"
  # (the sweep through purlo-cli names its root "data", as TheWorldHistory does)
  for case in scan sweep sweepcli; do
    c=$links/$case
    root=$c/root
    [ "$case" = sweepcli ] && root=$c/data
    mkdir -p "$root/sub" "$c/outside/canarydir" "$c/outside/emptydir"
    printf 'canary file, 24 bytes..\n' >"$c/outside/canary.txt"
    printf 'canary in a folder, 31 bytes..\n' >"$c/outside/canarydir/inner.txt"
    printf 'junk, 10b\n' >"$root/junk.txt"
    printf 'sub junk, 14b\n' >"$root/sub/junk2.txt"
    ln -s ../outside/canary.txt "$root/filelink.txt"
    ln -s ../outside/canarydir "$root/dirlink"
    ln -s ../../outside/emptydir "$root/sub/emptylink"
    ln -s "$c/outside/canarydir" "$root/sub/abslink"
    ln -s junk.txt "$root/insidelink.txt"
  done
done
