#!/usr/bin/env python3
"""Checks what a setup program (or its uninstaller) made by NSIS will do.

  nsis_header.py SETUP.exe TEXT...

Unpacks the script header of a solid LZMA package (how installer/OrvoRecord.nsi
is compressed) and exits 0 when every TEXT is in its string table: 7-Zip
lists and unpacks the files of a package but no longer shows its script.
"""
import lzma
import struct
import sys

SIGNATURE = b"\xef\xbe\xad\xdeNullsoftInst"


def header(path):
    data = open(path, "rb").read()
    at = data.find(SIGNATURE)
    if at < 4:
        sys.exit("%s: not an NSIS package" % path)
    header_size, _ = struct.unpack_from("<II", data, at + len(SIGNATURE))
    start = at + len(SIGNATURE) + 8
    # Five bytes of LZMA properties (lc/lp/pb and the dictionary), then the
    # solid stream: the header's length and the header come first.
    props = data[start]
    lc, lp, pb = props % 9, props // 9 % 5, props // 45
    (dictionary,) = struct.unpack_from("<I", data, start + 1)
    decoder = lzma.LZMADecompressor(
        format=lzma.FORMAT_RAW,
        filters=[{"id": lzma.FILTER_LZMA1, "dict_size": dictionary, "lc": lc, "lp": lp, "pb": pb}])
    solid = decoder.decompress(data[start + 5:], max_length=header_size + 4)
    (length,) = struct.unpack_from("<I", solid, 0)
    return solid[4:4 + length]


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    text = header(argv[1])
    missing = [t for t in argv[2:] if t.encode("utf-16-le") not in text]
    for t in missing:
        print("%s: its script has no %r" % (argv[1], t), file=sys.stderr)
    sys.exit(1 if missing else 0)


if __name__ == "__main__":
    main(sys.argv)
