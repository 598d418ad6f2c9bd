// The Type3 part of a simple font: its matrix, its resources and its glyph
// procedures attached to character codes.
#include <set>

#include "base/utf8.h"
#include "font/font_streams.h"
#include "font/glyph_names.h"
#include "font/simple_font.h"
#include "pdf/objects.h"

namespace zvk::font {

namespace {

Matrix read_font_matrix(const pdf::Document& doc, const pdf::Object& font_dictionary) {
    pdf::Object array = resolved_entry(doc, font_dictionary, "FontMatrix");
    if (!array.is_array() || array.array_size() < 6) return kDefaultFontMatrix;
    Matrix matrix{};
    for (std::size_t i = 0; i < 6; ++i) {
        matrix[i] = number_value(resolve_object(doc, array.array_at(i))).value_or(0.0f);
    }
    return matrix;
}

// Glyph name to procedure, each stream object decoded once however many
// names refer to it.
std::map<std::string, ProcedureBytes> load_procedures(const pdf::Document& doc,
                                                      const pdf::Object& font_dictionary, FontStreamParts* parts) {
    std::map<std::string, ProcedureBytes> procedures;
    pdf::Object char_procs = resolved_entry(doc, font_dictionary, "CharProcs");
    if (!char_procs.is_dictionary()) return procedures;
    std::map<ObjectId, ProcedureBytes> by_object;  // null: did not load
    std::uint64_t budget = kMaxType3ProcedureBytes;
    for (const auto& key : char_procs.dict_keys()) {
        pdf::Object value = char_procs.get(key);
        auto id = value.object_id();
        ProcedureBytes bytes;
        if (auto known = id ? by_object.find(*id) : by_object.end(); known != by_object.end()) {
            bytes = known->second;
        } else {
            bytes = read_type3_procedure(doc, value, budget, parts);
            if (bytes) budget -= bytes->size();
            if (id) by_object.emplace(*id, bytes);
        }
        if (bytes) procedures.insert_or_assign(utf8_lossy(key), std::move(bytes));
    }
    return procedures;
}

std::optional<std::uint32_t> first_code_with_text(const SimpleEncoding& table, const std::string& text) {
    for (std::uint32_t code = 0; code < 256; ++code) {
        if (table[code] == text) return code;
    }
    return std::nullopt;
}

bool is_one_character(const std::string& text) {
    return !text.empty() && utf8_decode_at(text, 0).length == text.size();
}

}  // namespace

std::shared_ptr<const Type3Data> load_type3_data(const pdf::Document& doc, const pdf::Object& font_dictionary,
                                                 const std::map<std::uint32_t, std::string>& differences_names,
                                                 const SimpleEncoding& table, FontStreamParts* parts) {
    auto data = std::make_shared<Type3Data>();
    data->font_matrix = read_font_matrix(doc, font_dictionary);
    pdf::Object resources = resolved_entry(doc, font_dictionary, "Resources");
    if (resources.is_dictionary()) data->resources = load_page_resources(doc, resources);

    auto procedures = load_procedures(doc, font_dictionary, parts);
    auto& char_procs = data->char_procs;
    if (!differences_names.empty()) {
        for (const auto& [code, name] : differences_names) {
            if (auto it = procedures.find(name); it != procedures.end()) char_procs[code] = it->second;
        }
        std::set<const std::string*> attached;
        for (const auto& [code, bytes] : char_procs) attached.insert(bytes.get());
        for (const auto& [name, bytes] : procedures) {
            if (attached.contains(bytes.get())) continue;
            auto text = glyph_name_to_unicode(name);
            if (!text) continue;
            auto code = first_code_with_text(table, *text);
            if (!code || char_procs.contains(*code)) continue;
            char_procs.emplace(*code, bytes);
            attached.insert(bytes.get());
        }
    } else {
        for (const auto& [name, bytes] : procedures) {
            if (name.size() == 1) {
                char_procs[static_cast<unsigned char>(name[0])] = bytes;
                continue;
            }
            auto text = glyph_name_to_unicode(name);
            if (!text || !is_one_character(*text)) continue;
            if (auto code = first_code_with_text(table, *text)) char_procs[*code] = bytes;
        }
    }
    return data;
}

}  // namespace zvk::font
