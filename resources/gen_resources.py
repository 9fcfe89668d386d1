#!/usr/bin/env python3
"""Generates the program's binary resources from the readable sources here.

Pictures are pixel art in text files (art/*.txt: a legend of characters and
colours, then one line per row of pixels); the confirmation click is a
formula. Only the standard library is used, so the build needs nothing else.

Usage: gen_resources.py OUTDIR [HEADER]

HEADER, when given, receives an enum of the tray menu's picture positions,
made from the same list as the strip, so the program cannot name the wrong
picture.
"""
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ART = os.path.join(HERE, "art")


def read_art(name):
    """Returns (width, height, rows) where rows hold (r, g, b, a) tuples."""
    legend = {}
    rows = []
    with open(os.path.join(ART, name + ".txt"), encoding="ascii") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("legend "):
                _, ch, colour = line.split(" ", 2)
                if colour == "transparent":
                    legend[ch] = (0, 0, 0, 0)
                else:
                    v = int(colour.lstrip("#"), 16)
                    legend[ch] = ((v >> 16) & 255, (v >> 8) & 255, v & 255, 255)
                continue
            rows.append([legend[ch] for ch in line])
    width = len(rows[0])
    if any(len(r) != width for r in rows):
        raise SystemExit(f"{name}: rows of unequal length")
    return width, len(rows), rows


def grey(pixels):
    """The grey twin of a picture: luminance, lightened, alpha kept."""
    out = []
    for row in pixels:
        new = []
        for r, g, b, a in row:
            y = int(0.299 * r + 0.587 * g + 0.114 * b)
            y = 96 + y * 5 // 8
            new.append((y, y, y, a))
        out.append(new)
    return out


def scale(pixels, factor):
    out = []
    for row in pixels:
        wide = [p for p in row for _ in range(factor)]
        out.extend([list(wide) for _ in range(factor)])
    return out


def dib_rows_32(pixels):
    """Bottom-up BGRA rows (an icon's XOR image)."""
    data = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            data += bytes((b, g, r, a))
    return bytes(data)


def mask_rows(pixels):
    """Bottom-up 1-bit AND mask: 1 where the pixel is transparent."""
    width = len(pixels[0])
    stride = ((width + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        data += line
    return bytes(data)


def bgr24_rows(pixels, key=(255, 0, 255)):
    """Bottom-up 24-bit rows; transparent pixels take the colour key."""
    width = len(pixels[0])
    pad = (4 - (width * 3) % 4) % 4
    data = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            if a == 0:
                r, g, b = key
            data += bytes((b, g, r))
        data += bytes(pad)
    return bytes(data)


def write_ico(path, images):
    """images: list of pixel grids (square)."""
    entries = []
    blobs = []
    offset = 6 + 16 * len(images)
    for px in images:
        size = len(px)
        xor = dib_rows_32(px)
        andm = mask_rows(px)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                             len(xor) + len(andm), 0, 0, 0, 0)
        blob = header + xor + andm
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0,
                                   1, 32, len(blob), offset))
        offset += len(blob)
        blobs.append(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        for e in entries:
            f.write(e)
        for b in blobs:
            f.write(b)


def write_bmp24(path, pixels):
    rows = bgr24_rows(pixels)
    width, height = len(pixels[0]), len(pixels)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows),
                       0, 0, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(rows), 0, 0, 54)
    with open(path, "wb") as f:
        f.write(head + info + rows)


def click_samples():
    """468 samples (58.5 ms at 8 kHz) of a short click: a 1.6 kHz tone that
    peaks near 90 within the first millisecond and decays exponentially,
    under 9 by 36 ms and under 2 by 54 ms."""
    rate, count = 8000, 468
    peak, attack, tau = 90.0, 0.001, 0.0117
    out = bytearray()
    for n in range(count):
        t = n / rate
        env = peak * t / attack if t < attack else peak * math.exp(-(t - attack) / tau)
        v = 128 + int(round(env * math.sin(2 * math.pi * 1600 * t + math.pi / 4)))
        out.append(max(0, min(255, v)))
    return bytes(out)


def write_wave(path):
    samples = click_samples()
    fmt = struct.pack("<4sIHHIIHH", b"fmt ", 16, 1, 1, 8000, 8000, 1, 8)
    data = struct.pack("<4sI", b"data", len(samples)) + samples
    body = b"WAVE" + fmt + data
    blob = struct.pack("<4sI", b"RIFF", len(body)) + body
    assert len(blob) == 512, len(blob)
    with open(path, "wb") as f:
        f.write(blob)


def strip(names, with_grey):
    """Concatenates 16x16 pictures side by side (an image-list strip).
    with_grey: for each name, whether its grey twin follows it."""
    cells = []
    for name, twin in zip(names, with_grey):
        _, _, px = read_art(name)
        cells.append(px)
        if twin:
            cells.append(grey(px))
    height = len(cells[0])
    return [[p for cell in cells for p in cell[y]] for y in range(height)]


def camel(name):
    return "".join(part.capitalize() for part in name.split("_"))


def popup_header(names, twins):
    lines = ["// Generated by gen_resources.py from popup.txt: the position of each",
             "// picture in the tray menu's image list (POPUPIL).",
             "#pragma once", "", "namespace snaplark {", "",
             "enum PopupPicture : int {"]
    index = 0
    for name, twin in zip(names, twins):
        lines.append(f"    kPopup{camel(name)} = {index},")
        index += 1
        if twin:
            lines.append(f"    kPopup{camel(name)}Grey = {index},")
            index += 1
    lines += ["};", "", "}  // namespace snaplark", ""]
    return "\n".join(lines)


def main():
    out = sys.argv[1]
    header = sys.argv[2] if len(sys.argv) > 2 else None
    os.makedirs(out, exist_ok=True)
    # The icon at every size Windows asks for at 100 to 200 % scaling (small
    # 16, 20, 24, 32; large 32, 40, 48): drawn at 16, 20 and 24 and doubled
    # whole pixel by pixel, so that no size is a blur of another.
    drawn = []
    for name, size in (("icon", 16), ("icon20", 20), ("icon24", 24)):
        width, height, px = read_art(name)
        if (width, height) != (size, size):
            raise SystemExit(f"{name}: {width}x{height}, not {size}x{size}")
        drawn.append(px)
    write_ico(os.path.join(out, "Snaplark.ico"), drawn + [scale(px, 2) for px in drawn])
    write_wave(os.path.join(out, "OK.wav"))
    manifest = os.path.join(HERE, "buttons.txt")
    if os.path.exists(manifest):
        # One picture per line: NAME, written as NAME.bmp (24-bit, magenta key).
        with open(manifest, encoding="ascii") as f:
            for name in f.read().split():
                _, _, px = read_art(name)
                write_bmp24(os.path.join(out, name + ".bmp"), px)
    popup = os.path.join(HERE, "popup.txt")
    if os.path.exists(popup):
        # Lines "NAME" (colour only) or "NAME grey" (colour, then its grey twin).
        names, twins = [], []
        with open(popup, encoding="ascii") as f:
            for line in f:
                parts = line.split()
                if parts and not parts[0].startswith("#"):
                    names.append(parts[0])
                    twins.append(len(parts) > 1 and parts[1] == "grey")
        write_bmp24(os.path.join(out, "popup.bmp"), strip(names, twins))
        if header:
            os.makedirs(os.path.dirname(header), exist_ok=True)
            with open(header, "w", encoding="ascii", newline="\n") as f:
                f.write(popup_header(names, twins))


if __name__ == "__main__":
    main()
