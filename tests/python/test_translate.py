"""`translate` end to end against the stand-in chat-completions service: the
corpus papers, a golden result, the checkpoint file, a refused key, a
service failing half its requests, Ctrl-C and a killed run, and the pool of
workers seen from the service."""

import json
import os
import random
import re
import signal
import subprocess
import sys
import textwrap
import time
from pathlib import Path

import pytest
import zentavolurmix as z

from conftest import CORPUS

CJK = re.compile("[\u3400-\u4dbf\u4e00-\u9fff]")
GOLDEN = Path(__file__).resolve().parent / "golden"
# Read at import: the fixtures clear every ZVK_ variable before a test runs.
REGENERATE_GOLDEN = os.environ.get("ZVK_REGENERATE_GOLDEN") == "1"
UNCHANGED = "left a paragraph unchanged after the translation request failed: "


def papers():
    if not (CORPUS / "papers").is_dir():
        return [pytest.param(None, marks=pytest.mark.skip(reason=f"corpus not found at {CORPUS}"))]
    return sorted(p.name for p in (CORPUS / "papers").glob("*.pdf"))


def translate(path, **options):
    return json.loads(z.translate(str(path), json.dumps(options)))


def sent_segments(server):
    """(id, text) of every segment the service was asked for, request by
    request; a request that is not a segment list gives an empty list."""
    out = []
    for request in server.requests():
        try:
            content = json.loads(request["body"])["messages"][-1]["content"]
            segments = json.loads(content)["segments"]
            out.append([(s["id"], s["text"]) for s in segments])
        except (ValueError, KeyError, TypeError, IndexError):
            out.append([])
    return out


def sent_ids(server, runs_retries=False):
    """The unit ids the service was asked for. Batch requests carry unit ids;
    a paragraph retried or sent alone goes out as the single segment 0, so
    with `runs_retries` such a request is left out (it names no unit)."""
    return [i for request in sent_segments(server)
            if not (runs_retries and [i for i, _ in request] == [0]) for i, _ in request]


def write_paragraphs_pdf(path, heading, paragraphs):
    """A one-page letter document: a bold heading, then each paragraph as
    lines of at most 80 characters in 10 pt Helvetica, a blank line between
    paragraphs. `invariant` keeps dates and ids out, so the bytes repeat."""
    from reportlab.pdfgen import canvas
    c = canvas.Canvas(str(path), pagesize=(612, 792), invariant=1)
    y = 720
    c.setFont("Helvetica-Bold", 14)
    c.drawString(72, y, heading)
    y -= 30
    c.setFont("Helvetica", 10)
    for paragraph in paragraphs:
        lines = textwrap.wrap(paragraph, 80)
        if y - 13 * len(lines) < 72:
            c.showPage()
            c.setFont("Helvetica", 10)
            y = 720
        for line in lines:
            c.drawString(72, y, line)
            y -= 13
        y -= 13
    c.showPage()
    c.save()
    return path


SMALL_HEADING = "Calcium Waves"
SMALL_PARAGRAPHS = [
    "Astrocytes answer with calcium rises.",
    "The waves spread across the tissue.",
]


@pytest.fixture
def small_pdf(tmp_path):
    return write_paragraphs_pdf(tmp_path / "small.pdf", SMALL_HEADING, SMALL_PARAGRAPHS)


def reference_record_ids(result):
    """Ids of the records whose glyphs all sit in a reference section."""
    reasons = {g["id"]: g["disposition"].get("reason") for g in result["glyphs"]}
    return {r["id"] for r in result["translations"]
            if r["glyph_ids"] and all(reasons.get(i) == "references" for i in r["glyph_ids"])}


# Every paper: a record per unit, every unit that went out comes back in
# Chinese (and so do its repeats), and `calls` is the service's own count
# (the default stand-in answers at once with 200, so neither the client's
# retries nor its cache of repeated prompts hide a request).
@pytest.mark.parametrize("paper", papers())
def test_corpus_paper_translates_every_unit_sent(paper, llm_env):
    result = translate(CORPUS / "papers" / paper, jobs=8)
    records = result["translations"]
    assert records, paper
    ids = [r["id"] for r in records]
    assert len(set(ids)) == len(ids)
    owner = {}
    for r in records:
        assert r["glyph_ids"], r["id"]
        for g in r["glyph_ids"]:
            assert owner.setdefault(g, r["id"]) == r["id"], f"glyph {g} in two records"
    by_id = {r["id"]: r for r in records}
    sent = [i for i in sent_ids(llm_env, runs_retries=True) if i in by_id]
    assert sent, paper
    answer_of = {}
    for i in sent:
        assert CJK.search(by_id[i]["translated"]), (i, by_id[i]["source"][:80])
        answer_of[by_id[i]["source"]] = by_id[i]["translated"]
    # A repeat of a sent text takes its answer, or keeps its source where it
    # needs none (in a reference section, or set in maths fonts).
    for r in records:
        if r["source"] in answer_of:
            assert r["translated"] in (answer_of[r["source"]], r["source"]), r["id"]
    assert result["translator"]["calls"] == len(llm_env.requests())
    assert result["translator"]["backend"] == "openai"


def test_reference_section_keeps_its_source(corpus, llm_env):
    path = corpus / "papers" / "glia-calcium-waves.pdf"
    if not path.is_file():
        pytest.skip("glia-calcium-waves.pdf not in the corpus")
    result = translate(path, jobs=8)
    references = reference_record_ids(result)
    assert len(references) >= 10
    sent = set(sent_ids(llm_env, runs_retries=True))
    for r in result["translations"]:
        if r["id"] in references:
            assert r["translated"] == r["source"], r["id"]
            assert r["id"] not in sent
    # The section's glyphs are all kept with that reason, none of them pending
    # a rewrite.
    reference_glyphs = {g for r in result["translations"] if r["id"] in references for g in r["glyph_ids"]}
    for g in result["glyphs"]:
        if g["id"] in reference_glyphs:
            assert g["disposition"] == {"reason": "references", "state": "kept_original"}


# The translate JSON of a small document, byte for byte. The stand-in's
# default answer is fixed, so the whole result is. After a deliberate change
# of the output, write the file anew with ZVK_REGENERATE_GOLDEN=1 and review
# the difference before committing it.
def test_golden_translate_json(small_pdf, llm_env):
    text = z.translate(str(small_pdf), '{"jobs": 2}')
    golden = GOLDEN / "small_translate.json"
    if REGENERATE_GOLDEN:
        GOLDEN.mkdir(exist_ok=True)
        golden.write_text(text, encoding="utf-8")
    assert text == golden.read_text(encoding="utf-8")
    result = json.loads(text)
    assert [CJK.search(r["translated"]) is not None for r in result["translations"]] == \
        [True] * len(result["translations"])


def test_warm_checkpoint_sends_a_tenth_of_the_requests(corpus, llm_env, tmp_path, monkeypatch):
    path = corpus / "papers" / "P14-1059.pdf"
    if not path.is_file():
        pytest.skip("P14-1059.pdf not in the corpus")
    checkpoint = tmp_path / "checkpoint.jsonl"
    monkeypatch.setenv("ZVK_TRANSLATE_CHECKPOINT", str(checkpoint))
    # Answers as long as real ones: the stand-in's two ideographs for a whole
    # paragraph fail the answer checks when read back from the file, and a
    # refused entry is asked for again, rightly.
    llm_env.command({"answer_scale": 3})
    first = translate(path, jobs=8)
    first_requests = len(llm_env.requests())
    llm_env.command({"clear": True})
    second = translate(path, jobs=8)
    second_requests = len(llm_env.requests())
    assert first_requests >= 10
    assert second_requests * 10 <= first_requests, (first_requests, second_requests)
    assert second["translator"]["calls"] == second_requests
    assert second["translator"]["cache_hits"] >= first["translator"]["calls"]
    assert [r["translated"] for r in second["translations"]] == \
        [r["translated"] for r in first["translations"]]


def test_refused_key_ends_the_call(small_pdf, llm_env):
    llm_env.command({"script": [{"status": 401, "body": '{"error": {"message": "invalid key"}}'}] * 50})
    with pytest.raises(RuntimeError) as info:
        z.translate(str(small_pdf), '{"jobs": 2}')
    assert info.value.args == ("translation failed: LLM HTTP status 401",)
    assert llm_env.requests()


TOPICS = ["calcium", "potassium", "glutamate", "dopamine", "serotonin", "adenosine", "sodium",
          "chloride", "magnesium", "zinc", "glycine", "histamine", "acetylcholine", "taurine",
          "lactate", "glucose", "oxygen", "nitric oxide", "insulin", "melatonin", "cortisol",
          "leptin", "ghrelin", "oxytocin", "vasopressin", "prolactin", "estradiol", "thyroxine",
          "ketamine", "caffeine", "nicotine", "ethanol", "lithium", "heparin", "albumin",
          "ferritin", "collagen", "keratin", "myosin", "actin"]


def many_paragraphs(count):
    return [f"The concentration of {topic} changed slowly during the recording, and the cells "
            f"that held the most {topic} answered the stimulus first while their neighbours "
            "waited for the wave to reach them." for topic in TOPICS[:count]]


def diagnostics_of(result):
    return [d["message"] for d in result["diagnostics"]]


def left_unchanged(result, record):
    head = UNCHANGED + record["source"][:80]
    return any(m.startswith(head) for m in diagnostics_of(result))


def checkpoint_sources(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line)["source"] for line in f]


# Failures the client meets in the wild, half of the first requests taking
# one of them: retried statuses and dropped connections (the client pauses
# 2, 4 and 8 seconds between its attempts, which is why the document is
# small), blank answers, answers that leave out every segment, and a status
# no retry helps.
FAILURES = [{"status": 503, "body": "{}"}, {"drop": True}, {"content": ""},
            {"content": '{"translations": []}'}, {"status": 400, "body": "{}"}]


@pytest.mark.slow
def test_half_failing_service_then_a_healthy_rerun(tmp_path, llm_env, monkeypatch):
    pdf = write_paragraphs_pdf(tmp_path / "six.pdf", SMALL_HEADING, many_paragraphs(6))
    checkpoint = tmp_path / "checkpoint.jsonl"
    monkeypatch.setenv("ZVK_TRANSLATE_CHECKPOINT", str(checkpoint))
    llm_env.command({"answer_scale": 3})
    rng = random.Random(4921)
    script = [rng.choice(FAILURES) if rng.random() < 0.5 else {} for _ in range(40)]
    llm_env.command({"script": script})
    first = translate(pdf, jobs=8, batch_size=1)
    records = first["translations"]
    assert len(records) == 7
    for r in records:
        if not CJK.search(r["translated"]):
            assert r["translated"] == r["source"]
            assert left_unchanged(first, r), r["source"][:80]
    assert len(llm_env.requests()) > len(records)  # the failures did cost requests
    assert first["translator"]["calls"] <= len(llm_env.requests())
    stored = set(checkpoint_sources(checkpoint))
    translated = {r["source"] for r in records if CJK.search(r["translated"])}
    assert stored <= translated

    llm_env.command({"clear": True})
    second = translate(pdf, jobs=8, batch_size=1)
    by_id = {r["id"]: r for r in second["translations"]}
    requested = {by_id[i]["source"] for i in sent_ids(llm_env)}
    assert not requested & translated
    for r in second["translations"]:
        assert CJK.search(r["translated"]), r["source"][:80]
    assert second["translator"]["cache_hits"] >= len(stored)


# The child raises KeyboardInterrupt on SIGINT as an interactive interpreter
# does, even when a shell without job control started the tests (and so the
# child) with SIGINT ignored.
CHILD = """
import json, signal, sys, time
import zentavolurmix as z
signal.signal(signal.SIGINT, signal.default_int_handler)
try:
    z.translate(sys.argv[1], '{"jobs": 2, "batch_size": 1}')
    print(json.dumps({"outcome": "finished", "at": time.monotonic()}), flush=True)
except KeyboardInterrupt:
    print(json.dumps({"outcome": "interrupted", "at": time.monotonic()}), flush=True)
"""


def start_child(pdf, server, checkpoint):
    """A python process translating `pdf` against `server`, two batches at a
    time, appending to `checkpoint`."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("ZVK_")}
    env.update(ZVK_LLM_API_KEY="sk-test-key", ZVK_LLM_BASE_URL=server.base_url,
               ZVK_TRANSLATE_CHECKPOINT=str(checkpoint),
               PYTHONPATH=os.pathsep.join(filter(None, [str(Path(z.__file__).parent),
                                                        env.get("PYTHONPATH")])))
    return subprocess.Popen([sys.executable, "-c", CHILD, str(pdf)], env=env,
                            stdout=subprocess.PIPE, text=True)


def wait_for_lines(path, count, child, limit=60):
    deadline = time.monotonic() + limit
    while time.monotonic() < deadline:
        if child.poll() is not None:
            pytest.fail("the child ended before the run was half done")
        if path.exists() and path.read_bytes().count(b"\n") >= count:
            return
        time.sleep(0.02)
    pytest.fail(f"no {count} checkpoint lines after {limit} s")


@pytest.fixture
def long_pdf(tmp_path):
    return write_paragraphs_pdf(tmp_path / "long.pdf", SMALL_HEADING, many_paragraphs(40))


# Ctrl-C in the middle of a run: KeyboardInterrupt at once, not when the
# remaining batches are done, and the checkpoint holds whole lines only,
# one per unit whose request was answered.
def test_interrupt_ends_the_run_and_keeps_whole_lines(long_pdf, llm_server, tmp_path):
    checkpoint = tmp_path / "checkpoint.jsonl"
    llm_server.command({"latency": 0.3})
    # 41 one-unit batches two at a time: about 6 s of requests.
    child = start_child(long_pdf, llm_server, checkpoint)
    try:
        wait_for_lines(checkpoint, 6, child)
        sent_at = time.monotonic()
        child.send_signal(signal.SIGINT)
        out, _ = child.communicate(timeout=30)
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    answer = json.loads(out.strip().splitlines()[-1])
    assert answer["outcome"] == "interrupted"
    requested = len(llm_server.requests())
    # What the run had left, at two requests of 0.3 s at a time.
    remaining = (41 - requested) * 0.3 / 2
    assert answer["at"] - sent_at < remaining / 3, (answer["at"] - sent_at, remaining)
    data = checkpoint.read_bytes()
    assert data.endswith(b"\n")
    sources = checkpoint_sources(checkpoint)
    assert len(sources) == len(set(sources))
    assert set(sources) <= set(many_paragraphs(40)) | {SMALL_HEADING}
    # A request still in flight when the run stopped wrote nothing.
    assert requested - 2 <= len(sources) <= requested
    assert requested < 30


# A killed run leaves the checkpoint possibly cut inside its last line; the
# next run uses every whole line and asks for the rest only.
def test_killed_run_checkpoint_is_used_up_to_its_last_whole_line(long_pdf, llm_server, tmp_path,
                                                                  clean_env):
    checkpoint = tmp_path / "checkpoint.jsonl"
    llm_server.command({"latency": 0.3})
    child = start_child(long_pdf, llm_server, checkpoint)
    try:
        wait_for_lines(checkpoint, 8, child)
        child.kill()
        child.wait(timeout=10)
    finally:
        if child.poll() is None:
            child.kill()
            child.wait()
    data = checkpoint.read_bytes()
    lines = data.split(b"\n")[:-1]  # the whole lines: a torn tail is dropped anyway
    # The last whole line loses its second half and its newline.
    checkpoint.write_bytes(b"".join(line + b"\n" for line in lines[:-1]) + lines[-1][: len(lines[-1]) // 2])
    whole = [json.loads(line)["source"] for line in lines[:-1]]
    torn = json.loads(lines[-1])["source"]

    llm_server.command({"clear": True})
    llm_server.command({"latency": 0})
    clean_env.setenv("ZVK_LLM_API_KEY", "sk-test-key")
    clean_env.setenv("ZVK_LLM_BASE_URL", llm_server.base_url)
    clean_env.setenv("ZVK_TRANSLATE_CHECKPOINT", str(checkpoint))
    result = translate(long_pdf, jobs=8, batch_size=1)
    by_id = {r["id"]: r for r in result["translations"]}
    requested = [by_id[i]["source"] for i in sent_ids(llm_server)]
    assert not set(requested) & set(whole)
    assert torn in requested
    assert len(requested) == len(result["translations"]) - len(whole)
    assert result["translator"]["cache_hits"] == len(whole)
    assert result["translator"]["calls"] == len(requested)
    for r in result["translations"]:
        assert CJK.search(r["translated"]), r["source"][:80]
