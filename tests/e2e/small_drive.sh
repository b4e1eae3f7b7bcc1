#!/usr/bin/env bash
# A small drive T: in the Windows 7 prefix: a 1 MiB tmpfs mounted inside the
# sandbox, mapped through the prefix's dosdevices. It really fills up (for
# reports that cannot be written) and holds sparse files far larger than any
# disk (for byte totals past 2^64).
#   small_drive.sh up | down
set -euo pipefail
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-sandbox
drive_c=$(PURLO_PREFIX=win7 "$sandbox" --drive-c)
prefix=$(dirname "$drive_c")
mnt=$(dirname "$prefix")/small-drive
link=$prefix/dosdevices/t:

down() {
  rm -f "$link"
  if mountpoint -q "$mnt"; then umount "$mnt"; fi
}

down
[ "$1" = down ] && exit 0
mkdir -p "$mnt"
if ! mount -t tmpfs -o size=1m,mode=0777 purlo-small-drive "$mnt"; then
  echo "small_drive.sh: cannot mount a tmpfs (the tests need root with mount rights)" >&2
  exit 1
fi
ln -s "$mnt" "$link"
# Four sparse files of 2^62 bytes each: 2^64 bytes in all, nothing on the disk.
mkdir -p "$mnt/wide/data"
for i in 1 2 3 4; do truncate -s 4611686018427387904 "$mnt/wide/data/huge$i.bin"; done
