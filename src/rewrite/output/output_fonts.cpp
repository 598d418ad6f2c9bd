#include "rewrite/output/output_fonts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <unordered_set>

#include "base/ascii.h"
#include "base/stable_sort.h"
#include "base/utf8.h"
#include "layout/block_classes.h"
#include "rewrite/geometry/geometry_predicates.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {

namespace {

// Letters in these fonts are symbols, not the text's look.
bool is_math_letter_font(std::string_view font_name) {
    const std::string upper = ascii_upper(font_name);
    for (const std::string_view word : {"CMMI", "CMSY", "CMEX", "MSAM", "MSBM", "MATH"}) {
        if (upper.find(word) != std::string::npos) return true;
    }
    return false;
}

// 2 × y truncated toward zero, saturated to i32; NaN gives 0.
std::int32_t line_key(float y) {
    const float v = 2.0f * y;
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0f) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

void append_chars(std::u32string& out, std::string_view text) {
    for (const Utf8Step step : Utf8Range(text)) out.push_back(step.valid ? step.scalar : U'\uFFFD');
}

void append_with_substitutes(std::vector<std::uint32_t>& out, char32_t c) {
    out.push_back(static_cast<std::uint32_t>(c));
    for (const char32_t s : substitute_chars_for_text(c)) out.push_back(static_cast<std::uint32_t>(s));
}

}  // namespace

CjkSizeLadder cjk_size_ladder_from(float cjk_size_scale, float cjk_leading) {
    const float s = positive_f32_from_env("ZVK_CJK_SIZE_SCALE", cjk_size_scale, 0.9f);
    const float l = positive_f32_from_env("ZVK_CJK_LEADING", cjk_leading, 1.6f);
    return make_cjk_size_ladder(s, l);
}

FontNameStyle translation_style(const TranslationRecord& record, std::string_view final_text,
                                std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index) {
    std::vector<const Glyph*> found;
    found.reserve(record.glyph_ids.size());
    for (const std::uint32_t id : record.glyph_ids) {
        const std::optional<std::size_t> pos = glyph_index.position(id);
        if (pos && *pos < glyphs.size()) found.push_back(&glyphs[*pos]);
    }
    if (found.empty()) return kFontStyleSerif;

    std::uint64_t total = 0, serif = 0, bold = 0, italic = 0;
    for (const Glyph* g : found) {
        const std::uint64_t n = static_cast<std::uint64_t>(std::count_if(
            g->unicode.begin(), g->unicode.end(), [](char c) { return is_ascii_letter(static_cast<unsigned char>(c)); }));
        if (n == 0 || is_math_letter_font(g->font_name)) continue;
        const FontNameStyle style = classify_font_name(g->font_name);
        total += n;
        if ((style & kFontStyleSerif) != 0) serif += n;
        if (is_bold_style(style)) bold += n;
        if (is_italic_style(style)) italic += n;
    }
    FontNameStyle result = 0;
    if (total == 0) {
        result = classify_font_name(found.front()->font_name);
    } else {
        if (2 * serif >= total) result |= kFontStyleSerif;
        if (2 * bold > total) result |= kFontStyleBold;
        if (2 * italic > total) result |= kFontStyleItalic;
    }

    // A heading is set bold whatever its source fonts say.
    std::vector<float> sizes;
    sizes.reserve(found.size());
    std::unordered_set<std::int32_t> lines;
    bool all_bold = true;
    for (const Glyph* g : found) {
        sizes.push_back(g->font_size);
        lines.insert(line_key(g->matrix[5]));
        all_bold = all_bold && is_bold_style(classify_font_name(g->font_name));
    }
    stable_merge_sort(sizes, [](float a, float b) { return total_order_key(a) < total_order_key(b); });
    const float median = sizes[sizes.size() / 2];
    const std::uint8_t block_class =
        classify_heading_block(std::max<std::uint64_t>(lines.size(), 1), all_bold, final_text, median);
    if (block_class == 1 || block_class == 2) result |= kFontStyleBold;
    return result;
}

std::u32string shared_font_characters(const WrappedTocEntries& wrapped, std::string_view bullet_items,
                                      std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index,
                                      const GlyphIdSet& toc_redraw_ids, const GlyphIdSet& operator_redraw_ids,
                                      const GlyphReasons& keep_reasons) {
    std::u32string chars;
    for (const auto& [lead, entry] : wrapped) append_chars(chars, entry.joined_text);
    append_chars(chars, bullet_items);
    for (const Glyph& g : glyphs) {
        const bool toc = g.disposition.state == DispositionState::KeptOriginal && g.disposition.payload == "toc";
        if (toc || (!toc_redraw_ids.empty() && toc_redraw_ids.contains(g.id))) append_chars(chars, g.unicode);
    }
    for (const std::uint32_t id : operator_redraw_ids) {
        const std::optional<std::size_t> pos = glyph_index.position(id);
        if (pos && *pos < glyphs.size()) append_chars(chars, glyphs[*pos].unicode);
    }
    for (const Glyph& g : glyphs) {
        const auto it = keep_reasons.find(g.id);
        if (it != keep_reasons.end() && it->second == kKeepUnchanged) append_chars(chars, g.unicode);
    }
    return chars;
}

std::vector<std::uint32_t> required_font_characters(std::span<const AcceptedTranslation> group,
                                                    std::span<const TranslationRecord> records,
                                                    std::u32string_view shared) {
    std::vector<std::uint32_t> chars;
    for (const AcceptedTranslation& item : group) {
        for (const std::string_view text : {std::string_view(item.final_text),
                                            std::string_view(records[item.record_index].source)}) {
            for (const Utf8Step step : Utf8Range(text)) append_with_substitutes(chars, step.valid ? step.scalar : U'\uFFFD');
        }
    }
    for (const char32_t c : shared) append_with_substitutes(chars, c);
    chars.push_back(0x3000);
    for (char32_t d = U'0'; d <= U'9'; ++d) chars.push_back(d);
    // Only the set matters to the loader; a fixed order keeps the subset,
    // and so the written file, the same from run to run.
    std::sort(chars.begin(), chars.end());
    chars.erase(std::unique(chars.begin(), chars.end()), chars.end());
    return chars;
}

OutputFonts load_output_fonts(const OutputFontInputs& inputs, const CjkFontLoader& loader,
                              GlyphReasons& keep_reasons) {
    std::map<FontNameStyle, std::vector<AcceptedTranslation>> groups;
    for (const AcceptedTranslation& a : inputs.accepted) {
        const FontNameStyle style =
            translation_style(inputs.records[a.record_index], a.final_text, inputs.glyphs, inputs.glyph_index);
        groups[style].push_back(a);
    }

    OutputFonts fonts;
    std::uint32_t counter = inputs.first_font_number;
    for (auto& [style, group] : groups) {
        const std::vector<std::uint32_t> chars =
            required_font_characters(group, inputs.records, inputs.shared_characters);
        std::optional<font::SubsetFont> font = loader(style, chars);
        if (!font) {
            for (const AcceptedTranslation& a : group) {
                for (const std::uint32_t id : inputs.records[a.record_index].glyph_ids) {
                    keep_reasons[id] = std::string(kKeepNoFont);
                }
            }
            continue;
        }
        std::string name = "ZVK" + std::to_string(counter);
        ++counter;
        fonts.styles[name] = style;
        fonts.groups.push_back(FontGroup{style, fonts.entries.size(), is_italic_style(style) ? 0.25f : 0.0f,
                                         std::move(group)});
        fonts.entries.push_back(FontEntry{std::move(name), std::move(*font)});
    }
    fonts.none_found = !groups.empty() && fonts.entries.empty();
    return fonts;
}

}  // namespace zvk::rewrite
