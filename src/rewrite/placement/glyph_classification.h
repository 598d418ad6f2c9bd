// The rewrite's first look at the document, before any translation is judged:
// which open glyphs are not text at all (invisible) and which can never be
// redrawn in place (their skip reason), and whether the translations go into
// a CJK language, which decides what glyphs left over at the end are called.
#pragma once

#include <span>

#include "content/records.h"
#include "rewrite/placement/operator_map.h"
#include "translate/outcome.h"

namespace zvk::rewrite {

inline constexpr std::string_view kNonTextInvisible = "invisible";

// For every open glyph ("pending" or "translated_pending_rewrite"), in list
// order: an invisible one gets "invisible" in `non_text_reasons` and nothing
// else; any other with a skip reason gets it in `keep_reasons`. Final glyphs
// are not looked at.
void classify_open_glyphs(std::span<const Glyph> glyphs, GlyphReasons& non_text_reasons,
                          GlyphReasons& keep_reasons);

// Some record's translated text, as received, holds a CJK ideograph
// (U+3400..U+9FFF, U+F900..U+FAFF).
bool translations_target_cjk(std::span<const TranslationRecord> records);

}  // namespace zvk::rewrite
