#!/usr/bin/env bash
# Installs what is missing, builds, seeds a sandboxed Windows with demo junk
# and opens Purlo in it.
#
#   bash scripts/run.sh            the dialog: on $DISPLAY when there is one;
#                                  otherwise on a private Xvfb, where it clicks
#                                  through a scan, saves a screenshot of the
#                                  window (build/demo/screenshot.png) and closes
#   bash scripts/run.sh cli ARGS   purlo-cli in the same sandbox (default: scan --all)
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$PURLO_TOP/scripts/xvfb.sh"

install_toolchain
arch=$(test_arch)
export PURLO_SANDBOX=$PURLO_BUILD/demo PURLO_PREFIX=demo
sandbox=$PURLO_TOP/scripts/wine-sandbox
# The demo prefix's server (and a private display, when one was started) end
# with this script, however it ends.
clean_up() {
  "$sandbox" --stop || true
  stop_xvfb
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ "${1:-}" = cli ]; then
  shift
  configure_and_build "$arch" ON purlo-cli
  bash "$PURLO_TOP/scripts/seed-demo.sh"
  [ $# -gt 0 ] || set -- scan --all
  status=0
  "$sandbox" "$PURLO_BUILD/$arch/bin/purlo-cli.exe" "$@" || status=$?
  exit $status
fi

configure_and_build "$arch" ON Purlo purlo-demo-shot
bash "$PURLO_TOP/scripts/seed-demo.sh"
drive_c=$("$sandbox" --drive-c)
mkdir -p "$drive_c/purlo"
cp -f "$PURLO_BUILD/$arch/bin/Purlo.exe" "$drive_c/purlo/"

status=0
if [ -n "${DISPLAY:-}" ]; then
  log "opening Purlo on $DISPLAY (close it to end)"
  "$sandbox" "$drive_c/purlo/Purlo.exe" || status=$?
else
  start_xvfb
  log "no DISPLAY: scanning on a private Xvfb ($DISPLAY) and taking a screenshot"
  rm -f "$drive_c/purlo/screenshot.png"
  "$sandbox" "$PURLO_BUILD/$arch/bin/purlo-demo-shot.exe" 'C:\purlo\Purlo.exe' 'C:\purlo\screenshot.png' || status=$?
  if [ $status -eq 0 ] && [ -s "$drive_c/purlo/screenshot.png" ]; then
    cp -f "$drive_c/purlo/screenshot.png" "$PURLO_BUILD/demo/screenshot.png"
    echo "screenshot: $PURLO_BUILD/demo/screenshot.png"
  else
    echo "no screenshot was made" >&2
    [ $status -ne 0 ] || status=1
  fi
fi
exit $status
