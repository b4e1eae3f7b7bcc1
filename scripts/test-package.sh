#!/usr/bin/env bash
# The release as a Windows user and an administrator meet it:
#  - scripts/package.sh --check: two builds of both packages from scratch give
#    the same bytes;
#  - each zip holds exactly the four files of its build, SHA256SUMS and the
#    winget manifest name both builds' packages;
#  - the MSIs under 64-bit Wine, in a fresh prefix of their own: the 32-bit one
#    refuses 64-bit Windows unless ALLOW32ON64=1, then silent install, program
#    folder, Start-menu shortcut, installed-programs entry, the installed
#    purlo-cli, a newer MSI replacing it, silent removal that leaves a user's
#    file and a folder beside the install folder alone; the x64 one over an
#    installed 32-bit one (one Purlo left), its purlo-cli run, and the
#    README's administrator recipes run as written against what it installed;
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
# PURLO_DIST already holds someone's files: they must survive.
dist=$work/dist
mkdir -p "$dist/theirs"
echo "someone's" >"$dist/notes.txt"
echo "someone's" >"$dist/theirs/keep.txt"
PURLO_DIST=$dist bash "$PURLO_TOP/scripts/package.sh" --check >"$work/check.out" 2>"$work/check.err"
check_status=$?
cat "$work/check.out"
[ $check_status -eq 0 ] || tail -40 "$work/check.err"
expect "package.sh --check exits 0" [ $check_status -eq 0 ]
expect "package.sh --check reports identical hashes" grep -qx 'package.sh --check: identical' "$work/check.out"

expect "a file and a folder of someone else's in PURLO_DIST are left" \
  bash -c "grep -qx \"someone's\" '$dist/notes.txt' && grep -qx \"someone's\" '$dist/theirs/keep.txt'"
version=$(sed -n 's/^#define PURLO_VERSION_TEXT "\([0-9.]*\)"$/\1/p' "$PURLO_TOP/res/version.h")
zip=$dist/Purlo-$version-win32.zip
msi=$dist/Purlo-$version.msi
bin=$PURLO_BUILD/package/tree-1/i686/bin
zip64=$dist/Purlo-$version-win64.zip
msi64=$dist/Purlo-$version-x64.msi
bin64=$PURLO_BUILD/package/tree-1/x86_64/bin

# --- the zips -----------------------------------------------------------------
zip_lists_exactly() { [ "$(unzip -Z1 "$1" | tr '\n' ' ')" = "Purlo.exe purlo-cli.exe README.txt LICENSE.txt " ]; }
pe_machine() { /usr/bin/python3 -c 'import struct, sys; d = sys.stdin.buffer.read(4096); print(hex(struct.unpack_from("<H", d, struct.unpack_from("<I", d, 0x3C)[0] + 4)[0]))'; }
for form in "$zip:$bin:0x14c" "$zip64:$bin64:0x8664"; do
  IFS=: read -r z b machine <<<"$form"
  name=$(basename "$z")
  expect "$name holds exactly Purlo.exe purlo-cli.exe README.txt LICENSE.txt" zip_lists_exactly "$z"
  expect "$name's Purlo.exe is its build's" cmp -s <(unzip -p "$z" Purlo.exe) "$b/Purlo.exe"
  expect "$name's purlo-cli.exe is its build's" cmp -s <(unzip -p "$z" purlo-cli.exe) "$b/purlo-cli.exe"
  expect "$name's programs are for machine $machine" \
    [ "$(unzip -p "$z" Purlo.exe | pe_machine) $(unzip -p "$z" purlo-cli.exe | pe_machine)" = "$machine $machine" ]
  expect "$name's LICENSE.txt is the MIT licence of the Purlo authors" \
    bash -c "unzip -p '$z' LICENSE.txt | grep -q 'Copyright (c) .* the Purlo authors'"
done
expect "SHA256SUMS lists exactly both zips and both MSIs" \
  [ "$(awk '{ print $2 }' "$dist/SHA256SUMS" | sort | tr '\n' ' ')" = \
    "$(printf '%s\n' "$(basename "$zip")" "$(basename "$msi")" "$(basename "$zip64")" "$(basename "$msi64")" | sort | tr '\n' ' ')" ]
expect "SHA256SUMS matches the zips and the MSIs" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"
# Each installer entry: its architecture, its file and that file's SHA-256, in this order.
installer_entry() {
  grep -A3 -- "- Architecture: $1\$" "$dist/winget/Purlo.Purlo.installer.yaml" | tr -d ' ' | tr '\n' ' '
}
for form in "x86:$msi" "x64:$msi64"; do
  IFS=: read -r a m <<<"$form"
  expect "the winget manifest's $a installer is $(basename "$m") with its SHA-256" \
    grep -qiF "InstallerUrl:https://www.example.com/Q00000042/$(basename "$m") InstallerSha256:$(sha256sum "$m" | cut -d' ' -f1)" \
      <(installer_entry "$a")
done

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
cp "$msi" "$msi64" "$drive_c/setup/"
winmsi="C:\\setup\\Purlo-$version.msi"
winmsi64="C:\\setup\\Purlo-$version-x64.msi"
msi_property() { msiinfo export "$1" Property | tr -d '\r' | sed -n "s/^$2\t//p"; }
product_code=$(msi_property "$msi" ProductCode)
upgrade_code32=$(msi_property "$msi" UpgradeCode)
product_code64=$(msi_property "$msi64" ProductCode)
expect "the two MSIs have their own product and upgrade codes" \
  [ "$product_code" != "$product_code64" -a "$upgrade_code32" != "$(msi_property "$msi64" UpgradeCode)" ]

# Where this prefix puts 32-bit programs.
if [ -d "$drive_c/Program Files (x86)" ]; then programs="Program Files (x86)"; else programs="Program Files"; fi
install_dir=$drive_c/$programs/Purlo

# What is there before, to compare with what is left after removal.
snapshot() {
  (cd "$drive_c" && find "Program Files" "Program Files (x86)" ProgramData users/*/AppData/Roaming/Microsoft/Windows/"Start Menu" \
    2>/dev/null | sort)
}
snapshot >"$work/before"

# This prefix is 64-bit Windows: the 32-bit package stops (Wine neither shows
# nor logs a launch condition's message: it is read from the package).
msiexec /i "$winmsi" /qn
expect "msiexec /i Purlo-$version.msi /qn on 64-bit Windows fails" [ $? -ne 0 ]
expect "... installing nothing" test ! -e "$install_dir/Purlo.exe"
expect "... by a launch condition on VersionNT64 whose message names Purlo-$version-x64.msi" \
  grep -qxF "Installed OR NOT VersionNT64 OR ALLOW32ON64 = 1	This Purlo package is for 32-bit Windows. On 64-bit Windows install Purlo-$version-x64.msi (ALLOW32ON64=1 installs this one anyway)." \
    <(msiinfo export "$msi" LaunchCondition | tr -d '\r')
# An administrator with a reason (and these tests) can have it anyway.
msiexec /i "$winmsi" /qn ALLOW32ON64=1
expect "msiexec /i Purlo-$version.msi /qn ALLOW32ON64=1 exits 0" [ $? -eq 0 ]
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

# How many categories the shipped programs know: the catalogue's own count
# (the last one written; the first belongs to the tests' one-row-more build).
categories=$(sed -n 's/^constexpr int kCategoryCount = \([0-9]*\);$/\1/p' "$PURLO_TOP/engine/core/Catalogue.h" | tail -1)

if [ "$(test_arch)" = i686 ]; then
  # The program runs from where it was installed (Unix path inside the prefix).
  "$PURLO_TOP/scripts/wine-sandbox" "$install_dir/purlo-cli.exe" list </dev/null >"$work/list" 2>"$work/list.err"
  expect "the installed purlo-cli.exe list exits 0" [ $? -eq 0 ]
  list_has_all() {
    tr -d '\r' <"$work/list" >"$work/list.txt"
    [ "$(wc -l <"$work/list.txt")" -eq "$categories" ] &&
      [ "$(awk -F'\t' 'NF == 4 && $1 ~ /^[0-9]+$/ { print $2 }' "$work/list.txt" | sort -u | wc -l)" -eq "$categories" ] &&
      grep -qP '^\d+\tSystemTemp\t' "$work/list.txt"
  }
  expect "the installed purlo-cli.exe list prints the $categories categories" list_has_all
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
(cd "$PURLO_BUILD/package/tree-1/i686/stage" &&
  wixl -a x86 -D Arch=x86 -D "UpgradeCode=${upgrade_code32//[\{\}]/}" -D Version=$version.1 \
    -D ProductCode=8D1C4A52-6E8B-4F3C-9B07-3A5E2F61C0D9 \
    -o "$drive_c/setup/newer.msi" "$PURLO_TOP/packaging/purlo.wxs" 2>/dev/null)
msiexec /i "$winmsi" /qn ALLOW32ON64=1
msiexec /i 'C:\setup\newer.msi' /qn ALLOW32ON64=1
expect "a newer MSI installs over it (exit 0)" [ $? -eq 0 ]
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s /reg:32 >"$work/entries"
expect "after the upgrade one Purlo entry is left, the newer one" \
  [ "$(grep -cE '^ +DisplayName +REG_SZ +Purlo$' "$work/entries")" -eq 1 -a \
    "$(grep -cE "^ +DisplayVersion +REG_SZ +$version.1\$" "$work/entries")" -eq 1 ]
expect "the upgraded program is in place" test -f "$install_dir/Purlo.exe"
msiexec /x 'C:\setup\newer.msi' /qn
expect "the newer one removes silently, its files with it" test ! -e "$install_dir/Purlo.exe"

# --- the x64 MSI, over an installed 32-bit one ----------------------------------
phase "the x64 MSI"
install64=$drive_c/Program\ Files/Purlo
msiexec /i "$winmsi" /qn ALLOW32ON64=1
msiexec /i "$winmsi64" /qn
expect "msiexec /i Purlo-$version-x64.msi /qn over the 32-bit one exits 0" [ $? -eq 0 ]
for f in Purlo.exe purlo-cli.exe README.txt LICENSE.txt; do
  expect "$f installed in C:\\Program Files\\Purlo" test -f "$install64/$f"
done
expect "the installed x64 Purlo.exe and purlo-cli.exe are the x86_64 build's" \
  bash -c "cmp -s '$install64/Purlo.exe' '$bin64/Purlo.exe' && cmp -s '$install64/purlo-cli.exe' '$bin64/purlo-cli.exe'"
expect "the 32-bit install's files went with it" test ! -e "$install_dir/Purlo.exe"
all_entries() {
  local view
  for view in /reg:32 /reg:64; do
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s $view
  done
}
all_entries >"$work/entries64"
expect "one Purlo entry is left in Apps, the x64 one" \
  [ "$(grep -cE '^ +DisplayName +REG_SZ +Purlo$' "$work/entries64")" -eq 1 -a \
    "$(grep -ciF "\\Uninstall\\$product_code64" "$work/entries64")" -ge 1 -a \
    "$(grep -ciF "\\Uninstall\\$product_code" "$work/entries64")" -eq 0 ]
shortcut=$(find_shortcut)
[ -z "$shortcut" ] || read_link "$shortcut" >"$work/link64"
expect "the shortcut points at C:\\Program Files\\Purlo\\Purlo.exe" \
  grep -qx 'target=C:\\Program Files\\Purlo\\Purlo.exe' "$work/link64"

# The installed console program, run from where it was installed.
cli64() { "$sandbox" --wine 'C:\Program Files\Purlo\purlo-cli.exe' "$@" </dev/null 2>"$work/cli64.err" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
cli64 --version >"$work/version64"
expect "the installed purlo-cli.exe --version exits 0" [ $? -eq 0 ]
expect "... and prints purlo-cli $version" [ "$(cat "$work/version64")" = "purlo-cli $version" ]
cli64 list >"$work/list64"
expect "the installed purlo-cli.exe list prints the $categories categories" \
  [ "$(awk -F'\t' 'NF == 4 && $1 ~ /^[0-9]+$/ { print $2 }' "$work/list64" | sort -u | wc -l)" -eq "$categories" ]
cli64 scan --json >"$work/scan64.json"
expect "the installed purlo-cli.exe scan --json exits 0" [ $? -eq 0 ]
expect "... and reports the five recommended categories" \
  /usr/bin/python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); sys.exit(not (d["run"] == "scan" and len(d["categories"]) == 5))' \
  "$work/scan64.json"
# Every category asked for is in the report with its status: a fleet's parser
# tells "not installed" from lost. The prefix has neither browser's key.
cli64 scan --all --json >"$work/all64.json"
expect "the installed purlo-cli.exe scan --all --json exits 0" [ $? -eq 0 ]
expect "... and reports all $categories categories, each with a status, Maxthon and TheWorld \"not installed\"" \
  /usr/bin/python3 -c '
import json, sys
c = json.load(open(sys.argv[1]))["categories"]
s = {x["id"]: x.get("status") for x in c}
n = int(sys.argv[2])
sys.exit(not (len(c) == n and len(s) == n and all(s.values())
              and s["MaxthonHistory"] == s["TheWorldHistory"] == "not installed"))' "$work/all64.json" "$categories"
cli64 scan MaxthonHistory TheWorldHistory KankanHistory --json >"$work/three64.json"
expect "... and scan of three named categories reports those three" \
  /usr/bin/python3 -c 'import json, sys; c = json.load(open(sys.argv[1]))["categories"]; sys.exit(not [x["id"] for x in c] == ["MaxthonHistory", "TheWorldHistory", "KankanHistory"])' \
  "$work/three64.json"

# The README's administrator recipes, as written, against the installed files
# (Wine has no PowerShell and no task scheduler that runs tasks: the commands
# they would run are taken from the README and run here).
programs64=$(wine cmd /c 'echo %ProgramW6432%')
expect "Wine's ProgramW6432 is C:\\Program Files" [ "$programs64" = 'C:\Program Files' ]
/usr/bin/python3 "$PURLO_TOP/scripts/readme-recipes.py" "$PURLO_TOP/README.md" "$programs64" >"$work/recipes" 2>"$work/recipes.err"
expect "the README's recipes read (a scheduled task, two PowerShell scripts)" \
  [ $? -eq 0 -a "$(grep -c '^recipe' "$work/recipes")" -eq 3 ]
cat "$work/recipes.err" >&2
# Each recipe: its folders made, then its one purlo-cli command run, its report checked.
run_recipe() {
  local name=$1 kind arg
  local -a argv=()
  while IFS=$'\t' read -r kind arg; do
    case "$kind" in
      mkdir) wine cmd /c mkdir "$arg" >/dev/null ;;
      arg) argv+=("$arg") ;;
      report) report=$arg ;;
    esac
  done < <(sed -n "/^recipe $name\$/,/^end\$/p" "$work/recipes")
  program=${argv[0]}
  expect "$name: its program, $program, is the installed purlo-cli.exe" \
    cmp -s "$drive_c/$(echo "${program#C:\\}" | tr '\\' /)" "$bin64/purlo-cli.exe"
  "$sandbox" --wine "${argv[@]}" </dev/null >"$work/$name.out" 2>"$work/$name.err"
  local status=$?
  expect "$name: $(printf '%s ' "${argv[@]:1}")exits 0 or 3 (got $status)" [ $status -eq 0 -o $status -eq 3 ]
  expect "$name: nothing on stdout or stderr" [ ! -s "$work/$name.out" -a ! -s "$work/$name.err" ]
  local file=$drive_c/$(echo "${report#C:\\}" | tr '\\' /)
  expect "$name: its report $report is a JSON report with categories" \
    /usr/bin/python3 -c 'import json, sys; d = json.load(open(sys.argv[1], encoding="utf-8")); sys.exit(not d["categories"])' "$file"
}
# The PowerShell scripts first: they must not need the folder the task's recipe makes.
for name in detect remediate schtasks; do run_recipe $name; done

msiexec /x "$winmsi64" /qn
expect "the x64 MSI removes silently, its files with it" test ! -e "$install64/Purlo.exe"
all_entries >"$work/entries64-after"
expect "no Purlo entry is left" not grep -qE '^ +DisplayName +REG_SZ +Purlo$' "$work/entries64-after"

# --- one version source -----------------------------------------------------------
# res/version.h changed in a scratch copy of the sources: the new number must
# reach About's line, both manifests, the updater's command line and
# purlo-cli --version. Only what carries it is built: purlo-cli, Purlo's
# resources and the update check.
phase "a scratch build with another version"
scratch=$work/version-scratch
mkdir -p "$scratch/src"
tar -C "$PURLO_TOP" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$scratch/src" -xf -
sed -i -e 's/^#define PURLO_VERSION_MAJOR .*/#define PURLO_VERSION_MAJOR 9/' \
       -e 's/^#define PURLO_VERSION_MINOR .*/#define PURLO_VERSION_MINOR 87/' \
       -e 's/^#define PURLO_VERSION_TEXT .*/#define PURLO_VERSION_TEXT "9.87"/' "$scratch/src/res/version.h"
cmake -S "$scratch/src" -B "$scratch/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$scratch/src/cmake/mingw-x86_64.cmake" -DPURLO_TESTS=OFF >"$work/scratch.log" 2>&1 &&
  nice ninja -C "$scratch/build" bin/purlo-cli.exe ui/CMakeFiles/Purlo.dir/__/res/purlo.rc.res \
    ui/CMakeFiles/purlo_update_check.dir/UpdateCheck.cpp.obj >>"$work/scratch.log" 2>&1
scratch_status=$?
[ $scratch_status -eq 0 ] || tail -20 "$work/scratch.log"
expect "the scratch build with version 9.87 builds" [ $scratch_status -eq 0 ]
holds() {  # FILE TEXT [utf-16]: FILE holds TEXT (as UTF-16LE when asked)
  /usr/bin/python3 -c 'import sys; t = sys.argv[2].encode("utf-16-le" if sys.argv[3:] else "utf-8"); sys.exit(t not in open(sys.argv[1], "rb").read())' "$@"
}
resources=$scratch/build/ui/CMakeFiles/Purlo.dir/__/res/purlo.rc.res
expect "About's line reads 程序版本：V9.87" holds "$resources" $'Purlo\n程序版本：V9.87' utf-16
expect "Purlo's manifest reads 9.87.0.0" holds "$resources" 'assemblyIdentity version="9.87.0.0" processorArchitecture="*" name="Purlo"'
expect "purlo-cli's manifest reads 9.87.0.0" \
  holds "$scratch/build/bin/purlo-cli.exe" 'assemblyIdentity version="9.87.0.0" processorArchitecture="*" name="Purlo.Cli"'
expect "the updater is asked about v9.87" \
  holds "$scratch/build/ui/CMakeFiles/purlo_update_check.dir/UpdateCheck.cpp.obj" 'ovupdate.exe Q00000042 v9.87 ' utf-16
mkdir -p "$drive_c/scratch"
cp "$scratch/build/bin/purlo-cli.exe" "$drive_c/scratch/"
expect "its purlo-cli --version prints purlo-cli 9.87" \
  [ "$(wine 'C:\scratch\purlo-cli.exe' --version)" = "purlo-cli 9.87" ]
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
# What openssl and osslsigncode are called with, as another user would see it in ps.
shims=$work/shims
mkdir -p "$shims"
for tool in openssl osslsigncode; do
  printf '#!/bin/sh\necho "%s $*" >>"%s"\nexec %s "$@"\n' "$tool" "$work/command-lines" "$(command -v $tool)" >"$shims/$tool"
  chmod +x "$shims/$tool"
done
PURLO_DIST=$work/signed-wrong PURLO_SIGN_CERT=$keys/cert.p12 PURLO_SIGN_PASS=not-the-password \
  bash "$PURLO_TOP/scripts/package.sh" >"$work/sign-wrong.log" 2>&1
expect "a wrong PKCS#12 password fails the signing run" [ $? -ne 0 ]
expect "... saying so" grep -q "wrong password (PURLO_SIGN_PASS)" "$work/sign-wrong.log"
expect "... before anything is written" test ! -e "$work/signed-wrong"
for form in pem p12; do
  out=$work/signed-$form
  if [ $form = pem ]; then
    PURLO_DIST=$out PURLO_SIGN_CERT=$keys/cert.pem PURLO_SIGN_KEY=$keys/key.pem \
      bash "$PURLO_TOP/scripts/package.sh" >"$work/sign-$form.log" 2>&1
  else
    PATH=$shims:$PATH PURLO_DIST=$out PURLO_SIGN_CERT=$keys/cert.p12 PURLO_SIGN_PASS=throwaway \
      bash "$PURLO_TOP/scripts/package.sh" >"$work/sign-$form.log" 2>&1
  fi
  expect "package.sh signs ($form)" [ $? -eq 0 ]
  for name in win32 win64; do
    unzip -q -o "$out/Purlo-$version-$name.zip" Purlo.exe purlo-cli.exe -d "$out/unzipped-$name"
    expect "the $name zip's Purlo.exe carries a verified signature ($form)" signed_ok "$out/unzipped-$name/Purlo.exe"
    expect "the $name zip's purlo-cli.exe carries a verified signature ($form)" signed_ok "$out/unzipped-$name/purlo-cli.exe"
  done
  expect "the MSIs carry verified signatures ($form)" \
    bash -c "$(declare -f signed_ok); work='$work' keys='$keys'; signed_ok '$out/Purlo-$version.msi' && signed_ok '$out/Purlo-$version-x64.msi'"
  expect "SHA256SUMS matches the signed files ($form)" bash -c "cd '$out' && sha256sum --quiet -c SHA256SUMS"
done

expect "openssl and osslsigncode were run, the password on no command line" \
  bash -c "grep -q '^osslsigncode sign' '$work/command-lines' && grep -q '^openssl pkcs12' '$work/command-lines' &&
           ! grep -q -e throwaway -e not-the-password '$work/command-lines'"

echo "test-package: $checks checks, $failed failed, $((SECONDS - started)) s"
[ $failed -eq 0 ]
