#!/usr/bin/env bash
# Checks the packages the way a user meets them, in a fresh Wine prefix of its
# own (build/package-test/prefix):
#   - the 64-bit setup installs silently into a chosen folder: files, Start-menu
#     and desktop shortcuts, the Settings → Apps entry, the COM class created
#     by a script client, the program started from its shortcut;
#   - run again it upgrades in place, and into another folder it moves;
#   - its uninstaller leaves no file, shortcut or key of ours and keeps the
#     user's recordings and the notifier's settings;
#   - the 32-bit setup carries PE32 programs and registers the DLL in its
#     32-bit process; where this Wine runs 32-bit programs it is installed
#     and removed as well, and each build's setup refuses to install beside
#     the other;
#   - with a throwaway certificate every program in the packages is signed.
#
#   tests/package/package_test.sh [DIST]    (DIST: build/dist by default)
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# One suite at a time uses the display and the sound server. The lock is not
# handed down (-o): a wineserver started here outlives the script and would
# hold it for as long as any Wine program keeps that server running.
if [ -z "${ORVO_PACKAGE_TEST_LOCKED:-}" ]; then
    ORVO_PACKAGE_TEST_LOCKED=1 exec flock -o /tmp/orvo-test.lock "$0" "$@"
fi
source "$here/../../scripts/common.sh"
SECONDS=0

dist="$(realpath "${1:-$ORVO_BUILD/dist}")"
version_h="$ORVO_BUILD/x86_64/generated/orvo_version.h"
define() { sed -n "s/^#define $1 \"\{0,1\}\([^\"]*\)\"\{0,1\}\$/\1/p" "$version_h"; }
version="$(define ORVO_VERSION_TEXT)"
notifier_version="$(define ORVO_NOTIFIER_VERSION_MAJOR).$(define ORVO_NOTIFIER_VERSION_MINOR).$(define ORVO_NOTIFIER_VERSION_PATCH).$(define ORVO_NOTIFIER_VERSION_BUILD)"
file_version="$(define ORVO_VERSION_MAJOR).$(define ORVO_VERSION_MINOR).$(define ORVO_VERSION_PATCH).$(define ORVO_VERSION_TWEAK)"
publisher="$(define ORVO_COMPANY_NAME)"
payload=(OrvoRecord.exe readme.txt FAQ.txt OrvoVMNotify.dll vmminihome.htm libmp3lame-0.dll LAME-COPYING.txt FLAC-COPYING.txt)

work="$ORVO_BUILD/package-test"
rm -rf "$work"
mkdir -p "$work"
# The 64-bit prefix of this test alone, prepared as the suite's are.
ORVO_PREFIX="$work/prefix"
export WINEPREFIX="$ORVO_PREFIX"
export WINEDEBUG=-all
# No Mono or Gecko offline; no menu entries of the test's shortcuts on this machine.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
# Wine takes command-line arguments (the Chinese folder names) in the locale's encoding.
export LC_ALL=C.UTF-8
# The notice window loads the maker's page; a test must not leave the machine,
# and a lookup of that host where names cannot be resolved may take minutes.
# Wine's web client sends every request to this proxy, which nothing serves.
export http_proxy=http://127.0.0.1:9 https_proxy=http://127.0.0.1:9 no_proxy=
WINESERVER=/usr/lib/wine/wineserver
drive_c="$WINEPREFIX/drive_c"

passed=0
failed=0
ok() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
# check DESCRIPTION COMMAND...: one counted check.
check() {
    local what="$1"
    shift
    if "$@"; then ok; else fail "$what"; fi
}
pe32() { file -b "$1" | grep -q '^PE32 '; }
same() { [ "$1" = "$2" ] || { echo "  got '$1', wanted '$2'" >&2; return 1; }; }

# run_setup SETUP ARGS...: NSIS reads /D= only unquoted and last, and wine
# would quote a folder with spaces: the command line goes through cmd whole.
run_setup() {
    local setup="$1"
    shift
    (cd "$(dirname "$setup")" && "$WINE64" cmd /c "$(basename "$setup") $*")
}
reg() { python3 "$here/wine_registry.py" "$@"; }
settle() { "$WINESERVER" -w; }
snapshot() { settle; reg snapshot "$WINEPREFIX" >"$1"; }
unix_path() { # C:\a\b -> the prefix's file
    local p="${1#[Cc]:\\}"
    printf '%s/%s' "$drive_c" "${p//\\//}"
}
# link_names LNK C:\PATH: the shortcut's target is PATH. A shortcut holds its
# target as a list of folder items, each name in UTF-16; they must all be
# there, in order.
link_names() {
    python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
at = 0
for name in sys.argv[2].split("\\")[1:]:
    at = data.find(name.encode("utf-16-le"), at)
    if at < 0:
        sys.exit("%s: no %r in it" % (sys.argv[1], name))
PY
}

# A viewable top-level X window with this title, of a process of this
# program running in this test's prefix (the display is shared with the
# other suites).
window_of() {
    local id pid
    for id in $(xwininfo -root -tree 2>/dev/null | grep -iF "\"$1\": (\"$2\"" | awk '{print $1}'); do
        xwininfo -id "$id" 2>/dev/null | grep -q 'IsViewable' || continue
        pid="$(xprop -id "$id" _NET_WM_PID 2>/dev/null | sed -n 's/.* = //p')"
        [ -n "$pid" ] && tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
            { echo "$id"; return 0; }
    done
    return 1
}
wait_window() {
    local i
    for i in $(seq 60); do
        window_of "$1" "$2" >/dev/null && return 0
        sleep 0.5
    done
    return 1
}

uninstall_key_64='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\OrvoRecord'
uninstall_key_32='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\OrvoRecord'
clsid='{6BE70F48-A0A8-4C1A-A5BC-A655AF398EE9}'
# Everything that names our component or program in the registry.
cat >"$work/markers" <<'EOF'
6BE70F48-A0A8-4C1A-A5BC-A655AF398EE9
B7E81906-7908-4011-AD68-45FB2B6437B5
E3CD68A9-B322-4663-A6A3-38F7A9C51E02
OrvoVMNotify
Uninstall\OrvoRecord
OrvoRecord.exe
欧沃
EOF
# The notifier's settings belong to the user and must outlive the program.
settings_key='HKLM\Software\Orvo'
ours() { grep -aF -f "$work/markers" "$1" | grep -avF "$settings_key" || true; }

menu_dir="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/欧沃录音机"
desktop_link="$drive_c/users/Public/Desktop/欧沃录音机.lnk"

# The script client: creates the class by ProgID, calls Notify, prints the
# version of the file it is given, and keeps its process (and the window)
# alive until the hold file goes (Wine's script host has no WScript.Sleep).
printf '%s\r\n' \
    'Set fso = CreateObject("Scripting.FileSystemObject")' \
    'WScript.Echo fso.GetFileVersion(WScript.Arguments(1))' \
    'Set notifier = CreateObject("OrvoVMNotify.CNotify")' \
    'notifier.Notify "orvorecord", ""' \
    'Set notifier = Nothing' \
    'deadline = Timer + 30' \
    'Do While fso.FileExists(WScript.Arguments(0)) And Timer < deadline' \
    'Loop' >"$work/client.vbs"

# client_shows_window CSCRIPT FILE: the installed class opens the notice
# window; the client's output (client.out) is FILE's version.
client_shows_window() {
    local cscript="$1" file="$2"
    local hold="$work/client.hold"
    echo hold >"$hold"
    "$WINE64" "$cscript" //nologo "Z:${work//\//\\}\\client.vbs" "Z:${hold//\//\\}" "$file" >"$work/client.out" 2>&1 &
    local pid=$!
    local shown=0
    wait_window "维莫拉社区 - 通知链接" cscript.exe && shown=1
    rm -f "$hold"
    wait "$pid"
    [ "$shown" -eq 1 ] || { echo "  no notice window; the client said: $(cat "$work/client.out")" >&2; return 1; }
}
client_said() { tr -d '\r' <"$work/client.out" | head -1; }

# program_starts WHAT: the installed program, started from WHAT (its path or
# a shortcut), comes up in its main window.
program_starts() {
    "$WINE64" start "$1" >/dev/null 2>&1
    local shown=0
    wait_window "欧沃录音机" orvorecord.exe && shown=1
    "$WINE64" taskkill /f /im OrvoRecord.exe >/dev/null 2>&1
    settle
    [ "$shown" -eq 1 ]
}

# installed_as BITS WINDIR BINDIR: everything a setup run should leave.
installed_as() {
    local bits="$1" windir="$2" bin="$3"
    local dir key classes display_name f
    dir="$(unix_path "$windir")"
    if [ "$bits" = 64 ]; then
        key="$uninstall_key_64" classes='HKLM\Software\Classes' display_name="欧沃录音机 (64位)"
    else
        key="$uninstall_key_32" classes='HKLM\Software\Classes\Wow6432Node' display_name="欧沃录音机"
    fi
    check "$bits-bit: the folder holds exactly the program's files" \
        same "$(cd "$dir" && ls | sort | tr '\n' ' ')" "$(printf '%s\n' "${payload[@]}" uninstall.exe | sort | tr '\n' ' ')"
    for f in "${payload[@]}"; do
        check "$bits-bit: $f is the build's" cmp -s "$dir/$f" "$bin/$f"
    done
    check "$bits-bit: the Start-menu folder has its three shortcuts" \
        same "$(cd "$menu_dir" 2>/dev/null && ls | sort | tr '\n' ' ')" "使用说明.lnk 卸载欧沃录音机.lnk 欧沃录音机.lnk "
    check "$bits-bit: 使用说明 opens the installed readme" link_names "$menu_dir/使用说明.lnk" "$windir\\readme.txt"
    check "$bits-bit: 卸载欧沃录音机 runs the installed uninstaller" link_names "$menu_dir/卸载欧沃录音机.lnk" "$windir\\uninstall.exe"
    check "$bits-bit: the desktop shortcut starts the installed program" link_names "$desktop_link" "$windir\\OrvoRecord.exe"

    local size_kb
    size_kb=$(du -sk --apparent-size "$dir" | cut -f1)
    check "$bits-bit: DisplayName" same "$(reg get "$WINEPREFIX" "$key" DisplayName)" "$display_name"
    check "$bits-bit: DisplayVersion" same "$(reg get "$WINEPREFIX" "$key" DisplayVersion)" "$version"
    check "$bits-bit: Publisher" same "$(reg get "$WINEPREFIX" "$key" Publisher)" "$publisher"
    check "$bits-bit: DisplayIcon" same "$(reg get "$WINEPREFIX" "$key" DisplayIcon)" "$windir\\OrvoRecord.exe,0"
    check "$bits-bit: InstallLocation" same "$(reg get "$WINEPREFIX" "$key" InstallLocation)" "$windir"
    check "$bits-bit: UninstallString" same "$(reg get "$WINEPREFIX" "$key" UninstallString)" "\"$windir\\uninstall.exe\""
    check "$bits-bit: QuietUninstallString" \
        same "$(reg get "$WINEPREFIX" "$key" QuietUninstallString)" "\"$windir\\uninstall.exe\" /S"
    local estimated
    estimated="$(reg get "$WINEPREFIX" "$key" EstimatedSize)"
    check "$bits-bit: EstimatedSize ($estimated KB) is the folder's size ($size_kb KB)" \
        test "${estimated:-0}" -ge $((size_kb * 9 / 10)) -a "${estimated:-0}" -le $((size_kb * 11 / 10 + 8))
    check "$bits-bit: NoModify" same "$(reg get "$WINEPREFIX" "$key" NoModify)" 1
    check "$bits-bit: NoRepair" same "$(reg get "$WINEPREFIX" "$key" NoRepair)" 1
    check "$bits-bit: the class's server is the installed DLL" \
        same "$(reg get "$WINEPREFIX" "$classes\\CLSID\\$clsid\\InprocServer32" @)" "$windir\\OrvoVMNotify.dll"
}

# Leftovers after a removal: keys and values of ours the snapshot still has.
nothing_of_ours_in() {
    local left
    left="$(ours "$1")"
    [ -z "$left" ] || { echo "  left behind:" >&2; echo "$left" | head -20 | sed 's/^/    /' >&2; return 1; }
}
# The removal undid every key and value that the setup run had added (bar
# the ones Wine keeps up to date by itself).
install_undone() {
    local before="$1" installed="$2" after="$3" left
    left="$(comm -12 <(comm -13 "$before" "$installed") "$after" | grep -avE "$wine_own" | grep -avF "$settings_key" || true)"
    [ -z "$left" ] || { echo "  still there:" >&2; echo "$left" | head -20 | sed 's/^/    /' >&2; return 1; }
}
# Wine keeps these up to date by itself whenever a program asks for a folder,
# a font or a device; they are not the setup's.
wine_own='^HK(LM|CU)\\(Software\\Wine\\|Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\(Shell Folders|User Shell Folders)|System\\|Software\\Microsoft\\Windows NT\\CurrentVersion\\(Fonts|FontSubstitutes)|Software\\Microsoft\\Cryptography\\)'

# ---------------------------------------------------------------------------
orvo_log "package test: a fresh Wine prefix in $WINEPREFIX"
orvo_start_display
orvo_start_sound
orvo_prepare_wine >/dev/null 2>&1
# A crash must fail the step, not end it quietly.
"$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d "" /f >/dev/null 2>&1
settle

x64_setup="$dist/OrvoRecord-$version-setup-x64.exe"
x86_setup="$dist/OrvoRecord-$version-setup-x86.exe"
check "both setup programs are there" test -f "$x64_setup" -a -f "$x86_setup"

# --- 64-bit: install into a chosen folder ----------------------------------
orvo_log "package test: 64-bit install"
snapshot "$work/reg-before"
dir_win='C:\Program Files\欧沃 录音'
run_setup "$x64_setup" /S /DESKTOP "/D=$dir_win"
check "64-bit: silent setup exits 0" test $? -eq 0
snapshot "$work/reg-installed"
installed_as 64 "$dir_win" "$ORVO_BUILD/x86_64/bin"
check "64-bit: no entry in the 32-bit view" test -z "$(reg get "$WINEPREFIX" "$uninstall_key_32" DisplayName)"
check "64-bit: a script client creates OrvoVMNotify.CNotify and Notify shows its window" \
    client_shows_window cscript.exe "$dir_win\\OrvoRecord.exe"
check "64-bit: the installed program's file version is the build's" same "$(client_said)" "$file_version"
check "64-bit: the installed program starts into its main window" program_starts "$dir_win\\OrvoRecord.exe"

# --- the same setup again: an upgrade in place -----------------------------
orvo_log "package test: 64-bit upgrade in place"
dir="$(unix_path "$dir_win")"
echo "damaged" >"$dir/readme.txt"
run_setup "$x64_setup" /S
check "upgrade: silent setup exits 0" test $? -eq 0
snapshot "$work/reg-upgraded"
installed_as 64 "$dir_win" "$ORVO_BUILD/x86_64/bin"
check "upgrade: the registry holds the same keys of ours as after the first install" \
    diff <(ours "$work/reg-installed" | grep -v EstimatedSize) <(ours "$work/reg-upgraded" | grep -v EstimatedSize)
check "upgrade: still working" client_shows_window cscript.exe "$dir_win\\OrvoVMNotify.dll"
check "upgrade: the DLL's file version is the notifier's" same "$(client_said)" "$notifier_version"

# --- into another folder: the old one goes ---------------------------------
orvo_log "package test: 64-bit install into another folder"
# Wine resolves a shortcut through its ANSI path, which cannot spell a
# Chinese folder here: the shortcut is started where the folder is ASCII.
moved_win='C:\Orvo Apps\Recorder'
run_setup "$x64_setup" /S /DESKTOP "/D=$moved_win"
check "move: silent setup exits 0" test $? -eq 0
settle
check "move: the old folder is gone" test ! -e "$dir"
installed_as 64 "$moved_win" "$ORVO_BUILD/x86_64/bin"
snapshot "$work/reg-moved"
check "move: the Start-menu shortcut starts the program" \
    program_starts "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\欧沃录音机\\欧沃录音机.lnk"
check "move: nothing names the old folder" test -z "$(grep -aF "$dir_win" "$work/reg-moved")"

# --- the 32-bit setup beside it: refused (where 32-bit programs run) -------
run32=0
if [ -x /usr/lib/wine/wine ] && [ -d "$drive_c/windows/syswow64" ]; then
    "$WINE64" 'C:\windows\syswow64\cmd.exe' /c exit 7 >/dev/null 2>&1
    [ $? -eq 7 ] && run32=1
fi
if [ "$run32" -eq 1 ]; then
    orvo_log "package test: the 32-bit setup beside the 64-bit build"
    run_setup "$x86_setup" /S
    check "32-bit setup refuses while the 64-bit build is installed" test $? -ne 0
    settle
    check "the refused setup wrote nothing" test ! -e "$drive_c/Program Files (x86)/OrvoRecord"
else
    echo "SKIPPED: this Wine runs no 32-bit programs; the 32-bit setup is checked by its contents only"
fi

# --- remove it -------------------------------------------------------------
orvo_log "package test: 64-bit removal"
local_app_data="$("$WINE64" cmd /c echo %LOCALAPPDATA% | tr -d '\r')"
recording="$(unix_path "$local_app_data")/OrvoRecord/Recovery/未保存的录音 1.wav"
mkdir -p "$(dirname "$recording")"
head -c 4096 /dev/urandom >"$recording"
cp "$recording" "$work/recording.copy"
"$WINE64" reg add 'HKLM\Software\Orvo\OrvoNotify' /v OrvoSoftDesc /d "欧沃用户" /f >/dev/null 2>&1
moved="$(unix_path "$moved_win")"
echo "mine" >"$moved/我的笔记.txt"
quiet="$(reg get "$WINEPREFIX" "$uninstall_key_64" QuietUninstallString)"
uninstaller="${quiet%\" /S}"
uninstaller="${uninstaller#\"}"
"$WINE64" "$uninstaller" /S
check "uninstall: exits 0" test $? -eq 0
snapshot "$work/reg-removed"
check "uninstall: only the user's own file is left in the folder" same "$(ls "$moved")" "我的笔记.txt"
check "uninstall: the Start-menu folder is gone" test ! -e "$menu_dir"
check "uninstall: the desktop shortcut is gone" test ! -e "$desktop_link"
check "uninstall: no key or value of ours is left" nothing_of_ours_in "$work/reg-removed"
check "uninstall: every key the setups added is gone" install_undone "$work/reg-before" "$work/reg-installed" "$work/reg-removed"
check "uninstall: the user's recording is untouched" cmp -s "$recording" "$work/recording.copy"
check "uninstall: the notifier's settings are kept" \
    same "$(reg get "$WINEPREFIX" 'HKLM\Software\Orvo\OrvoNotify' OrvoSoftDesc)" "欧沃用户"

# --- the 32-bit package -----------------------------------------------------
orvo_log "package test: the 32-bit package"
x86_dir="$work/x86-contents"
mkdir -p "$x86_dir"
check "32-bit: the setup program is PE32" pe32 "$x86_setup"
check "32-bit: 7z lists exactly the program's files and the uninstaller" \
    same "$(7z l -ba -slt "$x86_setup" | sed -n 's/^Path = //p' | grep -v '^\$PLUGINSDIR' | sort | tr '\n' ' ')" \
    "$(printf '%s\n' "${payload[@]}" uninstall.exe | sort | tr '\n' ' ')"
7z x -y -o"$x86_dir" "$x86_setup" >/dev/null
for f in OrvoRecord.exe OrvoVMNotify.dll uninstall.exe; do
    check "32-bit: $f in the setup is PE32" pe32 "$x86_dir/$f"
done
for f in "${payload[@]}"; do
    check "32-bit: $f in the setup is the 32-bit build's" cmp -s "$x86_dir/$f" "$ORVO_BUILD/i686/bin/$f"
done
check "32-bit: the setup registers the DLL (in its own 32-bit process)" \
    python3 "$here/nsis_header.py" "$x86_setup" DllRegisterServer '\OrvoVMNotify.dll' 'Uninstall\OrvoRecord'
check "32-bit: the uninstaller unregisters it" \
    python3 "$here/nsis_header.py" "$x86_dir/uninstall.exe" DllUnregisterServer '\OrvoVMNotify.dll' 'Uninstall\OrvoRecord'

if [ "$run32" -eq 1 ]; then
    orvo_log "package test: 32-bit install and removal"
    snapshot "$work/reg-before-32"
    run_setup "$x86_setup" /S /DESKTOP
    check "32-bit: silent setup exits 0" test $? -eq 0
    snapshot "$work/reg-installed-32"
    x86_win='C:\Program Files (x86)\OrvoRecord'
    installed_as 32 "$x86_win" "$ORVO_BUILD/i686/bin"
    check "32-bit: no entry in the 64-bit view" test -z "$(reg get "$WINEPREFIX" "$uninstall_key_64" DisplayName)"
    run_setup "$x64_setup" /S
    check "the 64-bit setup refuses while the 32-bit build is installed" test $? -ne 0
    settle
    check "the refused 64-bit setup wrote nothing" test ! -e "$drive_c/Program Files/OrvoRecord"
    check "32-bit: a 32-bit script client creates the class and Notify shows its window" \
        client_shows_window 'C:\windows\syswow64\cscript.exe' "$x86_win\\OrvoVMNotify.dll"
    "$WINE64" "$(unix_path "$x86_win")/uninstall.exe" /S
    check "32-bit: uninstall exits 0" test $? -eq 0
    snapshot "$work/reg-removed-32"
    check "32-bit: the folder is gone" test ! -e "$(unix_path "$x86_win")"
    check "32-bit: the shortcuts are gone" test ! -e "$menu_dir" -a ! -e "$desktop_link"
    check "32-bit: no key or value of ours is left" nothing_of_ours_in "$work/reg-removed-32"
    check "32-bit: every key the setup added is gone" \
        install_undone "$work/reg-before-32" "$work/reg-installed-32" "$work/reg-removed-32"
fi
"$WINESERVER" -k 2>/dev/null

# --- signing ----------------------------------------------------------------
orvo_log "package test: signing with a throwaway certificate"
certs="$work/certs"
mkdir -p "$certs"
(
    cd "$certs" || exit 1
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Orvo Test Root" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign \
        -keyout ca.key -out ca.pem &&
        openssl req -newkey rsa:2048 -nodes -subj "/CN=Orvo Test Signing" -keyout sign.key -out sign.csr &&
        printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >sign.ext &&
        openssl x509 -req -in sign.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile sign.ext -out sign.pem &&
        openssl pkcs12 -export -inkey sign.key -in sign.pem -certfile ca.pem -passout pass:test-pass -out sign.pfx
) >"$work/openssl.log" 2>&1
check "a throwaway certificate is made" test -s "$certs/sign.pfx"
ORVO_SIGN_PFX="$certs/sign.pfx" ORVO_SIGN_PASSWORD=test-pass \
    "$ORVO_ROOT/scripts/package.sh" --no-build --no-test --out "$work/signed" >"$work/signed.log" 2>&1
check "packages are made with the certificate" test $? -eq 0
verify() { osslsigncode verify -CAfile "$certs/ca.pem" -in "$1" >"$work/verify.log" 2>&1 || { cat "$work/verify.log" >&2; return 1; }; }
unsigned() { ! osslsigncode extract-signature -in "$1" -out "$work/none.sig" >/dev/null 2>&1; }
signed_dir="$work/signed-contents"
for arch in x86 x64; do
    mkdir -p "$signed_dir/$arch"
    check "signed: the $arch setup program verifies" verify "$work/signed/OrvoRecord-$version-setup-$arch.exe"
    7z x -y -o"$signed_dir/$arch/setup" "$work/signed/OrvoRecord-$version-setup-$arch.exe" >/dev/null
    7z x -y -o"$signed_dir/$arch/zip" "$work/signed/OrvoRecord-$version-$arch.zip" >/dev/null
    for f in OrvoRecord.exe OrvoVMNotify.dll uninstall.exe; do
        check "signed: $f in the $arch setup verifies" verify "$signed_dir/$arch/setup/$f"
    done
    for f in OrvoRecord.exe OrvoVMNotify.dll; do
        check "signed: $f in the $arch zip verifies" verify "$signed_dir/$arch/zip/OrvoRecord-$version-$arch/$f"
    done
    check "unsigned: the $arch setup of the plain run carries no signature" unsigned "$dist/OrvoRecord-$version-setup-$arch.exe"
done

echo "package test: ${SECONDS}s"
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
