#!/usr/bin/env bash
# The release as a Windows user and an administrator meet it:
#  - scripts/package.sh --check: two builds from scratch give the same bytes;
#  - the zip holds exactly the four files, SHA256SUMS matches;
#  - the MSI under Wine, in a fresh prefix of its own: silent install, program
#    folder, Start-menu shortcut, installed-programs entry, the installed
#    purlo-cli, a newer MSI replacing it, silent removal that leaves a user's
#    file and a folder beside the install folder alone;
#  - signing with a throw-away self-signed certificate (PEM, then PKCS#12).
# Prints one line per check and a closing count; exits 1 when any failed.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

started=$SECONDS
checks=0
failed=0
expect() {
  local what=$1; shift
  checks=$((checks + 1))
  if "$@"; then
    echo "ok      $what"
  else
    echo "FAILED  $what"
    failed=$((failed + 1))
  fi
}

not() { ! "$@"; }
phase() { log "$1 (at $((SECONDS - started)) s)"; }

install_toolchain
# Every check runs and is counted; a failing command is a failed check, not the end.
set +e
work=$PURLO_BUILD/package/test
rm -rf "$work"
mkdir -p "$work"

# --- two builds, same bytes -------------------------------------------------
phase "package.sh --check"
bash "$PURLO_TOP/scripts/package.sh" --check >"$work/check.out" 2>"$work/check.err"
check_status=$?
cat "$work/check.out"
[ $check_status -eq 0 ] || tail -40 "$work/check.err"
expect "package.sh --check exits 0" [ $check_status -eq 0 ]
expect "package.sh --check reports identical hashes" grep -qx 'package.sh --check: identical' "$work/check.out"

dist=$PURLO_TOP/dist
version=$(sed -n 's/^#define PURLO_VERSION_TEXT "\([0-9.]*\)"$/\1/p' "$PURLO_TOP/res/version.h")
zip=$dist/Purlo-$version-win32.zip
msi=$dist/Purlo-$version.msi
bin=$PURLO_BUILD/package/tree-1/bin

# --- the zip ------------------------------------------------------------------
zip_lists_exactly() { [ "$(unzip -Z1 "$zip" | tr '\n' ' ')" = "Purlo.exe purlo-cli.exe README.txt LICENSE.txt " ]; }
expect "the zip holds exactly Purlo.exe purlo-cli.exe README.txt LICENSE.txt" zip_lists_exactly
expect "the zip's Purlo.exe is the build's" cmp -s <(unzip -p "$zip" Purlo.exe) "$bin/Purlo.exe"
expect "the zip's purlo-cli.exe is the build's" cmp -s <(unzip -p "$zip" purlo-cli.exe) "$bin/purlo-cli.exe"
expect "the zip's LICENSE.txt is the MIT licence of the Purlo authors" \
  bash -c "unzip -p '$zip' LICENSE.txt | grep -q 'Copyright (c) .* the Purlo authors'"
expect "SHA256SUMS matches the zip and the MSI" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"
expect "the winget manifest names the MSI's SHA-256" \
  grep -qi "InstallerSha256: $(sha256sum "$msi" | cut -d' ' -f1)" "$dist/winget/Purlo.Purlo.installer.yaml"

# --- the MSI under Wine -------------------------------------------------------
export PURLO_SANDBOX=$PURLO_BUILD/package/sandbox
sandbox=$PURLO_TOP/scripts/wine-sandbox
# The installer prefix's server ends with this script, however it ends.
trap '"$sandbox" --stop 2>/dev/null || true' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
"$sandbox" --stop 2>/dev/null || true
rm -rf "$PURLO_SANDBOX"
phase "a fresh prefix for the installer"
"$sandbox" --init
drive_c=$("$sandbox" --drive-c)
# Wine runs from the prefix, never from the host's folders.
cd "$drive_c"
wine() { "$sandbox" --wine "$@" 2>/dev/null </dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
msiexec() { "$sandbox" --wine msiexec "$@" </dev/null >/dev/null 2>&1; }

mkdir -p "$drive_c/setup"
cp "$msi" "$drive_c/setup/"
winmsi="C:\\setup\\Purlo-$version.msi"
product_code=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')

# Where this prefix puts 32-bit programs.
if [ -d "$drive_c/Program Files (x86)" ]; then programs="Program Files (x86)"; else programs="Program Files"; fi
install_dir=$drive_c/$programs/Purlo

# What is there before, to compare with what is left after removal.
snapshot() {
  (cd "$drive_c" && find "Program Files" "Program Files (x86)" ProgramData users/*/AppData/Roaming/Microsoft/Windows/"Start Menu" \
    2>/dev/null | sort)
}
snapshot >"$work/before"

msiexec /i "$winmsi" /qn
expect "msiexec /i Purlo-$version.msi /qn exits 0" [ $? -eq 0 ]
for f in Purlo.exe purlo-cli.exe README.txt LICENSE.txt; do
  expect "$f installed in C:\\$programs\\Purlo" test -f "$install_dir/$f"
done
expect "the installed Purlo.exe is the build's" cmp -s "$install_dir/Purlo.exe" "$bin/Purlo.exe"
expect "nothing else installed there" [ "$(ls "$install_dir" | LC_ALL=C sort | tr '\n' ' ')" = "LICENSE.txt Purlo.exe README.txt purlo-cli.exe " ]

# The Start-menu link: Windows puts a per-machine link into the common Start
# menu; Wine 8 puts it into the user's. Either counts; there must be one.
find_shortcut() {
  find "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" \
       "$drive_c"/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs \
       -maxdepth 1 -name Purlo.lnk 2>/dev/null | head -1
}
shortcut=$(find_shortcut)
expect "a Start-menu shortcut named Purlo" test -n "$shortcut"
# The link's target, working folder and icon, read from the file itself.
read_link() {
  /usr/bin/python3 - "$1" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
flags = struct.unpack_from("<I", data, 0x14)[0]
pos = 0x4C
if flags & 0x1:  # HasLinkTargetIDList
    pos += 2 + struct.unpack_from("<H", data, pos)[0]
target = ""
if flags & 0x2:  # HasLinkInfo
    size, header, info_flags, _, base = struct.unpack_from("<IIIII", data, pos)
    if info_flags & 0x1:
        target = data[pos + base:data.index(b"\0", pos + base)].decode("latin-1")
    pos += size
strings = {}
for bit, name in ((0x4, "name"), (0x8, "relative"), (0x10, "workdir"), (0x20, "arguments"), (0x40, "icon")):
    if flags & bit:
        count = struct.unpack_from("<H", data, pos)[0]
        pos += 2
        width = 2 if flags & 0x80 else 1
        raw = data[pos:pos + count * width]
        strings[name] = raw.decode("utf-16-le" if width == 2 else "latin-1").rstrip("\0")
        pos += count * width
print("target=" + target)
print("workdir=" + strings.get("workdir", ""))
print("icon=" + strings.get("icon", ""))
EOF
}
[ -z "$shortcut" ] || read_link "$shortcut" >"$work/link"
cat "$work/link" 2>/dev/null
expect "the shortcut points at C:\\$programs\\Purlo\\Purlo.exe" grep -qx "target=C:\\\\$programs\\\\Purlo\\\\Purlo.exe" "$work/link"
expect "the shortcut starts in the install folder" grep -qix "workdir=C:\\\\$programs\\\\Purlo\\\\\?" "$work/link"
link_icon=$(sed -n 's/^icon=//p' "$work/link" 2>/dev/null)
icon_file() { local p=${1#C:\\}; echo "$drive_c/${p//\\//}"; }
expect "the shortcut's icon is Purlo's icon" cmp -s "$(icon_file "$link_icon")" "$PURLO_TOP/res/purlo.ico"

# The installed-programs entry: a 32-bit package's goes to the 32-bit view.
uninstall_entry() {
  local view
  for view in /reg:32 /reg:64; do
    wine reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product_code" $view
  done | grep -E '^(HKEY_| )'  # keys and values, not reg's complaint about a missing key
}
uninstall_entry >"$work/entry"
cat "$work/entry"
expect "an installed-programs entry named Purlo" grep -qE '^ +DisplayName +REG_SZ +Purlo$' "$work/entry"
expect "the entry's version is $version" grep -qE "^ +DisplayVersion +REG_SZ +$version\$" "$work/entry"
expect "the entry's publisher is the Purlo authors" grep -qE '^ +Publisher +REG_SZ +the Purlo authors$' "$work/entry"
expect "the entry names the install folder" grep -qxF "    InstallLocation    REG_SZ    C:\\$programs\\Purlo\\" "$work/entry"
expect "the entry removes through msiexec" grep -qiE "^ +UninstallString +REG_EXPAND_SZ +MsiExec.exe /X$product_code\$" "$work/entry"
# The list shows an MSI product's icon from its ARPPRODUCTICON, kept here.
product_icon=$(wine reg query 'HKCR\Installer\Products' /s | sed -n 's/^ *ProductIcon *REG_SZ *//p' | head -1)
expect "the entry's icon is Purlo's icon" cmp -s "$(icon_file "$product_icon")" "$PURLO_TOP/res/purlo.ico"

if [ "$(test_arch)" = i686 ]; then
  # The program runs from where it was installed (Unix path inside the prefix).
  "$PURLO_TOP/scripts/wine-sandbox" "$install_dir/purlo-cli.exe" list </dev/null >"$work/list" 2>"$work/list.err"
  expect "the installed purlo-cli.exe list exits 0" [ $? -eq 0 ]
  list_has_22() {
    tr -d '\r' <"$work/list" >"$work/list.txt"
    [ "$(wc -l <"$work/list.txt")" -eq 22 ] &&
      [ "$(awk -F'\t' 'NF == 4 && $1 ~ /^[0-9]+$/ { print $2 }' "$work/list.txt" | sort -u | wc -l)" -eq 22 ] &&
      grep -qP '^\d+\tSystemTemp\t' "$work/list.txt"
  }
  expect "the installed purlo-cli.exe list prints the 22 categories" list_has_22
  head -3 "$work/list"
else
  log "this kernel cannot run 32-bit Linux programs: the installed purlo-cli.exe is not run"
fi

# What a user puts there, and a folder beside the install folder with a name
# that starts the same: removal must leave both.
echo "my notes" >"$install_dir/notes.txt"
mkdir -p "$drive_c/$programs/Purlo Data"
echo "keep" >"$drive_c/$programs/Purlo Data/keep.txt"

msiexec /x "$winmsi" /qn
expect "msiexec /x Purlo-$version.msi /qn exits 0" [ $? -eq 0 ]
for f in Purlo.exe purlo-cli.exe README.txt LICENSE.txt; do
  expect "$f removed" test ! -e "$install_dir/$f"
done
expect "the user's file in the install folder is left" grep -qx "my notes" "$install_dir/notes.txt"
expect "the folder beside the install folder is left" grep -qx "keep" "$drive_c/$programs/Purlo Data/keep.txt"
expect "the shortcut is removed" test -z "$(find_shortcut)"
uninstall_entry >"$work/entry-after"
expect "the installed-programs entry is removed" not grep -q DisplayName "$work/entry-after"
snapshot >"$work/after"
expect "nothing else changed in Program Files, ProgramData or the Start menu" \
  diff <(printf '%s\n' "$programs/Purlo" "$programs/Purlo Data" "$programs/Purlo Data/keep.txt" \
           "$programs/Purlo/notes.txt" | cat - "$work/before" | sort) "$work/after"

# A newer MSI (the same description, a later version) replaces the installed one.
(cd "$PURLO_BUILD/package/tree-1/stage" &&
  wixl -a x86 -D Version=$version.1 -D ProductCode=8D1C4A52-6E8B-4F3C-9B07-3A5E2F61C0D9 \
    -o "$drive_c/setup/newer.msi" "$PURLO_TOP/packaging/purlo.wxs" 2>/dev/null)
msiexec /i "$winmsi" /qn
msiexec /i 'C:\setup\newer.msi' /qn
expect "a newer MSI installs over it (exit 0)" [ $? -eq 0 ]
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:32 >"$work/entries"
expect "after the upgrade one Purlo entry is left, the newer one" \
  [ "$(grep -cE '^ +DisplayName +REG_SZ +Purlo$' "$work/entries")" -eq 1 -a \
    "$(grep -cE "^ +DisplayVersion +REG_SZ +$version.1\$" "$work/entries")" -eq 1 ]
expect "the upgraded program is in place" test -f "$install_dir/Purlo.exe"
msiexec /x 'C:\setup\newer.msi' /qn
expect "the newer one removes silently, its files with it" test ! -e "$install_dir/Purlo.exe"
"$sandbox" --stop || true
cd "$PURLO_TOP"

# --- signing with a throw-away certificate -----------------------------------
phase "signing"
keys=$work/keys
mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Purlo test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
openssl pkcs12 -export -in "$keys/cert.pem" -inkey "$keys/key.pem" -passout pass:throwaway \
  -out "$keys/cert.p12" 2>/dev/null
signed_ok() {
  osslsigncode verify -CAfile "$keys/cert.pem" -in "$1" >"$work/verify.txt" 2>&1 &&
    grep -q "Signature verification: ok" "$work/verify.txt" && grep -q "Purlo test signing" "$work/verify.txt"
}
expect "an unsigned program does not pass the signature check" not signed_ok "$bin/purlo-cli.exe"
for form in pem p12; do
  out=$work/signed-$form
  if [ $form = pem ]; then
    PURLO_DIST=$out PURLO_SIGN_CERT=$keys/cert.pem PURLO_SIGN_KEY=$keys/key.pem \
      bash "$PURLO_TOP/scripts/package.sh" >"$work/sign-$form.log" 2>&1
  else
    PURLO_DIST=$out PURLO_SIGN_CERT=$keys/cert.p12 PURLO_SIGN_PASS=throwaway \
      bash "$PURLO_TOP/scripts/package.sh" >"$work/sign-$form.log" 2>&1
  fi
  expect "package.sh signs ($form)" [ $? -eq 0 ]
  unzip -q -o "$out/Purlo-$version-win32.zip" Purlo.exe purlo-cli.exe -d "$out/unzipped"
  expect "the zip's Purlo.exe carries a verified signature ($form)" signed_ok "$out/unzipped/Purlo.exe"
  expect "the zip's purlo-cli.exe carries a verified signature ($form)" signed_ok "$out/unzipped/purlo-cli.exe"
  expect "the MSI carries a verified signature ($form)" signed_ok "$out/Purlo-$version.msi"
  expect "SHA256SUMS matches the signed files ($form)" bash -c "cd '$out' && sha256sum --quiet -c SHA256SUMS"
done

echo "test-package: $checks checks, $failed failed, $((SECONDS - started)) s"
[ $failed -eq 0 ]
