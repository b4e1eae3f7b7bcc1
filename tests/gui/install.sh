#!/usr/bin/env bash
# Copies Windows programs into C:\purlo of both sandbox prefixes, where the GUI
# tests start them (the prefixes cannot see the build tree). Run by CTest.
set -euo pipefail
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-sandbox
for prefix in win7 winxp; do
  drive_c=$(PURLO_PREFIX=$prefix "$sandbox" --drive-c)
  mkdir -p "$drive_c/purlo"
  for program in "$@"; do cp -f "$program" "$drive_c/purlo/"; done
done
