# Shared by the run and test scripts: installs what is missing, builds, and
# brings up the virtual display, the virtual sound devices and the Wine prefix
# the programs run in. Source it; do not run it.

ORVO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ORVO_BUILD="${ORVO_BUILD:-$ORVO_ROOT/build}"
# Two prefixes of the project's own: the 64-bit programs run in a win64 one,
# the 32-bit release in a win32 one (the 32-bit loader refuses a 64-bit
# prefix). A WINEPREFIX the user had set is left alone: preparing a prefix
# changes its sound driver, fonts and crash debugger, which is nothing to do
# to somebody's own. ORVO_PREFIX and ORVO_PREFIX32 choose other folders.
ORVO_PREFIX="${ORVO_PREFIX:-$HOME/.wine-orvo}"
ORVO_PREFIX32="${ORVO_PREFIX32:-$HOME/.wine-orvo32}"
if [ -n "${WINEPREFIX:-}" ] && [ "$WINEPREFIX" != "$ORVO_PREFIX" ]; then
    printf '== WINEPREFIX=%s is left alone; the programs run in %s (ORVO_PREFIX chooses another)\n' \
        "$WINEPREFIX" "$ORVO_PREFIX" >&2
fi
export WINEPREFIX="$ORVO_PREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko can be had offline; stop Wine from asking for them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine

# Wine reads media files for Media Foundation through GStreamer; its WAV
# parser is in the "good" plugin set. The 32-bit Wine loads its sound and
# media plugins from the i386 library folders, so they come twice. The
# packages are made with NSIS (setup programs), 7-Zip (zips; it also reads the
# setup programs back in the tests), osslsigncode and openssl (signatures).
# dpkg-dev fetches the encoders' source packages (scripts/build_codecs.sh);
# mpg123 and flac decode what the recorder encodes, in the tests.
ORVO_PACKAGES="g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libwine-dev wine64 wine xvfb \
pulseaudio pulseaudio-utils libasound2-plugins alsa-utils sox googletest cmake make imagemagick fonts-noto-cjk \
x11-utils openbox file gstreamer1.0-plugins-base gstreamer1.0-plugins-good \
nsis p7zip-full osslsigncode openssl python3 \
dpkg-dev mpg123 flac clang-14 libclang-rt-14-dev"
ORVO_PACKAGES_I386="wine32:i386 libasound2-plugins:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386"

orvo_log() { printf '== %s\n' "$*" >&2; }

source "$ORVO_ROOT/scripts/build_codecs.sh"

# A mirror being synced hands out package lists of the wrong size for a few
# minutes; apt-get update then fails though nothing is wrong here. Ask again
# with growing pauses; if it still fails, go on with what did arrive and let
# the install say whether anything needed is missing.
orvo_apt_update() {
    local attempt
    for attempt in 1 2 3; do
        "$@" apt-get update -q && return 0
        [ "$attempt" -lt 3 ] || break
        orvo_log "apt-get update failed (attempt $attempt); asking again in $((attempt * 15)) s"
        sleep $((attempt * 15))
    done
    orvo_log "apt-get update kept failing; installing from the lists that did arrive"
}

orvo_install_deps() {
    local missing=()
    for p in $ORVO_PACKAGES $ORVO_PACKAGES_I386; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    orvo_log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    # The 32-bit Wine and its plugins are i386 packages.
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    orvo_apt_update $sudo
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" && return 0
    orvo_log "the install failed; trying once more from the main suites alone"
    orvo_install_from_main_suites $sudo "${missing[@]}"
}

# A mirror half-synced for one architecture (seen: the security suite's i386
# list served at the wrong size) leaves the 64-bit and 32-bit versions of a
# shared library apart, and then no 32-bit package installs. The main suites
# carry both architectures at one version, so the install is tried again
# from them alone, through list folders of its own: the machine's apt lists
# and sources are not changed.
orvo_install_from_main_suites() {
    local sudo=""
    [ "${1:-}" = sudo ] && { sudo=sudo; shift; }
    local apt f
    apt="$(mktemp -d)"
    mkdir -p "$apt/lists/partial" "$apt/parts"
    : >"$apt/list"
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && awk 'BEGIN { RS = ""; ORS = "\n\n" } !/Suites:[^\n]*-security/' "$f" >"$apt/parts/${f##*/}"
    done
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$f" ] && grep -v -- '-security' "$f" >>"$apt/list"
    done
    local options=(-o Dir::State::Lists="$apt/lists" -o Dir::Etc::SourceList="$apt/list"
        -o Dir::Etc::SourceParts="$apt/parts" -o APT::Sandbox::User=root)
    $sudo apt-get update -q "${options[@]}" || true
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${options[@]}" "$@"
    local rc=$?
    $sudo rm -rf "$apt"
    return $rc
}

# Usage: orvo_build [ARCH [TARGET...]]
# With no arguments builds everything of both architectures (the tests and
# the packages need it all); with an architecture, only that one; with
# targets too, only those targets of it and what they depend on.
orvo_build() {
    local archs=(x86_64 i686) targets=() arch
    if [ $# -gt 0 ]; then archs=("$1"); shift; targets=("$@"); fi
    # The encoders first, both architectures side by side; cached after once.
    orvo_build_codecs "${archs[@]}" || return 1
    for arch in "${archs[@]}"; do
        orvo_log "building $arch${targets[*]:+ (${targets[*]})}"
        # Each build's tests name the prefix they run in.
        local prefix=(-DORVO_TEST_PREFIX="$ORVO_PREFIX")
        [ "$arch" = i686 ] && prefix=(-DORVO_WINE32_PREFIX="$ORVO_PREFIX32")
        cmake -S "$ORVO_ROOT" -B "$ORVO_BUILD/$arch" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$ORVO_ROOT/cmake/toolchain-mingw-$arch.cmake" "${prefix[@]}" \
            -DORVO_CODECS="$ORVO_CODECS" >/dev/null
        cmake --build "$ORVO_BUILD/$arch" -j"$(nproc)" ${targets[@]:+--target "${targets[@]}"} || return 1
    done
}

# A virtual display unless a working one is already there. The virtual one
# gets a window manager, as every user's desktop has: without one, Wine waits
# 2 s for a manager to confirm each hidden window and draws no frames. A
# user's own display is left as it is.
orvo_start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    export DISPLAY=:${ORVO_DISPLAY_NUMBER:-97}
    if ! xdpyinfo >/dev/null 2>&1; then orvo_start_xvfb || return 1; fi
    orvo_start_window_manager
}

# Where the virtual display and its manager write what they say: shown when
# they fail to come up, since nothing else would tell why.
orvo_display_log() { printf '%s/orvo-%s-%s.log' "${TMPDIR:-/tmp}" "$1" "${DISPLAY#:}"; }

# Usage: orvo_wait_for SECONDS PID COMMAND...
# Runs COMMAND until it succeeds; fails when PID has ended or time is up.
orvo_wait_for() {
    local tries=$(($1 * 5)) pid="$2"
    shift 2
    while [ "$tries" -gt 0 ]; do
        "$@" >/dev/null 2>&1 && return 0
        kill -0 "$pid" 2>/dev/null || { "$@" >/dev/null 2>&1; return; }
        sleep 0.2
        tries=$((tries - 1))
    done
    return 1
}

# Usage: orvo_try_start NAME CHECK COMMAND...
# Starts COMMAND in the background and waits up to 30 s for CHECK to pass;
# when it does not, shows what COMMAND printed and ends it.
orvo_try_start() {
    local name="$1" check="$2" log pid
    shift 2
    log=$(orvo_display_log "$name")
    orvo_log "starting $name on $DISPLAY"
    "$@" >"$log" 2>&1 </dev/null &
    pid=$!
    orvo_wait_for 30 "$pid" "$check" && return 0
    orvo_log "$name did not start on $DISPLAY:"
    tail -n 20 "$log" 2>/dev/null | sed 's/^/   | /' >&2
    kill "$pid" 2>/dev/null || true
    return 1
}

# Xvfb on the chosen number or, if a server that does not answer holds it
# (an earlier run's, say), on one of the next few. Without -noreset the
# server starts over each time its last client leaves: the check that it
# answers is such a client, and a manager connecting during that reset is
# turned away and ends.
orvo_start_xvfb() {
    local first="${DISPLAY#:}" number
    for number in $(seq "$first" $((first + 4))); do
        # Past the chosen one, a number a live server holds is not tried:
        # that server might answer and be taken for ours.
        if [ "$number" != "$first" ] && [ -f "/tmp/.X$number-lock" ] &&
            kill -0 "$(tr -dc 0-9 <"/tmp/.X$number-lock")" 2>/dev/null; then continue; fi
        export DISPLAY=":$number"
        orvo_try_start Xvfb xdpyinfo Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp -noreset && return 0
    done
    return 1
}

# A manager runs when the window the root names as its check window is there
# and names itself: a manager that ended leaves the root's property behind.
orvo_window_manager_running() {
    local id
    id=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-fA-F]*') || return 1
    xprop -id "$id" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "$id"
}

# Openbox, twice if need be. Without any manager the programs still work,
# only slower, so that is told and the run goes on.
orvo_start_window_manager() {
    orvo_window_manager_running && return 0
    local attempt
    for attempt in 1 2; do
        orvo_try_start openbox orvo_window_manager_running openbox --sm-disable && return 0
    done
    orvo_log "going on without a window manager: each hidden window will make Wine wait 2 s"
}

# A PulseAudio server with a null sink and a 440 Hz sine source as the
# default source: real recording and playback without sound hardware.
orvo_start_sound() {
    if ! pactl info >/dev/null 2>&1; then
        orvo_log "starting PulseAudio with virtual devices"
        pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
            --load="module-null-sink sink_name=nul" \
            --load="module-sine-source frequency=440 source_name=sine" \
            --load=module-native-protocol-unix >/dev/null 2>&1 || true
        for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.2; done
    fi
    pactl list short sources 2>/dev/null | grep -q sine ||
        pactl load-module module-sine-source frequency=440 source_name=sine >/dev/null
    pactl list short sinks 2>/dev/null | grep -q nul ||
        pactl load-module module-null-sink sink_name=nul >/dev/null
    # A second null sink of its own for the scripted microphone: a tone played
    # into it reaches nothing but its monitor, whatever else plays into nul.
    pactl list short sinks 2>/dev/null | grep -qw mic2 ||
        pactl load-module module-null-sink sink_name=mic2 >/dev/null
    pactl set-default-source sine
    pactl set-default-sink nul
    # Wine's ALSA driver through the PulseAudio plugin records in real time.
    if ! grep -qs 'type pulse' "$HOME/.asoundrc"; then
        printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"
    fi
    # Two more inputs, named to Wine in each prefix (ALSAInputDevices): what
    # the computer plays (the default output's monitor) and the scripted
    # microphone. A file from before without them gets them added.
    grep -qs '^pcm\.monitor ' "$HOME/.asoundrc" ||
        printf 'pcm.monitor { type pulse device nul.monitor }\n' >>"$HOME/.asoundrc"
    grep -qs '^pcm\.mic2 ' "$HOME/.asoundrc" ||
        printf 'pcm.mic2 { type pulse device mic2.monitor }\n' >>"$HOME/.asoundrc"
}

# Prepares one prefix: ALSA audio (through the PulseAudio plugin), CJK font
# substitutes, and no debugger on a crash. Wine's debugger otherwise catches a
# crashing program and lets the process end with exit code 0, which would
# count a test program that crashed as passed.
# Usage: orvo_prepare_prefix LOADER PREFIX win64|win32
orvo_prepare_prefix() {
    local loader="$1" prefix="$2" arch="$3"
    local stamp="$prefix/.orvo-prepared-4"
    [ -f "$stamp" ] && return 0
    orvo_log "preparing the Wine prefix $prefix ($arch)"
    (
        export WINEPREFIX="$prefix" WINEARCH="$arch"
        "$loader" wineboot -i >/dev/null 2>&1 || true
        "$loader" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
        # Wine's ALSA driver lists "default" and the cards; the ALSA PCMs of
        # orvo_start_sound only when named here ("In: monitor", "In: mic2").
        "$loader" reg add 'HKCU\Software\Wine\Drivers\winealsa.drv' /v ALSAInputDevices /t REG_MULTI_SZ \
            /d 'monitor\0mic2' /f >/dev/null 2>&1
        # Controls using the default GUI fonts draw CJK text only with substitutes.
        local reg="$prefix/orvo-prefix.reg"
        printf '\xff\xfe' >"$reg"
        {
            printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
            for f in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "SimSun" "宋体" "Microsoft YaHei" "微软雅黑" "NSimSun"; do
                printf '"%s"="Noto Sans CJK SC"\r\n' "$f"
            done
            printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]\r\n"Debugger"=""\r\n'
        } | iconv -f UTF-8 -t UTF-16LE >>"$reg"
        "$loader" regedit /S "$reg" >/dev/null 2>&1 || "$loader" regedit "$reg" >/dev/null 2>&1 || true
        # Without that value a crash passes: better no prefix than that one.
        "$loader" reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger 2>/dev/null |
            tr -d '\r' | grep -Eq '^ +Debugger +REG_SZ *$' || { orvo_log "AeDebug Debugger not emptied in $prefix"; exit 1; }
        /usr/lib/wine/wineserver -w 2>/dev/null || true
    ) || return 1
    touch "$stamp"
}

orvo_prepare_wine() {
    orvo_prepare_prefix "$WINE64" "$ORVO_PREFIX" win64 || return 1
    if [ -x "$WINE32" ]; then orvo_prepare_prefix "$WINE32" "$ORVO_PREFIX32" win32 || return 1; fi
}

orvo_environment() {
    orvo_start_display
    orvo_start_sound
    orvo_prepare_wine
}
