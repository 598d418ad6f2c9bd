#!/usr/bin/env python3
"""Times extract against two peer per-character extractors on the same files,
in one run: PyMuPDF's rawdict pass and pdfminer.six's LTChar layout. Each
measurement runs in a fresh process so its peak memory is its own.

    python3 bench/extract.py [FILE.pdf ...]      (default: the corpus papers)
    python3 bench/extract.py --book              (also a 350-page book built from them)

Run by hand; never a timed test. Installs the peers with pip when missing."""

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

WORKERS = {
    "zentavolurmix": """
import zentavolurmix as z
text = z.extract(PATH)
glyphs = text.count('"char_code"')
extra = len(text.encode())
""",
    "pymupdf": """
import fitz
glyphs = 0
with fitz.open(PATH) as doc:
    for page in doc:
        for block in page.get_text("rawdict")["blocks"]:
            for line in block.get("lines", []):
                for span in line["spans"]:
                    glyphs += len(span["chars"])
extra = 0
""",
    "pdfminer": """
from pdfminer.high_level import extract_pages
from pdfminer.layout import LTChar, LTContainer
glyphs = 0
def walk(item):
    global glyphs
    if isinstance(item, LTChar):
        glyphs += 1
    elif isinstance(item, LTContainer):
        for child in item:
            walk(child)
for page in extract_pages(PATH):
    walk(page)
extra = 0
""",
}

RUNNER = """
import json, resource, sys, time
PATH = sys.argv[1]
start = time.perf_counter()
{body}
elapsed = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
print(json.dumps({{"seconds": elapsed, "glyphs": glyphs, "peak": peak, "json_bytes": extra}}))
"""


def ensure_peers():
    try:
        import fitz  # noqa: F401
        import pdfminer  # noqa: F401
    except ImportError:
        subprocess.run([sys.executable, "-m", "pip", "install", "-q", "pymupdf", "pdfminer.six"],
                       check=True)


def measure(tool, path):
    code = RUNNER.format(body=WORKERS[tool])
    proc = subprocess.run([sys.executable, "-c", code, str(path)], capture_output=True, text=True)
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


def main(argv):
    ensure_peers()
    files = [Path(a) for a in argv if not a.startswith("--")]
    if not files:
        files = sorted((CORPUS / "papers").glob("*.pdf"))
    if "--book" in argv:
        files.append(build_book())
    print(f"cores: {os.cpu_count()}")
    header = f"{'file':34} {'tool':14} {'glyphs':>8} {'seconds':>8} {'glyphs/s':>10} {'ratio':>6} {'peak MB':>8} {'JSON MB':>8}"
    print(header)
    for path in files:
        results = {tool: measure(tool, path) for tool in WORKERS}
        ours = results["zentavolurmix"].get("seconds")
        for tool, r in results.items():
            if "error" in r:
                print(f"{path.name[:34]:34} {tool:14} error: {r['error']}")
                continue
            rate = r["glyphs"] / r["seconds"] if r["seconds"] else 0
            ratio = (ours / r["seconds"]) if ours and r["seconds"] else float("nan")
            print(f"{path.name[:34]:34} {tool:14} {r['glyphs']:8} {r['seconds']:8.3f} {rate:10.0f} "
                  f"{ratio:6.2f} {r['peak'] / 1e6:8.1f} {r['json_bytes'] / 1e6:8.1f}")
    print("ratio: our time over the tool's time (below 1 means we are faster)")


if __name__ == "__main__":
    main(sys.argv[1:])
