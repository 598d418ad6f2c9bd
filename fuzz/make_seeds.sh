#!/bin/sh
# Writes seed inputs for the fuzz targets from the shared corpus, one folder
# per target under the seed directory:
#   lexer/     decoded content streams (page contents and form XObjects)
#   cmap/      decoded ToUnicode and embedded encoding CMaps
#   sfnt/      embedded TrueType and OpenType programs, and their bare cmap tables
#   document/  the smaller corpus files themselves
# The seeds are derived from other people's files: they stay under build/ and
# are never committed.
#   fuzz/make_seeds.sh [corpus-dir] [seed-dir]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
corpus=${1:-"$here/../shared/corpus"}
seeds=${2:-"$here/build/fuzz-seeds"}
mkdir -p "$seeds/lexer" "$seeds/cmap" "$seeds/sfnt" "$seeds/document"
python3 - "$corpus" "$seeds" <<'PY'
import hashlib, logging, pathlib, struct, sys
logging.disable(logging.CRITICAL)
from pypdf import PdfReader

corpus, seeds = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
MAX_SEED = 64 * 1024        # longer streams are cut: the fuzzer mutates small inputs best
MAX_FONT = 256 * 1024       # font programs are kept whole (cutting breaks their offsets)
MAX_DOCUMENT = 96 * 1024    # whole files: only the small ones
MAX_PER_FILE = 4
counts = {"lexer": 0, "cmap": 0, "sfnt": 0, "document": 0}


def write(target, data):
    if not data:
        return
    name = hashlib.sha1(data).hexdigest()[:16]
    path = seeds / target / name
    if not path.exists():
        path.write_bytes(data)
        counts[target] += 1


def cmap_table(program):
    """The bare cmap table of an sfnt program, or None."""
    if len(program) < 12:
        return None
    count = struct.unpack_from(">H", program, 4)[0]
    for k in range(count):
        at = 12 + 16 * k
        if at + 16 > len(program):
            return None
        tag, _, offset, length = struct.unpack_from(">4sIII", program, at)
        if tag == b"cmap":
            return program[offset:offset + length] or None
    return None


def font_dicts(resources, seen):
    fonts = resources.get("/Font") if resources else None
    if not fonts:
        return
    for name in list(fonts):
        font = fonts[name].get_object()
        if id(font) in seen:
            continue
        seen.add(id(font))
        yield font
        for descendant in font.get("/DescendantFonts", []) or []:
            yield descendant.get_object()


for path in sorted(corpus.rglob("*.pdf")):
    if path.stat().st_size <= MAX_DOCUMENT:
        write("document", path.read_bytes())
    try:
        reader = PdfReader(str(path), strict=False)
        contents, seen = [], set()
        for page in reader.pages[:2]:
            data = page.get_contents()
            if data is not None:
                contents.append(data.get_data())
            resources = page.get("/Resources")
            xobjects = resources.get("/XObject", {}) if resources else {}
            for name in list(xobjects)[:2]:
                x = xobjects[name].get_object()
                if x.get("/Subtype") == "/Form":
                    contents.append(x.get_data())
            for font in font_dicts(resources, seen):
                for key in ("/ToUnicode", "/Encoding"):
                    value = font.get(key)
                    if value is not None and hasattr(value.get_object(), "get_data"):
                        write("cmap", value.get_object().get_data()[:MAX_SEED])
                descriptor = font.get("/FontDescriptor")
                descriptor = descriptor.get_object() if descriptor is not None else {}
                for key in ("/FontFile2", "/FontFile3"):
                    if key in descriptor:
                        program = descriptor[key].get_object().get_data()
                        if len(program) <= MAX_FONT:
                            write("sfnt", program)
                        table = cmap_table(program)
                        if table:
                            write("sfnt", table[:MAX_SEED])
        for data in contents[:MAX_PER_FILE]:
            write("lexer", data[:MAX_SEED])
    except Exception:
        continue
print(" ".join(f"{target}: {n}" for target, n in counts.items()), f"new seeds in {seeds}")
PY
