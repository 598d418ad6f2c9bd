"""extract over the corpus, each file in its own process under a time and
memory limit: every file must end in a result or a clean RuntimeError, never a
crash, a hang, runaway memory or output on stderr.

The default run takes a representative slice; `pytest -m sweep` runs every file."""

import os
import resource
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

HERE = Path(__file__).resolve().parent
CORPUS = HERE.parents[1].parent / "shared" / "corpus"
TIME_LIMIT = 120          # seconds per file
MEMORY_LIMIT = 6 << 30    # address space per file
# Under AddressSanitizer (scripts/sweep-sanitized) the address space holds the
# sanitizer's shadow memory, terabytes of it: the limit is on resident memory
# instead, enforced by the sanitizer itself.
SANITIZED = os.environ.get("ZVK_SWEEP_SANITIZED") == "1"


def all_files():
    return sorted(CORPUS.glob("*/*.pdf"))


def slice_files():
    files = all_files()
    # Every paper and pdfminer sample, and every 12th of the large pdf.js set.
    pdfjs = [f for f in files if f.parent.name == "pdfjs"]
    return [f for f in files if f.parent.name != "pdfjs"] + pdfjs[::12]


def limit_memory():
    resource.setrlimit(resource.RLIMIT_AS, (MEMORY_LIMIT, MEMORY_LIMIT))


def child_environment():
    env = dict(os.environ)
    if SANITIZED:
        rss_mb = MEMORY_LIMIT >> 20
        env["ASAN_OPTIONS"] = f"{env.get('ASAN_OPTIONS', '')}:hard_rss_limit_mb={rss_mb}".lstrip(":")
    return env


def run_one(path):
    try:
        proc = subprocess.run([sys.executable, str(HERE / "sweep_one.py"), str(path)],
                              capture_output=True, text=True, timeout=TIME_LIMIT,
                              preexec_fn=None if SANITIZED else limit_memory,
                              env=child_environment(), errors="replace")
    except subprocess.TimeoutExpired:
        return f"{path.name}: no answer within {TIME_LIMIT} s"
    out = proc.stdout.strip()
    if proc.returncode != 0:
        return f"{path.name}: exit status {proc.returncode}; stderr: {proc.stderr[-500:]}"
    if proc.stderr:
        return f"{path.name}: wrote to stderr: {proc.stderr[-500:]}"
    if not (out.startswith("OK ") or out.startswith("ERR failed to open PDF: ")):
        return f"{path.name}: unexpected answer {out[:300]!r}"
    return None


def sweep(files):
    if not files:
        pytest.skip(f"corpus not found at {CORPUS}")
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        faults = [f for f in pool.map(run_one, files) if f]
    assert not faults, f"{len(faults)} of {len(files)} files failed:\n" + "\n".join(faults)


def test_corpus_slice():
    sweep(slice_files())


@pytest.mark.sweep
def test_corpus_full():
    sweep(all_files())
