#include "rewrite/structure/glyph_predicates.h"

#include "base/text.h"
#include "base/utf8.h"
#include "rewrite/geometry/glyph_classes.h"
#include "segment/font_names.h"

namespace zvk::rewrite {

bool is_large_non_accent_glyph(float reference, const Glyph& glyph) {
    if (!(glyph.font_size > 0.84f * reference)) return false;
    const std::string_view t = trim_white_space(glyph.unicode);
    return t != "\u02C6" && t != "\u0302" && t != "\uF8F8";
}

bool is_unclaimed_monospace_glyph(std::uint32_t page, const GlyphIdSet& ids, const Glyph& glyph) {
    return glyph.page_index == page && !ids.contains(glyph.id) && !glyph.invisible &&
           !is_quarter_turned(glyph.matrix) && !glyph.unicode.empty() && is_monospace_font_name(glyph.font_name);
}

bool is_in_set_not_excluded(const GlyphIdSet& ids, const std::unordered_map<std::uint32_t, std::string>& words,
                            std::uint32_t id) {
    return ids.contains(id) && !words.contains(id);
}

bool is_toc_page_label_candidate(const GlyphIdSet& selected, const GlyphIdSet& excluded, const Glyph& glyph) {
    if (!is_single_numeral_char(glyph.unicode)) return false;
    const bool toc_kept =
        glyph.disposition.state == DispositionState::KeptOriginal && glyph.disposition.payload == "toc";
    return (selected.contains(glyph.id) || toc_kept) && !excluded.contains(glyph.id);
}

std::string remove_whitespace(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_unicode_white_space(step.scalar)) continue;
        out.append(text.substr(step.offset, step.length));
    }
    return out;
}

std::string concat_glyph_texts(std::span<const Glyph* const> glyphs) {
    std::string out;
    for (const Glyph* g : glyphs) out += trim_white_space(g->unicode);
    return out;
}

PageCount largest_count_entry(PageCount first, std::map<std::uint32_t, std::size_t> counts) {
    PageCount best = first;
    for (const auto& [page, count] : counts) {
        if (count >= best.second) best = {page, count};
    }
    return best;
}

}  // namespace zvk::rewrite
