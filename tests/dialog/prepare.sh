#!/usr/bin/env bash
# Readies the win7 prefix for the dialog tests: Purlo.exe at C:\purlo, and a
# two generated trees that only these tests use (reached through
# TheWorldHistory's registry path), of files of 0-1023 bytes:
# C:\purlo-gui\small\data with 20,000 and C:\purlo-gui\tree\data with 50,000.
# Laid from the Linux side, where making files is far faster than through
# Wine; a later run lays only what a sweep test deleted. Run by CTest.
set -euo pipefail
program=$1
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-sandbox
drive_c=$(PURLO_PREFIX=win7 "$sandbox" --drive-c)
mkdir -p "$drive_c/purlo"
cp -f "$program" "$drive_c/purlo/Purlo.exe"
/usr/bin/python3 - "$drive_c/purlo-gui" <<'PY'
import os, sys
base = sys.argv[1]
for name, count in (("small", 20000), ("tree", 50000)):
    data = os.path.join(base, name, "data")
    for i in range(count):
        folder = os.path.join(data, "d%03d" % (i // 500))
        path = os.path.join(folder, "f%05d.tmp" % i)
        size = (i * 37) % 1024
        try:
            if os.path.getsize(path) == size:
                continue
        except OSError:
            os.makedirs(folder, exist_ok=True)
        with open(path, "wb") as f:
            f.write(b"j" * size)
PY
