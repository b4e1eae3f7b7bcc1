#!/usr/bin/env bash
# Lays some junk into the demo sandbox so that a scan has something to find.
# Only ever writes inside the sandbox prefix named by PURLO_SANDBOX/PURLO_PREFIX.
set -euo pipefail
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-sandbox
c=$("$sandbox" --drive-c)
home=$(dirname "$(dirname "$c")")/home
user=$c/users/$(id -un)

junk() {  # junk FOLDER COUNT SIZE
  mkdir -p "$1"
  for i in $(seq 1 "$2"); do head -c "$3" /dev/zero | tr '\0' 'j' >"$1/junk$i.tmp"; done
}
junk "$user/Temp/setup-leftovers" 12 4096
junk "$c/windows/Temp" 3 20000
junk "$c/windows/Prefetch" 8 1500
junk "$user/AppData/Local/Microsoft/Windows/INetCache/Content.IE5/X1Y2" 40 900
junk "$c/windows/SoftwareDistribution/Download/0b2c" 2 300000
junk "$user/AppData/Roaming/Mozilla/Firefox/Profiles/demo.default" 1 65536
mv -f "$user/AppData/Roaming/Mozilla/Firefox/Profiles/demo.default/junk1.tmp" \
  "$user/AppData/Roaming/Mozilla/Firefox/Profiles/demo.default/places.sqlite"

trash=$home/.local/share/Trash
mkdir -p "$trash/files" "$trash/info"
printf 'an old draft\n' >"$trash/files/draft.txt"
printf '[Trash Info]\nPath=/tmp/draft.txt\nDeletionDate=2026-12-01T10:00:00\n' >"$trash/info/draft.txt.trashinfo"

for i in 1 2 3; do
  "$sandbox" --wine reg add 'HKCU\Software\Microsoft\Internet Explorer\TypedURLs' /v "url$i" /d "http://example.com/$i" /f \
    </dev/null >/dev/null 2>&1
done
