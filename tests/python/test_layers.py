"""The folders of src/ include one way, from the module entry down to the
ground utilities: a file may include its own folder and the folders below
it, never one above. Reads the sources only; no build needed."""

import re
from pathlib import Path

import pytest

SRC = Path(__file__).resolve().parents[2] / "src"

# Top to bottom. A new folder takes its place here before anything includes it.
# The rewrite stage is four subsystems in one folder: each of its subfolders
# stands on its own here, since translation planning calls into rewrite
# geometry while the later rewrite subsystems call translation.
ORDER = ["python", "api", "rewrite/output", "rewrite/placement", "rewrite/structure", "layout",
         "translate", "rewrite/geometry", "translator", "segment", "content", "font", "pdf", "base"]
RANK = {folder: rank for rank, folder in enumerate(ORDER)}
# Folders whose subfolders are keyed one by one.
SPLIT = {"rewrite"}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".inc"}


def folder_key(parts):
    """The folder a path (its components, relative to src) belongs to: the
    first component, or the first two in a split folder. A file lying directly
    in a split folder keys as the split folder itself, which has no place."""
    if parts[0] in SPLIT and len(parts) > 2:
        return f"{parts[0]}/{parts[1]}"
    return parts[0]


def includes_by_folder(src):
    """(folder, file, included folder) for every quoted include under src."""
    edges = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCE_SUFFIXES or not path.is_file():
            continue
        folder = folder_key(path.relative_to(src).parts)
        for target in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            included = folder_key(target.split("/")) if "/" in target else folder
            edges.append((folder, path.relative_to(src).as_posix(), included))
    return edges


def source_folders(src):
    """Every folder of src that holds sources, keyed as folder_key does."""
    return {folder_key(path.relative_to(src).parts) for path in src.rglob("*")
            if path.suffix in SOURCE_SUFFIXES and path.is_file()}


def upward_includes(edges):
    return [f"{file} includes {included}/ (above {folder}/)"
            for folder, file, included in edges
            if included in RANK and folder in RANK and RANK[included] < RANK[folder]]


def test_every_folder_has_a_place_in_the_order():
    folders = {p.name for p in SRC.iterdir() if p.is_dir() and p.name not in SPLIT} | source_folders(SRC)
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
    # The rewrite subfolders rank one by one, around translate.
    ("translate", '#include "rewrite/geometry/rewrite_lines.h"\n', False),
    ("rewrite/geometry", '#include "translate/proper_names.h"\n', True),
    ("rewrite/structure", '#include "translate/proper_names.h"\n', False),
    ("rewrite/structure", '#include "rewrite/geometry/rewrite_lines.h"\n', False),
    ("rewrite/geometry", '#include "rewrite/structure/blocks.h"\n', True),
    ("rewrite/placement", '#include "rewrite/output/driver.h"\n', True),
    ("rewrite/geometry", '#include "rewrite_lines.h"\n', False),  # its own subfolder
    ("layout", '#include "rewrite/placement/fitting.h"\n', True),
])
def test_the_check_sees_an_upward_include(tmp_path, folder, content, upward):
    (tmp_path / folder).mkdir(parents=True)
    (tmp_path / folder / "unit.cpp").write_text(content)
    assert bool(upward_includes(includes_by_folder(tmp_path))) == upward


@pytest.mark.parametrize("path, key", [
    ("segment/glyph_order.h", "segment"),
    ("rewrite/geometry/rewrite_lines.h", "rewrite/geometry"),
    ("rewrite/output/deep/unit.cpp", "rewrite/output"),
    ("rewrite/stray.h", "rewrite"),  # no place in the order: flagged
])
def test_split_folders_key_by_subfolder(path, key):
    assert folder_key(path.split("/")) == key
    assert (key in RANK) == (key != "rewrite")
