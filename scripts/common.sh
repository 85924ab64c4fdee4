# Shared by the run and test scripts: installs what is missing, builds both
# architectures, and brings up the virtual display, the virtual sound devices
# and the Wine prefix the programs run in. Source it; do not run it.

ORVO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
ORVO_BUILD="${ORVO_BUILD:-$ORVO_ROOT/build}"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-orvo}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko can be had offline; stop Wine from asking for them.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
WINE64=/usr/lib/wine/wine64

# Wine reads media files for Media Foundation through GStreamer; its WAV
# parser is in the "good" plugin set. The packages are made with NSIS (setup
# programs), 7-Zip (zips; it also reads the setup programs back in the
# tests), osslsigncode and openssl (signatures).
ORVO_PACKAGES="g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools libwine-dev wine64 wine xvfb \
pulseaudio pulseaudio-utils libasound2-plugins alsa-utils sox googletest cmake make imagemagick fonts-noto-cjk \
x11-utils file gstreamer1.0-plugins-base gstreamer1.0-plugins-good \
nsis p7zip-full osslsigncode openssl python3"

orvo_log() { printf '== %s\n' "$*" >&2; }

orvo_install_deps() {
    local missing=()
    for p in $ORVO_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    orvo_log "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

orvo_build() {
    local arch
    for arch in x86_64 i686; do
        orvo_log "building $arch"
        cmake -S "$ORVO_ROOT" -B "$ORVO_BUILD/$arch" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$ORVO_ROOT/cmake/toolchain-mingw-$arch.cmake" >/dev/null
        cmake --build "$ORVO_BUILD/$arch" -j"$(nproc)" || return 1
    done
}

# A virtual display unless a working one is already there.
orvo_start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
    export DISPLAY=:${ORVO_DISPLAY_NUMBER:-97}
    if ! xdpyinfo >/dev/null 2>&1; then
        orvo_log "starting Xvfb on $DISPLAY"
        Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.2; done
    fi
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
    pactl set-default-source sine
    pactl set-default-sink nul
    # Wine's ALSA driver through the PulseAudio plugin records in real time.
    if ! grep -qs 'type pulse' "$HOME/.asoundrc"; then
        printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"
    fi
}

orvo_prepare_wine() {
    local stamp="$WINEPREFIX/.orvo-prepared-2"
    [ -f "$stamp" ] && return 0
    orvo_log "preparing the Wine prefix $WINEPREFIX"
    "$WINE64" wineboot -i >/dev/null 2>&1 || true
    "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f >/dev/null 2>&1
    # Controls using the default GUI fonts draw CJK text only with substitutes.
    local reg="$WINEPREFIX/orvo-fonts.reg"
    printf '\xff\xfe' >"$reg"
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
        for f in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "SimSun" "宋体" "Microsoft YaHei" "微软雅黑" "NSimSun"; do
            printf '"%s"="Noto Sans CJK SC"\r\n' "$f"
        done
    } | iconv -f UTF-8 -t UTF-16LE >>"$reg"
    "$WINE64" regedit /S "$reg" >/dev/null 2>&1 || "$WINE64" regedit "$reg" >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
    touch "$stamp"
}

orvo_environment() {
    orvo_start_display
    orvo_start_sound
    orvo_prepare_wine
}
