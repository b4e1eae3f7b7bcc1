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

  # The system's own folders, each reached through a link named "data" (the
  # name TheWorldHistory appends), and a plain folder with links to it and
  # above it for the comparisons of real locations.
  p=$links/protected
  mkdir -p "$p/system"
  ln -s system "$p/viasystem"
  ln -s .. "$p/uplinks"
  profile=$(cd "$drive_c/users" && ls -d */ | tr -d / | grep -vx Public | head -n 1)
  while read -r name target; do
    mkdir -p "$p/$name"
    ln -s "../../../$target" "$p/$name/data"
  done <<EOF_LINKS
windows windows
system32 windows/system32
programfiles Program Files
programfilesx86 Program Files (x86)
programdata ProgramData
users users
profile users/$profile
documents users/$profile/Documents
desktop users/$profile/Desktop
roaming users/$profile/AppData/Roaming
local users/$profile/AppData/Local
EOF_LINKS
done
