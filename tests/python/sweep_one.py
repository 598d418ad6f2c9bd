"""Extracts one PDF in this process and prints one line: OK with the page and
glyph counts, or ERR with the RuntimeError's text. Anything else (a crash, a
hang, another exception, output on stderr) is a fault the sweep reports."""

import json
import sys

import zentavolurmix as z

path = sys.argv[1]
try:
    doc = json.loads(z.extract(path))
except RuntimeError as e:
    print(f"ERR {e}")
else:
    print(f"OK {len(doc['pages'])} {len(doc['glyphs'])}")
