#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$PURLO_TOP/scripts/xvfb.sh"

install_toolchain
install_native_tools
arch=$(test_arch)
# (said once: the set-up has already said so when wine32 could not be installed)
[ "$arch" = i686 ] || [ -n "$PURLO_NO_WINE32" ] || log "Wine's 32-bit loader does not run here (no wine32, or a kernel without 32-bit programs): testing the x86_64 build"
configure_and_build "$arch" ON
# The other build of the same sources must keep compiling (both ship).
for other in i686 x86_64; do
  [ "$other" = "$arch" ] || configure_and_build "$other" OFF
done

status=0
# What the shipped programs of both builds import (the suite checks the tested build's too).
python3 "$PURLO_TOP/tests/imports/check_imports.py" "$PURLO_TOP/tests/imports/allowed-imports.txt" \
  "$PURLO_BUILD"/{i686,x86_64}/bin/{Purlo,purlo-cli}.exe >&2 || status=1
# The GIF block walker natively: against an independent reader, then fuzzed.
# PURLO_SKIP_NATIVE=1 leaves them out while iterating on Windows-side tests.
[ -n "${PURLO_SKIP_NATIVE:-}" ] || bash "$PURLO_TOP/tests/native/run.sh" "$PURLO_BUILD/native" || status=1

cd "$PURLO_BUILD/$arch"
stop_servers() {
  local prefix
  for prefix in win7 winxp; do PURLO_PREFIX=$prefix "$PURLO_TOP/scripts/wine-sandbox" --stop || true; done
}
# What this run starts is stopped when it ends, however it ends (a failure,
# Ctrl+C): a prefix set-up still running is waited for (the Wine server it
# starts would outlive it), then the small drive, both prefixes' servers and
# the display.
inits=()
small_drive=
clean_up() {
  local pid
  for pid in "${inits[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -z "$small_drive" ] || bash "$PURLO_TOP/tests/e2e/small_drive.sh" down || true
  stop_servers
  stop_xvfb
}
trap clean_up EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# The GUI tests' windows go to one private display. Wine's processes take
# DISPLAY when they start, so the prefixes' servers and services start afresh
# under it.
stop_servers
start_xvfb
log "windows go to the private display $DISPLAY"
# Both prefixes and their servers first (a new prefix takes a while), side by
# side; each set-up is waited for, and any that failed ends the run.
for prefix in win7 winxp; do
  PURLO_PREFIX=$prefix "$PURLO_TOP/scripts/wine-sandbox" --init &
  inits+=($!)
done
failed_inits=0
for pid in "${inits[@]}"; do wait "$pid" || failed_inits=$((failed_inits + 1)); done
inits=()
if [ $failed_inits -gt 0 ]; then
  log "$failed_inits of the two prefix set-ups failed"
  exit 1
fi
# Wine's mount manager learns the drives when the prefix's services start, and
# a walk refuses a folder whose volume it cannot name: the small drive T: must
# be there before the Windows 7 prefix starts for good.
small_drive=1
if bash "$PURLO_TOP/tests/e2e/small_drive.sh" up; then
  PURLO_PREFIX=win7 "$PURLO_TOP/scripts/wine-sandbox" --stop || true
  PURLO_PREFIX=win7 "$PURLO_TOP/scripts/wine-sandbox" --init
fi
ctest -j2 --timeout 300 --output-on-failure "$@" || status=$?
exit $status
