#!/usr/bin/env python3
"""Draws the pictures of the two connection states (16 and 48 pixels in 32 bits, 32 pixels in
24 bits), which the tray and the General page both show, as raw icon images with their group
directories, and the success and failure marks of the dialog pages (32 pixels, 16 colours) as
.ico files. Deterministic: the same script always writes the same bytes.

usage: make_icons.py OUTPUT_DIR
"""
import math
import struct
import sys

SIZES = (16, 32, 48)


def cloud_alpha(x, y, n):
    """Coverage of a small cloud shape at pixel (x, y) of an n-pixel image, 0.0 to 1.0."""
    u = (x + 0.5) / n
    v = (y + 0.5) / n
    blobs = ((0.34, 0.58, 0.20), (0.55, 0.45, 0.25), (0.74, 0.60, 0.17))
    inside = any((u - cx) ** 2 + (v - cy) ** 2 <= r * r for cx, cy, r in blobs)
    base = 0.16 <= u <= 0.88 and 0.58 <= v <= 0.77
    return 1.0 if inside or base else 0.0


def pixel(x, y, n, connected):
    if cloud_alpha(x, y, n) == 0.0:
        return (0, 0, 0, 0)
    shade = 1.0 - 0.35 * (y / n)
    if connected:
        r, g, b = 40, 120, 215   # a blue cloud: the drive is attached
    else:
        r, g, b = 150, 150, 150  # a grey cloud: not connected
    colour = (int(r * shade), int(g * shade), int(b * shade), 255)
    # the not-connected picture carries a red bar across its lower right
    if not connected:
        u, v = (x + 0.5) / n, (y + 0.5) / n
        if abs((u - 0.62) - (v - 0.80)) < 0.07 and 0.45 <= u <= 0.95:
            colour = (210, 30, 30, 255)
    return colour


# Each state's picture is stored once, as raw icon images (resource type 3), and listed by two
# icon groups (type 14): the tray's and the General page's. Bits of the 16, 32 and 48 pixel images:
DEPTHS = (32, 24, 32)


def icon_image(n, connected, bits):
    """One icon image: BITMAPINFOHEADER, BGRA (32 bits) or BGR (24 bits) rows bottom-up, each
    padded to 4 bytes, then the AND mask."""
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, bits, 0, 0, 0, 0, 0, 0)
    rows = []
    mask_rows = []
    mask_stride = ((n + 31) // 32) * 4
    for y in reversed(range(n)):
        row = bytearray()
        mask = bytearray(mask_stride)
        for x in range(n):
            r, g, b, a = pixel(x, y, n, connected)
            row += bytes((b, g, r, a)) if bits == 32 else bytes((b, g, r))
            if a == 0:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row) + bytes(-len(row) % 4))
        mask_rows.append(bytes(mask))
    return header + b"".join(rows) + b"".join(mask_rows)


def write_pictures(directory, name, connected, first_id):
    """The images of one state as NAME_16.bin, NAME_32.bin and NAME_48.bin, and their group
    directory NAME.grp, whose entries name the images by resource id from first_id on."""
    group = bytearray(struct.pack("<HHH", 0, 1, len(SIZES)))
    for i, (n, bits) in enumerate(zip(SIZES, DEPTHS)):
        data = icon_image(n, connected, bits)
        with open("%s/%s_%d.bin" % (directory, name, n), "wb") as f:
            f.write(data)
        group += struct.pack("<BBBBHHIH", n % 256, n % 256, 0, 0, 1, bits, len(data), first_id + i)
    with open("%s/%s.grp" % (directory, name), "wb") as f:
        f.write(group)


# The 16 colours of the marks: black, white, green and red, the rest unused.
PALETTE = [(0, 0, 0), (255, 255, 255), (0, 128, 0), (192, 0, 0)] + [(0, 0, 0)] * 12


def mark_pixel(x, y, success):
    """Palette index of a mark pixel, None outside its disc: a white tick on green for success,
    a white cross on red for failure."""
    u, v = (x + 0.5) / 32 - 0.5, (y + 0.5) / 32 - 0.5
    if u * u + v * v > 0.23:
        return None
    if success:
        # the tick: a short stroke down to the right, then a long one up to the right
        stroke = (abs((v - 0.1) - (u + 0.1)) < 0.09 and -0.22 <= u <= 0.0) or \
                 (abs((v - 0.1) + 1.6 * u) < 0.1 and 0.0 <= u <= 0.25)
        return 1 if stroke else 2
    return 1 if (abs(u - v) < 0.07 or abs(u + v) < 0.07) and abs(u) < 0.25 else 3


def mark_icon(success):
    """A 32-pixel icon of 16 colours: header, palette, 4-bit rows bottom-up, the AND mask."""
    n = 32
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    rows, mask_rows = [], []
    for y in reversed(range(n)):
        row, mask = bytearray(n // 2), bytearray(4)
        for x in range(n):
            index = mark_pixel(x, y, success)
            if index is None:
                mask[x // 8] |= 0x80 >> (x % 8)
                index = 0
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    data = header + palette + b"".join(rows) + b"".join(mask_rows)
    return struct.pack("<HHHBBBBHHII", 0, 1, 1, n, n, 16, 0, 1, 4, len(data), 22) + data


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    write_pictures(sys.argv[1], "connected", True, 201)
    write_pictures(sys.argv[1], "not_connected", False, 204)
    for name, success in (("success_mark.ico", True), ("failure_mark.ico", False)):
        with open(sys.argv[1] + "/" + name, "wb") as f:
            f.write(mark_icon(success))


if __name__ == "__main__":
    main()
