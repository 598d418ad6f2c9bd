#include "translate/dispositions.h"

#include <string>
#include <utility>

namespace zvk {

namespace {

Glyph* find_glyph(std::span<Glyph> glyphs, std::uint32_t id) {
    // Extraction makes every id the glyph's position, so the glyph there is
    // also the first with that id. Planning and assembly call this once per
    // glyph; a walk on every call would be quadratic on a long book.
    if (id < glyphs.size() && glyphs[id].id == id) return &glyphs[id];
    for (Glyph& glyph : glyphs) {
        if (glyph.id == id) return &glyph;
    }
    return nullptr;
}

}  // namespace

Result<void> set_glyph_disposition(std::span<Glyph> glyphs, std::uint32_t id,
                                   GlyphDisposition disposition) {
    Glyph* glyph = find_glyph(glyphs, id);
    if (glyph == nullptr) return fail(CoreError::glyph_not_found(id));
    if (glyph->disposition.is_final()) {
        return fail(CoreError::glyph_already_final(
            id, std::string(disposition_state_word(glyph->disposition.state))));
    }
    glyph->disposition = std::move(disposition);
    return {};
}

}  // namespace zvk
