#!/usr/bin/env bash
# The set-up of scripts/lib.sh on a bad mirror day, against stand-ins for
# apt-get, dpkg, dpkg-query, locale and localedef: `apt-get update` always
# exits 100, and the packages named in STUB_FAIL cannot be installed. PATH
# holds only the stand-ins and a few harmless tools, so nothing here can
# reach the real package manager. No network, no Wine.
set -uo pipefail
lib=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)/lib.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stubs=$work/bin
mkdir -p "$stubs"
for tool in bash cat grep dirname; do ln -s "$(command -v "$tool")" "$stubs/$tool"; done

stub() { printf '#!%s\n%s\n' "$(command -v bash)" "$2" >"$stubs/$1"; chmod +x "$stubs/$1"; }
stub apt-get '
echo "apt-get $*" >>"$STUB_STATE/calls"
[ "$1" = update ] && exit 100
for p in "$@"; do case " $STUB_FAIL " in *" $p "*) echo "E: cannot install $p" >&2; exit 100 ;; esac; done
for p in "$@"; do case "$p" in -*|*=*|install) ;; *) echo "$p" >>"$STUB_STATE/installed" ;; esac; done'
stub dpkg-query '
grep -qx "${@: -1}" "$STUB_STATE/installed" 2>/dev/null && printf "install ok installed"
exit 0'
stub dpkg '
case "$1" in
  --print-foreign-architectures) cat "$STUB_STATE/arches" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STUB_STATE/arches" ;;
  *) exit 1 ;;
esac'
stub locale 'echo C.utf8'
stub localedef 'echo "localedef $*" >>"$STUB_STATE/calls"'

failures=0
check() {  # check WHAT COMMAND...: one line per fact
  if "${@:2}"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi
}

# run NAME FAIL FUNCTION: calls FUNCTION of lib.sh in a subshell (lib.sh's
# own `set -e` in force), in a fresh state, with the packages FAIL failing.
run() {
  state=$work/$1
  mkdir -p "$state"
  ( export PATH=$stubs STUB_STATE=$state STUB_FAIL=$2
    unset PURLO_APT_UPDATED
    source "$lib"
    [ "$(type -P apt-get)" = "$stubs/apt-get" ] || { echo "a real apt-get is reachable" >&2; exit 99; }
    "$3" ) >"$state/out" 2>"$state/err"
  status=$?
}
count() { grep -c -- "$2" "$1" 2>/dev/null || true; }

run bad-day wine32:i386 install_toolchain
check "install_toolchain goes on (exit $status)" [ $status -eq 0 ]
check "apt-get update tried exactly twice" [ "$(count "$state/calls" '^apt-get update')" -eq 2 ]
check "a warning for each failed update" [ "$(count "$state/err" 'warning: apt-get update failed')" -eq 2 ]
check "one line says Wine's 32-bit part could not be installed" [ "$(count "$state/err" 'could not be installed')" -eq 1 ]
check "the i386 architecture was added" grep -qx i386 "$state/arches"
check "the required packages were installed" grep -qx wine64 "$state/installed"
check "wine32:i386 was tried" grep -q 'install.*wine32:i386' "$state/calls"
check "the locale step was reached" grep -q '^localedef -i zh_CN -f UTF-8' "$state/calls"

run required-missing wine64 install_toolchain
check "a required package that cannot be installed fails the set-up (exit $status)" [ $status -ne 0 ]
check "nothing after it ran" bash -c "! grep -q 'wine32\|localedef' '$state/calls'"

[ $failures -eq 0 ] || { tail -n +1 "$work"/*/err; exit 1; }
