#!/usr/bin/env bash
# Installs what is missing, builds, seeds a sandboxed Windows with demo junk
# and scans it with purlo-cli. Extra arguments go to purlo-cli (default: scan --all).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

install_toolchain
arch=$(test_arch)
configure_and_build "$arch" ON purlo-cli

export PURLO_SANDBOX=$PURLO_BUILD/demo PURLO_PREFIX=demo
sandbox=$PURLO_TOP/scripts/wine-sandbox
bash "$PURLO_TOP/scripts/seed-demo.sh"
[ $# -gt 0 ] || set -- scan --all
status=0
"$sandbox" "$PURLO_BUILD/$arch/bin/purlo-cli.exe" "$@" || status=$?
"$sandbox" --stop
exit $status
