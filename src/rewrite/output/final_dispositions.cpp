#include "rewrite/output/final_dispositions.h"

#include <optional>
#include <string>

#include "translate/dispositions.h"

namespace zvk::rewrite {

namespace {

// The glyph with `id`, or an error naming the id: every map and record holds
// ids of this document, so a missing one is reported, never passed over.
Result<const Glyph*> find_glyph(std::span<const Glyph> glyphs, const GlyphIdIndex& index, std::uint32_t id) {
    const std::optional<std::size_t> position = index.position(id);
    if (!position || *position >= glyphs.size()) return fail(CoreError::glyph_not_found(id));
    return &glyphs[*position];
}

// Pass 1 and pass 2: a word per glyph becomes its final state when the glyph
// is still open; the visiting order cannot matter, each entry touches only its
// own glyph.
template <typename MakeState>
Result<void> settle_words(std::span<Glyph> glyphs, const GlyphIdIndex& index, const GlyphReasons& words,
                          MakeState make_state) {
    for (const auto& [id, word] : words) {
        Result<const Glyph*> glyph = find_glyph(glyphs, index, id);
        if (!glyph) return fail(glyph.error());
        if ((*glyph)->disposition.is_final()) continue;
        Result<void> set = set_glyph_disposition(glyphs, id, make_state(word));
        if (!set) return set;
    }
    return {};
}

// A record is written when its walk meets a blanked glyph that is not kept.
Result<bool> record_is_written(std::span<const Glyph> glyphs, const DispositionInputs& inputs,
                               const TranslationRecord& record) {
    for (const std::uint32_t id : record.glyph_ids) {
        if (!inputs.blanked_glyph_ids.contains(id)) continue;
        Result<const Glyph*> glyph = find_glyph(glyphs, inputs.glyph_index, id);
        if (!glyph) return fail(glyph.error());
        if ((*glyph)->disposition.state != DispositionState::KeptOriginal) return true;
    }
    return false;
}

Result<void> settle_written_records(std::span<Glyph> glyphs, const DispositionInputs& inputs) {
    for (const TranslationRecord& record : inputs.records) {
        Result<bool> written = record_is_written(glyphs, inputs, record);
        if (!written) return fail(written.error());
        if (!*written) continue;
        for (const std::uint32_t id : record.glyph_ids) {
            Result<const Glyph*> glyph = find_glyph(glyphs, inputs.glyph_index, id);
            if (!glyph) return fail(glyph.error());
            // Already final: an earlier record sharing the glyph decided.
            if ((*glyph)->disposition.is_final()) continue;
            // Outside overlay only blanked glyphs lost their source drawing;
            // any other glyph of the record is still on the page as it was.
            const bool replaced = inputs.overlay || inputs.blanked_glyph_ids.contains(id);
            Result<void> set = replaced
                                   ? set_glyph_disposition(glyphs, id, GlyphDisposition::rewritten(record.translated))
                                   : keep_glyph_with_reason(glyphs, id, kKeptAsIs);
            if (!set) return set;
        }
    }
    return {};
}

}  // namespace

std::vector<std::uint32_t> collect_unresolved_glyph_ids(std::span<const Glyph> glyphs) {
    std::vector<std::uint32_t> ids;
    for (const Glyph& g : glyphs) {
        if (!g.disposition.is_final()) ids.push_back(g.id);
    }
    return ids;
}

Result<void> keep_glyph_with_reason(std::span<Glyph> glyphs, std::uint32_t id, std::string_view reason) {
    return set_glyph_disposition(glyphs, id, GlyphDisposition::kept_original(std::string(reason)));
}

Result<void> settle_final_dispositions(std::span<Glyph> glyphs, const DispositionInputs& inputs) {
    Result<void> pass = settle_words(glyphs, inputs.glyph_index, inputs.non_text_reasons,
                                     [](const std::string& word) { return GlyphDisposition::non_text(word); });
    if (!pass) return pass;
    pass = settle_words(glyphs, inputs.glyph_index, inputs.keep_reasons,
                        [](const std::string& word) { return GlyphDisposition::kept_original(word); });
    if (!pass) return pass;
    pass = settle_written_records(glyphs, inputs);
    if (!pass) return pass;
    const std::string_view rest = inputs.cjk_target ? kKeptUntranslated : kKeptAsIs;
    for (const std::uint32_t id : collect_unresolved_glyph_ids(glyphs)) {
        pass = keep_glyph_with_reason(glyphs, id, rest);
        if (!pass) return pass;
    }
    return {};
}

}  // namespace zvk::rewrite
