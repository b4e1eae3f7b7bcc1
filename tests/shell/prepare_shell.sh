#!/usr/bin/env bash
# Readies the win7 prefix for the shell tests: Purlo.exe, the stand-in updater,
# the planted DLL and the http recorder at C:\purlo-shell\bin, the recorder registered as the prefix's
# handler of http, an empty address log. Windows looks in the user's classes
# first; Wine 8 reads only the machine's (where its winebrowser sits), so the
# recorder goes into both.
set -euo pipefail
updater=$1 recorder=$2 purlo=$3 planted=$4
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-sandbox

drive_c=$("$sandbox" --drive-c)
bin=$drive_c/purlo-shell/bin
mkdir -p "$bin"
cp -f "$updater" "$bin/fake-updater.exe"
cp -f "$recorder" "$bin/url-recorder.exe"
cp -f "$purlo" "$bin/Purlo.exe"
cp -f "$planted" "$bin/planted.dll"
rm -f "$bin/urls.log"
for hive in HKCU HKLM; do
  "$sandbox" --wine reg add "$hive"'\Software\Classes\http\shell\open\command' /ve \
    /d '"C:\purlo-shell\bin\url-recorder.exe" "%1"' /f >/dev/null 2>&1
done
# A user folder's link to Program Files, which only a Unix link can make here:
# the update check must not take a program reached through it as installed.
ln -sfn "../Program Files" "$drive_c/purlo-shell/pf-link"
