#!/usr/bin/env bash
# Builds the shipped 32-bit program in Release and writes what a Windows user
# downloads to dist/: the portable zip, the MSI, SHA256SUMS and the filled-in
# winget manifests.
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
# --check never signs: a signature carries the signing time.
#
# PURLO_DIST: where to write (default: dist/ in the repository).
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

upgrade_code() {
  sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' "$packaging/purlo.wxs"
}

build_release() {
  local dir=$1
  cmake -S "$PURLO_TOP" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PURLO_TOP/cmake/mingw-i686.cmake" -DPURLO_TESTS=OFF >/dev/null
  cmake --build "$dir" --target Purlo purlo-cli -- >&2
}

sign_file() {
  local file=$1 signed=$1.signed
  local args=(sign -h sha256 -n Purlo -i "$PURLO_DOWNLOAD_URL")
  case "$PURLO_SIGN_CERT" in
    *.p12|*.pfx) args+=(-pkcs12 "$PURLO_SIGN_CERT") ;;
    *) args+=(-certs "$PURLO_SIGN_CERT" -key "$PURLO_SIGN_KEY") ;;
  esac
  [ -z "${PURLO_SIGN_PASS:-}" ] || args+=(-pass "$PURLO_SIGN_PASS")
  [ -z "${PURLO_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$PURLO_SIGN_TIMESTAMP")
  osslsigncode "${args[@]}" -in "$file" -out "$signed" >/dev/null
  mv "$signed" "$file"
  osslsigncode verify -CAfile "$sign_roots" -in "$file" >"$file.verify" 2>&1 || {
    cat "$file.verify" >&2
    echo "package.sh: the signature of $(basename "$file") does not verify" >&2
    exit 1
  }
  rm -f "$file.verify"
  log "signed and verified: $(basename "$file")"
}

# The roots a signature is checked against: given, or the signing certificate.
prepare_signing() {
  signing=
  [ -n "${PURLO_SIGN_CERT:-}" ] || return 0
  if [ -n "$check" ]; then log "--check: not signing"; return 0; fi
  case "$PURLO_SIGN_CERT" in
    *.p12|*.pfx) ;;
    *) [ -n "${PURLO_SIGN_KEY:-}" ] || { echo "package.sh: PURLO_SIGN_CERT needs PURLO_SIGN_KEY" >&2; exit 2; } ;;
  esac
  signing=1
  sign_roots=${PURLO_SIGN_CAFILE:-}
  if [ -z "$sign_roots" ]; then
    sign_roots=$PURLO_BUILD/package/sign-roots.pem
    mkdir -p "$(dirname "$sign_roots")"
    case "$PURLO_SIGN_CERT" in
      *.p12|*.pfx) openssl pkcs12 -in "$PURLO_SIGN_CERT" -nokeys -passin "pass:${PURLO_SIGN_PASS:-}" \
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

# stage_and_package BUILD_TREE OUT_DIR: the zip and the MSI from one build.
stage_and_package() {
  local tree=$1 out=$2
  local stage=$tree/stage
  rm -rf "$stage" "$out"
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

  local zip=$out/Purlo-$version-win32.zip
  (cd "$stage" && TZ=UTC zip -X -D -q -9 "$zip" Purlo.exe purlo-cli.exe README.txt LICENSE.txt)

  local msi=$out/Purlo-$version.msi
  local content
  content=$(cd "$stage" && cat "$packaging/purlo.wxs" Purlo.exe purlo-cli.exe README.txt LICENSE.txt purlo.ico | sha256sum | cut -d' ' -f1)
  # The product code changes with the version (a major upgrade); the package
  # code with every byte the MSI holds.
  (cd "$stage" && wixl -a x86 -D "Version=$version" -D "ProductCode=$product_code" \
    -o "$msi" "$packaging/purlo.wxs")
  # wixl writes the build time and a random package code into the summary and
  # has no option for either: set them from the commit, through libmsi.
  /usr/bin/python3 "$packaging/msi-summary.py" "$msi" "$(name_guid "$upgrade" "package $version $content")" \
    "$epoch" 2052
  [ -z "$signing" ] || sign_file "$msi"

  (cd "$out" && sha256sum "$(basename "$zip")" "$(basename "$msi")" >SHA256SUMS)

  mkdir -p "$out/winget"
  local template
  for template in "$packaging"/winget/*.yaml.in; do
    sed -e "s|@VERSION@|$version|g" -e "s|@PRODUCT_CODE@|{$product_code}|g" \
        -e "s|@UPGRADE_CODE@|{$upgrade}|g" -e "s|@DOWNLOAD_URL@|$PURLO_DOWNLOAD_URL|g" \
        -e "s|@MSI_SHA256@|$(sha256sum "$msi" | cut -d' ' -f1 | tr a-f A-F)|g" \
        "$template" >"$out/winget/$(basename "$template" .in)"
  done
}

# The hashes that must match between two builds.
hashes() {
  local tree=$1 out=$2
  (cd "$tree/bin" && sha256sum Purlo.exe purlo-cli.exe)
  (cd "$out" && sha256sum "Purlo-$version-win32.zip" "Purlo-$version.msi")
}

install_packaging_tools
version=$(product_version)
[ -n "$version" ] || { echo "package.sh: no PURLO_VERSION_TEXT in res/version.h" >&2; exit 1; }
epoch=$(source_date_epoch)
export SOURCE_DATE_EPOCH=$epoch
upgrade=$(upgrade_code)
product_code=$(name_guid "$upgrade" "product $version")
prepare_signing

if [ -z "$check" ]; then
  tree=$PURLO_BUILD/package/tree-1
  build_release "$tree"
  stage_and_package "$tree" "$tree/out"
else
  log "building twice, from scratch"
  for n in 1 2; do
    # From scratch: nothing an earlier build left may decide the bytes.
    rm -rf "$PURLO_BUILD/package/tree-$n"
    build_release "$PURLO_BUILD/package/tree-$n"
    stage_and_package "$PURLO_BUILD/package/tree-$n" "$PURLO_BUILD/package/tree-$n/out"
  done
  tree=$PURLO_BUILD/package/tree-1
fi

rm -rf "$PURLO_DIST"
mkdir -p "$PURLO_DIST"
cp -r "$tree/out/." "$PURLO_DIST/"
log "version $version, time stamps $(TZ=UTC date -d "@$epoch" '+%Y-%m-%d %H:%M:%S UTC') ($epoch)"
(cd "$PURLO_DIST" && ls -l Purlo-* SHA256SUMS winget/*) >&2

if [ -n "$check" ]; then
  one=$(hashes "$PURLO_BUILD/package/tree-1" "$PURLO_BUILD/package/tree-1/out")
  two=$(hashes "$PURLO_BUILD/package/tree-2" "$PURLO_BUILD/package/tree-2/out")
  echo "build 1 ($PURLO_BUILD/package/tree-1):"; echo "$one"
  echo "build 2 ($PURLO_BUILD/package/tree-2):"; echo "$two"
  if [ "$one" = "$two" ]; then
    echo "package.sh --check: identical"
  else
    echo "package.sh --check: DIFFERENT"
    exit 1
  fi
fi
