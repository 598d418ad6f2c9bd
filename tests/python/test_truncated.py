"""Files that lost their end, as an interrupted download leaves them: every
page they still hold is extracted as from the whole file."""

import json
import zlib
from collections import Counter

import pytest
import zentavolurmix as z

from pdf_fixtures import build_pdf, stream


def glyphs_per_page(path, options=None):
    doc = json.loads(z.extract(str(path), options))
    counts = Counter(g["page_index"] for g in doc["glyphs"])
    return [counts[p["index"]] for p in doc["pages"]]


def two_page_pdf():
    font = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"
    page = "<< /Type /Page /Parent 2 0 R /Contents {} 0 R /Resources << /Font << /F1 7 0 R >> >> >>"
    return build_pdf([
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 612 792] >>",
        page.format(5),
        page.format(6),
        stream("/Filter /FlateDecode", zlib.compress(b"BT /F1 12 Tf 72 700 Td (Hello) Tj ET")),
        stream("/Filter /FlateDecode", zlib.compress(b"BT /F1 12 Tf 72 700 Td (Hi there) Tj ET")),
        font,
        "<< /Producer (hand) /CreationDate (D:20240101000000Z) >>",
    ], "/Root 1 0 R /Info 8 0 R")


def test_every_cut_through_the_trailer_and_the_last_object(tmp_path, capfd):
    data = two_page_pdf()
    path = tmp_path / "cut.pdf"
    path.write_bytes(data)
    whole = glyphs_per_page(path)
    assert whole == [5, 8]
    startxref = len(data) - data.rindex(b"startxref")
    # Everything after the information dictionary's header may go.
    last_object = len(data) - data.index(b"8 0 obj") - len(b"8 0 obj")
    for n in range(1, last_object + 1):
        path.write_bytes(data[:-n])
        assert glyphs_per_page(path) == whole, n
        if n > startxref:
            with pytest.raises(RuntimeError, match="^failed to open PDF: "):
                z.extract(str(path), '{"strict": true}')
    assert capfd.readouterr().err == ""


def test_a_file_with_no_catalog_left_is_still_an_error(tmp_path):
    data = two_page_pdf()
    path = tmp_path / "cut.pdf"
    path.write_bytes(data[:data.index(b"Catalog")])
    with pytest.raises(RuntimeError, match="^failed to open PDF: .*unable to find trailer"):
        z.extract(str(path))


# Producers and layouts that differ: pdfTeX, LuaTeX, Quartz, Word, Distiller
# (linearized), InDesign (linearized, with object streams and cross-reference
# streams). The C++ tests cut every paper at many more lengths and count pages.
PAPERS = ["P07-1088.pdf", "gadr.pdf", "agarwal11.pdf",
          "c921a74c209e720534939dfa191d639e647dd242.pdf", "0807.3577.pdf",
          "ephaptic-coupling.pdf"]


@pytest.mark.parametrize("name", PAPERS)
def test_corpus_papers_cut_in_the_trailer(corpus, tmp_path, capfd, name):
    source = corpus / "papers" / name
    data = source.read_bytes()
    whole = glyphs_per_page(source)
    assert sum(whole) > 0
    path = tmp_path / name
    for n in (30, 300):
        path.write_bytes(data[:-n])
        assert glyphs_per_page(path) == whole, n
    assert capfd.readouterr().err == ""
