"""save end to end against the stand-in service: a real paper is translated,
rewritten and written. Nothing is placed yet, so the written file keeps the
source text and the call warns that coverage is incomplete, after writing."""

import subprocess
import warnings

import pytest

import zentavolurmix as z


def pdftotext(path):
    return subprocess.run(["pdftotext", str(path), "-"], capture_output=True, text=True,
                          check=True).stdout


@pytest.mark.parametrize("mode", [None, '{"output_mode": "bilingual", "bilingual_layout": "overlay"}'])
def test_save_of_a_paper_writes_a_sound_file_and_warns(corpus, tmp_path, llm_env, mode):
    source = corpus / "papers" / "glia-calcium-waves.pdf"
    output = tmp_path / "out.pdf"
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        assert z.save(str(source), str(output), mode) is None
    check = subprocess.run(["qpdf", "--check", str(output)], capture_output=True, text=True)
    assert check.returncode == 0, check.stdout + check.stderr
    assert pdftotext(output) == pdftotext(source)
    messages = [str(w.message) for w in caught]
    assert len(messages) == 1 and messages[0].startswith("coverage incomplete: "), messages
    assert llm_env.requests(), "the paper was translated"


def test_warnings_as_errors_do_not_fail_save(corpus, tmp_path, llm_env):
    source = corpus / "papers" / "glia-calcium-waves.pdf"
    output = tmp_path / "out.pdf"
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        assert z.save(str(source), str(output)) is None
    assert output.read_bytes().startswith(b"%PDF-")


def test_unwritable_output_fails_after_translation(corpus, tmp_path, llm_env):
    source = corpus / "papers" / "glia-calcium-waves.pdf"
    output = tmp_path / "no-such-dir" / "out.pdf"
    with pytest.raises(RuntimeError) as info:
        z.save(str(source), str(output))
    assert str(info.value).startswith("failed to open PDF: ")
    assert llm_env.requests(), "every request was made before the write"
    assert not output.exists()
