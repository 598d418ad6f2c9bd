"""Glyph geometry and text of real papers against independent extractors:
pdfminer.six's glyph origins (through the shared oracle tool) and the letters
of pdftotext, line by line."""

import json
import re
import subprocess
import sys
import unicodedata
from pathlib import Path

import pytest

import zentavolurmix as z

ORACLE = Path(__file__).resolve().parents[2].parent / "shared" / "tools" / "glyph-oracle.py"
# map-reduce.pdf holds its text only in the built-in encodings of bare CFF
# programs (Ghostscript's Type1C fonts, none with an Encoding).
PAPERS = ["bug886717.pdf", "ephaptic-coupling.pdf", "glia-calcium-waves.pdf", "map-reduce.pdf", "pdkids.pdf"]


@pytest.mark.parametrize("name", PAPERS)
def test_glyph_origins_agree_with_pdfminer(corpus, name):
    if not ORACLE.exists():
        pytest.skip("oracle tool not found")
    out = subprocess.run([sys.executable, str(ORACLE), str(corpus / "papers" / name)],
                         capture_output=True, text=True, check=True).stdout
    m = re.search(r"ours->pdfminer ([\d.]+) of (\d+), pdfminer->ours ([\d.]+) of (\d+)", out)
    assert m, out
    ours_share, ours_n, theirs_share, theirs_n = float(m[1]), int(m[2]), float(m[3]), int(m[4])
    assert ours_n > 1000 and theirs_n > 1000
    assert ours_share > 0.99 and theirs_share > 0.99, out


def letter_grams(text):
    grams = set()
    for line in unicodedata.normalize("NFKC", text).splitlines():
        letters = "".join(c for c in line if c.isalpha())
        grams.update(letters[i:i + 4] for i in range(len(letters) - 3))
    return grams


# The plain text inserts no spaces and puts glyphs on one baseline into one
# line, so it is compared with pdftotext by letter 4-grams within lines. What
# pdftotext has and we lack is rotated margin text (one glyph per line in
# reading order) and sub- and superscripts on baselines of their own.
@pytest.mark.parametrize("name", PAPERS)
def test_plain_text_holds_pdftotext_letters(corpus, name):
    path = str(corpus / "papers" / name)
    reference = subprocess.run(["pdftotext", "-enc", "UTF-8", path, "-"], capture_output=True,
                               text=True, check=True).stdout
    ref = letter_grams(reference)
    ours = letter_grams(json.loads(z.extract(path))["plain_text"])
    assert len(ref) > 300
    share = len(ref & ours) / len(ref)
    assert share > 0.95, f"{name}: {share:.4f} of pdftotext's letter 4-grams"
