#!/usr/bin/env python3
"""Writes the portable zip: python3 portable_zip.py OUT.zip FILE...

Every file goes in at the top of the archive under its own name, compressed.
"""
import os
import sys
import zipfile


def main(argv):
    if len(argv) < 3:
        sys.exit("usage: portable_zip.py OUT.zip FILE...")
    out, files = argv[1], argv[2:]
    partial = out + ".part"
    with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as archive:
        for path in files:
            archive.write(path, os.path.basename(path))
    os.replace(partial, out)


if __name__ == "__main__":
    main(sys.argv)
