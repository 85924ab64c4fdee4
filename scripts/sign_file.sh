#!/usr/bin/env bash
# Signs Windows programs in place with the certificate in ORVO_SIGN_PFX (a
# PKCS#12 file) and its password in ORVO_SIGN_PASSWORD. The setup script calls
# it for the uninstaller it writes, the packaging script for everything else.
#   sign_file.sh FILE...
# ORVO_SIGN_TIMESTAMP, when set, is the address of an RFC 3161 time-stamping
# service, so the signatures outlive the certificate.
set -euo pipefail

: "${ORVO_SIGN_PFX:?ORVO_SIGN_PFX names no certificate}"
[ -r "$ORVO_SIGN_PFX" ] || { echo "sign_file.sh: cannot read $ORVO_SIGN_PFX" >&2; exit 1; }

for file in "$@"; do
    signed="$file.signed"
    # The password goes through a file descriptor, not the command line.
    osslsigncode sign -pkcs12 "$ORVO_SIGN_PFX" -readpass <(printf '%s' "${ORVO_SIGN_PASSWORD:-}") \
        -h sha256 -n "欧沃录音机" -i "http://www.velmora.example" \
        ${ORVO_SIGN_TIMESTAMP:+-ts "$ORVO_SIGN_TIMESTAMP"} \
        -in "$file" -out "$signed" >/dev/null || { rm -f "$signed"; echo "sign_file.sh: signing $file failed" >&2; exit 1; }
    mv -f "$signed" "$file"
done
