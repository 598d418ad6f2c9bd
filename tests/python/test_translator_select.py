"""translate and save choose their translator before extraction: a missing or
unusable key ends the call early without quoting the key; a configured LLM
translator passes selection and sends nothing yet."""

import json

import pytest

import zentavolurmix as z
from pdf_fixtures import pages_pdf

SECRET = "sk-secret-4242"


@pytest.fixture
def simple_pdf(tmp_path):
    path = tmp_path / "simple.pdf"
    path.write_bytes(pages_pdf(["/MediaBox [0 0 300 400]"]))
    return str(path)


def call(name, pdf, tmp_path, options=None, succeeds=False):
    """The exception the call raises; with `succeeds`, translate's result
    (parsed) instead, or None for save once its file is written."""
    output = tmp_path / "out.pdf"
    if succeeds and name == "translate":
        return json.loads(z.translate(pdf, options))
    if succeeds:
        assert z.save(pdf, str(output), options) is None
        assert output.read_bytes().startswith(b"%PDF-")
        return None
    with pytest.raises(RuntimeError) as info:
        if name == "translate":
            z.translate(pdf, options)
        else:
            z.save(pdf, str(output), options)
    assert not output.exists()
    return info.value


KEY_CASES = [
    ("unset", None,
     "translation failed: ZVK_LLM_API_KEY is not set; the API key is accepted only from "
     "that environment variable"),
    ("blank", " \t ", "translation failed: ZVK_LLM_API_KEY is empty"),
    ("line feed", SECRET + "\nX-Injected: 1",
     "translation failed: ZVK_LLM_API_KEY holds a control character (a line break?); it "
     "cannot be sent in a header"),
    ("carriage return", SECRET + "\r", None),
]


@pytest.mark.parametrize("name", ["translate", "save"])
@pytest.mark.parametrize("label, key, message", KEY_CASES, ids=[c[0] for c in KEY_CASES])
def test_unusable_key_ends_the_call_before_extraction(tmp_path, simple_pdf, llm_env,
                                                      monkeypatch, name, label, key, message):
    if key is None:
        monkeypatch.delenv("ZVK_LLM_API_KEY")
    else:
        monkeypatch.setenv("ZVK_LLM_API_KEY", key)
    error = call(name, simple_pdf, tmp_path)
    text = str(error)
    if message is not None:
        assert error.args == (message,)
    else:
        assert text.startswith("translation failed: ZVK_LLM_API_KEY holds a control character")
    assert SECRET not in text
    assert llm_env.requests() == []


@pytest.mark.parametrize("name", ["translate", "save"])
@pytest.mark.parametrize("options", [
    None,
    '{"translator": "tervox"}',
    '{"translator": " OpenAI "}',
    '{"backend": "llm", "model": "m", "timeout_secs": 18446744073709551615}',
])
def test_configured_llm_translator_passes_selection(tmp_path, simple_pdf, llm_env, name,
                                                    options):
    # A page without text: translate answers and save writes without a request.
    outcome = call(name, simple_pdf, tmp_path, options, succeeds=True)
    if name == "translate":
        # The model resolves as the translator was built: the option, the
        # OpenAI family's default, or "auto".
        model = {'{"translator": " OpenAI "}': "gpt-4o-mini"}.get(options, "auto")
        if options and '"model": "m"' in options:
            model = "m"
        assert outcome["translator"] == {"backend": "openai", "cache_hits": 0, "calls": 0,
                                         "model": model}
    assert llm_env.requests() == []


@pytest.mark.parametrize("name", ["translate", "save"])
@pytest.mark.parametrize("options, env, message", [
    ('{"translator": "google_v3"}', {},
     "translation failed: unknown translator `google_v3`; expected tervox, openai, "
     "google-v2, google-v3, or google-unofficial"),
    # Google translators are built without a request: the call gets past
    # selection (translate names the kind; save writes its file).
    ('{"translator": " Google-V3 "}',
     {"ZVK_GOOGLE_ACCESS_TOKEN": "ya29.t", "ZVK_GOOGLE_PROJECT": "p"}, "google-v3"),
    (None, {"ZVK_TRANSLATOR": "google-web"}, "google-unofficial"),
])
def test_selection_errors_reach_python(tmp_path, simple_pdf, llm_env, monkeypatch, name,
                                       options, env, message):
    for key, value in env.items():
        monkeypatch.setenv(key, value)
    if message.startswith("translation failed"):
        assert call(name, simple_pdf, tmp_path, options).args == (message,)
    elif name == "save":
        call(name, simple_pdf, tmp_path, options, succeeds=True)
    else:
        result = call(name, simple_pdf, tmp_path, options, succeeds=True)
        assert result["translator"] == {"backend": message, "cache_hits": 0, "calls": 0,
                                        "model": message}
    assert llm_env.requests() == []
