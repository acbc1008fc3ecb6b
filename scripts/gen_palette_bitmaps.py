#!/usr/bin/env python3
"""Writes the palette bitmaps of the registered components into resources/: one 24x24, 24-bit
BMP per class, named by the class name in upper case. A dialect's three components share its
colour and differ by glyph (a page for the script extractor, a drum for the catalog extractor,
a run arrow for the executor). The output is the same on every run; run it again after adding a
class to CLASSES."""
import pathlib
import struct
import sys

SIZE = 24
# Dialect colours (R, G, B).
DIALECTS = {
    "IB": (200, 60, 40), "ASA": (40, 120, 200), "ASE": (120, 60, 160), "MySQL": (0, 120, 140),
    "MSSQL": (180, 30, 90), "Oracle": (220, 40, 30), "PG": (50, 90, 150), "DB2": (30, 150, 70),
}
# Every registered class, in palette order: (class name, colour, glyph).
CLASSES = [("TVarnel", (90, 90, 90), "star"), ("TDBStructure", (140, 100, 30), "grid")]
for prefix, executor in (("IB", "SQLExec"), ("ASA", "SQLExec"), ("ASE", "SQLExec"),
                         ("MySQL", "Exec"), ("MSSQL", "Exec"), ("Oracle", "SQLExec"),
                         ("PG", "SQLExec"), ("DB2", "SQLExec")):
    CLASSES += [("T" + prefix + "ScriptExtract", DIALECTS[prefix], "page"),
                ("T" + prefix + "DBExtract", DIALECTS[prefix], "drum"),
                ("T" + prefix + executor, DIALECTS[prefix], "run")]
CLASSES += [("TTableDataComparer", (200, 140, 0), "halves"),
            ("TQELConnection", (0, 110, 110), "plug")]

def ink(glyph, x, y):
    """True where the glyph draws at (x, y); y counts from the top."""
    if glyph == "page":
        return 5 <= x <= 18 and 3 <= y <= 20 and (y % 3 == 0 or x in (5, 18) or y in (3, 20))
    if glyph == "drum":
        top = ((x - 11.5) / 7.5) ** 2 + ((y - 6) / 3) ** 2 <= 1
        bottom = ((x - 11.5) / 7.5) ** 2 + ((y - 17) / 3) ** 2 <= 1
        return top or bottom or (4 <= x <= 19 and 6 <= y <= 17 and x in (4, 5, 18, 19))
    if glyph == "run":
        return 6 <= x <= 18 and abs(y - 11.5) <= (18 - x) * 0.75
    if glyph == "star":
        return abs(x - 11.5) + abs(y - 11.5) <= 8 or (x - 11.5) ** 2 + (y - 11.5) ** 2 <= 16
    if glyph == "grid":
        return 3 <= x <= 20 and 3 <= y <= 20 and (x % 6 == 3 or y % 6 == 3)
    if glyph == "halves":
        return 3 <= y <= 20 and (3 <= x <= 10 or 13 <= x <= 20) and (y % 4 != 0 or x == 11)
    if glyph == "plug":
        return (8 <= x <= 15 and 8 <= y <= 16) or (x in (9, 10, 13, 14) and 3 <= y < 8) or (
            11 <= x <= 12 and 16 < y <= 21)
    raise ValueError(glyph)


def bitmap(colour, glyph):
    rows = []
    for y in reversed(range(SIZE)):  # BMP rows run from the bottom up
        row = bytearray()
        for x in range(SIZE):
            r, g, b = colour if ink(glyph, x, y) else (255, 255, 255)
            row += bytes((b, g, r))
        rows.append(bytes(row))  # 72 bytes: already a multiple of 4, no padding
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def main():
    out = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else (
        pathlib.Path(__file__).resolve().parent.parent / "resources")
    out.mkdir(parents=True, exist_ok=True)
    for name, colour, glyph in CLASSES:
        (out / (name.upper() + ".bmp")).write_bytes(bitmap(colour, glyph))
    print(f"{len(CLASSES)} bitmaps in {out}")


if __name__ == "__main__":
    main()
