#include "font/standard_metrics.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

namespace zvk::font {

namespace {

#include "font/standard_metrics.inc"

struct FamilyAlias {
    std::string_view family;
    // Standard names for regular, bold, italic and bold italic.
    std::array<std::string_view, 4> styles;
};

constexpr std::array<std::string_view, 4> kHelvetica{"Helvetica", "Helvetica-Bold", "Helvetica-Oblique",
                                                     "Helvetica-BoldOblique"};
constexpr std::array<std::string_view, 4> kTimes{"Times-Roman", "Times-Bold", "Times-Italic",
                                                 "Times-BoldItalic"};
constexpr std::array<std::string_view, 4> kCourier{"Courier", "Courier-Bold", "Courier-Oblique",
                                                   "Courier-BoldOblique"};
// Symbol and ZapfDingbats have one face; a style suffix keeps their metrics.
constexpr std::array<std::string_view, 4> kSymbol{"Symbol", "Symbol", "Symbol", "Symbol"};
constexpr std::array<std::string_view, 4> kDingbats{"ZapfDingbats", "ZapfDingbats", "ZapfDingbats",
                                                    "ZapfDingbats"};

constexpr FamilyAlias kFamilies[] = {
    {"Helvetica", kHelvetica},
    {"Arial", kHelvetica},
    {"ArialMT", kHelvetica},
    {"Times", kTimes},
    {"TimesNewRoman", kTimes},
    {"TimesNewRomanPS", kTimes},
    {"TimesNewRomanPSMT", kTimes},
    {"Courier", kCourier},
    {"CourierNew", kCourier},
    {"CourierNewPS", kCourier},
    {"CourierNewPSMT", kCourier},
    {"Symbol", kSymbol},
    {"ZapfDingbats", kDingbats},
};

// Style suffix (after "," or "-", a trailing "MT" removed) to style index.
std::optional<std::size_t> style_index(std::string_view style) {
    if (style.ends_with("MT")) style.remove_suffix(2);
    if (style.empty() || style == "Roman" || style == "Regular") return 0;
    if (style == "Bold") return 1;
    if (style == "Italic" || style == "Oblique") return 2;
    if (style == "BoldItalic" || style == "BoldOblique") return 3;
    return std::nullopt;
}

std::string_view without_subset_prefix(std::string_view name) {
    if (name.size() > 7 && name[6] == '+' &&
        std::all_of(name.begin(), name.begin() + 6, [](char c) { return c >= 'A' && c <= 'Z'; })) {
        name.remove_prefix(7);
    }
    return name;
}

const StandardFontMetrics* metrics_named(std::string_view name) {
    for (const auto& font : kStandardFontMetrics) {
        if (font.name == name) return &font;
    }
    return nullptr;
}

}  // namespace

const StandardFontMetrics* standard_font_metrics(std::string_view base_font) {
    std::string_view name = without_subset_prefix(base_font);
    std::size_t split = name.find_first_of(",-");
    std::string_view family = name.substr(0, split);
    std::string_view style = split == std::string_view::npos ? std::string_view() : name.substr(split + 1);
    auto index = style_index(style);
    if (!index) return nullptr;
    for (const auto& alias : kFamilies) {
        if (alias.family == family) return metrics_named(alias.styles[*index]);
    }
    return nullptr;
}

std::optional<float> standard_glyph_width(const StandardFontMetrics& font, std::string_view glyph_name) {
    const StandardGlyphMetric* end = font.glyphs + font.count;
    const StandardGlyphMetric* it =
        std::lower_bound(font.glyphs, end, glyph_name, [](const StandardGlyphMetric& glyph, std::string_view name) {
            return std::string_view(glyph.name) < name;
        });
    if (it == end || std::string_view(it->name) != glyph_name) return std::nullopt;
    return static_cast<float>(it->width);
}

std::string_view standard_builtin_glyph_name(const StandardFontMetrics& font, std::uint8_t code) {
    using CodeTable = std::array<std::string_view, 256>;
    // One code table per standard font, built on first use.
    static const auto tables = [] {
        std::array<CodeTable, std::size(kStandardFontMetrics)> built{};
        for (std::size_t f = 0; f < std::size(kStandardFontMetrics); ++f) {
            const auto& metrics = kStandardFontMetrics[f];
            for (std::size_t g = 0; g < metrics.count; ++g) {
                const auto& glyph = metrics.glyphs[g];
                if (glyph.code >= 0 && glyph.code < 256) built[f][static_cast<std::size_t>(glyph.code)] = glyph.name;
            }
        }
        return built;
    }();
    std::size_t f = static_cast<std::size_t>(&font - kStandardFontMetrics);
    if (f >= std::size(kStandardFontMetrics)) return {};
    return tables[f][code];
}

}  // namespace zvk::font
