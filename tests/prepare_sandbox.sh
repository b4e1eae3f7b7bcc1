#!/usr/bin/env bash
# Readies both sandbox prefixes for the tests: purlo-cli.exe at C:\purlo,
# fresh link fixtures under C:\links, the test clean-up handler, and the
# Windows 7 prefix's small drive T:. Run by CTest from the build tree.
set -euo pipefail
cli=$1
handler=$2
testrow_cli=${3:-}
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../scripts" && pwd)/wine-sandbox

for prefix in win7 winxp; do
  drive_c=$(PURLO_PREFIX=$prefix "$sandbox" --drive-c)
  mkdir -p "$drive_c/purlo"
  cp -f "$cli" "$drive_c/purlo/purlo-cli.exe"
  [ -z "$testrow_cli" ] || cp -f "$testrow_cli" "$drive_c/purlo/purlo-cli-testrow.exe"

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

  # A Firefox profile folder that is a link to the Windows folder (APPDATA is
  # pointed at C:\links\firefox by the case).
  mkdir -p "$links/firefox/Mozilla/Firefox/Profiles"
  ln -s ../../../../../windows "$links/firefox/Mozilla/Firefox/Profiles/linked.default"

  # Per-user temporary folders that are links (the canary matrix): into
  # System32\drivers, and to a folder off every drive (the sandbox's HOME);
  # and a machine root that is a link into ProgramData\Microsoft.
  home=$(dirname "$(dirname "$drive_c")")/home
  profile=$(cd "$drive_c/users" && ls -d */ | tr -d / | grep -vx Public | head -n 1)
  local_appdata=$drive_c/users/$profile/AppData/Local
  mkdir -p "$local_appdata" "$home/purlo-outside-temp"
  rm -f "$local_appdata/purlo-temp-link" "$local_appdata/purlo-temp-unix"
  ln -s ../../../../windows/system32/drivers "$local_appdata/purlo-temp-link"
  ln -s "$home/purlo-outside-temp" "$local_appdata/purlo-temp-unix"
  mkdir -p "$links/msocache" "$drive_c/ProgramData/Microsoft"
  ln -s ../../ProgramData/Microsoft "$links/msocache/data"

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

# Names as a user's files carry them, made on the Linux side (Wine lists what
# the Unix names become): each case is a TheWorldHistory root ("data"). Only
# the Windows 7 prefix runs these tests.
long_name=$(printf 'L%.0s' {1..251}).txt   # 255 characters, the component limit
deep=$(printf '/deep_folder_name_%d' {1..14})
for prefix in win7; do
  drive_c=$(PURLO_PREFIX=$prefix "$sandbox" --drive-c)
  home=$(dirname "$(dirname "$drive_c")")/home
  names=$drive_c/names
  rm -rf "$names" "$home/purlo-outside"
  for case in scan sweep invariant; do
    d=$names/$case/data
    mkdir -p "$d/sub" "$d/d." "$d$deep"
    printf '%011d' 0 >"$d/中文.tmp"
    printf '%013d' 0 >"$d/😀outside-the-BMP.log"
    printf '%017d' 0 >"$d/with space.txt"
    printf '%019d' 0 >"$d/.leading"
    printf '%023d' 0 >"$d/sub/no_extension"
    printf '%029d' 0 >"$d/$long_name"
    printf '%031d' 0 >"$d/sub/长名字$(printf '字%.0s' {1..80})"
    printf '%037d' 0 >"$d$deep/at-the-bottom.bin"
    printf '%041d' 0 >"$d/junk."
    printf '%043d' 0 >"$d/sp "
    printf '%047d' 0 >"$d/d./inside"
    printf '%053d' 0 >"$d/plain.txt"
  done
  # Device names as file names, only where a sweep runs after the scan proved them files.
  for case in sweep invariant; do
    d=$names/$case/data
    mkdir -p "$d/devices"
    printf '%059d' 0 >"$d/devices/nul"
    printf '%061d' 0 >"$d/devices/aux.txt"
    printf '%067d' 0 >"$d/devices/con"
    printf '%071d' 0 >"$d/devices/com1.log"
    printf '%073d' 0 >"$d/devices/lpt1"
  done
  # The invariant case also holds links: one to a file outside, one to a folder outside.
  inv=$names/invariant
  mkdir -p "$inv/outside/dir"
  printf 'outside canary\n' >"$inv/outside/canary.txt"
  printf 'outside dir canary\n' >"$inv/outside/dir/inner.txt"
  ln -s ../outside/canary.txt "$inv/data/filelink.txt"
  ln -s ../outside/dir "$inv/data/dirlink"

  # A trash holding links to canaries outside it, and one plain item, staged
  # beside the sandbox's own: Wine's shell cannot put a link in the bin (it
  # moves the target), so the case swaps this one in for its run.
  bin=$drive_c/links/bin
  staged=$home/.local/share/purlo-staged-bin
  rm -rf "$bin" "$staged"
  mkdir -p "$bin/outside/canarydir" "$staged/Trash/files" "$staged/Trash/info"
  printf 'bin canary, 20 bytes' >"$bin/outside/canary.txt"
  printf 'bin canary in a folder\n' >"$bin/outside/canarydir/inner.txt"
  printf 'plain item' >"$staged/Trash/files/plain.txt"
  ln -s "$bin/outside/canary.txt" "$staged/Trash/files/filelink.txt"
  ln -s "$bin/outside/canarydir" "$staged/Trash/files/dirlink"
  for item in plain.txt filelink.txt dirlink; do
    printf '[Trash Info]\nPath=/tmp/%s\nDeletionDate=2026-12-01T10:00:00\n' "$item" >"$staged/Trash/info/$item.trashinfo"
  done

  # Entry names holding a backslash: joined to their folder they climb out of it.
  sep=$names/separators
  mkdir -p "$sep/data/..\\victim/emptydir" "$sep/data/..\\..\\loop" "$sep/victim/emptydir" "$sep/data/ok"
  printf 'victim canary\n' >"$sep/victim/canary.txt"
  printf 'inside\n' >"$sep/data/..\\victim/inside.txt"
  printf 'also inside\n' >"$sep/data/a\\b.txt"
  printf '%07d' 0 >"$sep/data/ok/fine.txt"

  # A name that would read as a second entry of scan --files, were it not escaped.
  mkdir -p "$names/forged/data"
  printf 'abc' >"$names/forged/data/x"$'\n''TheWorldHistory'$'\t''99'$'\t''forged'$'\x01'$'\r''.txt'

  # Files dated from Linux for the age limit: a TheWorldHistory root ("data")
  # with old and young files, and an old single file where MaxthonHistory looks.
  age=$drive_c/fleet/age
  rm -rf "$drive_c/fleet"
  mkdir -p "$age/data/sub" "$drive_c/fleet/maxthon-old/SharedAccount/Data"
  printf '%05d' 0 >"$age/data/old.txt"
  printf '%07d' 0 >"$age/data/sub/older.log"
  printf '%011d' 0 >"$age/data/young.txt"
  printf '%013d' 0 >"$age/data/sub/young2.tmp"
  printf '%017d' 0 >"$age/data/six-days.tmp"
  printf '%019d' 0 >"$drive_c/fleet/maxthon-old/SharedAccount/Data/history2.dat"
  touch -d '10 days ago' "$age/data/old.txt" "$drive_c/fleet/maxthon-old/SharedAccount/Data/history2.dat"
  touch -d '30 days ago' "$age/data/sub/older.log"
  touch -d '6 days ago' "$age/data/six-days.tmp"

  # A tree 401 folders deep (Wine's cost per call grows with the depth, so
  # deeper costs the suite minutes).
  tree=$names/deeptree/data
  half=$tree$(printf '/a%.0s' {1..200})
  mkdir -p "$half/mid$(printf '/a%.0s' {1..200})"
  printf '%05d' 0 >"$half/half.bin"
  printf '%03d' 0 >"$half/mid$(printf '/a%.0s' {1..200})/bottom.bin"

  # Roots whose real location is off every drive (the sandbox's HOME), and a
  # root that is a link to a folder on the drive (as Windows 7's Recent is).
  mkdir -p "$home/purlo-outside/sub"
  printf 'home canary\n' >"$home/purlo-outside/canary.txt"
  printf 'home canary 2\n' >"$home/purlo-outside/sub/canary2.txt"
  mkdir -p "$names/offdrive" "$names/ondrive/real/sub"
  ln -s "$home/purlo-outside" "$names/offdrive/data"
  printf '%09d' 0 >"$names/ondrive/real/a.txt"
  printf '%011d' 0 >"$names/ondrive/real/sub/b.txt"
  ln -s real "$names/ondrive/data"
done

# Today's caches under a profile folder of their own (the canary matrix
# points the user's AppData folders there): inside each kind of root a
# directory link and a file link to canaries outside the profile, and a hard
# link of an outside file; the dump pattern's links named as dumps.
for prefix in win7; do
  drive_c=$(PURLO_PREFIX=$prefix "$sandbox" --drive-c)
  profile=$(cd "$drive_c/users" && ls -d */ | tr -d / | grep -vx Public | head -n 1)
  m=$drive_c/users/$profile/purlo-modern
  out=$drive_c/modern-outside
  rm -rf "$m" "$out"
  mkdir -p "$out/canarydir"
  printf 'modern canary, 26 bytes..\n' >"$out/canary.txt"
  printf 'modern dump canary\n' >"$out/canary.dmp"
  printf 'modern canary in a folder\n' >"$out/canarydir/inner.txt"
  printf 'hard linked, 16\n' >"$out/hard.bin"
  touch -d '30 days ago' "$out/canary.dmp"
  chrome="$m/Local/Google/Chrome/User Data/Default/Cache/Cache_Data"
  store=$m/Local/Packages/App.One_x/TempState
  dumps=$m/Local/CrashDumps
  mkdir -p "$chrome" "$store" "$dumps"
  for cache in "$chrome" "$store"; do
    ln -s "$out/canarydir" "$cache/dirlink"
    ln -s "$out/canary.txt" "$cache/filelink.txt"
  done
  ln "$out/hard.bin" "$chrome/hardlink.bin"
  ln -s "$out/canary.dmp" "$dumps/filelink.dmp"
  ln -s "$out/canarydir" "$dumps/dirlink.dmp"
done

# The test clean-up handler (tests/handlers): in the system folder, where
# handlers are trusted; a copy planted in the user's folder; and a name in the
# system folder that is a link to that copy. Registered by the test itself.
for prefix in win7; do
  drive_c=$(PURLO_PREFIX=$prefix "$sandbox" --drive-c)
  profile=$(cd "$drive_c/users" && ls -d */ | tr -d / | grep -vx Public | head -n 1)
  system32=$drive_c/windows/system32
  rm -f "$system32/purlo-linked-handler.dll" "$drive_c/purlo/handler-record.txt"
  cp -f "$handler" "$system32/purlo-test-handler.dll"
  cp -f "$handler" "$drive_c/users/$profile/purlo-planted-handler.dll"
  ln -s "../../users/$profile/purlo-planted-handler.dll" "$system32/purlo-linked-handler.dll"
done

# Without it only the tests that use T: fail, and say why.
bash "$(dirname "${BASH_SOURCE[0]}")/e2e/small_drive.sh" up ||
  echo "prepare_sandbox.sh: no small drive T: (the tests that fill a disk will fail)" >&2
