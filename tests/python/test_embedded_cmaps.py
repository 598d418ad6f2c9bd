"""Embedded TrueType programs whose cmap tables map millions of codes: a small
file of many such fonts extracts in little memory, the work of all its
programs shares one allowance, and the fonts read after the allowance is
spent lose their cmap text in the order the content selects them."""

import json
import os
import struct
import subprocess
import sys

from pdf_fixtures import build_pdf, stream

PEAK_LIMIT_KB = 200 * 1024
# Under AddressSanitizer the resident set holds the sanitizer's shadow and
# quarantine: the bound is for the plain build.
SANITIZED = os.environ.get("ZVK_SWEEP_SANITIZED") == "1"


def format12_program(groups):
    """A TrueType program holding only a cmap table with one (3,10) format 12
    subtable of the given (start, end, glyph) groups."""
    subtable = struct.pack(">HHIII", 12, 0, 16 + 12 * len(groups), 0, len(groups))
    subtable += b"".join(struct.pack(">III", *g) for g in groups)
    cmap = struct.pack(">HHHHI", 0, 1, 3, 10, 12) + subtable
    return (struct.pack(">IHHHH", 0x00010000, 1, 16, 0, 0) + b"cmap"
            + struct.pack(">III", 0, 28, len(cmap)) + cmap)


def wide_cmap_fonts_pdf(fonts, groups):
    """One page showing A in each of `fonts` symbolic TrueType fonts, selected
    from the last to the first. Every font embeds its own copy of a program
    whose groups each span about a million codes (of which 100,001 count) on
    distinct glyphs; code 0x41 lies in the first group."""
    program = format12_program([(g * 0x4000, g * 0x4000 + 0xFFFFF, 1 + g * 100001) for g in range(groups)])
    names = " ".join(f"/F{i} {5 + 3 * i} 0 R" for i in range(fonts))
    content = "BT " + " ".join(f"/F{i} 12 Tf (A) Tj" for i in reversed(range(fonts))) + " ET"
    objects = ["<< /Type /Catalog /Pages 2 0 R >>",
               "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               f"<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /Font << {names} >> >> >>",
               stream("", content.encode())]
    for i in range(fonts):
        objects.append(f"<< /Type /Font /Subtype /TrueType /BaseFont /F{i} /FontDescriptor {6 + 3 * i} 0 R >>")
        objects.append(f"<< /Type /FontDescriptor /Flags 4 /FontFile2 {7 + 3 * i} 0 R >>")
        objects.append(stream(f"/Length1 {len(program)}", program))
    return build_pdf(objects)


CHILD = """
import json, resource, sys
import zentavolurmix as z
doc = json.loads(z.extract(sys.argv[1]))
print(json.dumps([[g["font_resource"], g["unicode"], g["gid"]] for g in doc["glyphs"]]))
print(resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
"""


def test_twenty_fonts_with_wide_cmaps_share_one_allowance(tmp_path):
    path = tmp_path / "wide.pdf"
    path.write_bytes(wide_cmap_fonts_pdf(20, 30))
    assert path.stat().st_size < 16 * 1024
    # In a process of its own, so that its peak is its own.
    proc = subprocess.run([sys.executable, "-c", CHILD, str(path)], capture_output=True, text=True, timeout=300)
    assert proc.returncode == 0, proc.stderr[-2000:]
    assert proc.stderr == ""
    glyphs_line, peak_kb = proc.stdout.splitlines()
    glyphs = json.loads(glyphs_line)

    # Each program costs 2 units for its records and 100,002 per group: the
    # first selected (F19) maps all 30 groups, the second (F18) the first 11
    # and part of the 12th; the other eighteen map nothing and their A has no
    # text and no glyph.
    assert [g[0] for g in glyphs] == [f"F{i}" for i in reversed(range(20))]
    assert glyphs[:2] == [["F19", "A", 0x42], ["F18", "A", 0x42]]
    assert all(g[1] == "" and g[2] is None for g in glyphs[2:])
    if not SANITIZED:
        assert int(peak_kb) < PEAK_LIMIT_KB
