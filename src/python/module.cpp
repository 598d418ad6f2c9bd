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

#include "api/core_error.h"
#include "api/options.h"
#include "api/pdf_files.h"
#include "api/result_json.h"
#include "api/utf8.h"
#include "translator/select.h"

namespace {

using zvk::CoreError;

constexpr const char* kVersion = "0.1.3";

// ---- errors -------------------------------------------------------------

PyObject* core_error_to_py_err(const CoreError& error) {
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

// A str (or subclass) as UTF-8. None is accepted only when `none_is_empty`.
bool convert_text(PyObject* object, const char* parameter, bool none_is_empty, std::string& out) {
    if (object == nullptr || (none_is_empty && object == Py_None)) {
        out.clear();
        return true;
    }
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
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(object, &size);
    if (utf8 == nullptr) {
        add_processing_note(parameter);
        return false;
    }
    out.assign(utf8, static_cast<std::size_t>(size));
    return true;
}

// Runs a call body; a C++ exception must never reach the interpreter.
template <typename Body>
PyObject* guarded_call(Body&& body) {
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

// Counts the characters of a UTF-8 text given in pieces, and the largest.
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

// Counts the characters of a UTF-8 text given in pieces, and the largest.
class CountingSink final : public zvk::JsonSink {
public:
    void write(std::string_view chunk) override {
        for (std::size_t i = 0; i < chunk.size();) {
            std::size_t run = ascii_prefix(chunk.substr(i));
            chars += static_cast<Py_ssize_t>(run);
            i += run;
            if (i == chunk.size()) break;
            zvk::Utf8Step step = zvk::utf8_decode_at(chunk, i);
            if (step.scalar > max_char) max_char = step.scalar;
            i += step.length;
            ++chars;
        }
    }
    Py_ssize_t chars = 0;
    Py_UCS4 max_char = 0x7F;
};

// Writes a UTF-8 text given in pieces into a str made for it.
class FillingSink final : public zvk::JsonSink {
public:
    explicit FillingSink(PyObject* str)
        : kind_(PyUnicode_KIND(str)), data_(PyUnicode_DATA(str)),
          capacity_(PyUnicode_GET_LENGTH(str)) {}

    void write(std::string_view chunk) override {
        switch (kind_) {
        case PyUnicode_1BYTE_KIND: fill<Py_UCS1>(chunk); break;
        case PyUnicode_2BYTE_KIND: fill<Py_UCS2>(chunk); break;
        default: fill<Py_UCS4>(chunk); break;
        }
    }
    Py_ssize_t position = 0;

private:
    template <typename Unit>
    void fill(std::string_view chunk) {
        Unit* out = static_cast<Unit*>(data_);
        for (std::size_t i = 0; i < chunk.size();) {
            // The counting pass sized the str; never write past it.
            std::size_t run = ascii_prefix(chunk.substr(i));
            run = std::min<std::size_t>(run, static_cast<std::size_t>(std::max<Py_ssize_t>(capacity_ - position, 0)));
            if constexpr (sizeof(Unit) == 1) {
                std::memcpy(out + position, chunk.data() + i, run);
            } else {
                for (std::size_t k = 0; k < run; ++k) {
                    out[position + static_cast<Py_ssize_t>(k)] = static_cast<unsigned char>(chunk[i + k]);
                }
            }
            position += static_cast<Py_ssize_t>(run);
            i += run;
            if (i == chunk.size()) break;
            zvk::Utf8Step step = zvk::utf8_decode_at(chunk, i);
            if (position < capacity_) out[position] = static_cast<Unit>(step.scalar);
            ++position;
            i += step.length;
        }
    }

    int kind_;
    void* data_;
    Py_ssize_t capacity_;
};

// Keeps the text of a writer in blocks large enough that the allocator maps
// each one separately (glibc's mapping threshold rises to at most 32 MiB), so
// that a block freed goes back to the system at once. A small text reserves
// a block's address space but touches only what it writes.
class BlockSink final : public zvk::JsonSink {
public:
    static constexpr std::size_t kBlockBytes = 48u << 20;

    void write(std::string_view chunk) override {
        counter.write(chunk);
        if (blocks.empty() || blocks.back().size() + chunk.size() > kBlockBytes) {
            blocks.emplace_back();
            blocks.back().reserve(std::max(kBlockBytes, chunk.size()));
        }
        blocks.back().append(chunk);
    }

    CountingSink counter;
    std::vector<std::string> blocks;
};

// The extraction JSON as a str. The text is kept in blocks while it is
// written, then copied into the str block by block, each block freed once
// copied: at no time do our text and Python's both exist whole.
PyObject* extraction_result(const zvk::ExtractedDocument& extraction) {
    BlockSink text;
    zvk::ExtractionJson(extraction).write(text);
    PyObject* str = PyUnicode_New(text.counter.chars, text.counter.max_char);
    if (str == nullptr) return nullptr;
    FillingSink fill(str);
    for (std::string& block : text.blocks) {
        fill.write(block);
        std::string().swap(block);
    }
    if (fill.position != text.counter.chars) {
        Py_DECREF(str);
        PyErr_SetString(PyExc_RuntimeError, "internal error: extraction JSON was not copied whole");
        return nullptr;
    }
    return str;
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
        if (!convert_text(slots[0], "path", false, path)) return nullptr;
        if (!convert_text(slots[1], "options_json", true, options)) return nullptr;

        auto load = zvk::parse_load_options(options);
        if (!load) return core_error_to_py_err(load.error());
        auto limits = zvk::parse_extract_limits(options);
        if (!limits) return core_error_to_py_err(limits.error());
        auto document = zvk::load_pdf_document(path, *load);
        if (!document) return core_error_to_py_err(document.error());
        zvk::ExtractedDocument extraction = zvk::extract_document(*document, *limits);
        return extraction_result(extraction);
    });
}

PyObject* py_translate(PyObject*, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    return guarded_call([&]() -> PyObject* {
        PyObject* slots[2];
        if (!bind_arguments({"translate", kPathOptionsParams, 2, 1}, args, nargs, kwnames, slots)) return nullptr;
        std::string path, options;
        if (!convert_text(slots[0], "path", false, path)) return nullptr;
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
        if (!convert_text(slots[0], "path", false, path)) return nullptr;
        if (!convert_text(slots[1], "output", false, output)) return nullptr;
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
