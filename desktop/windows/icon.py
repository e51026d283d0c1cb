#!/usr/bin/env python3
"""Packs PNG pictures into one Windows icon (.ico), each kept as PNG, which
Windows reads from Vista on: icon.py OUT.ico PICTURE.png..."""
import struct
import sys


def main():
    out, pngs = sys.argv[1], sys.argv[2:]
    images = [open(p, 'rb').read() for p in pngs]
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b'', b''
    for png in images:
        if png[:8] != b'\x89PNG\r\n\x1a\n' or png[12:16] != b'IHDR':
            sys.exit(f'icon.py: not a PNG picture: {pngs[images.index(png)]}')
        width, height = struct.unpack('>II', png[16:24])
        # A side of 256 is written as 0; nothing larger fits an icon.
        if not (0 < width <= 256 and 0 < height <= 256):
            sys.exit(f'icon.py: {width}x{height} is too large for an icon')
        entries += struct.pack('<BBBBHHII', width % 256, height % 256, 0, 0, 1, 32, len(png), offset + len(data))
        data += png
    open(out, 'wb').write(header + entries + data)


main()
