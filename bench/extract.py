#!/usr/bin/env python3
"""Times extract against two peer per-character extractors on the same files,
in one run: PyMuPDF's rawdict pass and pdfminer.six's LTChar layout. Each
measurement runs in a fresh process so its peak memory is its own.

    python3 bench/extract.py [FILE.pdf ...]      (default: the corpus papers)
    python3 bench/extract.py --book              (also a 350-page book built from them)
    python3 bench/extract.py --runs 5            (best of 5 runs; default 3)
    python3 bench/extract.py --threads 8         (8 papers on 8 Python threads at
                                                  once against the same 8 in turn)

The module measured is the one `python3` imports: to measure a build of your
own, put its folder first on PYTHONPATH. The peak-memory target applies to
the book (small files are dominated by the interpreter's own memory).

Run by hand; never a timed test. The peers are installed with pip into a
virtual environment of their own under build/ (created when missing), so the
machine's interpreter is left as it is; every tool runs in that environment's
interpreter, which sees the module through PYTHONPATH like python3 does."""

import json
import os
import resource
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
CORPUS = HERE.parent.parent / "shared" / "corpus"

# Each tool: what it imports (outside the timed part, so that loading a large
# library is not counted as extraction), the timed extraction, which sets
# `glyphs` (and `call`, the time of the call alone, where counting the glyphs
# is a step of its own), and what runs after the peak memory is read, which
# sets `extra` (the JSON's size in bytes, ours only: encoding the text copies
# it).
WORKERS = {
    "zentavolurmix": ("import zentavolurmix as z", """
call_start = time.perf_counter()
text = z.extract(PATH)
call = time.perf_counter() - call_start
glyphs = text.count('"char_code"')
""", "extra = len(text.encode())"),
    "pymupdf": ("import pymupdf", """
glyphs = 0
with pymupdf.open(PATH) as doc:
    for page in doc:
        for block in page.get_text("rawdict")["blocks"]:
            for line in block.get("lines", []):
                for span in line["spans"]:
                    glyphs += len(span["chars"])
""", "extra = 0"),
    # Characters only, without layout analysis (laparams=None): the cheapest
    # way pdfminer.six gives every LTChar, so the fairest peer for a per-glyph
    # extraction that does no layout of its own.
    "pdfminer": ("""
from pdfminer.converter import PDFPageAggregator
from pdfminer.layout import LTChar, LTContainer
from pdfminer.pdfinterp import PDFPageInterpreter, PDFResourceManager
from pdfminer.pdfpage import PDFPage
""", """
glyphs = 0
def walk(item):
    global glyphs
    if isinstance(item, LTChar):
        glyphs += 1
    elif isinstance(item, LTContainer):
        for child in item:
            walk(child)
with open(PATH, "rb") as fp:
    manager = PDFResourceManager(caching=True)
    device = PDFPageAggregator(manager, laparams=None)
    interpreter = PDFPageInterpreter(manager, device)
    for page in PDFPage.get_pages(fp, caching=True):
        interpreter.process_page(page)
        walk(device.get_result())
""", "extra = 0"),
}

RUNNER = """
import json, resource, sys, time
PATH = sys.argv[1]
{setup}
start = time.perf_counter()
cpu_start = time.process_time()
{body}
elapsed = time.perf_counter() - start
cpu = time.process_time() - cpu_start
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
{after}
call = globals().get("call", elapsed)
print(json.dumps({{"seconds": elapsed, "call": call, "cpu": cpu, "glyphs": glyphs, "peak": peak,
                  "json_bytes": extra}}))
"""

# Several files extracted one after another, then all at once on as many
# Python threads, in one process; every text must be the same both ways.
THREADS_RUNNER = """
import json, sys, time, threading
import zentavolurmix as z
paths = sys.argv[1:]
start = time.perf_counter()
alone = [z.extract(p) for p in paths]
serial = time.perf_counter() - start
together = [None] * len(paths)
def run(i):
    together[i] = z.extract(paths[i])
threads = [threading.Thread(target=run, args=(i,)) for i in range(len(paths))]
start = time.perf_counter()
for t in threads:
    t.start()
for t in threads:
    t.join()
parallel = time.perf_counter() - start
print(json.dumps({"serial": serial, "parallel": parallel, "same": together == alone}))
"""


VENV = HERE.parent / "build" / "bench-venv"
PYTHON = VENV / "bin" / "python"


def ensure_peers():
    """The venv's interpreter, with both peers importable."""
    if not PYTHON.exists():
        # It sees the machine's packages too, so an installed module is measured
        # as python3 would import it.
        subprocess.run([sys.executable, "-m", "venv", "--system-site-packages", str(VENV)], check=True)
    probe = subprocess.run([str(PYTHON), "-c", "import pymupdf, pdfminer"], capture_output=True)
    if probe.returncode != 0:
        subprocess.run([str(PYTHON), "-m", "pip", "install", "-q", "pymupdf", "pdfminer.six"],
                       check=True)


def measure(tool, path):
    setup, body, after = WORKERS[tool]
    code = RUNNER.format(setup=setup, body=body, after=after)
    proc = subprocess.run([str(PYTHON), "-c", code, str(path)], capture_output=True, text=True)
    if proc.returncode != 0:
        return {"error": proc.stderr.strip().splitlines()[-1] if proc.stderr else "failed"}
    return json.loads(proc.stdout.strip().splitlines()[-1])


def build_book(pages=350):
    """A long book: corpus papers repeated until it has the given page count."""
    out = Path(tempfile.gettempdir()) / "zvk-bench-book.pdf"
    if out.exists():
        return out
    sources = sorted((CORPUS / "papers").glob("*.pdf"))
    args, total = [], 0
    while total < pages:
        for src in sources:
            n = int(subprocess.run(["qpdf", "--show-npages", str(src)], capture_output=True,
                                   text=True).stdout)
            take = min(n, pages - total)
            args += [str(src), f"1-{take}"]
            total += take
            if total >= pages:
                break
    subprocess.run(["qpdf", "--empty", "--pages", *args, "--", str(out)], check=True)
    return out


def best_of(tool, path, runs):
    """The fastest of several runs (the others only add noise), with the
    largest peak memory seen."""
    results = [measure(tool, path) for _ in range(runs)]
    for r in results:
        if "error" in r:
            return r
    best = min(results, key=lambda r: r["seconds"])
    return dict(best, peak=max(r["peak"] for r in results))


def option_value(argv, name, default):
    for i, a in enumerate(argv):
        if a == name and i + 1 < len(argv):
            return argv[i + 1]
    return default


# The targets: at most 0.8 times PyMuPDF's rawdict pass on each paper and 0.6
# times on the book, at least five times faster than pdfminer.six, peak
# memory at most three times the JSON (the book).
MAX_RATIO = {"pymupdf": 0.8, "pdfminer": 0.2}
MAX_RATIO_BOOK = {"pymupdf": 0.6, "pdfminer": 0.2}
MAX_PEAK_OVER_JSON = 3.0


def bench_threads(count, runs):
    """`count` papers on `count` Python threads against the same in turn."""
    # Papers of about ten pages (pdkids.pdf is a 55-page book: alone it
    # would set the time of the threaded run).
    papers = [p for p in sorted((CORPUS / "papers").glob("*.pdf")) if p.name != "pdkids.pdf"]
    papers = (papers * count)[:count]
    print(f"cores: {os.cpu_count()}; {count} threads; best of {runs} runs")
    for p in papers:
        print(f"  {p.name}")
    best = None
    for _ in range(runs):
        proc = subprocess.run([str(PYTHON), "-c", THREADS_RUNNER, *map(str, papers)],
                              capture_output=True, text=True)
        if proc.returncode != 0:
            print("error: " + (proc.stderr.strip().splitlines() or ["failed"])[-1])
            return 1
        r = json.loads(proc.stdout.strip().splitlines()[-1])
        if not r["same"]:
            print("the texts extracted on threads differ from those extracted in turn")
            return 1
        if best is None or r["parallel"] < best["parallel"]:
            best = r
    print(f"{'in turn':>10} {'at once':>10} {'speed-up':>9}")
    print(f"{best['serial']:10.3f} {best['parallel']:10.3f} {best['serial'] / best['parallel']:9.2f}")
    print("every text the same at once as in turn")
    return 0


def main(argv):
    if "--help" in argv or "-h" in argv:
        print(__doc__)
        return 0
    ensure_peers()
    runs = int(option_value(argv, "--runs", "3"))
    threads = option_value(argv, "--threads", None)
    if threads is not None:
        return bench_threads(int(threads), runs)
    values = {option_value(argv, "--runs", None), threads}
    files = [Path(a) for a in argv if not a.startswith("--") and a not in values]
    if not files:
        files = sorted((CORPUS / "papers").glob("*.pdf"))
    book = build_book() if "--book" in argv else None
    if book:
        files.append(book)
    where = subprocess.run([str(PYTHON), "-c", "import zentavolurmix; print(zentavolurmix.__file__)"],
                           capture_output=True, text=True).stdout.strip()
    print(f"cores: {os.cpu_count()}; best of {runs} runs; zentavolurmix from {where}")
    header = (f"{'file':34} {'tool':14} {'glyphs':>8} {'seconds':>8} {'call s':>7} {'cpu s':>7} "
              f"{'glyphs/s':>10} {'ratio':>6} {'peak MB':>8} {'JSON MB':>8} {'peak/JSON':>9}")
    print(header)
    missed = []
    for path in files:
        results = {tool: best_of(tool, path, runs) for tool in WORKERS}
        ours = results["zentavolurmix"].get("seconds")
        for tool, r in results.items():
            if "error" in r:
                print(f"{path.name[:34]:34} {tool:14} error: {r['error']}")
                continue
            rate = r["glyphs"] / r["seconds"] if r["seconds"] else 0
            ratio = (ours / r["seconds"]) if ours and r["seconds"] else float("nan")
            over_json = r["peak"] / r["json_bytes"] if r["json_bytes"] else float("nan")
            print(f"{path.name[:34]:34} {tool:14} {r['glyphs']:8} {r['seconds']:8.3f} {r['call']:7.3f} "
                  f"{r['cpu']:7.3f} {rate:10.0f} "
                  f"{ratio:6.2f} {r['peak'] / 1e6:8.1f} {r['json_bytes'] / 1e6:8.1f} "
                  f"{'' if over_json != over_json else f'{over_json:9.2f}'}")
            limits = MAX_RATIO_BOOK if path == book else MAX_RATIO
            if tool in limits and ratio > limits[tool]:
                missed.append(f"{path.name}: {ratio:.2f} times {tool}'s time (target {limits[tool]})")
            if tool == "zentavolurmix" and path == book and over_json > MAX_PEAK_OVER_JSON:
                missed.append(f"{path.name}: peak memory {over_json:.2f} times the JSON (target {MAX_PEAK_OVER_JSON})")
    print("ratio: our time over the tool's time (below 1 means we are faster); call s: extract "
          "alone, without counting the glyphs in its text; cpu s: the process's CPU time in the "
          "timed span (ours counts every worker thread)")
    print("targets missed:" if missed else "every target met")
    for m in missed:
        print("  " + m)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
