"""extract on input chosen to hurt a service that runs it on uploads: paths that
are not files, small files that ask for gigabytes, memory running out. Each
case runs in its own process, bounded in time and memory, so that a fault
fails the test instead of hanging or exhausting the machine; nothing may
reach stderr."""

import json
import os
import resource
import subprocess
import sys
import textwrap
import zlib

import pytest

from pdf_fixtures import build_pdf, pages_pdf, stream

TIME_LIMIT = 120  # seconds; every case here ends in a few


def run_child(code, *args, memory_limit=None):
    """Runs `code` in a fresh interpreter; its stdout, or a failure that says
    what went wrong."""
    def limit():
        if memory_limit is not None:
            resource.setrlimit(resource.RLIMIT_AS, (memory_limit, memory_limit))
    try:
        proc = subprocess.run([sys.executable, "-c", textwrap.dedent(code), *map(str, args)],
                              capture_output=True, text=True, timeout=TIME_LIMIT,
                              preexec_fn=limit, errors="replace")
    except subprocess.TimeoutExpired:
        pytest.fail(f"no answer within {TIME_LIMIT} s")
    assert proc.returncode == 0, f"exit status {proc.returncode}; stderr: {proc.stderr[-2000:]}"
    assert proc.stderr == ""
    return proc.stdout.strip()


# Prints what extract(path) raised, or OK.
EXTRACT_OUTCOME = """
    import sys
    import zentavolurmix as z
    try:
        z.extract(sys.argv[1])
    except Exception as e:
        print(type(e).__name__, e)
    else:
        print("OK")
"""


# Only a regular file is read: a FIFO without a writer would block for ever
# (and one fed by another thread of the same process could never be fed while
# the interpreter lock is held), /dev/zero would grow until memory ran out.
@pytest.mark.parametrize("make, error", [
    pytest.param(lambda d: os.mkfifo(d / "fifo.pdf") or d / "fifo.pdf",
                 "failed to open PDF: IO error (not a regular file: a FIFO)", id="fifo"),
    pytest.param(lambda d: "/dev/zero",
                 "failed to open PDF: IO error (not a regular file: a character device)",
                 id="dev-zero"),
    pytest.param(lambda d: d,
                 "failed to open PDF: IO error (not a regular file: a directory)", id="directory"),
    pytest.param(lambda d: d / "missing.pdf", "failed to open PDF: IO error", id="missing"),
])
def test_only_regular_files_are_read(tmp_path, make, error):
    path = make(tmp_path)
    assert run_child(EXTRACT_OUTCOME, path, memory_limit=2 << 30) == f"RuntimeError {error}"


def shared_content_pdf(pages, glyphs):
    """One content of `glyphs` glyphs on `pages` pages: the page tree names the
    same page again and again, a few bytes each."""
    return build_pdf([
        "<< /Type /Catalog /Pages 2 0 R >>",
        f"<< /Type /Pages /Kids [{'5 0 R ' * pages}] /Count {pages} >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        stream("", b"BT /F 10 Tf (" + b"a" * glyphs + b") Tj ET"),
        "<< /Type /Page /Parent 2 0 R /Resources << /Font << /F 3 0 R >> >> /Contents 4 0 R >>",
    ])


# The parts of the extraction JSON around its glyphs, the glyphs counted, and
# the peak resident memory of the process (the JSON is over a gigabyte: it is
# not parsed as a whole).
SUMMARY = """
    import json, resource, sys
    import zentavolurmix as z
    text = z.extract(sys.argv[1])
    def part(key, next_key):
        start = text.index(f'\\n  "{key}": ') + len(key) + 6
        return json.loads(text[start:text.index(f',\\n  "{next_key}": ', start)])
    print(json.dumps({
        "glyphs": text.count('\\n      "char_code": '),
        "coverage_total": part("coverage", "diagnostics")["total"],
        "diagnostics": part("diagnostics", "glyphs"),
        "pages": len(part("pages", "plain_text")),
        "peak_rss_mib": resource.getrusage(resource.RUSAGE_SELF).ru_maxrss >> 10,
    }))
"""


def test_glyphs_are_bounded_by_the_file_size(tmp_path):
    # 37 KB naming a thousand glyphs on each of 6,000 pages: six million glyphs
    # and 7 GB of JSON (8 GB at the peak) under the fixed budget alone. The
    # file's size allows 16 glyphs a byte, here less than the floor of a
    # million, so a million glyphs are read and every page is listed.
    path = tmp_path / "shared.pdf"
    path.write_bytes(shared_content_pdf(6000, 1000))
    assert os.path.getsize(path) < 62_500
    summary = json.loads(run_child(SUMMARY, path, memory_limit=6 << 30))
    assert summary["glyphs"] == 1_000_000
    assert summary["coverage_total"] == 1_000_000
    assert summary["pages"] == 6000
    assert summary["diagnostics"] == [{
        "message": "document budget of 1000000 glyphs exhausted; the rest of the document is skipped",
        "page_index": 1000,
    }]
    # About 1.7 GB: the JSON (1.2 GB) and the records; the fixed budget alone
    # would take 8 GB.
    assert summary["peak_rss_mib"] < 3 << 10


# Runs extract with the address space limited to what the process holds plus
# `headroom`; the options text (when asked for) is built before the limit.
EXTRACT_WITH_HEADROOM = """
    import resource, sys
    import zentavolurmix as z
    path, headroom, option_items = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    options = '{"junk": [' + '0,' * option_items + '0]}' if option_items else None
    with open("/proc/self/status") as status:
        size = next(int(l.split()[1]) << 10 for l in status if l.startswith("VmSize:"))
    resource.setrlimit(resource.RLIMIT_AS, (size + headroom, size + headroom))
    try:
        z.extract(path, options)
    except BaseException as e:
        print(type(e).__name__, e)
    else:
        print("OK")
"""

MIB = 1 << 20
HUGE_ARRAY = "[" + "0 " * 2_000_000 + "]"


def write_large_file(path):
    with open(path, "wb") as f:  # sparse: no disk is used
        f.truncate(256 * MIB)


# Wherever memory runs out, extract raises MemoryError and nothing else: not
# "IO error", not the reader's text, not an extraction that quietly lost a
# stream or the page tree, never a crash.
@pytest.mark.parametrize("fixture, headroom, option_items", [
    # Reading the file: its buffer cannot be had.
    pytest.param(write_large_file, 16 * MIB, 0, id="reading"),
    # Parsing options of three million items.
    pytest.param(lambda p: p.write_bytes(pages_pdf([""])), 16 * MIB, 3_000_000, id="options"),
    # The reader's trailer holds an array of two million items.
    pytest.param(lambda p: p.write_bytes(build_pdf(
        ["<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R >>"], trailer=f"/Root 1 0 R /Junk {HUGE_ARRAY}")),
        64 * MIB, 0, id="loading"),
    # The page tree does: the reader takes it for damaged and finds no pages.
    pytest.param(lambda p: p.write_bytes(build_pdf(
        ["<< /Type /Catalog /Pages 2 0 R >>",
         f"<< /Type /Pages /Kids [3 0 R] /Count 1 /Junk {HUGE_ARRAY} >>",
         "<< /Type /Page /Parent 2 0 R >>"])),
        64 * MIB, 0, id="page-tree"),
    # A 60 KB stream that inflates to 60 MB: not an unreadable stream.
    pytest.param(lambda p: p.write_bytes(build_pdf([
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>",
        stream("/Filter /FlateDecode", zlib.compress(b" " * (60 * MIB), 9))])),
        16 * MIB, 0, id="decoding"),
    # A million glyphs: their records, then the JSON's string.
    pytest.param(lambda p: p.write_bytes(shared_content_pdf(2000, 1000)), 64 * MIB, 0,
                 id="interpreting"),
    pytest.param(lambda p: p.write_bytes(shared_content_pdf(2000, 1000)), 900 * MIB, 0,
                 id="result-string"),
])
def test_memory_exhaustion_is_a_memory_error(tmp_path, fixture, headroom, option_items):
    path = tmp_path / "doc.pdf"
    fixture(path)
    assert run_child(EXTRACT_WITH_HEADROOM, path, headroom, option_items) == "MemoryError"
