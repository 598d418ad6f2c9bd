"""The folders of src/ include one way, from the module entry down to the
ground utilities: a file may include its own folder and the folders below
it, never one above. Reads the sources only; no build needed."""

import re
from pathlib import Path

import pytest

SRC = Path(__file__).resolve().parents[2] / "src"

# Top to bottom. A new folder takes its place here before anything includes it.
ORDER = ["python", "api", "translate", "translator", "segment", "content", "font", "pdf", "base"]
RANK = {folder: rank for rank, folder in enumerate(ORDER)}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".inc"}


def includes_by_folder(src):
    """(folder, file, included folder) for every quoted include under src."""
    edges = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        folder = path.relative_to(src).parts[0]
        for target in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            included = target.split("/")[0] if "/" in target else folder
            edges.append((folder, path.relative_to(src).as_posix(), included))
    return edges


def upward_includes(edges):
    return [f"{file} includes {included}/ (above {folder}/)"
            for folder, file, included in edges
            if included in RANK and folder in RANK and RANK[included] < RANK[folder]]


def test_every_folder_has_a_place_in_the_order():
    folders = {p.name for p in SRC.iterdir() if p.is_dir()}
    assert folders, f"no sources under {SRC}"
    assert sorted(folders - set(ORDER)) == []
    included = {inc for _, _, inc in includes_by_folder(SRC)}
    assert sorted(included - set(ORDER)) == []


def test_no_folder_includes_a_higher_one():
    edges = includes_by_folder(SRC)
    assert len(edges) > 100  # the scan found the includes
    assert upward_includes(edges) == []


@pytest.mark.parametrize("folder, content, upward", [
    ("pdf", '#include "pdf/object.h"\n#include "base/utf8.h"\n', False),
    ("font", '#include "content/records.h"\n', True),
    ("base", '  #  include "api/options.h"\n', True),
    ("content", '#include "interpreter.h"\n', False),  # its own folder
])
def test_the_check_sees_an_upward_include(tmp_path, folder, content, upward):
    (tmp_path / folder).mkdir()
    (tmp_path / folder / "unit.cpp").write_text(content)
    assert bool(upward_includes(includes_by_folder(tmp_path))) == upward
