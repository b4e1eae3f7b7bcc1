#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

install_toolchain
install_native_tools
arch=$(test_arch)
[ "$arch" = i686 ] || log "this kernel cannot run 32-bit Linux programs (Wine's 32-bit loader): testing the x86_64 build"
configure_and_build "$arch" ON
# The other build of the same sources must keep compiling (the 32-bit one ships).
for other in i686 x86_64; do
  [ "$other" = "$arch" ] || configure_and_build "$other" OFF
done

status=0
# The GIF block walker natively: against an independent reader, then fuzzed.
# PURLO_SKIP_NATIVE=1 leaves them out while iterating on Windows-side tests.
[ -n "${PURLO_SKIP_NATIVE:-}" ] || bash "$PURLO_TOP/tests/native/run.sh" "$PURLO_BUILD/native" || status=1

cd "$PURLO_BUILD/$arch"
# Both prefixes and their servers first (a new prefix takes a while), side by side.
for prefix in win7 winxp; do PURLO_PREFIX=$prefix "$PURLO_TOP/scripts/wine-sandbox" --init & done
wait
ctest -j2 --timeout 300 --output-on-failure "$@" || status=$?
for prefix in win7 winxp; do PURLO_PREFIX=$prefix "$PURLO_TOP/scripts/wine-sandbox" --stop || true; done
exit $status
