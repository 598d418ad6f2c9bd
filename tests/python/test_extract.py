"""extract on hand-written fixtures and on the corpus: pages with their
inherited boxes and rotation, load options and limits, the JSON's form."""

import _thread
import json
import signal
import subprocess
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import pytest
from pypdf import PdfReader

import zentavolurmix as z
from pdf_fixtures import build_pdf, pages_pdf, stream


def extract(tmp_path, data, options=None):
    path = tmp_path / "doc.pdf"
    path.write_bytes(data)
    return json.loads(z.extract(str(path), options))


def test_pages_inherit_media_box_and_rotation(tmp_path):
    doc = extract(tmp_path, pages_pdf([
        "/MediaBox [612 792 0 0]",                # normalised
        "/MediaBox [0 0 100]",                    # too short: the parent's box
        "/Rotate 90.0",                           # a real: the parent's rotation
        "/Rotate 450",                            # kept as it is
        "",
    ], tree_entries="/MediaBox [0 0 500 500] /Rotate 180"))
    assert [p["media_box"] for p in doc["pages"]] == [
        [0.0, 0.0, 612.0, 792.0], [0.0, 0.0, 500.0, 500.0], [0.0, 0.0, 500.0, 500.0],
        [0.0, 0.0, 500.0, 500.0], [0.0, 0.0, 500.0, 500.0]]
    assert [p["rotate"] for p in doc["pages"]] == [180, 180, 180, 450, 180]
    assert [p["index"] for p in doc["pages"]] == [0, 1, 2, 3, 4]
    assert [p["object_id"] for p in doc["pages"]] == ["3 0", "4 0", "5 0", "6 0", "7 0"]


def test_default_media_box(tmp_path):
    doc = extract(tmp_path, pages_pdf([""]))
    assert doc["pages"][0]["media_box"] == [0.0, 0.0, 612.0, 792.0]
    assert doc["pages"][0]["rotate"] == 0


def test_cyclic_parent_keeps_the_defaults(tmp_path):
    data = build_pdf([
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        # The page's Parent points back at itself.
        "<< /Type /Page /Parent 3 0 R /Contents 4 0 R >>",
        stream("", b"q Q"),
    ])
    # The file is read: the loop in the inheritance chain is cut, the page is
    # listed once and takes the defaults.
    doc = extract(tmp_path, data)
    assert doc["pages"] == [{"index": 0, "media_box": [0.0, 0.0, 612.0, 792.0],
                             "object_id": "3 0", "rotate": 0}]


@pytest.mark.parametrize("options, pages", [
    (None, 5),
    ('{"max_pages": 2}', 2),
    ('{"max_pages": 0}', 0),
    ('{"max_pages": -1}', 5),
    ('{"max_pages": 1.5}', 5),
    ('{"max_pages": "2"}', 5),
    # A limit beyond 32 bits saturates: it never wraps to zero pages.
    ('{"max_pages": 4294967296}', 5),
])
def test_max_pages(tmp_path, options, pages):
    doc = extract(tmp_path, pages_pdf([""] * 5), options)
    assert len(doc["pages"]) == pages
    assert doc["diagnostics"] == []


def test_document_without_pages(tmp_path):
    data = build_pdf(["<< /Type /Catalog /Pages 2 0 R >>",
                      "<< /Type /Pages /Kids [] /Count 0 >>"])
    doc = extract(tmp_path, data)
    assert doc["pages"] == [] and doc["glyphs"] == [] and doc["regions"] == []
    assert doc["diagnostics"] == [{"message": "document has no pages", "page_index": None}]


def test_json_form(tmp_path):
    path = tmp_path / "doc.pdf"
    path.write_bytes(pages_pdf(["/MediaBox [0 0 300 400]"]))
    text = z.extract(str(path))
    assert not text.endswith("\n")
    assert text.startswith('{\n  "coordinate_space": "pdf-user-space-origin-bottom-left-y-up",\n')
    doc = json.loads(text)
    assert list(doc) == sorted(doc)
    assert json.dumps(doc, indent=2, sort_keys=True, ensure_ascii=False) == text


@pytest.mark.parametrize("name, options, loads", [
    ("encryption_rc4-40.pdf", '{"password": "foo"}', True),
    ("encryption_rc4-128.pdf", '{"password": "foo"}', True),
    ("encryption_aes-128.pdf", '{"password": "foo"}', True),
    ("encryption_aes-128-m.pdf", '{"password": "foo"}', True),
    ("encryption_aes-256.pdf", '{"password": "foo"}', True),
    ("encryption_aes-256-m.pdf", '{"password": "foo"}', True),
    ("encryption_aes-256-r6.pdf", '{"password": "usersecret"}', True),
    ("encryption_aes-256-r6.pdf", '{"password": "ownersecret"}', True),
    ("encryption_aes-256-r6.pdf", None, False),
    ("encryption_rc4-128.pdf", '{"password": "wrong"}', False),
    ("encryption_rc4-128.pdf", None, False),
    ("encryption_base.pdf", None, True),
])
def test_encrypted_samples(corpus, name, options, loads):
    path = str(corpus / "pdfminer" / name)
    if loads:
        doc = json.loads(z.extract(path, options))
        assert len(doc["pages"]) == len(PdfReader(str(corpus / "pdfminer" / "encryption_base.pdf")).pages)
    else:
        with pytest.raises(RuntimeError) as info:
            z.extract(path, options)
        assert str(info.value).startswith("failed to open PDF: ")


def test_empty_password_is_handed_on_as_a_password(corpus):
    # The reader cannot tell "" from no password: both try the empty user
    # password, so a file that needs a real one fails either way.
    path = str(corpus / "pdfminer" / "encryption_rc4-128.pdf")
    for options in (None, '{"password": ""}'):
        with pytest.raises(RuntimeError):
            z.extract(path, options)


def test_strict_refuses_a_damaged_file(tmp_path):
    data = pages_pdf([""])
    data = data[:data.rindex(b"startxref")] + b"startxref\n12\n%%EOF\n"
    path = tmp_path / "damaged.pdf"
    path.write_bytes(data)
    assert len(json.loads(z.extract(str(path)))["pages"]) == 1
    with pytest.raises(RuntimeError) as info:
        z.extract(str(path), '{"strict": true}')
    assert str(info.value).startswith("failed to open PDF: ")
    # "strict" given as a string is not accepted: not strict.
    assert len(json.loads(z.extract(str(path), '{"strict": "true"}'))["pages"]) == 1


def test_corpus_papers_give_one_page_record_per_page(corpus):
    for path in sorted((corpus / "papers").glob("*.pdf")):
        try:
            doc = json.loads(z.extract(str(path)))
        except RuntimeError as e:
            assert str(e).startswith("failed to open PDF: "), path
            continue
        assert len(doc["pages"]) == len(PdfReader(str(path)).pages), path
        assert [p["index"] for p in doc["pages"]] == list(range(len(doc["pages"]))), path


@pytest.mark.parametrize("codes, texts", [
    (b"00410042", ["A", "B"]),                 # ASCII only
    (b"004100E9", ["A", "\u00e9"]),            # Latin-1
    (b"00414E2D", ["A", "\u4e2d"]),            # the BMP
    (b"D83DDE0000E9", ["\U0001F600", "\u00e9"]),  # beyond the BMP
])
def test_text_reaches_python_intact_in_every_string_form(tmp_path, codes, texts):
    # A Type0 font over UTF-16 codes shows the characters as they are.
    content = b"BT /V 10 Tf <" + codes + b"> Tj ET"
    data = build_pdf([
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Resources << /Font << /V 5 0 R >> >> /Contents 4 0 R >>",
        stream("", content),
        "<< /Type /Font /Subtype /Type0 /BaseFont /Test /Encoding /UniGB-UTF16-H "
        "/DescendantFonts [6 0 R] >>",
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Test "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>",
    ])
    path = tmp_path / "doc.pdf"
    path.write_bytes(data)
    text = z.extract(str(path))
    # A str must be in the narrowest form its characters allow, or it would
    # compare unequal to the same text decoded afresh.
    assert text == text.encode("utf-8").decode("utf-8")
    doc = json.loads(text)
    assert [g["unicode"] for g in doc["glyphs"]] == texts
    assert doc["plain_text"] == "".join(texts)


def bare_cff_program(encoded):
    """A CFF program written by fontTools: one font whose built-in encoding
    gives each code of `encoded` the glyph named beside it."""
    from fontTools.fontBuilder import FontBuilder
    from fontTools.pens.t2CharStringPen import T2CharStringPen

    names = [".notdef"] + list(dict.fromkeys(encoded.values()))
    fb = FontBuilder(1000, isTTF=False)
    fb.setupGlyphOrder(names)
    charstrings = {}
    for name in names:
        pen = T2CharStringPen(500, None)
        pen.moveTo((50, 0))
        pen.lineTo((450, 0))
        pen.lineTo((450, 700))
        pen.closePath()
        charstrings[name] = pen.getCharString()
    fb.setupCFF("TestGreek", {}, charstrings, {})
    encoding = [".notdef"] * 256
    for code, name in encoded.items():
        encoding[code] = name
    fb.font["CFF "].cff.topDictIndex[0].Encoding = encoding
    return fb.font["CFF "].compile(fb.font)


# fontTools writes the shorter of the two encoding formats: a code per glyph
# (format 0) for scattered codes, ranges (format 1) for consecutive ones.
@pytest.mark.parametrize("codes", [(0x61, 0x53, 0x21), (0x41, 0x42, 0x43)])
def test_bare_cff_font_without_encoding_decodes_by_its_own(tmp_path, codes):
    glyphs = ["alpha", "summation", "arrowright"]
    program = bare_cff_program(dict(zip(codes, glyphs)))
    shown = "".join(f"{c:02X}" for c in codes).encode()
    data = build_pdf([
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 300] "
        "/Resources << /Font << /F1 5 0 R >> >> /Contents 4 0 R >>",
        stream("", b"BT /F1 12 Tf 20 200 Td <" + shown + b"> Tj ET"),
        "<< /Type /Font /Subtype /Type1 /BaseFont /TestGreek /FirstChar 0 /LastChar 255 "
        f"/Widths [{' '.join(['500'] * 256)}] /FontDescriptor 6 0 R >>",
        "<< /Type /FontDescriptor /FontName /TestGreek /Flags 4 /FontBBox [0 0 500 700] "
        "/ItalicAngle 0 /Ascent 700 /Descent 0 /CapHeight 700 /StemV 80 /FontFile3 7 0 R >>",
        stream("/Subtype /Type1C", program),
    ])
    path = tmp_path / "cff.pdf"
    path.write_bytes(data)
    doc = json.loads(z.extract(str(path)))
    assert [g["unicode"] for g in doc["glyphs"]] == ["\u03b1", "\u2211", "\u2192"]
    # pdftotext reads the same program the same way.
    reference = subprocess.run(["pdftotext", "-enc", "UTF-8", str(path), "-"], capture_output=True,
                               text=True, check=True).stdout
    assert "\u03b1\u2211\u2192" in reference


def test_threads_extract_papers_at_once_as_one_at_a_time(corpus):
    # The interpreter lock is released for the C++ work, so these run at
    # once; each call's text must still be exactly what it is alone.
    paths = [str(corpus / "papers" / name) for name in
             ("P07-1088.pdf", "bohnet09.pdf", "gadr.pdf", "bug886717.pdf")]
    alone = [z.extract(p) for p in paths]
    with ThreadPoolExecutor(max_workers=8) as pool:
        together = list(pool.map(z.extract, paths * 2))
    for path, text, expected in zip(paths * 2, together, alone * 2):
        assert text == expected, path


def test_other_threads_run_while_extract_works(corpus):
    # A thread that wakes every millisecond gets nothing done during the call
    # while the lock is held; with the lock released it keeps waking.
    path = str(corpus / "papers" / "pdkids.pdf")
    stop = threading.Event()
    wakes = []

    def ticker():
        while not stop.is_set():
            wakes.append(time.perf_counter())
            time.sleep(0.001)

    thread = threading.Thread(target=ticker)
    thread.start()
    try:
        time.sleep(0.01)
        start = time.perf_counter()
        z.extract(path)
        end = time.perf_counter()
    finally:
        stop.set()
        thread.join()
    during = [t for t in wakes if start < t < end]
    assert len(during) >= 10, (len(during), end - start)


@pytest.fixture
def sigint_raises():
    """Ctrl-C raising KeyboardInterrupt, as in an interactive interpreter: a
    process started in the background by a shell without job control starts
    with SIGINT ignored, and then interrupt_main does nothing."""
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    yield
    signal.signal(signal.SIGINT, previous)


def test_ctrl_c_ends_extract_between_pages(corpus, tmp_path, sigint_raises):
    # A long document (pdkids.pdf four times over): Ctrl-C shortly after the
    # start ends the call at a page's end, long before the text is done.
    book = tmp_path / "long.pdf"
    source = str(corpus / "papers" / "pdkids.pdf")
    subprocess.run(["qpdf", "--empty", "--pages", source, source, source, source, "--", str(book)],
                   check=True)
    start = time.perf_counter()
    z.extract(str(book))
    whole = time.perf_counter() - start

    timer = threading.Timer(0.02, _thread.interrupt_main)
    start = time.perf_counter()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            z.extract(str(book))
            # Only when the call ended before the interrupt came: it lands here.
            time.sleep(10)
    finally:
        timer.cancel()
    assert time.perf_counter() - start < whole / 2, whole
