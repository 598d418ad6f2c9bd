#include "api/coverage.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "rewrite/output/output_fonts.h"
#include "segment/glyph_order.h"

namespace zvk {

namespace {

// Keep reasons under which a glyph with English letters still counts as
// English left in a body paragraph.
constexpr std::string_view kEnglishBodyReasons[] = {
    "no-font", "overflow", "no-stream", "untranslated", "english-body", "missing-glyph",
    "incomplete-list",
};

bool is_english_body_reason(std::string_view reason) {
    return std::find(std::begin(kEnglishBodyReasons), std::end(kEnglishBodyReasons), reason) !=
           std::end(kEnglishBodyReasons);
}

bool has_ascii_letter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    });
}

void count_disposition(CoverageReport& r, const Glyph& g) {
    ++r.total;
    switch (g.disposition.state) {
    case DispositionState::Pending:
        ++r.pending;
        r.unresolved_ids.push_back(g.id);
        break;
    case DispositionState::TranslatedPendingRewrite:
        ++r.translated_pending_rewrite;
        r.unresolved_ids.push_back(g.id);
        break;
    case DispositionState::Rewritten:
        ++r.rewritten;
        break;
    case DispositionState::KeptOriginal:
        ++r.kept_original;
        if (is_english_body_reason(g.disposition.payload) && has_ascii_letter(g.unicode)) {
            r.unresolved_ids.push_back(g.id);
            ++r.english_body;
        }
        break;
    case DispositionState::NonText:
        ++r.non_text;
        break;
    }
}

}  // namespace

CoverageReport count_glyph_dispositions(const std::vector<Glyph>& glyphs) {
    CoverageReport r;
    for (const Glyph& g : glyphs) count_disposition(r, g);
    r.complete = r.unresolved_ids.empty();
    return r;
}

CoverageReport count_dispositions_of(const std::vector<const Glyph*>& glyphs) {
    CoverageReport r;
    for (const Glyph* g : glyphs) count_disposition(r, *g);
    r.complete = r.unresolved_ids.empty();
    return r;
}

void serialize_coverage_report(JsonWriter& w, const CoverageReport& r) {
    w.begin_object();
    w.key("complete");
    w.boolean(r.complete);
    w.key("english_body");
    w.u64(r.english_body);
    w.key("kept_original");
    w.u64(r.kept_original);
    w.key("non_text");
    w.u64(r.non_text);
    w.key("pending");
    w.u64(r.pending);
    w.key("rewritten");
    w.u64(r.rewritten);
    w.key("total");
    w.u64(r.total);
    w.key("translated_pending_rewrite");
    w.u64(r.translated_pending_rewrite);
    w.key("unresolved_ids");
    w.begin_array();
    for (std::uint32_t id : r.unresolved_ids) w.u64(id);
    w.end_array();
    w.end_object();
}

std::optional<std::string> report_incomplete_coverage(const ExtractedDocument& extraction) {
    CoverageReport r = count_glyph_dispositions(extraction.glyphs);
    if (r.complete) return std::nullopt;
    std::string message = "coverage incomplete: " + std::to_string(r.unresolved_ids.size()) +
                          " glyphs unresolved, " + std::to_string(r.english_body) +
                          " left in an English body paragraph; saved the PDF and left those paragraphs unchanged";
    // Without any CJK font the file is the English source: say why and how
    // to mend it, not only that coverage is incomplete.
    for (const Diagnostic& d : extraction.diagnostics) {
        if (d.message == rewrite::kNoCjkFontMessage) {
            message += "; ";
            message += rewrite::kNoCjkFontMessage;
            break;
        }
    }
    return message;
}

std::string build_plain_text(const ExtractedDocument& extraction) {
    std::vector<const Glyph*> order;
    order.reserve(extraction.glyphs.size());
    for (const Glyph& g : extraction.glyphs) order.push_back(&g);
    return plain_text_of(std::move(order));
}

std::string plain_text_of(std::vector<const Glyph*> order) {
    sort_reading_order(order);

    std::string text;
    if (order.empty()) return text;
    // A NaN font size gives a limit of 1, as does any size below 1.
    auto size_limit = [](const Glyph* g) { return g->font_size > 1.0f ? g->font_size : 1.0f; };
    std::uint32_t page = order.front()->page_index;
    float y = order.front()->matrix[5];
    float limit = size_limit(order.front());
    text += order.front()->unicode;
    for (std::size_t i = 1; i < order.size(); ++i) {
        const Glyph* g = order[i];
        // Compared with the previous glyph, not the line's first; a NaN
        // difference is not greater, so it never opens a line by itself.
        if (g->page_index != page || std::fabs(g->matrix[5] - y) > 0.5f * limit) {
            text.push_back('\n');
            page = g->page_index;
        }
        text += g->unicode;
        y = g->matrix[5];
        limit = size_limit(g);
    }
    return text;
}

}  // namespace zvk
