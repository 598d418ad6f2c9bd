#include "font/simple_font.h"

#include "font/font_loader.h"
#include "font/font_streams.h"
#include "font/glyph_names.h"
#include "font/sfnt.h"
#include "font/standard_metrics.h"
#include "pdf/objects.h"

namespace zvk::font {

namespace {

struct Descriptor {
    std::optional<pdf::Object> dictionary;
    bool symbolic = false;
    float missing_width = 0.0f;
};

Descriptor read_descriptor(const pdf::Document& doc, const pdf::Object& font_dictionary) {
    Descriptor descriptor;
    pdf::Object resolved = resolved_entry(doc, font_dictionary, "FontDescriptor");
    if (!resolved.is_dictionary()) return descriptor;
    descriptor.dictionary = resolved;
    // Flags is read as stored: a reference to an integer does not count.
    pdf::Object flags = resolved.get("Flags");
    descriptor.symbolic = flags.is_integer() && (flags.as_integer() & 4) != 0;
    descriptor.missing_width = number_value(resolved_entry(doc, resolved, "MissingWidth")).value_or(0.0f);
    return descriptor;
}

// The table and what the standard-14 widths need to name each code.
struct EncodingResult {
    SimpleEncoding table;
    std::map<std::uint32_t, std::string> differences_names;
    // The encoding whose glyph names stand behind the table; none when the
    // table started empty because the font's own encoding is unknown.
    std::optional<BaseEncoding> names_from;
    bool base_named = false;  // an Encoding name or BaseEncoding was recognised
};

void apply_differences(const pdf::Document& doc, const pdf::Object& differences, EncodingResult& result) {
    auto elements = resolve_array(doc, differences);
    if (!elements) return;
    std::optional<std::uint32_t> code;
    for (const auto& element : *elements) {
        pdf::Object item = resolve_object(doc, element);
        if (item.is_number()) {
            code = number_to_u32(item);
        } else if (auto name = object_as_name(item)) {
            if (!code) continue;
            if (*code < 256) {
                set_encoding_difference(result.table, *code, *name);
                result.differences_names.insert_or_assign(*code, *name);
            }
            if (*code < UINT32_MAX) ++*code;
        }
    }
}

EncodingResult read_encoding(const pdf::Document& doc, const pdf::Object& font_dictionary,
                             const std::string& base_font, FontKind kind, bool symbolic) {
    const bool symbol_name = base_font.find("Symbol") != std::string::npos;
    BaseEncoding fallback = symbol_name ? BaseEncoding::SymbolEncoding
                            : (kind == FontKind::Type1 || symbolic) ? BaseEncoding::StandardEncoding
                                                                    : BaseEncoding::WinAnsiEncoding;
    EncodingResult result;
    auto start_from = [&](std::optional<BaseEncoding> named) {
        result.base_named = named.has_value();
        result.names_from = named.value_or(fallback);
        result.table = base_encoding_table(*result.names_from);
    };
    pdf::Object encoding = resolved_entry(doc, font_dictionary, "Encoding");
    if (encoding.is_null()) {
        if (symbolic && !symbol_name) {
            result.table = SimpleEncoding{};  // the font's own encoding is unknown
        } else {
            start_from(std::nullopt);
        }
    } else if (auto name = object_as_name(encoding)) {
        start_from(parse_base_encoding_name(*name));
    } else if (encoding.is_dictionary()) {
        std::optional<BaseEncoding> named;
        if (auto base = object_as_name(resolved_entry(doc, encoding, "BaseEncoding"))) {
            named = parse_base_encoding_name(*base);
        }
        start_from(named);
        apply_differences(doc, encoding.get("Differences"), result);
    } else {
        start_from(std::nullopt);
    }
    return result;
}

// What the embedded program's own encoding gives the codes that Encoding and
// Differences leave without text. A descriptor names one program; one that
// names both a Type1 program and a bare CFF one is read for the Type1
// program, which renderers draw with, and for the CFF program only when the
// Type1 one does not load.
std::shared_ptr<const SimpleEncoding> builtin_encoding_fills(const pdf::Document& doc,
                                                             const pdf::Object& descriptor,
                                                             FontStreamParts* parts) {
    if (descriptor.has_key("FontFile")) {
        if (auto fills = read_type1_builtin_encoding(doc, descriptor.get("FontFile"), parts)) return fills;
    }
    if (descriptor.has_key("FontFile3")) return read_cff_builtin_encoding(doc, descriptor.get("FontFile3"), parts);
    return nullptr;
}

// A simple font naming a standard font without Widths takes the standard
// metrics by glyph name, so its glyphs do not all stand at one point.
void add_standard_widths(const StandardFontMetrics& metrics, const EncodingResult& encoding,
                         GlyphWidths& widths) {
    const bool own_encoding = !encoding.names_from ||
                              (!encoding.base_named && (metrics.name == "Symbol" || metrics.name == "ZapfDingbats"));
    for (std::uint32_t code = 0; code < 256; ++code) {
        std::string_view name;
        if (auto it = encoding.differences_names.find(code); it != encoding.differences_names.end()) {
            name = it->second;
        } else if (own_encoding) {
            name = standard_builtin_glyph_name(metrics, static_cast<std::uint8_t>(code));
        } else {
            name = base_encoding_glyph_name(*encoding.names_from, static_cast<std::uint8_t>(code));
        }
        if (name.empty()) continue;
        if (auto width = standard_glyph_width(metrics, name)) widths.map.emplace(code, *width);
    }
}

GlyphWidths read_widths(const pdf::Document& doc, const pdf::Object& font_dictionary, FontKind kind,
                        const std::string& base_font, const EncodingResult& encoding, float missing_width) {
    GlyphWidths widths;
    widths.default_width = missing_width;
    std::uint32_t first_char = number_to_u32(resolved_entry(doc, font_dictionary, "FirstChar"));
    pdf::Object array = resolved_entry(doc, font_dictionary, "Widths");
    if (array.is_array()) {
        auto values = collect_numeric_widths(doc, array.array_items());
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!values[i]) continue;
            // Keys wrap modulo 2^32, as FirstChar + i does in 32 bits.
            widths.map.insert_or_assign(first_char + static_cast<std::uint32_t>(i), *values[i]);
        }
    } else if (!font_dictionary.has_key("Widths") && kind != FontKind::Type3) {
        // Type3 glyph space is the font's own matrix, not thousandths of an em.
        if (const auto* metrics = standard_font_metrics(base_font)) {
            add_standard_widths(*metrics, encoding, widths);
        }
    }
    widths.build_index();
    return widths;
}

}  // namespace

void set_encoding_difference(SimpleEncoding& table, std::uint32_t code, std::string_view glyph_name) {
    table[code & 0xFF] = glyph_name_to_unicode(glyph_name);
}

std::vector<std::optional<float>> collect_numeric_widths(const pdf::Document& doc,
                                                         const std::vector<pdf::Object>& array) {
    std::vector<std::optional<float>> widths;
    widths.reserve(array.size());
    for (const auto& element : array) widths.push_back(number_value(resolve_object(doc, element)));
    return widths;
}

std::string_view trim_leading_line_whitespace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
    return text.substr(i);
}

PdfFont load_simple_font(const pdf::Document& doc, const std::string& resource_name,
                         std::optional<ObjectId> object_id, const pdf::Object& font_dictionary,
                         FontKind kind, const std::string& base_font, FontStreamParts* parts) {
    Descriptor descriptor = read_descriptor(doc, font_dictionary);
    EncodingResult encoding = read_encoding(doc, font_dictionary, base_font, kind, descriptor.symbolic);

    if (descriptor.dictionary) {
        if (auto fills = builtin_encoding_fills(doc, *descriptor.dictionary, parts)) {
            for (std::size_t code = 0; code < 256; ++code) {
                if (!encoding.table[code] && (*fills)[code]) encoding.table[code] = (*fills)[code];
            }
        }
    }

    PdfFont font;
    font.resource_name = resource_name;
    font.base_font = base_font;
    font.to_unicode = load_to_unicode(doc, font_dictionary, parts);
    if (descriptor.dictionary) {
        ProgramMaps maps = find_embedded_program_maps(doc, *descriptor.dictionary, parts);
        font.code_point_to_gid = std::move(maps.code_point_to_gid);
        font.gid_to_text = std::move(maps.gid_to_text);
    }
    font.widths = std::make_shared<const GlyphWidths>(
        read_widths(doc, font_dictionary, kind, base_font, encoding, descriptor.missing_width));
    if (kind == FontKind::Type3) {
        font.type3 = load_type3_data(doc, font_dictionary, encoding.differences_names, encoding.table, parts);
        font.font_matrix = font.type3->font_matrix;
    }
    font.simple_encoding = std::make_shared<const SimpleEncoding>(std::move(encoding.table));
    font.object_id = object_id;
    font.kind = kind;
    return font;
}

}  // namespace zvk::font
