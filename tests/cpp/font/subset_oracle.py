"""Reads a subset font with fontTools and checks it against what the
subsetter claimed: argv = font path, expected JSON path.

The expected JSON: {"kind": "truetype" | "cff", "glyphs": {"cp": [gid, adv]}}.
Prints one line per problem; exit status 1 when there is any."""
import json
import sys

from fontTools.pens.recordingPen import RecordingPen
from fontTools.ttLib import TTFont

path, expected_path = sys.argv[1:3]
with open(expected_path) as f:
    expected = json.load(f)
claimed = {int(cp): tuple(v) for cp, v in expected["glyphs"].items()}
problems = []

font = TTFont(path, lazy=False)
for tag in font.keys():
    if tag != "GlyphOrder":
        font[tag]  # decompiles the table; raises on a malformed one
order = font.getGlyphOrder()
index = {name: i for i, name in enumerate(order)}

best = font.getBestCmap()
if set(best) != set(claimed):
    problems.append("cmap code points differ: extra %s missing %s" % (
        sorted(set(best) - set(claimed))[:10], sorted(set(claimed) - set(best))[:10]))
metrics = font["hmtx"].metrics
for cp, name in best.items():
    if cp not in claimed:
        continue
    gid = int(name[3:]) if expected["kind"] == "cff" and name.startswith("cid") else index[name]
    if (gid, metrics[name][0]) != claimed[cp]:
        problems.append("U+%04X: font has glyph %d advance %d, claimed %s" % (cp, gid, metrics[name][0], claimed[cp]))

glyph_set = font.getGlyphSet()
for name in order:
    pen = RecordingPen()
    glyph_set[name].draw(pen)

if expected["kind"] == "truetype":
    maxp = font["maxp"]
    fields = ["numGlyphs", "maxPoints", "maxContours", "maxCompositePoints", "maxCompositeContours",
              "maxComponentElements", "maxComponentDepth"]
    written = {k: getattr(maxp, k) for k in fields}
    maxp.recalc(font)
    for k in fields:
        if written[k] != getattr(maxp, k):
            problems.append("maxp %s: written %d, recalc %d" % (k, written[k], getattr(maxp, k)))
    glyf = font["glyf"]
    for name in order:
        g = glyf[name]
        x_min = g.xMin if g.numberOfContours else 0
        if metrics[name][1] != x_min:
            problems.append("%s: lsb %d, xMin %d" % (name, metrics[name][1], x_min))
        if g.numberOfContours > 0 and len(g.program.getBytecode()) != 0:
            problems.append("%s: instructions kept" % name)
    if font["head"].flags & 2 == 0:
        problems.append("head flag bit 1 clear")

for p in problems[:40]:
    print(p)
sys.exit(1 if problems else 0)
