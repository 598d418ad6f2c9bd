#include "font/encodings.h"

#include "font/glyph_names.h"

namespace zvk::font {

namespace {

#include "font/encoding_tables.inc"

struct EncodingData {
    std::string_view name;
    const char* const* glyph_names;
    const char32_t* code_points;
};

// In the order of BaseEncoding.
constexpr EncodingData kEncodings[] = {
    {"StandardEncoding", kStandardNames, kStandardCodePoints},
    {"WinAnsiEncoding", kWinAnsiNames, kWinAnsiCodePoints},
    {"MacRomanEncoding", kMacRomanNames, kMacRomanCodePoints},
    {"MacExpertEncoding", kMacExpertNames, kMacExpertCodePoints},
    {"PDFDocEncoding", kPDFDocNames, kPDFDocCodePoints},
    {"SymbolEncoding", kSymbolNames, kSymbolCodePoints},
};

const EncodingData& data(BaseEncoding encoding) {
    return kEncodings[static_cast<std::size_t>(encoding)];
}

}  // namespace

std::optional<BaseEncoding> parse_base_encoding_name(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kEncodings); ++i) {
        if (kEncodings[i].name == name) return static_cast<BaseEncoding>(i);
    }
    return std::nullopt;
}

SimpleEncoding base_encoding_table(BaseEncoding encoding) {
    SimpleEncoding table;
    const char32_t* points = data(encoding).code_points;
    for (std::size_t code = 0; code < 256; ++code) table[code] = code_point_to_string(points[code]);
    return table;
}

char32_t base_encoding_code_point(BaseEncoding encoding, std::uint8_t code) {
    return data(encoding).code_points[code];
}

std::string_view base_encoding_glyph_name(BaseEncoding encoding, std::uint8_t code) {
    const char* name = data(encoding).glyph_names[code];
    return name ? std::string_view(name) : std::string_view();
}

}  // namespace zvk::font
