#!/usr/bin/env python3
"""Reads a WAV file's cue points and their labels with nothing but Python,
and compares them with the marks the recorder was asked to drop.

    read_cues.py FOLDER     FOLDER/take.wav and FOLDER/take.marks
                            ("<frame> <name>" a line, UTF-8)
"""
import os
import struct
import sys


def chunks(data, start, end):
    pos = start
    while pos + 8 <= end:
        cid, size = struct.unpack_from("<4sI", data, pos)
        yield cid, data[pos + 8:min(pos + 8 + size, end)]
        pos += 8 + size + (size & 1)


def read_marks(path):
    data = open(path, "rb").read()
    riff, size, form = struct.unpack_from("<4sI4s", data, 0)
    if riff != b"RIFF" or form != b"WAVE":
        raise SystemExit(f"{path}: not a WAVE file")
    if size + 8 != len(data):
        raise SystemExit(f"{path}: RIFF size {size + 8} but the file has {len(data)} bytes")
    block_align, frames, points, labels = None, None, [], {}
    for cid, body in chunks(data, 12, len(data)):
        if cid == b"fmt ":
            block_align = struct.unpack_from("<H", body, 12)[0]
        elif cid == b"data":
            frames = len(body) // block_align
        elif cid == b"cue ":
            (count,) = struct.unpack_from("<I", body, 0)
            for i in range(count):
                ident, position, chunk, _, _, offset = struct.unpack_from("<II4sIII", body, 4 + 24 * i)
                if chunk != b"data" or position != offset:
                    raise SystemExit(f"{path}: cue point {ident} is not a plain data offset")
                points.append((ident, offset))
        elif cid == b"LIST" and body[:4] == b"adtl":
            for sub, text in chunks(body, 4, len(body)):
                if sub == b"labl":
                    (ident,) = struct.unpack_from("<I", text, 0)
                    labels[ident] = text[4:].split(b"\0", 1)[0].decode("utf-8")
    if frames is None:
        raise SystemExit(f"{path}: no data chunk")
    for ident, offset in points:
        if offset >= frames:
            raise SystemExit(f"{path}: cue point {ident} at {offset} lies beyond the {frames} frames")
    return [(offset, labels.get(ident)) for ident, offset in sorted(points, key=lambda p: p[1])]


def main():
    folder = sys.argv[1]
    found = read_marks(os.path.join(folder, "take.wav"))
    expected = []
    with open(os.path.join(folder, "take.marks"), encoding="utf-8") as f:
        for line in f:
            frame, name = line.rstrip("\n").split(" ", 1)
            expected.append((int(frame), name))
    if not expected:
        raise SystemExit("no marks were dropped")
    if found != expected:
        raise SystemExit(f"cue points {found}, marks dropped {expected}")
    print(f"{len(found)} cue points where the marks were dropped: {found}")


if __name__ == "__main__":
    main()
