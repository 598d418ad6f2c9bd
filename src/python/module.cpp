// The CPython extension module zentavolurmix: its four functions, argument
// conversion, and the conversion of every core failure into a Python error.
// The calling thread releases the interpreter lock for the C++ work of a call
// (reading, interpretation, writing the JSON) and holds it for the rest.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "api/options.h"
#include "api/pdf_files.h"
#include "api/result_json.h"
#include "base/core_error.h"
#include "base/mapped_buffer.h"
#include "base/workers.h"
#include "api/coverage.h"
#include "rewrite/output/rewrite_document.h"
#include "translate/translation_run.h"
#include "translator/select.h"

namespace {

using zvk::CoreError;

constexpr const char* kVersion = "0.1.3";

// ---- errors -------------------------------------------------------------

PyObject* core_error_to_py_err(const CoreError& error) {
    // Python's convention for memory exhaustion, whoever ran out.
    if (error.kind() == CoreError::Kind::OutOfMemory) return PyErr_NoMemory();
    std::string text = error.display();
    PyErr_SetString(PyExc_RuntimeError, text.c_str());
    return nullptr;
}

// Adds "while processing '{name}'" to the pending exception.
void add_processing_note(const char* parameter) {
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    if (value != nullptr) {
        std::string note = std::string("while processing '") + parameter + "'";
        PyObject* r = PyObject_CallMethod(value, "add_note", "s", note.c_str());
        if (r == nullptr) {
            PyErr_Clear();
        } else {
            Py_DECREF(r);
        }
    }
    PyErr_Restore(type, value, traceback);
}

std::string type_name(PyObject* object) {
    PyObject* name = PyType_GetName(Py_TYPE(object));
    if (name == nullptr) {
        PyErr_Clear();
        return Py_TYPE(object)->tp_name;
    }
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(name, &size);
    std::string out = text != nullptr ? std::string(text, static_cast<std::size_t>(size))
                                      : std::string(Py_TYPE(object)->tp_name);
    if (text == nullptr) PyErr_Clear();
    Py_DECREF(name);
    return out;
}

void emit_python_warning(const std::string& message) {
    PyGILState_STATE state = PyGILState_Ensure();
    PyObject* warnings = PyImport_ImportModule("warnings");
    if (warnings != nullptr) {
        PyObject* r = PyObject_CallMethod(warnings, "warn", "s", message.c_str());
        Py_XDECREF(r);
        Py_DECREF(warnings);
    }
    // A filter that turns warnings into errors must not fail the call: the
    // file is already written.
    if (PyErr_Occurred()) PyErr_Clear();
    PyGILState_Release(state);
}

// ---- argument conversion -------------------------------------------------

struct Signature {
    const char* function;
    const char* const* parameters;
    int count;
    int required;
};

// Binds positional and keyword arguments to the parameters, with the wording
// of a Python function's own errors. `slots` receives borrowed references.
bool bind_arguments(const Signature& sig, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, PyObject** slots) {
    for (int i = 0; i < sig.count; ++i) slots[i] = nullptr;
    if (nargs > sig.count) {
        PyErr_Format(PyExc_TypeError, "%s() takes from %d to %d positional arguments but %zd were given",
                     sig.function, sig.required, sig.count, nargs);
        return false;
    }
    for (Py_ssize_t i = 0; i < nargs; ++i) slots[i] = args[i];
    Py_ssize_t nkw = kwnames != nullptr ? PyTuple_GET_SIZE(kwnames) : 0;
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        PyObject* key = PyTuple_GET_ITEM(kwnames, k);
        int found = -1;
        for (int i = 0; i < sig.count; ++i) {
            int eq = PyUnicode_CompareWithASCIIString(key, sig.parameters[i]);
            if (eq == 0) {
                found = i;
                break;
            }
        }
        if (found < 0) {
            PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'",
                         sig.function, key);
            return false;
        }
        if (slots[found] != nullptr) {
            PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'",
                         sig.function, sig.parameters[found]);
            return false;
        }
        slots[found] = args[nargs + k];
    }
    std::string missing;
    int missing_count = 0;
    for (int i = 0; i < sig.required; ++i) {
        if (slots[i] != nullptr) continue;
        ++missing_count;
    }
    if (missing_count > 0) {
        int seen = 0;
        for (int i = 0; i < sig.required; ++i) {
            if (slots[i] != nullptr) continue;
            ++seen;
            if (seen > 1) missing += seen == missing_count ? (missing_count > 2 ? ", and " : " and ") : ", ";
            missing += std::string("'") + sig.parameters[i] + "'";
        }
        PyErr_Format(PyExc_TypeError, "%s() missing %d required positional argument%s: %s",
                     sig.function, missing_count, missing_count == 1 ? "" : "s", missing.c_str());
        return false;
    }
    return true;
}

// A TypeError unless the argument is a str (or subclass).
bool require_str(PyObject* object, const char* parameter) {
    if (object == Py_None) {
        PyErr_SetString(PyExc_TypeError, "'None' is not an instance of 'str'");
        add_processing_note(parameter);
        return false;
    }
    if (!PyUnicode_Check(object)) {
        std::string text = "'" + type_name(object) + "' object is not an instance of 'str'";
        PyErr_SetString(PyExc_TypeError, text.c_str());
        add_processing_note(parameter);
        return false;
    }
    return true;
}

// A str (or subclass) as UTF-8. None is accepted only when `none_is_empty`.
bool convert_text(PyObject* object, const char* parameter, bool none_is_empty, std::string& out) {
    if (object == nullptr || (none_is_empty && object == Py_None)) {
        out.clear();
        return true;
    }
    if (!require_str(object, parameter)) return false;
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (utf8 == nullptr) {
        add_processing_note(parameter);
        return false;
    }
    out.assign(utf8, static_cast<std::size_t>(size));
    return true;
}

// A path str as the system's file functions take it, encoded the way Python's
// own open() does (the file-system encoding and its error handler, so a name
// that os.fsdecode gave gets its bytes back). A NUL would end the name early
// and open another file: refused with open()'s ValueError.
bool convert_path(PyObject* object, const char* parameter, std::string& out) {
    if (!require_str(object, parameter)) return false;
    struct Owned {
        PyObject* object;
        ~Owned() { Py_XDECREF(object); }
    } encoded{PyUnicode_EncodeFSDefault(object)};
    if (encoded.object == nullptr) {
        add_processing_note(parameter);
        return false;
    }
    const std::string_view bytes(PyBytes_AS_STRING(encoded.object),
                                 static_cast<std::size_t>(PyBytes_GET_SIZE(encoded.object)));
    if (bytes.find('\0') != std::string_view::npos) {
        PyErr_SetString(PyExc_ValueError, "embedded null byte");
        add_processing_note(parameter);
        return false;
    }
    out.assign(bytes);
    return true;
}

// Runs a call body; a C++ exception must never reach the interpreter.
template <typename Body>
PyObject* guarded_call(Body&& body) {
    if (!zvk::ready_thread_for_exceptions()) return PyErr_NoMemory();
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    } catch (const std::exception& e) {
        PyErr_Format(PyExc_RuntimeError, "internal error: %s", e.what());
        return nullptr;
    } catch (...) {
        PyErr_SetString(PyExc_RuntimeError, "internal error");
        return nullptr;
    }
}

// ---- the interpreter lock ------------------------------------------------

// Runs `work` with the interpreter lock released, so that other Python
// threads (another extract among them) run meanwhile. `work` must not touch
// Python; whatever it throws comes back as a CoreError, since the lock has
// to be held again before any Python error can be set.
template <typename Work>
zvk::Result<void> without_gil(Work&& work) {
    zvk::Result<void> result;
    PyThreadState* state = PyEval_SaveThread();
    try {
        result = work();
    } catch (const std::bad_alloc&) {
        result = zvk::fail(CoreError::out_of_memory());
    } catch (const std::exception& e) {
        try {
            result = zvk::fail(CoreError::message(std::string("internal error: ") + e.what()));
        } catch (...) {
            result = zvk::fail(CoreError::out_of_memory());
        }
    } catch (...) {
        result = zvk::fail(CoreError::message("internal error"));
    }
    PyEval_RestoreThread(state);
    return result;
}

// The extraction JSON as a str. Its pieces are written as UTF-8 on worker
// threads while the pages are read, which gives the str's exact length and
// form (the narrowest its widest character allows, as Python requires); then
// the str is made, with the lock held, and the workers decode the pieces into
// its buffer. Each piece's memory goes back as soon as it is decoded, and the
// records go before the str is made, so the peak stays near the larger of
// the two texts.
// Ctrl-C while the lock is released: asked now and then by the work, at most
// every 50 ms it takes the lock back for a moment to run the signal handlers;
// once a handler raises, the work is told to stop and the exception stays
// pending for the call to return.
class SignalWatch {
public:
    bool keep_going() {
        if (interrupted_) return false;
        const auto now = std::chrono::steady_clock::now();
        if (now - last_check_ < std::chrono::milliseconds(50)) return true;
        last_check_ = now;
        PyGILState_STATE state = PyGILState_Ensure();
        interrupted_ = PyErr_CheckSignals() < 0;
        PyGILState_Release(state);
        return !interrupted_;
    }
    bool interrupted() const { return interrupted_; }

private:
    std::chrono::steady_clock::time_point last_check_ = std::chrono::steady_clock::now();
    bool interrupted_ = false;
};

PyObject* text_to_str(zvk::ExtractionText& text);

PyObject* extract_to_str(const std::string& path, const std::string& options) {
    zvk::ExtractionText text;
    unsigned threads = 1;
    // Ctrl-C: between pages; a handler that raises ends the reading, and the
    // call, with its exception.
    SignalWatch signals;
    auto keep_going = [&]() -> bool { return signals.keep_going(); };
    bool interrupted = false;
    // Everything from parsing the options to the JSON pieces runs without the
    // interpreter lock; the document is dropped there too.
    auto written = without_gil([&]() -> zvk::Result<void> {
        auto load = zvk::parse_load_options(options);
        if (!load) return zvk::fail(load.error());
        auto limits = zvk::parse_extract_limits(options);
        if (!limits) return zvk::fail(limits.error());
        auto document = zvk::load_pdf_document(path, *load);
        if (!document) return zvk::fail(document.error());
        // A page is read while the glyphs of those before are written.
        threads = zvk::worker_count(document->page_ids().size());
        return text.extract_and_write(*document, *limits, threads, keep_going);
    });
    interrupted = signals.interrupted();
    if (interrupted) return nullptr;
    if (!written) return core_error_to_py_err(written.error());
    // Ctrl-C during the extraction ends the call here, before the str.
    if (PyErr_CheckSignals() < 0) return nullptr;
    return text_to_str(text);
}

// The str of a text written in pieces: made with the lock held, filled by
// workers without it.
PyObject* text_to_str(zvk::ExtractionText& text) {
    const auto length = static_cast<Py_ssize_t>(text.length());
    // The threads that decode the pieces start before the str takes its
    // memory: one started afterwards may find no room for its thread-local
    // block, and the C library ends the process then instead of failing.
    // Declared before the str, so that they are joined on every way out.
    std::optional<zvk::StandbyWorkers> fillers;
    auto started = without_gil([&]() -> zvk::Result<void> {
        fillers.emplace(zvk::worker_count(text.pieces()));
        return {};
    });
    if (!started) return core_error_to_py_err(started.error());
    PyObject* str = PyUnicode_New(length, static_cast<Py_UCS4>(text.widest()));
    if (str == nullptr) return nullptr;
    void* data = PyUnicode_DATA(str);
    const int kind = PyUnicode_KIND(str);
    // Its memory is fresh from the system: huge pages spare most of the
    // faults of writing it.
    zvk::advise_huge_pages(data, static_cast<std::size_t>(length) * static_cast<std::size_t>(kind));
    auto filled = without_gil([&]() -> zvk::Result<void> {
        const auto n = static_cast<std::size_t>(length);
        switch (kind) {
        case PyUnicode_1BYTE_KIND: return text.fill(std::span(static_cast<std::uint8_t*>(data), n), *fillers);
        case PyUnicode_2BYTE_KIND: return text.fill(std::span(static_cast<std::uint16_t*>(data), n), *fillers);
        default: return text.fill(std::span(static_cast<std::uint32_t*>(data), n), *fillers);
        }
    });
    if (!filled) {
        Py_DECREF(str);
        return core_error_to_py_err(filled.error());
    }
    return str;
}

// The call's translator, its requests and pauses ending once `stop` is raised.
zvk::Result<zvk::TranslatorBackend> select_stoppable_translator(const zvk::TranslateOptions& options,
                                                                const std::shared_ptr<std::atomic<bool>>& stop) {
    zvk::LlmClientHooks llm_hooks;
    llm_hooks.stop = stop;
    zvk::GoogleClientHooks google_hooks;
    google_hooks.stop = stop;
    return zvk::select_translator(options, std::move(llm_hooks), google_hooks);
}

// translate: the options, the document, the translator, the extraction, the
// translation run and the translate JSON, each step's failure ending the
// call. Everything but making the str runs without the interpreter lock; the
// calling thread watches the translation workers for Ctrl-C, which raises
// the translator's stop flag so that requests and pauses under way end.
PyObject* translate_to_str(const std::string& path, const std::string& options) {
    zvk::ExtractionText text;
    SignalWatch signals;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    auto done = without_gil([&]() -> zvk::Result<void> {
        auto parsed = zvk::parse_translate_options(options);
        if (!parsed) return zvk::fail(parsed.error());
        auto document = zvk::load_pdf_document(path, zvk::LoadOptions{});
        if (!document) return zvk::fail(document.error());
        auto translator = select_stoppable_translator(parsed->options, stop);
        if (!translator) return zvk::fail(translator.error());
        auto extraction = zvk::extract_document_default_limits(*document);
        if (!extraction) return zvk::fail(extraction.error());
        auto jobs = zvk::resolve_job_count(parsed->options);
        if (!jobs) return zvk::fail(jobs.error());
        const zvk::RunWatch watch{[&] { return signals.keep_going(); }, stop};
        auto outcome = zvk::translate_document(*extraction, parsed->options, *translator, *jobs, watch);
        if (!outcome) return zvk::fail(outcome.error());
        const auto summary = zvk::translator_summary(*translator);
        const zvk::TranslateMembers members{&*outcome, summary.backend, summary.model, parsed->warnings};
        const unsigned threads = zvk::worker_count(text.glyph_runs(*extraction) + 2);
        return text.write(*extraction, threads, &members);
    });
    if (signals.interrupted()) return nullptr;
    if (!done) return core_error_to_py_err(done.error());
    if (PyErr_CheckSignals() < 0) return nullptr;
    return text_to_str(text);
}

// save: as translate up to the translation run (with the extraction limits
// of the options), then the rewrite of the loaded document, the file, and
// the coverage warning once the file is written.
PyObject* save_translated(const std::string& path, const std::string& output, const std::string& options) {
    SignalWatch signals;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    bool written = false;
    std::optional<std::string> coverage_warning;
    auto done = without_gil([&]() -> zvk::Result<void> {
        auto parsed = zvk::parse_translate_options(options);
        if (!parsed) return zvk::fail(parsed.error());
        // save reports none of the option warnings.
        const zvk::OutputMode mode = parsed->options.output_mode;
        if (mode == zvk::OutputMode::bilingual(zvk::BilingualLayout::SideBySide) ||
            mode == zvk::OutputMode::bilingual(zvk::BilingualLayout::Alternating)) {
            return zvk::fail(CoreError::message(
                "bilingual side-by-side and alternating output is not available yet"));
        }
        auto limits = zvk::parse_extract_limits(options);
        if (!limits) return zvk::fail(limits.error());
        auto document = zvk::load_pdf_document(path, zvk::LoadOptions{});
        if (!document) return zvk::fail(document.error());
        auto translator = select_stoppable_translator(parsed->options, stop);
        if (!translator) return zvk::fail(translator.error());
        auto extraction = zvk::extract_document(*document, *limits);
        if (!extraction) return zvk::fail(extraction.error());
        auto jobs = zvk::resolve_job_count(parsed->options);
        if (!jobs) return zvk::fail(jobs.error());
        const zvk::RunWatch watch{[&] { return signals.keep_going(); }, stop};
        auto outcome = zvk::translate_document(*extraction, parsed->options, *translator, *jobs, watch);
        if (!outcome) return zvk::fail(outcome.error());
        const auto rewrite_options = zvk::rewrite::build_rewrite_options(parsed->options);
        auto rewritten = zvk::rewrite::rewrite_document(*document, *extraction, *outcome, rewrite_options);
        if (!rewritten) return zvk::fail(rewritten.error());
        auto saved = zvk::save_pdf_document(*document, output);
        if (!saved) return zvk::fail(saved.error());
        written = true;
        coverage_warning = zvk::report_incomplete_coverage(*extraction);
        return {};
    });
    if (signals.interrupted()) return nullptr;
    if (!done) return core_error_to_py_err(done.error());
    // The warning only once the file is there; a filter that makes it an
    // error does not fail the call.
    if (written && coverage_warning) emit_python_warning(*coverage_warning);
    if (PyErr_CheckSignals() < 0) return nullptr;
    Py_RETURN_NONE;
}

// ---- the four calls ------------------------------------------------------

PyObject* py_version(PyObject*, PyObject*) { return PyUnicode_FromString(kVersion); }

// extract and translate take the same parameters.
constexpr const char* kPathOptionsParams[] = {"path", "options_json"};
constexpr const char* kSaveParams[] = {"path", "output", "options_json"};

PyObject* py_extract(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        PyObject* slots[2];
        if (!bind_arguments({"extract", kPathOptionsParams, 2, 1}, args, nargs, kwnames, slots)) return nullptr;
        std::string path, options;
        if (!convert_path(slots[0], "path", path)) return nullptr;
        if (!convert_text(slots[1], "options_json", true, options)) return nullptr;

        return extract_to_str(path, options);
    });
}

PyObject* py_translate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        PyObject* slots[2];
        if (!bind_arguments({"translate", kPathOptionsParams, 2, 1}, args, nargs, kwnames, slots)) return nullptr;
        std::string path, options;
        if (!convert_path(slots[0], "path", path)) return nullptr;
        if (!convert_text(slots[1], "options_json", true, options)) return nullptr;

        return translate_to_str(path, options);
    });
}

PyObject* py_save(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        PyObject* slots[3];
        if (!bind_arguments({"save", kSaveParams, 3, 2}, args, nargs, kwnames, slots)) return nullptr;
        std::string path, output, options;
        if (!convert_path(slots[0], "path", path)) return nullptr;
        if (!convert_path(slots[1], "output", output)) return nullptr;
        if (!convert_text(slots[2], "options_json", true, options)) return nullptr;

        return save_translated(path, output, options);
    });
}

// ---- module definition ---------------------------------------------------

PyMethodDef kVersionDef = {"version", py_version, METH_NOARGS, "version()\n--\n\n"};

PyMethodDef kExtractDef = {
    "extract", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_extract)),
    METH_FASTCALL | METH_KEYWORDS,
    "extract(path, options_json=None)\n--\n\n"
    "Extract glyphs as a JSON string. `options_json` is an optional JSON object."};

PyMethodDef kTranslateDef = {
    "translate", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_translate)),
    METH_FASTCALL | METH_KEYWORDS,
    "translate(path, options_json=None)\n--\n\n"
    "Translate extracted text. Requires `ZVK_LLM_API_KEY`. Does not write a PDF.\n"
    "\n"
    "`options_json` may set `jobs` (default 4, or `ZVK_TRANSLATE_JOBS`, cap 8).\n"
    "Parallel workers translate disjoint segments. Layout stays single-threaded.\n"
    "With no translator and no `ZVK_LLM_*` settings, a reachable Google\n"
    "Translate endpoint is used."};

PyMethodDef kSaveDef = {
    "save", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(py_save)),
    METH_FASTCALL | METH_KEYWORDS,
    "save(path, output, options_json=None)\n--\n\n"
    "Translate and write a PDF. Uses `ZVK_LLM_API_KEY` when set, otherwise a\n"
    "reachable Google Translate endpoint. A paragraph that is still English\n"
    "after a retry does not block the write; Python emits a warning.\n"
    "\n"
    "`options_json` selects the output: `{\"output_mode\":\"replace\"}` (pure\n"
    "translation) or `{\"output_mode\":\"bilingual\",\"bilingual_layout\":\"side-by-side\"}`.\n"};

int module_exec(PyObject* module) {
    PyObject* name = PyModule_GetNameObject(module);
    if (name == nullptr) return -1;
    for (PyMethodDef* def : {&kVersionDef, &kExtractDef, &kTranslateDef, &kSaveDef}) {
        PyObject* function = PyCFunction_NewEx(def, module, name);
        if (function == nullptr || PyModule_AddObject(module, def->ml_name, function) < 0) {
            Py_XDECREF(function);
            Py_DECREF(name);
            return -1;
        }
    }
    Py_DECREF(name);
    return 0;
}

PyModuleDef_Slot kSlots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(module_exec)},
    {0, nullptr},
};

PyModuleDef kModule = {
    PyModuleDef_HEAD_INIT,
    "zentavolurmix",
    "",
    0,
    nullptr,
    kSlots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit_zentavolurmix(void) { return PyModuleDef_Init(&kModule); }
