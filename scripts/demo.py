#!/usr/bin/env python3
"""Extracts a PDF and prints a short summary, then translates it with `save`
using the translator configured in the environment."""

import json
import os
import sys
from collections import Counter

import zentavolurmix as z


def main(source, output):
    print(f"zentavolurmix {z.version()}")
    doc = json.loads(z.extract(source))
    glyphs = doc["glyphs"]
    print(f"{source}: {len(doc['pages'])} pages, {len(glyphs)} glyphs, "
          f"{len(doc['regions'])} regions, {len(doc['diagnostics'])} diagnostics")
    for page in doc["pages"]:
        on_page = [g for g in glyphs if g["page_index"] == page["index"]]
        x0, y0, x1, y1 = page["media_box"]
        print(f"  page {page['index'] + 1}: {x1 - x0:g} x {y1 - y0:g} pt, rotate {page['rotate']}, "
              f"{len(on_page)} glyphs")
    fonts = Counter(g["font_name"] for g in glyphs)
    for name, count in fonts.most_common(5):
        print(f"  font {name}: {count} glyphs")
    text = doc.get("plain_text")
    if text:
        print("  text: " + text[:160].replace("\n", " / ") + " ...")
    for d in doc["diagnostics"][:5]:
        print(f"  diagnostic (page {d['page_index']}): {d['message']}")

    print(f"\nsave({source!r}, {output!r}) with the configured translator:")
    try:
        z.save(source, output)
        print(f"  wrote {output}")
    except RuntimeError as e:
        print(f"  {e}")
        configured = [k for k in os.environ if k.startswith("ZVK_")]
        print("  Configure a translator through the environment, for example:\n"
              "    ZVK_LLM_API_KEY=...  ZVK_LLM_BASE_URL=https://host/v1  ZVK_LLM_MODEL=name\n"
              "  or ZVK_GOOGLE_API_KEY=... (Google v2), or ZVK_TRANSLATOR=google-unofficial;\n"
              "  then run this command again."
              + (f"\n  (set now: {', '.join(sorted(configured))})" if configured else ""))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: demo.py INPUT.pdf OUTPUT.pdf")
    main(sys.argv[1], sys.argv[2])
