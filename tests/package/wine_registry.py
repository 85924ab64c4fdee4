#!/usr/bin/env python3
"""Reads the registry of a Wine prefix from its files (system.reg, user.reg).

Wine writes them when its server stops, so run `wineserver -w` first.

  wine_registry.py snapshot PREFIX       every key and value, one a line, sorted
  wine_registry.py get PREFIX KEY NAME   one value ("@" for the default one);
                                         exits 1 when it is not there

KEY is written as HKLM\\Software\\... or HKCU\\Software\\...; strings come out
decoded, DWORD values as decimal numbers.
"""
import os
import re
import sys

ROOTS = (("HKLM", "system.reg"), ("HKCU", "user.reg"))
ESCAPES = {"\\": "\\", '"': '"', "n": "\n", "r": "\r", "t": "\t", "0": "\0", "a": "\a", "b": "\b",
           "e": "\x1b", "f": "\f", "v": "\v"}


def unescape(text):
    """Undoes Wine's escapes: \\xHHHH for characters outside ASCII, \\\\ and \\"."""
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 == len(text):
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1]
        if nxt == "x":
            m = re.match(r"[0-9a-fA-F]{1,4}", text[i + 2:])
            if m:
                out.append(chr(int(m.group(0), 16)))
                i += 2 + m.end(0)
                continue
        out.append(ESCAPES.get(nxt, nxt))
        i += 2
    # Characters beyond the BMP come as two escaped UTF-16 halves.
    return "".join(out).encode("utf-16-le", "surrogatepass").decode("utf-16-le", "replace")


def split_quoted(line):
    """Splits '"name"=rest' into (name, rest); the name may contain escaped quotes."""
    i = 1
    while i < len(line):
        if line[i] == "\\":
            i += 2
            continue
        if line[i] == '"':
            return unescape(line[1:i]), line[i + 2:]
        i += 1
    raise ValueError("unterminated name: " + line)


def value_text(raw):
    if raw.startswith('"') and raw.endswith('"'):
        return unescape(raw[1:-1])
    if raw.startswith("str(2):") or raw.startswith("str(7):"):
        return unescape(raw[8:-1])
    if raw.startswith("dword:"):
        return str(int(raw[6:], 16))
    return raw


def read(prefix):
    """{key path: {value name: text}} for both files of the prefix."""
    keys = {}
    for root, name in ROOTS:
        path = os.path.join(prefix, name)
        with open(path, encoding="utf-8", errors="replace") as f:
            lines = f.read().split("\n")
        current = None
        pending = ""
        for line in lines:
            line = pending + line
            pending = ""
            if line.endswith("\\") and not line.startswith("["):
                pending = line[:-1].rstrip() + " "
                continue
            if line.startswith("["):
                end = line.rfind("]")
                current = root + "\\" + unescape(line[1:end])
                keys.setdefault(current, {})
            elif current is None or not line or line[0] in "#;":
                continue
            elif line.startswith("@="):
                keys[current]["@"] = value_text(line[2:].strip())
            elif line.startswith('"'):
                vname, raw = split_quoted(line)
                keys[current][vname] = value_text(raw.strip())
    return keys


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    command, prefix = argv[1], argv[2]
    keys = read(prefix)
    if command == "snapshot":
        lines = []
        for key, values in keys.items():
            lines.append(key)
            lines.extend("%s :: %s = %s" % (key, n, v.replace("\0", "\\0").replace("\n", "\\n")) for n, v in values.items())
        sys.stdout.write("".join(line + "\n" for line in sorted(lines)))
    elif command == "get" and len(argv) == 5:
        found = {k.lower(): v for k, v in keys.items()}.get(argv[3].lower())
        if found is None or argv[4] not in found:
            sys.exit(1)
        print(found[argv[4]])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
