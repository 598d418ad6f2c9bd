#!/usr/bin/env python3
"""Times `translate` per page against the tests' stand-in service answering at
once, on each corpus paper and, with --book, on the 350-page book that
bench/extract.py builds:

    python3 bench/translate.py [FILE.pdf ...]   (default: the corpus papers)
    python3 bench/translate.py --book           (the book too)
    python3 bench/translate.py --runs 3         (best of 3; default 1)

For each file: extract alone, a cold translate (every request sent, 8 jobs),
and a warm one (every answer from the checkpoint file of the cold run, so
next to no HTTP). The translation stage is the translate time less the
extract time, per page: the cold figure still holds the stand-in's round
trips (overlapped by the 8 workers), the warm one is the run's own work
(planning, protection, checkpoint, merging, assembly and its JSON). The goal
is under 20 ms a page outside HTTP.

The module measured is the one `python3` imports: to measure a build of your
own, put its folder first on PYTHONPATH. Run by hand; never a timed test."""

import json
import os
import sys
import tempfile
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
CORPUS = ROOT.parent / "shared" / "corpus"
sys.path.insert(0, str(ROOT / "tests" / "support"))
sys.path.insert(0, str(HERE))

import zentavolurmix as z  # noqa: E402
from llm_server import LlmServer  # noqa: E402

GOAL_MS_PER_PAGE = 20.0


def best(runs, work):
    """The fastest of `runs` calls of work() as (seconds, its last result)."""
    times, result = [], None
    for _ in range(runs):
        start = time.perf_counter()
        result = work()
        times.append(time.perf_counter() - start)
    return min(times), result


def measure(server, path, runs):
    extract_s, extracted = best(runs, lambda: z.extract(str(path)))
    pages = len(json.loads(extracted)["pages"]) or 1
    options = json.dumps({"jobs": 8})
    with tempfile.TemporaryDirectory(prefix="zvk-translate-bench-") as directory:
        checkpoint = os.path.join(directory, "checkpoint.jsonl")
        os.environ["ZVK_TRANSLATE_CHECKPOINT"] = checkpoint

        def cold():
            if os.path.exists(checkpoint):
                os.remove(checkpoint)
            server.command({"clear": True})
            return z.translate(str(path), options)

        cold_s, cold_text = best(runs, cold)
        cold_result = json.loads(cold_text)
        cold_requests = len(server.requests())
        server.command({"clear": True})
        warm_s, _ = best(runs, lambda: z.translate(str(path), options))
        warm_requests = len(server.requests()) // runs
    del os.environ["ZVK_TRANSLATE_CHECKPOINT"]
    return {
        "pages": pages,
        "units": len(cold_result["translations"]),
        "extract_s": extract_s,
        "cold_s": cold_s,
        "cold_requests": cold_requests,
        "cold_ms_page": (cold_s - extract_s) * 1000 / pages,
        "warm_s": warm_s,
        "warm_requests": warm_requests,
        "warm_ms_page": (warm_s - extract_s) * 1000 / pages,
    }


def main(argv):
    runs = 1
    if "--runs" in argv:
        runs = int(argv[argv.index("--runs") + 1])
    files = [Path(a) for a in argv if a.endswith(".pdf")]
    if not files:
        files = sorted((CORPUS / "papers").glob("*.pdf"))
    if "--book" in argv:
        from extract import build_book
        files.append(build_book())
    missed = 0
    with LlmServer() as server:
        # Answers about as long as real ones, so that the checkpoint takes
        # them back (two ideographs for a paragraph fail the answer checks).
        server.command({"answer_scale": 3})
        os.environ["ZVK_LLM_API_KEY"] = "sk-bench"
        os.environ["ZVK_LLM_BASE_URL"] = server.base_url
        print(f"{'file':44} {'pages':>5} {'units':>6} {'extract':>8} {'cold':>8} {'reqs':>5} "
              f"{'ms/page':>8} {'warm':>8} {'reqs':>5} {'ms/page':>8}")
        for path in files:
            m = measure(server, path, runs)
            over = m["warm_ms_page"] > GOAL_MS_PER_PAGE
            missed += over
            print(f"{path.name[:44]:44} {m['pages']:5d} {m['units']:6d} {m['extract_s']:7.2f}s "
                  f"{m['cold_s']:7.2f}s {m['cold_requests']:5d} {m['cold_ms_page']:8.1f} "
                  f"{m['warm_s']:7.2f}s {m['warm_requests']:5d} {m['warm_ms_page']:8.1f}"
                  + ("  over the goal" if over else ""), flush=True)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
