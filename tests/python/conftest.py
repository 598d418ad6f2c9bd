import os
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
CORPUS = ROOT.parent / "shared" / "corpus"

sys.path.insert(0, str(ROOT / "tests" / "support"))
from llm_server import LlmServer  # noqa: E402

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


@pytest.fixture(autouse=True)
def local_translator(monkeypatch):
    """Every test starts with an LLM translator configured that can reach only
    127.0.0.1 (port 9, where nothing listens), so no call of translate or save
    sends anything off the machine, whatever the developer's environment holds.
    Tests that need another set-up change it (clean_env, llm_env)."""
    for key in list(os.environ):
        if key.startswith(("ZVK_TRANSLATOR", "ZVK_LLM_", "ZVK_GOOGLE_")):
            monkeypatch.delenv(key)
    monkeypatch.setenv("ZVK_LLM_API_KEY", "sk-test-key")
    monkeypatch.setenv("ZVK_LLM_BASE_URL", "http://127.0.0.1:9/v1")


@pytest.fixture
def clean_env(monkeypatch):
    for key in list(os.environ):
        if key.startswith("ZVK_"):
            monkeypatch.delenv(key)
    return monkeypatch


@pytest.fixture
def llm_server():
    """The stand-in chat-completions service on http://127.0.0.1."""
    with LlmServer() as server:
        yield server


@pytest.fixture
def llm_env(clean_env, llm_server):
    """A configured LLM translator whose requests can only reach the stand-in."""
    clean_env.setenv("ZVK_LLM_API_KEY", "sk-test-key")
    clean_env.setenv("ZVK_LLM_BASE_URL", llm_server.base_url)
    return llm_server
