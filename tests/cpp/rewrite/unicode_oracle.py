"""Decompositions from Python's unicodedata for the character folds of the
missing-glyph substitution: the NFD base letter of each decomposing character
of U+00C0..U+017E, and the NFKC form of each decomposing character of the
super/subscript, letterlike and mathematical alphanumeric ranges.

Output lines: "version V", "nfd CP BASE", "nfkc CP X [X ...]" (hex)."""
import unicodedata

LATIN = (0x00C0, 0x017E)
STYLED = [
    (0x00B2, 0x00B3), (0x00B9, 0x00B9), (0x2032, 0x2035), (0x2070, 0x209F),
    (0x1D62, 0x1D65), (0x210E, 0x210F), (0x2113, 0x2113), (0x212F, 0x212F),
    (0x2134, 0x2134), (0x1D400, 0x1D7FF),
]

print("version", unicodedata.unidata_version)
for cp in range(LATIN[0], LATIN[1] + 1):
    d = unicodedata.normalize("NFD", chr(cp))
    if d != chr(cp):
        print("nfd", f"{cp:X}", f"{ord(d[0]):X}")
for lo, hi in STYLED:
    for cp in range(lo, hi + 1):
        n = unicodedata.normalize("NFKC", chr(cp))
        if n != chr(cp):
            print("nfkc", f"{cp:X}", " ".join(f"{ord(x):X}" for x in n))
