#!/usr/bin/env bash
# Readies both test prefixes for tests that open windows: Wine's windows are
# left unmanaged. Under Xvfb there is no window manager, and Wine waits for
# one to withdraw every managed top-level window it hides or destroys: about
# 2 s per window, per message box. Unmanaged, that takes milliseconds.
# Only the test prefixes: the demo prefix keeps its windows managed for a
# person's desktop. Run by CTest.
set -euo pipefail
sandbox=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/wine-sandbox
for prefix in win7 winxp; do
  PURLO_PREFIX=$prefix "$sandbox" --wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
done
