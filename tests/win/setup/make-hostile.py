#!/usr/bin/env python3
"""A payload whose names try to leave the install folder, beside one good member."""
import sys
import zipfile

with zipfile.ZipFile(sys.argv[1], "w") as z:
    for name in ["..\\x", "../y", "..\\..\\zorvik.exe", "C:\\w", "Data/../../v"]:
        z.writestr(zipfile.ZipInfo(name), b"hostile")
    z.writestr("zorvik.exe", b"good")
