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
  for case in scan sweep sweepcli; do
    c=$links/$case
    mkdir -p "$c/root/sub" "$c/outside/canarydir"
    printf 'canary file, 24 bytes..\n' >"$c/outside/canary.txt"
    printf 'canary in a folder, 31 bytes..\n' >"$c/outside/canarydir/inner.txt"
    printf 'junk, 10b\n' >"$c/root/junk.txt"
    printf 'sub junk, 14b\n' >"$c/root/sub/junk2.txt"
    ln -s ../outside/canary.txt "$c/root/filelink.txt"
    ln -s ../outside/canarydir "$c/root/dirlink"
    ln -s "$c/outside/canarydir" "$c/root/sub/abslink"
  done
done
