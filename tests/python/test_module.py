"""The module's surface: its four functions, their signatures and documents,
argument conversion and the errors Python sees."""

import inspect
import json
import os
import pathlib
import subprocess

import pytest

import zentavolurmix as z
from pdf_fixtures import pages_pdf


@pytest.fixture
def simple_pdf(tmp_path):
    path = tmp_path / "simple.pdf"
    path.write_bytes(pages_pdf(["/MediaBox [0 0 300 400]"]))
    return str(path)


def test_version():
    assert z.version() == "0.1.3"
    with pytest.raises(TypeError):
        z.version(1)


def test_signatures():
    assert str(inspect.signature(z.version)) == "()"
    assert str(inspect.signature(z.extract)) == "(path, options_json=None)"
    assert str(inspect.signature(z.translate)) == "(path, options_json=None)"
    assert str(inspect.signature(z.save)) == "(path, output, options_json=None)"


def test_docstrings():
    assert z.extract.__doc__ == ("Extract glyphs as a JSON string. `options_json` is an optional "
                                 "JSON object.")
    assert z.translate.__doc__ == (
        "Translate extracted text. Requires `ZVK_LLM_API_KEY`. Does not write a PDF.\n\n"
        "`options_json` may set `jobs` (default 4, or `ZVK_TRANSLATE_JOBS`, cap 8).\n"
        "Parallel workers translate disjoint segments. Layout stays single-threaded.\n"
        "With no translator and no `ZVK_LLM_*` settings, a reachable Google\n"
        "Translate endpoint is used.")
    assert z.save.__doc__ == (
        "Translate and write a PDF. Uses `ZVK_LLM_API_KEY` when set, otherwise a\n"
        "reachable Google Translate endpoint. A paragraph that is still English\n"
        "after a retry does not block the write; Python emits a warning.\n\n"
        "`options_json` selects the output: `{\"output_mode\":\"replace\"}` (pure\n"
        "translation) or `{\"output_mode\":\"bilingual\",\"bilingual_layout\":\"side-by-side\"}`.\n")
    assert z.version.__doc__ is None or z.version.__doc__ == ""


@pytest.mark.parametrize("call, message, note", [
    (lambda: z.extract(pathlib.Path("a.pdf")), "'PosixPath' object is not an instance of 'str'",
     "path"),
    (lambda: z.extract(None), "'None' is not an instance of 'str'", "path"),
    (lambda: z.extract(b"a.pdf"), "'bytes' object is not an instance of 'str'", "path"),
    (lambda: z.extract("a.pdf", 5), "'int' object is not an instance of 'str'", "options_json"),
    (lambda: z.extract("a.pdf", {"jobs": 1}), "'dict' object is not an instance of 'str'",
     "options_json"),
    (lambda: z.save("a.pdf", None), "'None' is not an instance of 'str'", "output"),
    (lambda: z.save("a.pdf", "b.pdf", 1.5), "'float' object is not an instance of 'str'",
     "options_json"),
    (lambda: z.translate(3), "'int' object is not an instance of 'str'", "path"),
])
def test_wrong_types_raise_type_error_with_note(call, message, note):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message
    assert info.value.__notes__ == [f"while processing '{note}'"]


@pytest.mark.parametrize("call, note", [
    # A surrogate that the file-system error handler cannot turn into a byte.
    (lambda: z.extract("a\ud800.pdf"), "path"),
    (lambda: z.save("a.pdf", "b\ud800.pdf"), "output"),
    # Options are UTF-8 text: no surrogate passes.
    (lambda: z.extract("a.pdf", '{"password": "\udcff"}'), "options_json"),
])
def test_lone_surrogate_raises_encoding_error_with_note(call, note):
    with pytest.raises(UnicodeEncodeError) as info:
        call()
    assert info.value.__notes__ == [f"while processing '{note}'"]


# A NUL would end the name early and open another file: refused as Python's
# open() refuses it, before anything is opened or written.
@pytest.mark.parametrize("call, note", [
    (lambda d: z.extract(f"{d}/ok.pdf\x00junk"), "path"),
    (lambda d: z.translate(f"{d}/ok.pdf\x00junk"), "path"),
    (lambda d: z.save(f"{d}/ok.pdf\x00junk", f"{d}/out.pdf"), "path"),
    (lambda d: z.save(f"{d}/ok.pdf", f"{d}/out.pdf\x00junk"), "output"),
    (lambda d: z.save(f"{d}/ok.pdf", f"{d}/out.pdf\x00"), "output"),
])
def test_nul_in_a_path_is_a_value_error(tmp_path, clean_env, call, note):
    (tmp_path / "ok.pdf").write_bytes(pages_pdf([""]))
    with pytest.raises(ValueError) as info:
        call(tmp_path)
    assert info.value.args == ("embedded null byte",)
    assert info.value.__notes__ == [f"while processing '{note}'"]
    with pytest.raises(ValueError, match="^embedded null byte$"):
        open(f"{tmp_path}/ok.pdf\x00junk", "rb")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["ok.pdf"]


def test_file_names_that_are_not_utf8(tmp_path):
    # The name Python's file functions give for bytes that are not UTF-8 (with
    # surrogate escapes): every file open() reads, extract reads.
    name = os.fsdecode(b"\xff\xfe.pdf")
    path = os.path.join(os.fsdecode(bytes(tmp_path)), name)
    with open(path, "wb") as f:
        f.write(pages_pdf(["/MediaBox [0 0 300 400]", ""]))
    assert os.fsencode(path).endswith(b"/\xff\xfe.pdf")
    doc = json.loads(z.extract(path))
    assert [p["media_box"] for p in doc["pages"]] == [[0.0, 0.0, 300.0, 400.0],
                                                      [0.0, 0.0, 612.0, 792.0]]


def test_arguments_are_converted_in_order():
    # path is converted before output: the first failure wins.
    with pytest.raises(TypeError) as info:
        z.save(1, 2)
    assert info.value.__notes__ == ["while processing 'path'"]


@pytest.mark.parametrize("call, message", [
    (lambda: z.extract(), "extract() missing 1 required positional argument: 'path'"),
    (lambda: z.save("a"), "save() missing 1 required positional argument: 'output'"),
    (lambda: z.save(), "save() missing 2 required positional arguments: 'path' and 'output'"),
    (lambda: z.extract("a", "b", "c"),
     "extract() takes from 1 to 2 positional arguments but 3 were given"),
    (lambda: z.extract("a", foo=1), "extract() got an unexpected keyword argument 'foo'"),
    (lambda: z.extract("a", path="b"), "extract() got multiple values for argument 'path'"),
    (lambda: z.translate(options_json="{}"),
     "translate() missing 1 required positional argument: 'path'"),
])
def test_argument_binding_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


def test_keywords_are_accepted(simple_pdf):
    assert z.extract(path=simple_pdf, options_json=None) == z.extract(simple_pdf)


def test_missing_file_is_a_pdf_io_error(tmp_path):
    with pytest.raises(RuntimeError) as info:
        z.extract(str(tmp_path / "missing.pdf"))
    assert info.value.args == ("failed to open PDF: IO error",)


def test_empty_and_blank_options_are_defaults(simple_pdf):
    expected = z.extract(simple_pdf)
    for options in (None, "", "   ", " \n\t "):
        assert z.extract(simple_pdf, options) == expected


def test_invalid_json_options(simple_pdf):
    with pytest.raises(RuntimeError) as info:
        z.extract(simple_pdf, "nope")
    assert str(info.value) == "invalid options: expected value at line 1 column 1"


def test_save_checks_options_before_opening_the_input(tmp_path, simple_pdf):
    missing = str(tmp_path / "missing.pdf")
    with pytest.raises(RuntimeError) as info:
        z.save(missing, str(tmp_path / "out.pdf"), '{"jobs":0}')
    assert str(info.value) == "invalid options: jobs must be at least 1"
    # extract reads only load options and limits, so the same options pass.
    json.loads(z.extract(simple_pdf, '{"jobs":0}'))


def test_translate_loads_before_choosing_a_translator(tmp_path, llm_env, monkeypatch):
    # A blank key fails selection, so the load error shows that loading comes first.
    monkeypatch.setenv("ZVK_LLM_API_KEY", " ")
    with pytest.raises(RuntimeError) as info:
        z.translate(str(tmp_path / "missing.pdf"))
    assert str(info.value) == "failed to open PDF: IO error"


@pytest.mark.parametrize("layout", ["side-by-side", "alternating"])
def test_save_refuses_bilingual_pages_before_any_work(tmp_path, layout, llm_env):
    output = tmp_path / "out.pdf"
    options = json.dumps({"output_mode": "bilingual", "bilingual_layout": layout})
    with pytest.raises(RuntimeError) as info:
        z.save(str(tmp_path / "missing.pdf"), str(output), options)
    assert info.value.args == ("bilingual side-by-side and alternating output is not available yet",)
    assert not output.exists()
    assert llm_env.requests() == []


def test_save_of_a_page_without_text_writes_it(tmp_path, simple_pdf, llm_env):
    output = tmp_path / "out.pdf"
    assert z.save(simple_pdf, str(output)) is None
    assert subprocess.run(["qpdf", "--check", str(output)], capture_output=True).returncode == 0
    assert llm_env.requests() == []


def test_translate_of_a_page_without_text_sends_nothing(simple_pdf, llm_env):
    result = json.loads(z.translate(simple_pdf, '{"api_key": "x"}'))
    assert result["translations"] == []
    assert result["translator"] == {"backend": "openai", "cache_hits": 0, "calls": 0,
                                    "model": "auto"}
    assert result["warnings"] == ["api keys in options JSON are ignored; set ZVK_LLM_API_KEY or "
                                  "ZVK_GOOGLE_API_KEY in the environment"]
    assert list(result)[-3:] == ["translations", "translator", "warnings"]
    assert llm_env.requests() == []
