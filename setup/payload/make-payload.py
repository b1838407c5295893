#!/usr/bin/env python3
"""Writes the setup program's payload zip: make-payload.py <out.zip> <member>=<file> ...
Members are stored under their plain names, deflated, in the order given; a missing file stops
the build rather than leaving a hole in the installed suite."""
import os
import sys
import zipfile


def main():
    out = sys.argv[1]
    pairs = [arg.split("=", 1) for arg in sys.argv[2:]]
    for name, path in pairs:
        if not os.path.isfile(path):
            sys.exit(f"make-payload: {name}: {path} is missing")
    tmp = out + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, path in pairs:
            archive.write(path, name)
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
