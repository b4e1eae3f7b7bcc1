#!/usr/bin/env bash
# Runs one command with a private Xvfb as its DISPLAY, then stops the display,
# also when the command fails. For running GUI tests by hand, for example
#   cd build/i686 && ../../scripts/with-xvfb.sh ctest -L gui --output-on-failure
# The exit status is the command's.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"
[ $# -gt 0 ] || { echo "usage: with-xvfb.sh COMMAND [ARGS...]" >&2; exit 2; }
start_xvfb || exit 125
trap stop_xvfb EXIT
trap 'exit 130' INT TERM
echo "== DISPLAY=$DISPLAY" >&2
"$@"
