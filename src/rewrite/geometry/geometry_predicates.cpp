#include "rewrite/geometry/geometry_predicates.h"

#include <cmath>
#include <limits>
#include <map>
#include <unordered_set>
#include <utility>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "rewrite/geometry/char_substitutes.h"
#include "rewrite/geometry/glyph_classes.h"

namespace zvk::rewrite {

namespace {

constexpr std::string_view kKeptLineMessage = "kept the original line because the translation did not fit: ";

bool is_kept_for(const Glyph& glyph, std::string_view reason) {
    return glyph.disposition.state == DispositionState::KeptOriginal && glyph.disposition.payload == reason;
}

// Not empty, ASCII digits and full stops only, holding a full stop.
bool is_dotted_digits(std::string_view text) {
    if (text.find('.') == std::string_view::npos) return false;
    for (char c : text) {
        if (c != '.' && !is_ascii_digit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

std::size_t OperatorKeyHash::operator()(const OperatorKey& key) const {
    std::size_t h = std::hash<std::uint64_t>{}((std::uint64_t{key.object_number} << 16) | key.generation);
    h ^= std::hash<std::uint64_t>{}(key.byte_start) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    h ^= std::hash<std::uint64_t>{}(key.byte_end) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
    return h;
}

std::optional<OperatorKey> operator_key_of(const GlyphSource& source) {
    if (!source.object_id || !(source.byte_start < source.byte_end)) return std::nullopt;
    return OperatorKey{source.object_id->number, source.object_id->generation, source.byte_start, source.byte_end};
}

bool glyphs_cover_their_operators(std::span<const Glyph* const> glyphs, const OperatorGlyphs& operator_glyphs) {
    if (glyphs.empty()) return true;
    std::unordered_set<std::uint32_t> ids;
    for (const Glyph* g : glyphs) ids.insert(g->id);
    // Glyphs of one operation share its list: each list is checked once.
    std::unordered_set<OperatorKey, OperatorKeyHash> checked;
    for (const Glyph* g : glyphs) {
        const std::optional<OperatorKey> key = operator_key_of(g->source);
        if (!key) return false;
        auto it = operator_glyphs.find(*key);
        if (it == operator_glyphs.end()) return false;
        if (!checked.insert(*key).second) continue;
        for (std::uint32_t id : it->second) {
            if (!ids.contains(id)) return false;
        }
    }
    return true;
}

bool is_toc_page_number_glyph(const Glyph& glyph) {
    if (!is_kept_for(glyph, "toc")) return false;
    return is_single_numeral_char(glyph.unicode);
}

bool has_toc_page_number_near_baseline(std::span<const Glyph> glyphs, std::uint32_t page, float baseline,
                                       float size) {
    const float t = 0.55f * (size >= 1.0f ? size : 1.0f);
    for (const Glyph& g : glyphs) {
        if (g.page_index == page && std::fabs(g.matrix[5] - baseline) <= t && is_toc_page_number_glyph(g)) {
            return true;
        }
    }
    return false;
}

bool is_dotted_number_text(std::string_view text) {
    const std::string_view trimmed = trim_white_space(text);
    bool digit = false;
    for (char c : trimmed) digit = digit || is_ascii_digit(static_cast<unsigned char>(c));
    return digit && is_dotted_digits(trimmed);
}

bool starts_with_section_number(std::string_view text) {
    const std::vector<std::string_view> words = split_white_space_words(text);
    if (words.empty()) return false;
    std::string_view word = words.front();
    while (!word.empty() && word.back() == '.') word.remove_suffix(1);
    return is_dotted_digits(word);
}

std::vector<char32_t> substitute_chars_for_text(char32_t c) {
    std::vector<char32_t> candidates = substitute_chars_for_missing_glyph(c);
    if (auto folded = fold_latin_letter_to_ascii(c)) candidates.push_back(*folded);
    if (auto plain = ascii_for_styled_letter(c)) {
        candidates.push_back(*plain);
        if (auto latin = greek_letter_to_latin(*plain)) candidates.push_back(*latin);
    }
    return candidates;
}

std::int32_t kept_line_key(float y) {
    // std::lround of NaN or of a value beyond the range is undefined: both
    // are settled before rounding.
    const double twice = 2.0 * static_cast<double>(y);
    if (std::isnan(twice)) return 0;
    const double rounded = std::round(twice);
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(rounded);
}

void report_kept_lines(ExtractedDocument& document) {
    std::map<std::pair<std::uint32_t, std::int32_t>, std::string> lines;
    for (const Glyph& g : document.glyphs) {
        if (is_kept_for(g, "line-kept")) lines[{g.page_index, kept_line_key(g.matrix[5])}] += g.unicode;
    }
    for (const auto& [key, text] : lines) {
        const std::string_view trimmed = trim_white_space(text);
        if (trimmed.empty()) continue;
        document.diagnostics.push_back({key.first, std::string(kKeptLineMessage) + std::string(trimmed)});
    }
}

}  // namespace zvk::rewrite
