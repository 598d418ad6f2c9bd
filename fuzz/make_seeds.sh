#!/bin/sh
# Writes decoded content streams (page contents and form XObjects) of the
# shared corpus into a seed folder for the lexer fuzzer. The seeds are derived
# from other people's files: they stay under build/ and are never committed.
#   fuzz/make_seeds.sh [corpus-dir] [seed-dir]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-"$here/../shared/corpus"}
seeds=${2:-"$here/build/fuzz-seeds"}
mkdir -p "$seeds"
python3 - "$corpus" "$seeds" <<'PY'
import hashlib, pathlib, sys, logging
logging.disable(logging.CRITICAL)
from pypdf import PdfReader

corpus, seeds = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
MAX_SEED = 64 * 1024   # longer streams are cut: the fuzzer mutates small inputs best
MAX_PER_FILE = 4
written = 0
for path in sorted(corpus.rglob("*.pdf")):
    try:
        reader = PdfReader(str(path), strict=False)
        datas = []
        for page in reader.pages[:2]:
            contents = page.get_contents()
            if contents is not None:
                datas.append(contents.get_data())
            xobjects = page.get("/Resources", {}).get("/XObject", {}) if page.get("/Resources") else {}
            for name in list(xobjects)[:2]:
                x = xobjects[name].get_object()
                if x.get("/Subtype") == "/Form":
                    datas.append(x.get_data())
        for data in datas[:MAX_PER_FILE]:
            data = data[:MAX_SEED]
            if not data:
                continue
            name = hashlib.sha1(data).hexdigest()[:16]
            (seeds / name).write_bytes(data)
            written += 1
    except Exception:
        continue
print(f"{written} seeds in {seeds}")
PY
