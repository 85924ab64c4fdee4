# The two encoders the recorder saves with, cross-built for both architectures
# from Debian's own source packages (apt checks the signed .dsc): LAME as a DLL
# that travels beside the program (the LGPL lets the user replace it), libFLAC
# as a static library. Only the libraries are built, into a cache outside the
# source tree; a stamp per package and architecture makes a second run do
# nothing. Source it (common.sh does) and call orvo_build_codecs.

ORVO_LAME_VERSION="3.100-6"
ORVO_FLAC_VERSION="1.4.2+ds-2"
ORVO_CODECS="${ORVO_CODECS:-${XDG_CACHE_HOME:-$HOME/.cache}/orvo-deps}"

# The first "deb" entry of the machine's own sources for the release it runs:
# its archive and suite, so the sources come from where its packages come from.
orvo_codec_archive() {
    local codename
    codename="$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")"
    local f found=""
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -f "$f" ] && [ -z "$found" ] || continue
        found="$(awk -v want="$codename" '
            BEGIN { RS = ""; FS = "\n" }
            {
                types = uri = suites = keys = ""
                for (i = 1; i <= NF; i++) {
                    if ($i ~ /^Types:/) types = $i
                    if ($i ~ /^URIs:/) { uri = $i; sub(/^URIs: */, "", uri); sub(/ .*/, "", uri) }
                    if ($i ~ /^Suites:/) suites = " " substr($i, 8) " "
                    if ($i ~ /^Signed-By:/) { keys = $i; sub(/^Signed-By: */, "", keys) }
                }
                if (types ~ /deb/ && suites ~ (" " want " ")) { print uri, want, keys; exit }
            }' "$f")"
    done
    [ -n "$found" ] && { echo "$found"; return 0; }
    # The one-line format.
    grep -hsE "^deb +(\[[^]]*\] +)?[a-z]+://[^ ]+ +$codename( |$)" /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
        head -n 1 | sed -E 's/^deb +(\[[^]]*\] +)?([^ ]+) +([^ ]+).*/\2 \3/'
}

# Downloads and unpacks one source package (checking its signature) into
# $ORVO_CODECS/src, through a list folder of its own so the machine's apt
# lists stay as they are.
orvo_fetch_source() {
    local pkg="$1" version="$2" apt="$ORVO_CODECS/apt"
    local tree="$ORVO_CODECS/src/$pkg-$version"
    [ -f "$tree/.orvo-unpacked" ] && return 0
    if [ ! -f "$apt/.orvo-updated" ]; then
        local archive uri suite keys
        archive="$(orvo_codec_archive)"
        read -r uri suite keys <<<"$archive"
        if [ -z "$uri" ]; then
            orvo_log "no Debian archive found in /etc/apt/sources.list*"
            return 1
        fi
        mkdir -p "$apt/lists/partial"
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\n%s' "$uri" "$suite" \
            "${keys:+Signed-By: $keys
}" >"$apt/sources.sources"
        orvo_log "source packages from $uri $suite"
        apt-get update -q -o Dir::State::Lists="$apt/lists" -o Dir::Etc::SourceList=/dev/null \
            -o Dir::Etc::SourceParts="$apt" -o APT::Sandbox::User=root >/dev/null || return 1
        touch "$apt/.orvo-updated"
    fi
    mkdir -p "$ORVO_CODECS/src/dl-$pkg"
    (cd "$ORVO_CODECS/src/dl-$pkg" &&
        apt-get source -q --download-only -o Dir::State::Lists="$apt/lists" -o Dir::Etc::SourceList=/dev/null \
            -o Dir::Etc::SourceParts="$apt" -o APT::Sandbox::User=root "$pkg=$version" >/dev/null &&
        rm -rf "$tree" && dpkg-source -x ./*.dsc "$tree" >/dev/null 2>&1) || return 1
    touch "$tree/.orvo-unpacked"
}

orvo_cross_env() {
    local arch="$1"
    echo "CC=$arch-w64-mingw32-gcc-posix AR=$arch-w64-mingw32-ar RANLIB=$arch-w64-mingw32-ranlib"
}

# LAME's library as a DLL. Its decoder stays (the DLL's export list names
# it); the list also names lame_init_old, which this source makes static, so
# that one name goes from the list.
orvo_build_lame() {
    local arch="$1" out="$ORVO_CODECS/lame-$ORVO_LAME_VERSION-$1"
    [ -f "$out/.orvo-built" ] && return 0
    local work="$ORVO_CODECS/work/lame-$arch"
    rm -rf "$work" "$out" && mkdir -p "$work" "$out/bin" "$out/include" "$out/share"
    cp -a "$ORVO_CODECS/src/lame-$ORVO_LAME_VERSION/." "$work/"
    sed -i '/^lame_init_old$/d' "$work/include/libmp3lame.sym"
    (cd "$work" && env $(orvo_cross_env "$arch") CFLAGS="-O2" LDFLAGS="-static-libgcc" \
        ./configure -q --host="$arch-w64-mingw32" --disable-frontend --enable-shared --disable-static \
        --disable-gtktest --disable-dependency-tracking >configure.log 2>&1 &&
        make -s -C mpglib >make.log 2>&1 && make -s -C libmp3lame >>make.log 2>&1) ||
        { orvo_log "LAME ($arch) did not build; see $work"; return 1; }
    cp "$work/libmp3lame/.libs/libmp3lame-0.dll" "$out/bin/" &&
        "$arch-w64-mingw32-strip" --strip-unneeded "$out/bin/libmp3lame-0.dll" &&
        cp "$work/include/lame.h" "$out/include/" && cp "$work/COPYING" "$out/share/LAME-COPYING.txt" || return 1
    rm -rf "$work"
    touch "$out/.orvo-built"
}

# libFLAC alone, static, without Ogg. Its stack and buffer checks would need
# the compiler's protector library, which the programs do not link.
orvo_build_flac() {
    local arch="$1" out="$ORVO_CODECS/flac-$ORVO_FLAC_VERSION-$1"
    [ -f "$out/.orvo-built" ] && return 0
    local work="$ORVO_CODECS/work/flac-$arch"
    rm -rf "$work" "$out" && mkdir -p "$work" "$out/lib" "$out/include" "$out/share"
    cp -a "$ORVO_CODECS/src/flac-$ORVO_FLAC_VERSION/." "$work/"
    (cd "$work" && { [ -x configure ] || autoreconf -fi >autoreconf.log 2>&1; } &&
        env $(orvo_cross_env "$arch") CFLAGS="-O2" ./configure -q --host="$arch-w64-mingw32" \
        --disable-shared --enable-static --disable-ogg --disable-programs --disable-examples \
        --disable-cpplibs --disable-doxygen-docs --disable-dependency-tracking \
        --disable-stack-smash-protection --disable-fortify-source >configure.log 2>&1 &&
        make -s -C src/libFLAC >make.log 2>&1) ||
        { orvo_log "libFLAC ($arch) did not build; see $work"; return 1; }
    cp "$work/src/libFLAC/.libs/libFLAC.a" "$out/lib/" && cp -r "$work/include/FLAC" "$out/include/" &&
        cp "$work/COPYING.Xiph" "$out/share/FLAC-COPYING.txt" || return 1
    rm -rf "$work"
    touch "$out/.orvo-built"
}

# Usage: orvo_build_codecs [ARCH...]  (both by default). The architectures
# build side by side.
orvo_build_codecs() {
    local archs=("$@") arch pids=() failed=0 start=$SECONDS
    [ ${#archs[@]} -eq 0 ] && archs=(x86_64 i686)
    local need=0
    for arch in "${archs[@]}"; do
        [ -f "$ORVO_CODECS/lame-$ORVO_LAME_VERSION-$arch/.orvo-built" ] &&
            [ -f "$ORVO_CODECS/flac-$ORVO_FLAC_VERSION-$arch/.orvo-built" ] || need=1
    done
    [ "$need" -eq 0 ] && return 0
    orvo_fetch_source lame "$ORVO_LAME_VERSION" && orvo_fetch_source flac "$ORVO_FLAC_VERSION" || return 1
    for arch in "${archs[@]}"; do
        orvo_log "building the encoders ($arch) into $ORVO_CODECS"
        (orvo_build_lame "$arch" && orvo_build_flac "$arch") &
        pids+=($!)
    done
    for p in "${pids[@]}"; do wait "$p" || failed=1; done
    [ "$failed" -eq 0 ] && orvo_log "encoders built in $((SECONDS - start)) s"
    return "$failed"
}
