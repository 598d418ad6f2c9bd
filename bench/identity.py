#!/usr/bin/env python3
"""Checks that a change left extract's output as it was: records a digest of
every corpus file's extraction (the text, or the exception's type and
message, and the warnings), then compares a later build against the record.

    python3 bench/identity.py --save DIGESTS.json [FILE.pdf ...]
    python3 bench/identity.py --check DIGESTS.json [FILE.pdf ...]

Default files: every PDF of ../shared/corpus (papers, pdfminer, pdfjs) and
the bench's 350-page book when bench/extract.py has built it. The module
measured is the one `python3` imports: put your build's folder first on
PYTHONPATH. Run by hand; it is a tool for performance work, not a test."""

import hashlib
import json
import sys
import tempfile
import warnings
from pathlib import Path

import zentavolurmix as z

HERE = Path(__file__).resolve().parent
CORPUS = HERE.parent.parent / "shared" / "corpus"


def default_files():
    files = sorted(CORPUS.glob("*/*.pdf"))
    book = Path(tempfile.gettempdir()) / "zvk-bench-book.pdf"
    if book.exists():
        files.append(book)
    return files


def digest(path):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        try:
            text = z.extract(str(path))
            outcome = hashlib.sha256(text.encode("utf-8", "surrogatepass")).hexdigest()
        except Exception as e:  # the outcome to compare, whatever it is
            outcome = f"{type(e).__name__}: {e}"
    said = [f"{w.category.__name__}: {w.message}" for w in caught]
    return {"outcome": outcome, "warnings": said}


def main(argv):
    if len(argv) < 2 or argv[0] not in ("--save", "--check"):
        print(__doc__)
        return 2
    mode, record = argv[0], Path(argv[1])
    files = [Path(a) for a in argv[2:]] or default_files()
    print(f"zentavolurmix from {z.__file__}; {len(files)} files", file=sys.stderr)
    now = {str(p): digest(p) for p in files}
    if mode == "--save":
        record.write_text(json.dumps(now, indent=1, sort_keys=True))
        print(f"{len(now)} digests saved to {record}")
        return 0
    before = json.loads(record.read_text())
    differ = [p for p in now if p in before and before[p] != now[p]]
    missing = [p for p in now if p not in before]
    for p in differ:
        print(f"differs: {p}\n  before {before[p]}\n  now    {now[p]}")
    for p in missing:
        print(f"no digest recorded: {p}")
    print(f"{len(now) - len(differ) - len(missing)} same, {len(differ)} differ, {len(missing)} unrecorded")
    return 1 if differ or missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
