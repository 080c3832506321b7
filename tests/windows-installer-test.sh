#!/usr/bin/env bash
# Builds the Windows installer and zip and checks them under Wine as a user's machine would meet
# them: the zip holds the programs alone; a silent install into a fresh Wine prefix puts them in
# Program Files, where the batch command turns the sample project into the checked-in bytes; the
# window gets its Start menu entry and opens old projects, without taking .vlp from a program that
# already opens it; a silent uninstall leaves nothing behind.
#   windows-installer-test.sh BUILD_DIR SOURCE_DIR WINDOW   (WINDOW: 1 when the window is built)
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
window=$3
fail() {
  echo "windows-installer-test: $*" >&2
  exit 1
}
# Exit code 77 makes ctest report the test as skipped.
skip() {
  echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  echo "!! windows-installer-test: $*: the Windows installer was NOT tested." >&2
  echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!" >&2
  exit 77
}

command -v makensis >/dev/null || skip "makensis is missing (scripts/install-deps installs nsis)"
scratch=$(mktemp -d)
export WINEPREFIX=$scratch/wine
wineserver=$(command -v wineserver64 || echo /usr/lib/wine/wineserver64)
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
wine() {
  "$source/scripts/wine-run" "$@"
}
wine cmd /c exit 0 >/dev/null 2>&1 || skip "Wine does not run Windows programs here"

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" ||
  fail "cpack failed: $(cat "$scratch/cpack.log")"
setup=$scratch/out/vlp5tovxp-setup.exe
[[ -f $setup ]] || fail "no vlp5tovxp-setup.exe: $(ls "$scratch/out")"
zips=("$scratch"/out/*.zip)
[[ ${#zips[@]} -eq 1 && -f ${zips[0]} ]] || fail "expected one zip, got: ${zips[*]}"

programs=(vlp5tovxp-cli.exe)
[[ $window == 1 ]] && programs+=(vlp5tovxp.exe)
expected=$(printf 'bin/%s\n' "${programs[@]}" | sort)
zipped=$(cmake -E tar tf "${zips[0]}" | sed 's|^[^/]*/||' | grep -v '/$' | sort)
[[ $zipped == "$expected" ]] || fail "the zip holds: $zipped"

installed=$WINEPREFIX/drive_c/Program\ Files/Vlp5ToVXP
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vlp5ToVXP'
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Vlp5ToVXP
# Each program the installer starts ends before the checks look at what it did; the uninstaller
# copies itself away and starts the copy.
run_to_end() {
  wine "$@"
  "$wineserver" -w
}
# The default value of a registry key, or nothing when the key or value is missing.
default_value() {
  wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'
}

install() {
  run_to_end "$setup" /S || fail "the installer failed"
  installed_files=$(cd "$installed" && find . -type f | sed 's|^\./||' | sort)
  [[ $installed_files == "$(printf '%s\nUninstall.exe' "$expected" | sort)" ]] ||
    fail "installed: $installed_files"
  wine reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1 ||
    fail "the uninstaller is not registered"
}

uninstall() {
  run_to_end 'C:\Program Files\Vlp5ToVXP\Uninstall.exe' /S || fail "the uninstaller failed"
  [[ ! -e $installed ]] || fail "left behind: $(find "$installed")"
  [[ ! -e $menu ]] || fail "the Start menu keeps: $(find "$menu")"
  [[ -z $(default_value 'HKCR\Vlp5ToVXP.vlp') ]] || fail "the .vlp class stays registered"
  ! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstaller stays registered"
  ! wine reg query 'HKLM\Software\Vlp5ToVXP' >/dev/null 2>&1 || fail "HKLM\Software\Vlp5ToVXP stays"
}

install

# The installed command converts like the built one; the new project names the old one by the
# absolute path, and the fixture was made with demo.vlp.
work=$WINEPREFIX/drive_c/work
mkdir "$work"
cp "$source/examples/demo.vlp" "$work/"
(cd "$work" && wine 'C:\Program Files\Vlp5ToVXP\bin\vlp5tovxp-cli.exe' -q demo.vlp) ||
  fail "the installed command failed"
sed 's|&quot;C:\\work\\demo.vlp&quot;|\&quot;demo.vlp\&quot;|' "$work/demo.vlp_converted.vxp" \
  >"$work/relative.vxp"
cmp "$work/relative.vxp" "$source/tests/data/demo.vlp_converted.vxp" ||
  fail "the installed command wrote other bytes than the fixture"

if [[ $window != 1 ]]; then
  [[ -z $(default_value 'HKCR\Vlp5ToVXP.vlp') ]] || fail "old projects open in a window not built"
  uninstall
  echo "windows-installer-test: the batch command installs, converts and uninstalls (no window built)"
  exit 0
fi

[[ -f $menu/Vlp5ToVXP.lnk ]] || fail "no Start menu entry for the window"
grep -aq 'vlp5tovxp\.exe' "$menu/Vlp5ToVXP.lnk" || fail "the Start menu entry starts another program"
class='HKCR\Vlp5ToVXP.vlp'
[[ $(default_value 'HKCR\.vlp') == Vlp5ToVXP.vlp ]] || fail ".vlp does not open in the window"
# "open" is what a double click and "start demo.vlp" ask for.
[[ $(default_value "$class\\shell") == open ]] || fail "open is not the default verb"
[[ $(default_value "$class\\shell\\open") == "Convert with Vlp5ToVXP" ]] ||
  fail "the verb reads: $(default_value "$class\\shell\\open")"
[[ $(default_value "$class\\shell\\open\\command") == \
  '"C:\Program Files\Vlp5ToVXP\bin\vlp5tovxp.exe" "%1"' ]] ||
  fail "the verb runs: $(default_value "$class\\shell\\open\\command")"
# A selection of more than 15 projects still gets the verb.
wine reg query "$class\\shell\\open" /v MultiSelectModel 2>/dev/null | grep -q 'REG_SZ *Player' ||
  fail "the verb is not offered for a large selection"
uninstall
! wine reg query "$class" >/dev/null 2>&1 || fail "the .vlp class key stays"
[[ -z $(default_value 'HKCR\.vlp') ]] || fail ".vlp stays with the uninstalled window"

# A .vlp that another program opens stays with it; the window is offered beside it.
wine reg add 'HKLM\Software\Classes\.vlp' /ve /d Other.vlp /f >/dev/null 2>&1
install
[[ $(default_value 'HKCR\.vlp') == Other.vlp ]] || fail "the installer took .vlp from its program"
wine reg query 'HKCR\.vlp\OpenWithProgids' /v Vlp5ToVXP.vlp >/dev/null 2>&1 ||
  fail "the window is not offered for .vlp"
uninstall
[[ $(default_value 'HKCR\.vlp') == Other.vlp ]] || fail "the uninstaller took .vlp from its program"
echo "windows-installer-test: the programs install, convert, open old projects and uninstall"
