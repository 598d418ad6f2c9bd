import os
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
CORPUS = ROOT.parent / "shared" / "corpus"

try:
    import zentavolurmix  # noqa: F401
except ImportError as e:  # pragma: no cover - a set-up fault, reported plainly
    raise pytest.UsageError(
        f"zentavolurmix is not installed for this interpreter ({sys.executable}): {e}. "
        "Run scripts/setup with the same python3 that runs the tests.")


@pytest.fixture
def corpus():
    if not CORPUS.is_dir():
        pytest.skip(f"corpus not found at {CORPUS}")
    return CORPUS


@pytest.fixture
def clean_env(monkeypatch):
    for key in list(os.environ):
        if key.startswith("ZVK_"):
            monkeypatch.delenv(key)
    return monkeypatch
