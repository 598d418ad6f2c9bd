// The CPython extension module zentavolurmix: its four functions, argument
// conversion, and the conversion of every core failure into a Python error.
// The calling thread holds the interpreter lock for the whole of each call.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "api/options.h"
#include "api/pdf_files.h"
#include "api/result_json.h"
#include "base/core_error.h"
#include "base/utf8.h"
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

[[maybe_unused]] void emit_python_warning(const std::string& message) {
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
    zvk::ready_thread_for_exceptions();
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

// Length of the run of ASCII bytes at the start of `text`, eight at a time.
std::size_t ascii_prefix(std::string_view text) {
    std::size_t i = 0;
    while (i + 8 <= text.size()) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, 8);
        if ((word & 0x8080808080808080ull) != 0) break;
        i += 8;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

// The largest character any text of the extraction puts into its JSON
// (everything else the JSON holds is ASCII).
Py_UCS4 widest_character(const zvk::ExtractedDocument& extraction) {
    Py_UCS4 widest = 0x7F;
    auto scan = [&widest](std::string_view text) {
        for (std::size_t i = ascii_prefix(text); i < text.size();) {
            zvk::Utf8Step step = zvk::utf8_decode_at(text, i);
            if (step.scalar > widest) widest = static_cast<Py_UCS4>(step.scalar);
            i += step.length;
            i += ascii_prefix(text.substr(i));
        }
    };
    scan(extraction.coordinate_space);
    for (const auto& d : extraction.diagnostics) scan(d.message);
    for (const auto& r : extraction.regions) scan(r.kind);
    for (const auto& g : extraction.glyphs) {
        scan(g.unicode);
        scan(g.font_name);
        scan(g.font_resource);
        scan(g.disposition.payload);
        if (g.source.resource_name) scan(*g.source.resource_name);
    }
    return widest;
}

// The class of a character that decides the form of a str holding it: ASCII,
// Latin-1, the BMP, or beyond. Python requires every str in the narrowest
// form its characters allow.
int width_class(Py_UCS4 c) { return c < 0x80 ? 0 : c < 0x100 ? 1 : c < 0x10000 ? 2 : 3; }

// Writes the text straight into a str made for the widest character expected,
// grown as needed (a large str grows by remapping, without copying) and cut to
// size at the end. A character of a wider class than expected stops it.
class DirectSink final : public zvk::JsonSink {
public:
    DirectSink(Py_ssize_t capacity, Py_UCS4 widest) : class_(width_class(widest)) {
        str = PyUnicode_New(capacity, widest);
        failed = str == nullptr;
    }
    ~DirectSink() override { Py_XDECREF(str); }

    void write(std::string_view chunk) override {
        if (failed || overflowed) return;
        // A chunk of n bytes holds at most n characters.
        const auto needed = position + static_cast<Py_ssize_t>(chunk.size());
        if (needed > PyUnicode_GET_LENGTH(str)) {
            Py_ssize_t grown = std::max(needed, 2 * PyUnicode_GET_LENGTH(str));
            if (PyUnicode_Resize(&str, grown) < 0) {
                failed = true;
                return;
            }
        }
        switch (PyUnicode_KIND(str)) {
        case PyUnicode_1BYTE_KIND: fill<Py_UCS1>(chunk); break;
        case PyUnicode_2BYTE_KIND: fill<Py_UCS2>(chunk); break;
        default: fill<Py_UCS4>(chunk); break;
        }
    }

    // The text's own widest character decides the form: done when it is the
    // form the str was made in.
    bool canonical() const { return !overflowed && width_class(widest_seen) == class_; }

    // The finished str (cut to its length), or null with the error set.
    PyObject* take() {
        if (PyUnicode_Resize(&str, position) < 0) return nullptr;
        PyObject* out = str;
        str = nullptr;
        return out;
    }

    PyObject* str = nullptr;
    Py_ssize_t position = 0;
    Py_UCS4 widest_seen = 0;
    bool failed = false;
    bool overflowed = false;

private:
    template <typename Unit>
    void fill(std::string_view chunk) {
        Unit* out = static_cast<Unit*>(PyUnicode_DATA(str));
        for (std::size_t i = 0; i < chunk.size();) {
            auto byte = static_cast<unsigned char>(chunk[i]);
            if (byte < 0x80) {
                out[position++] = byte;
                ++i;
                continue;
            }
            zvk::Utf8Step step = zvk::utf8_decode_at(chunk, i);
            widest_seen = std::max<Py_UCS4>(widest_seen, step.scalar);
            if (width_class(step.scalar) > class_) {
                overflowed = true;
                return;
            }
            out[position++] = static_cast<Unit>(step.scalar);
            i += step.length;
        }
    }

    int class_;
};

// The extraction JSON as a str, written once straight into it. The scan of
// the records finds its widest character; should the text still hold another
// form (a field the scan missed), it is written again in that form.
PyObject* extraction_result(const zvk::ExtractedDocument& extraction) {
    // A pretty-printed glyph is about 1.3 KB of text.
    constexpr Py_ssize_t kCharsPerGlyph = 1400;
    zvk::ExtractionJson json(extraction);
    const auto estimate = static_cast<Py_ssize_t>(4096 + extraction.glyphs.size() * kCharsPerGlyph);
    Py_UCS4 widest = widest_character(extraction);
    // Each further attempt starts from a wider character: four forms at most.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DirectSink direct(estimate, widest);
        if (direct.failed) return nullptr;
        json.write(direct);
        if (direct.failed) return nullptr;
        if (direct.canonical()) return direct.take();
        widest = direct.widest_seen;
    }
    PyErr_SetString(PyExc_RuntimeError, "internal error: extraction JSON has no settled form");
    return nullptr;
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

        auto load = zvk::parse_load_options(options);
        if (!load) return core_error_to_py_err(load.error());
        auto limits = zvk::parse_extract_limits(options);
        if (!limits) return core_error_to_py_err(limits.error());
        auto document = zvk::load_pdf_document(path, *load);
        if (!document) return core_error_to_py_err(document.error());
        auto extraction = zvk::extract_document(*document, *limits);
        if (!extraction) return core_error_to_py_err(extraction.error());
        return extraction_result(*extraction);
    });
}

PyObject* py_translate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        PyObject* slots[2];
        if (!bind_arguments({"translate", kPathOptionsParams, 2, 1}, args, nargs, kwnames, slots)) return nullptr;
        std::string path, options;
        if (!convert_path(slots[0], "path", path)) return nullptr;
        if (!convert_text(slots[1], "options_json", true, options)) return nullptr;

        auto parsed = zvk::parse_translate_options(options);
        if (!parsed) return core_error_to_py_err(parsed.error());
        auto document = zvk::load_pdf_document(path, zvk::LoadOptions{});
        if (!document) return core_error_to_py_err(document.error());
        auto translator = zvk::select_translator(parsed->options);
        if (!translator) return core_error_to_py_err(translator.error());
        // Extraction, translation and the result JSON follow once a translator
        // can be built; select_translator cannot succeed yet.
        PyErr_SetString(PyExc_RuntimeError, "translation is not available yet");
        return nullptr;
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

        auto parsed = zvk::parse_translate_options(options);
        if (!parsed) return core_error_to_py_err(parsed.error());
        // save reports none of the option warnings.
        auto limits = zvk::parse_extract_limits(options);
        if (!limits) return core_error_to_py_err(limits.error());
        auto document = zvk::load_pdf_document(path, zvk::LoadOptions{});
        if (!document) return core_error_to_py_err(document.error());
        auto translator = zvk::select_translator(parsed->options);
        if (!translator) return core_error_to_py_err(translator.error());
        // Extraction, translation, the rewrite, writing `output` and the
        // coverage warning follow once a translator can be built.
        PyErr_SetString(PyExc_RuntimeError, "translation is not available yet");
        return nullptr;
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
