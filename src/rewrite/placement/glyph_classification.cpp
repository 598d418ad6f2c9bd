#include "rewrite/placement/glyph_classification.h"

#include <optional>
#include <string>

#include "base/utf8.h"
#include "rewrite/geometry/glyph_classes.h"
#include "translate/answer_quality.h"

namespace zvk::rewrite {

void classify_open_glyphs(std::span<const Glyph> glyphs, GlyphReasons& non_text_reasons,
                          GlyphReasons& keep_reasons) {
    for (const Glyph& g : glyphs) {
        if (g.disposition.is_final()) continue;
        if (g.invisible) {
            non_text_reasons[g.id] = std::string(kNonTextInvisible);
        } else if (const std::optional<std::string_view> reason = glyph_skip_reason(g)) {
            keep_reasons[g.id] = std::string(*reason);
        }
    }
}

bool translations_target_cjk(std::span<const TranslationRecord> records) {
    for (const TranslationRecord& record : records) {
        for (const Utf8Step step : Utf8Range(record.translated)) {
            if (step.valid && is_cjk_ideograph(step.scalar)) return true;
        }
    }
    return false;
}

}  // namespace zvk::rewrite
