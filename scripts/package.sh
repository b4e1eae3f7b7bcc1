#!/usr/bin/env bash
# Builds both shipped programs in Release, 32-bit (for 32-bit Windows and XP)
# and x86_64 (for 64-bit Windows), and writes what a Windows user downloads to
# dist/: per build the portable zip and the MSI, then SHA256SUMS and the
# filled-in winget manifests for both.
#
#   bash scripts/package.sh           build (incrementally) and package
#   bash scripts/package.sh --check   build and package twice, from scratch, in two
#                                     separate build trees; print both sets of
#                                     hashes and fail unless they are identical
#
# Every time stamp is the last commit's time (SOURCE_DATE_EPOCH, when set,
# wins), so the same commit gives the same bytes.
#
# Signing (optional; the repository holds no key). Set
#   PURLO_SIGN_CERT and PURLO_SIGN_KEY   a PEM certificate (chain) and its key, or
#   PURLO_SIGN_CERT=FILE.p12|.pfx        a PKCS#12 file (PURLO_SIGN_KEY not needed),
#   PURLO_SIGN_PASS                      the password of the key or the PKCS#12 file,
#   PURLO_SIGN_TIMESTAMP                 an RFC 3161 time-stamp URL (optional),
#   PURLO_SIGN_CAFILE                    the roots to verify against (default: the
#                                        certificate itself),
# and both programs and the MSI are Authenticode-signed (SHA-256) and verified.
# The password reaches openssl through the environment and osslsigncode through
# a file only this user can read, never on a command line (which any user can
# read in the process list).
# --check never signs: a signature carries the signing time.
#
# PURLO_DIST: where to write (default: dist/ in the repository). Only the files
# this script makes are written there; nothing else in it is touched.
# PURLO_DOWNLOAD_URL: the folder the MSI is published in, for the winget manifest.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

check=
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  *) echo "usage: package.sh [--check]" >&2; exit 2 ;;
esac

PURLO_DIST=${PURLO_DIST:-$PURLO_TOP/dist}
PURLO_DOWNLOAD_URL=${PURLO_DOWNLOAD_URL:-https://www.example.com/Q00000042}
packaging=$PURLO_TOP/packaging

install_packaging_tools() {
  install_toolchain
  # wixl writes the MSI (msiinfo reads it), python3-gi with libmsi fixes its summary, osslsigncode
  # signs, openssl reads PKCS#12 files.
  need_packages wixl msitools gir1.2-libmsi-1.0 python3-gi zip unzip osslsigncode openssl git
}

product_version() {
  sed -n 's/^#define PURLO_VERSION_TEXT "\([0-9.]*\)"$/\1/p' "$PURLO_TOP/res/version.h"
}

source_date_epoch() {
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  else
    git -C "$PURLO_TOP" log -1 --format=%ct
  fi
}

# A name-based GUID (RFC 4122 version 5): the same name always gives the same one.
name_guid() {
  /usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' "$1" "$2"
}

# The two builds shipped: i686 for 32-bit Windows and XP, x86_64 for 64-bit Windows.
arches=(i686 x86_64)

upgrade_code() {
  local name=UpgradeCode32
  [ "$1" = i686 ] || name=UpgradeCode64
  sed -n "s/.*define $name = \"\([0-9A-F-]*\)\".*/\1/p" "$packaging/purlo.wxs"
}

wixl_arch() { if [ "$1" = i686 ]; then echo x86; else echo x64; fi; }
winget_arch() { wixl_arch "$1"; }
zip_name() { if [ "$1" = i686 ]; then echo "Purlo-$version-win32.zip"; else echo "Purlo-$version-win64.zip"; fi; }
msi_name() { if [ "$1" = i686 ]; then echo "Purlo-$version.msi"; else echo "Purlo-$version-x64.msi"; fi; }
product_code() { name_guid "$(upgrade_code "$1")" "product $version"; }

build_release() {
  local dir=$1 arch=$2
  cmake -S "$PURLO_TOP" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PURLO_TOP/cmake/mingw-$arch.cmake" -DPURLO_TESTS=OFF >/dev/null
  cmake --build "$dir" --target Purlo purlo-cli -- >&2
}

sign_file() {
  local file=$1 signed=$1.signed
  local args=(sign -h sha256 -n Purlo -i "$PURLO_DOWNLOAD_URL")
  case "$PURLO_SIGN_CERT" in
    *.p12|*.pfx) args+=(-pkcs12 "$PURLO_SIGN_CERT") ;;
    *) args+=(-certs "$PURLO_SIGN_CERT" -key "$PURLO_SIGN_KEY") ;;
  esac
  [ -z "$PURLO_SIGN_PASS" ] || args+=(-readpass "$pass_file")
  [ -z "${PURLO_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$PURLO_SIGN_TIMESTAMP")
  if ! osslsigncode "${args[@]}" -in "$file" -out "$signed" >"$file.sign-log" 2>&1; then
    cat "$file.sign-log" >&2
    echo "package.sh: osslsigncode could not sign $(basename "$file") (its words above)" >&2
    exit 1
  fi
  rm -f "$file.sign-log"
  mv "$signed" "$file"
  osslsigncode verify -CAfile "$sign_roots" -in "$file" >"$file.verify" 2>&1 || {
    cat "$file.verify" >&2
    echo "package.sh: the signature of $(basename "$file") does not verify" >&2
    exit 1
  }
  rm -f "$file.verify"
  log "signed and verified: $(basename "$file")"
}

# Stops with the reason when the key cannot be opened with the password given:
# a wrong password is the usual one, and osslsigncode would not say so.
check_signing_key() {
  local what=$1 errors=$secrets/openssl.err
  shift
  "$@" -noout -passin env:PURLO_SIGN_PASS >/dev/null 2>"$errors" && return 0
  if grep -qiE 'mac verify|bad decrypt|maybe wrong password|unable to load (key|private key)' "$errors"; then
    echo "package.sh: cannot open $what: wrong password (PURLO_SIGN_PASS), or not a key" >&2
  else
    cat "$errors" >&2
    echo "package.sh: cannot open $what (openssl's words above)" >&2
  fi
  exit 1
}

# The password in a file only this user can read, for osslsigncode -readpass;
# removed when the script ends, however it ends.
write_pass_file() {
  secrets=$(mktemp -d)
  trap 'rm -rf "$secrets"' EXIT
  pass_file=$secrets/pass
  (umask 077 && printf '%s' "$PURLO_SIGN_PASS" >"$pass_file")
}

# The roots a signature is checked against: given, or the signing certificate.
prepare_signing() {
  signing=
  [ -n "${PURLO_SIGN_CERT:-}" ] || return 0
  if [ -n "$check" ]; then log "--check: not signing"; return 0; fi
  export PURLO_SIGN_PASS=${PURLO_SIGN_PASS:-}
  [ -r "$PURLO_SIGN_CERT" ] || { echo "package.sh: cannot read PURLO_SIGN_CERT $PURLO_SIGN_CERT" >&2; exit 2; }
  write_pass_file
  case "$PURLO_SIGN_CERT" in
    *.p12|*.pfx) check_signing_key "the PKCS#12 file $PURLO_SIGN_CERT" openssl pkcs12 -in "$PURLO_SIGN_CERT" ;;
    *) [ -n "${PURLO_SIGN_KEY:-}" ] || { echo "package.sh: PURLO_SIGN_CERT needs PURLO_SIGN_KEY" >&2; exit 2; }
       check_signing_key "the key $PURLO_SIGN_KEY" openssl pkey -in "$PURLO_SIGN_KEY" ;;
  esac
  signing=1
  sign_roots=${PURLO_SIGN_CAFILE:-}
  if [ -z "$sign_roots" ]; then
    sign_roots=$PURLO_BUILD/package/sign-roots.pem
    mkdir -p "$(dirname "$sign_roots")"
    case "$PURLO_SIGN_CERT" in
      *.p12|*.pfx) openssl pkcs12 -in "$PURLO_SIGN_CERT" -nokeys -passin env:PURLO_SIGN_PASS \
                     -out "$sign_roots" 2>/dev/null ;;
      *) cp "$PURLO_SIGN_CERT" "$sign_roots" ;;
    esac
  fi
}

# Windows' Notepad wants CRLF, and a byte-order mark to take the text as UTF-8.
windows_text() {
  local from=$1 to=$2 bom=$3
  { [ -z "$bom" ] || printf '\xef\xbb\xbf'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$from"; } >"$to"
}

# stage_and_package BUILD_TREE ARCH OUT_DIR: the zip and the MSI from one build.
stage_and_package() {
  local tree=$1 arch=$2 out=$3
  local stage=$tree/stage
  rm -rf "$stage"
  mkdir -p "$stage" "$out"
  cp "$tree/bin/Purlo.exe" "$tree/bin/purlo-cli.exe" "$PURLO_TOP/res/purlo.ico" "$stage/"
  windows_text "$packaging/README.txt" "$stage/README.txt" bom
  windows_text "$PURLO_TOP/LICENSE" "$stage/LICENSE.txt" ""
  if [ -n "$signing" ]; then
    sign_file "$stage/Purlo.exe"
    sign_file "$stage/purlo-cli.exe"
  fi
  # Fixed modes and times: zip and the MSI's cabinet store both.
  chmod 644 "$stage"/*
  touch -d "@$epoch" "$stage"/*

  local zip=$out/$(zip_name "$arch")
  (cd "$stage" && TZ=UTC zip -X -D -q -9 "$zip" Purlo.exe purlo-cli.exe README.txt LICENSE.txt)

  local msi=$out/$(msi_name "$arch")
  local upgrade product_code content
  upgrade=$(upgrade_code "$arch")
  product_code=$(product_code "$arch")
  content=$(cd "$stage" && cat "$packaging/purlo.wxs" Purlo.exe purlo-cli.exe README.txt LICENSE.txt purlo.ico | sha256sum | cut -d' ' -f1)
  # The product code changes with the version (a major upgrade); the package
  # code with every byte the MSI holds.
  (cd "$stage" && wixl -a "$(wixl_arch "$arch")" -D "Arch=$(wixl_arch "$arch")" -D "UpgradeCode=$upgrade" \
    -D "Version=$version" -D "ProductCode=$product_code" -o "$msi" "$packaging/purlo.wxs") 2>&1 |
    { grep -v "has no property named 'Platform'" || true; } >&2
  # wixl writes the build time and a random package code into the summary and
  # has no option for either: set them from the commit, through libmsi.
  /usr/bin/python3 "$packaging/msi-summary.py" "$msi" "$(name_guid "$upgrade" "package $version $content")" \
    "$epoch" 2052
  [ -z "$signing" ] || sign_file "$msi"
}

# The files of both builds made into OUT_DIR, as they go to PURLO_DIST.
made_files() {
  local arch
  for arch in "${arches[@]}"; do zip_name "$arch"; msi_name "$arch"; done
}

# SHA256SUMS and the winget manifests, for both builds' packages in OUT_DIR.
sums_and_manifests() {
  local out=$1 arch template
  (cd "$out" && sha256sum $(made_files) >SHA256SUMS)
  mkdir -p "$out/winget"
  # @ARCH_code@ fields, @ARCH_ being X86_ or X64_: each installer's own.
  local fields=()
  for arch in "${arches[@]}"; do
    local tag
    tag=$(winget_arch "$arch" | tr a-z A-Z)
    fields+=(-e "s|@${tag}_PRODUCT_CODE@|{$(product_code "$arch")}|g"
             -e "s|@${tag}_UPGRADE_CODE@|{$(upgrade_code "$arch")}|g"
             -e "s|@${tag}_MSI@|$(msi_name "$arch")|g"
             -e "s|@${tag}_MSI_SHA256@|$(sha256sum "$out/$(msi_name "$arch")" | cut -d' ' -f1 | tr a-f A-F)|g")
  done
  for template in "$packaging"/winget/*.yaml.in; do
    sed -e "s|@VERSION@|$version|g" -e "s|@DOWNLOAD_URL@|$PURLO_DOWNLOAD_URL|g" "${fields[@]}" \
        "$template" >"$out/winget/$(basename "$template" .in)"
  done
}

# package TREE: both builds in TREE/ARCH, their packages in TREE/out.
package() {
  local tree=$1 arch
  rm -rf "$tree/out"
  for arch in "${arches[@]}"; do
    build_release "$tree/$arch" "$arch"
    stage_and_package "$tree/$arch" "$arch" "$tree/out"
  done
  sums_and_manifests "$tree/out"
}

# The hashes that must match between two builds.
hashes() {
  local tree=$1 arch
  for arch in "${arches[@]}"; do
    (cd "$tree/$arch/bin" && sha256sum Purlo.exe purlo-cli.exe | sed "s|  |  $arch/|")
  done
  (cd "$tree/out" && sha256sum $(made_files))
}

install_packaging_tools
version=$(product_version)
[ -n "$version" ] || { echo "package.sh: no PURLO_VERSION_TEXT in res/version.h" >&2; exit 1; }
epoch=$(source_date_epoch)
export SOURCE_DATE_EPOCH=$epoch
prepare_signing

if [ -z "$check" ]; then
  tree=$PURLO_BUILD/package/tree-1
  package "$tree"
else
  log "building twice, from scratch"
  for n in 1 2; do
    # From scratch: nothing an earlier build left may decide the bytes.
    rm -rf "$PURLO_BUILD/package/tree-$n"
    package "$PURLO_BUILD/package/tree-$n"
  done
  tree=$PURLO_BUILD/package/tree-1
fi

# Only what this script made goes in, each file replacing its namesake: what
# else is in PURLO_DIST (someone's files, older versions) stays.
mkdir -p "$PURLO_DIST/winget"
for file in $(made_files) SHA256SUMS $(cd "$tree/out" && echo winget/*.yaml); do
  cp --remove-destination "$tree/out/$file" "$PURLO_DIST/$file"
done
log "version $version, time stamps $(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M:%S UTC') ($epoch)"
(cd "$PURLO_DIST" && ls -l $(made_files) SHA256SUMS winget/*) >&2

if [ -n "$check" ]; then
  one=$(hashes "$PURLO_BUILD/package/tree-1")
  two=$(hashes "$PURLO_BUILD/package/tree-2")
  echo "build 1 ($PURLO_BUILD/package/tree-1):"; echo "$one"
  echo "build 2 ($PURLO_BUILD/package/tree-2):"; echo "$two"
  if [ "$one" = "$two" ]; then
    echo "package.sh --check: identical"
  else
    echo "package.sh --check: DIFFERENT"
    exit 1
  fi
fi
