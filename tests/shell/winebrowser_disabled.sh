#!/usr/bin/env bash
# Calls Wine's browser launcher directly, with a recording xdg-open first on
# PATH: the sandbox disables the launcher, so the recorder must stay silent.
set -euo pipefail
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-sandbox
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for b in xdg-open firefox sensible-browser x-www-browser; do
  printf '#!/bin/sh\necho "%s $*" >>"%s/opened"\n' "$b" "$work" >"$work/$b"
  chmod +x "$work/$b"
done
PATH=$work:$PATH "$sandbox" --wine winebrowser.exe 'http://www.example.com/Q00000042' >/dev/null 2>&1 || true
sleep 1
if [ -e "$work/opened" ]; then
  echo "a browser starter ran:"; cat "$work/opened"; exit 1
fi
echo "no browser starter ran"
