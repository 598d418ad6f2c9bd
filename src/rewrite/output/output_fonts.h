// The size ladder of the translated text and its output fonts: the
// translations grouped by the look (serif, bold, italic) of their source
// glyphs, and one subset CJK font per group, named "ZVK{n}", that covers the
// group's texts and every text the later passes draw again.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "content/records.h"
#include "font/font_style.h"
#include "font/subset_font.h"
#include "layout/size_ladder.h"
#include "rewrite/geometry/glyph_id_index.h"
#include "rewrite/output/cjk_font.h"
#include "rewrite/placement/translation_acceptance.h"
#include "rewrite/placement/wrapped_toc_entries.h"
#include "translate/outcome.h"

namespace zvk::rewrite {

inline constexpr std::string_view kKeepNoFont = "no-font";

// Said in the diagnostics, and so in save's coverage warning, when the text
// needed CJK fonts and not one could be loaded: the output is then the
// English source, which must not read like a partial success.
inline constexpr std::string_view kNoCjkFontMessage =
    "no CJK font was found, so no text was translated in the PDF: install the Debian package fonts-noto-cjk "
    "or fonts-wqy-microhei, or name a font file with the option cjk_font (or the environment variable "
    "ZVK_CJK_FONT; cjk_sans and ZVK_CJK_SANS for sans-serif text)";

// The option when positive, else ZVK_CJK_SIZE_SCALE and ZVK_CJK_LEADING when
// they parse as positive numbers, else 0.9 and 1.6; clamped by the ladder.
CjkSizeLadder cjk_size_ladder_from(float cjk_size_scale, float cjk_leading);

// The packed style of a translation's source glyphs, taken in the record's
// own order: the majority look of its letters (half is enough for serif,
// bold and italic need more than half; math fonts do not count), the first
// glyph's font when no letter counts, and bold for a text that reads as a
// heading. A record without glyphs is serif.
FontNameStyle translation_style(const TranslationRecord& record, std::string_view final_text,
                                std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index);

// The texts every output font must cover besides its group's own, built
// once: joined contents entries, bullet items, contents glyphs and glyphs
// that are drawn again, and glyphs kept "unchanged" (which a later pass may
// redraw).
std::u32string shared_font_characters(const WrappedTocEntries& wrapped, std::string_view bullet_items,
                                      std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index,
                                      const GlyphIdSet& toc_redraw_ids, const GlyphIdSet& operator_redraw_ids,
                                      const GlyphReasons& keep_reasons);

// The characters of one group's font, sorted without duplicates: its final
// texts and sources, the shared characters, each with its substitutes, the
// ideographic space and the ten digits.
std::vector<std::uint32_t> required_font_characters(std::span<const AcceptedTranslation> group,
                                                    std::span<const TranslationRecord> records,
                                                    std::u32string_view shared);

// The font loader: a packed style and the characters to cover, a subset or none.
using CjkFontLoader =
    std::function<std::optional<font::SubsetFont>(FontNameStyle, std::span<const std::uint32_t>)>;

// A group of translations with the font it is placed in.
struct FontGroup {
    FontNameStyle style = 0;
    std::size_t font_index = 0;  // into OutputFonts::entries
    float skew = 0.0f;           // 0.25 for italic text, drawn slanted
    std::vector<AcceptedTranslation> translations;
};

struct OutputFonts {
    std::vector<FontEntry> entries;  // load order, which is also embedding order
    std::unordered_map<std::string, FontNameStyle> styles;  // by resource name
    std::vector<FontGroup> groups;  // by ascending style, loaded ones only
    bool none_found = false;        // fonts were needed and not one loaded
};

struct OutputFontInputs {
    std::span<const AcceptedTranslation> accepted;
    std::span<const TranslationRecord> records;
    std::span<const Glyph> glyphs;
    const GlyphIdIndex& glyph_index;
    std::u32string_view shared_characters;
    std::uint32_t first_font_number = 0;  // the first "ZVK{n}" the document does not use yet
};

// One font per style group, in ascending style order so the names are the
// same on every run. A group whose font does not load gets "no-font" on
// every glyph of its records and takes no number.
OutputFonts load_output_fonts(const OutputFontInputs& inputs, const CjkFontLoader& loader,
                              GlyphReasons& keep_reasons);

}  // namespace zvk::rewrite
