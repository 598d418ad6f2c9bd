#include "rewrite/placement/translation_acceptance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "base/ascii.h"
#include "base/text.h"
#include "base/utf8.h"
#include "rewrite/geometry/formula_placeholders.h"
#include "rewrite/geometry/glyph_classes.h"
#include "rewrite/geometry/math_blocks.h"
#include "rewrite/geometry/rewrite_lines.h"
#include "rewrite/geometry/run_in_labels.h"
#include "rewrite/placement/record_order.h"
#include "segment/block_predicates.h"
#include "segment/text_line.h"
#include "segment/text_predicates.h"
#include "translate/comma_lists.h"
#include "translate/normalize.h"
#include "translate/post_edit.h"
#include "translate/proper_names.h"
#include "translate/section_labels.h"

namespace zvk::rewrite {

namespace {

constexpr std::string_view kPlaceholderOpen = "\u27E6";

bool is_blank(std::string_view text) { return trim_white_space(text).empty(); }

bool holds_cjk_ideograph(std::string_view text) {
    for (const Utf8Step step : Utf8Range(text)) {
        if (step.valid && is_cjk_ideograph(step.scalar)) return true;
    }
    return false;
}

float baseline_of(const Glyph& g) { return g.matrix[5]; }
float origin_x_of(const Glyph& g) { return g.matrix[4]; }

// The record's glyphs in the order of its ids. Records are built from this
// document, so every id has a glyph; one that has none is passed over rather
// than trusted.
std::vector<const Glyph*> record_glyphs(std::span<const std::uint32_t> ids, std::span<const Glyph> glyphs,
                                        const GlyphIdIndex& glyph_index) {
    std::vector<const Glyph*> found;
    found.reserve(ids.size());
    for (const std::uint32_t id : ids) {
        const std::optional<std::size_t> pos = glyph_index.position(id);
        if (pos && *pos < glyphs.size()) found.push_back(&glyphs[*pos]);
    }
    return found;
}

const Glyph* glyph_by_id(std::uint32_t id, std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index) {
    const std::optional<std::size_t> pos = glyph_index.position(id);
    return pos && *pos < glyphs.size() ? &glyphs[*pos] : nullptr;
}

// The three post-edits that decide whether a translation changes the text.
std::string finished_core_text(const TranslationRecord& record) {
    const std::string normalized = normalize_translated_text(record.translated);
    const std::string bulleted = restore_leading_bullet(record.source, normalized);
    return fix_proper_name_line(record.source, bulleted);
}

// "note", "definition", "warning" or "tip" at the start, in any case, ending
// the text or followed by something other than an ASCII letter.
bool starts_with_callout_keyword(std::string_view source) {
    const std::string_view t = trim_leading_white_space(source);
    for (const std::string_view keyword : {"note", "definition", "warning", "tip"}) {
        if (t.size() < keyword.size()) continue;
        if (ascii_lower(t.substr(0, keyword.size())) != keyword) continue;
        if (t.size() == keyword.size() || !is_ascii_letter(static_cast<unsigned char>(t[keyword.size()]))) {
            return true;
        }
    }
    return false;
}

float nan_ignoring_max(float a, float b) { return std::fmax(a, b); }
float nan_ignoring_min(float a, float b) { return std::fmin(a, b); }

}  // namespace

GlyphIdSet collect_changed_glyph_ids(std::span<const TranslationRecord> records) {
    GlyphIdSet changed;
    for (const TranslationRecord& record : records) {
        if (record.glyph_ids.empty() || is_blank(record.source)) continue;
        const std::string text = finished_core_text(record);
        if (is_blank(text) || text == record.source) continue;
        changed.insert(record.glyph_ids.begin(), record.glyph_ids.end());
    }
    return changed;
}

std::vector<bool> mark_prompt_section_records(std::span<const TranslationRecord> records,
                                              std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index) {
    struct Probe {
        bool plain = false;
        bool keyword = false;
    };
    std::vector<RecordPosition> positions(records.size());
    std::vector<Probe> probes(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::vector<const Glyph*> found = record_glyphs(records[i].glyph_ids, glyphs, glyph_index);
        if (found.empty()) continue;  // page 0, top 0, no flags
        // As the record order of the later passes has it: NaN baselines
        // passed over, the lowest float when all are NaN.
        float top = std::numeric_limits<float>::lowest();
        for (const Glyph* g : found) {
            if (!std::isnan(baseline_of(*g)) && baseline_of(*g) > top) top = baseline_of(*g);
        }
        positions[i] = RecordPosition{found.front()->page_index, top};
        probes[i].plain = is_plain_franklin_text(found) && !starts_with_callout_keyword(records[i].source);
        if (probes[i].plain) {
            const std::vector<RewriteLine> lines = group_glyphs_into_rewrite_lines(found);
            const std::optional<RunInLabel> label = detect_run_in_label(lines);
            probes[i].keyword = label && label->is_keyword;
        }
    }

    std::vector<bool> marked(records.size(), false);
    bool carry = false;
    std::optional<std::uint32_t> previous_page;
    float previous_top = 0.0f;
    for (const std::size_t i : sort_record_indices_reading_order(positions)) {
        const Probe& probe = probes[i];
        const float top = positions[i].top;
        bool mark = false;
        if (previous_page != positions[i].page) {
            mark = probe.plain && probe.keyword;
        } else if (!probe.plain) {
            mark = false;
        } else if (probe.keyword) {
            mark = true;
        } else if (carry) {
            const float d = previous_top - top;
            mark = d >= -2.0f && d <= 32.0f;
        }
        marked[i] = mark;
        carry = mark;
        previous_page = positions[i].page;
        previous_top = top;
    }
    return marked;
}

namespace {

// Where a record lies and how formula-like it is, for the display-formula
// flood fill.
struct MathSummary {
    std::size_t letters = 0;
    std::uint32_t page = 0;
    float top = 0.0f;
    float left = 0.0f;
    float right = 0.0f;
    float size = 1.0f;
    float first_line_left = 0.0f;
    bool candidate = false;
    std::array<ColumnBox, 2> boxes{};
    std::size_t box_count = 1;
};

MathSummary summarize_math_record(std::span<const Glyph* const> found) {
    MathSummary s;
    std::size_t formula_glyphs = 0;
    MathFontNameTest math_font;
    float top = -std::numeric_limits<float>::infinity();
    float bottom = std::numeric_limits<float>::infinity();
    float left = std::numeric_limits<float>::infinity();
    float right = -std::numeric_limits<float>::infinity();
    for (const Glyph* g : found) {
        const bool formula = has_formula_skip_reason(*g, math_font);
        if (!formula) {
            for (const char c : g->unicode) s.letters += is_ascii_letter(static_cast<unsigned char>(c)) ? 1 : 0;
        } else if (!g->unicode.empty()) {
            ++formula_glyphs;
        }
        top = nan_ignoring_max(top, baseline_of(*g));
        bottom = nan_ignoring_min(bottom, baseline_of(*g));
        left = nan_ignoring_min(left, nan_ignoring_min(origin_x_of(*g), g->bbox[0]));
        right = nan_ignoring_max(right, nan_ignoring_max(origin_x_of(*g), g->bbox[2]));
    }
    s.page = found.front()->page_index;
    s.top = top;
    s.left = left;
    s.right = right;
    s.size = std::fmax(representative_font_size(found), 1.0f);
    float first_left = std::numeric_limits<float>::infinity();
    for (const Glyph* g : found) {
        if (std::fabs(baseline_of(*g) - top) <= 0.35f * s.size) {
            first_left = nan_ignoring_min(first_left, nan_ignoring_min(origin_x_of(*g), g->bbox[0]));
        }
    }
    s.first_line_left = std::isfinite(first_left) ? first_left : left;
    s.candidate = !find_math_blocks(found, s.size).empty() ||
                  (formula_glyphs >= 3 && s.letters < 48 && (s.letters < 8 || s.letters < formula_glyphs));
    if (const std::optional<ColumnSplit> split = find_column_gutter(found, s.size)) {
        s.boxes = {split->left, split->right};
        s.box_count = 2;
    } else {
        s.boxes[0] = ColumnBox{left, right, top, bottom};
    }
    return s;
}

float vertical_gap(const ColumnBox& a, const ColumnBox& b) {
    if (a.y_min > b.y_max) return a.y_min - b.y_max;  // a wholly above b
    if (b.y_min > a.y_max) return b.y_min - a.y_max;
    return 0.0f;
}

bool summaries_touch(const MathSummary& a, const MathSummary& b, float f) {
    for (std::size_t i = 0; i < a.box_count; ++i) {
        for (std::size_t j = 0; j < b.box_count; ++j) {
            const ColumnBox& x = a.boxes[i];
            const ColumnBox& y = b.boxes[j];
            const float overlap = std::fmin(x.x1, y.x1) - std::fmax(x.x0, y.x0);
            if (vertical_gap(x, y) <= 1.45f * f && overlap > 2.0f * f) return true;
        }
    }
    return false;
}

bool joins_formula(const MathSummary& a, const MathSummary& b) {
    const float f = std::fmax(std::fmax(a.size, b.size), 1.0f);
    if (!summaries_touch(a, b, f)) return false;
    // The lower of the two (b on equal tops) may not start further right
    // than an indented first line would.
    const bool b_lower = !(a.top < b.top);
    const MathSummary& lower = b_lower ? b : a;
    const MathSummary& upper = b_lower ? a : b;
    if (!lower.candidate && lower.first_line_left - upper.left > 0.55f * f) return false;
    for (const MathSummary* s : {&a, &b}) {
        if (s->letters > 120) return false;
        if (s->letters >= 31 && !s->candidate) return false;
    }
    return true;
}

}  // namespace

RecordIndexSet find_math_records(std::span<const TranslationRecord> records, std::span<const Glyph> glyphs,
                                 const GlyphIdIndex& glyph_index) {
    std::vector<std::optional<MathSummary>> summaries(records.size());
    // Records by the page of their summary, in record order: the flood fill
    // looks only at the popped record's page.
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> by_page;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::vector<const Glyph*> found = record_glyphs(records[i].glyph_ids, glyphs, glyph_index);
        if (found.empty()) continue;
        summaries[i] = summarize_math_record(found);
        by_page[summaries[i]->page].push_back(i);
    }

    std::vector<bool> marked(records.size(), false);
    std::vector<std::size_t> stack;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!summaries[i] || !summaries[i]->candidate || summaries[i]->letters > 120) continue;
        if (records[i].translated.find(kPlaceholderOpen) != std::string::npos) continue;
        marked[i] = true;
        stack.push_back(i);
    }
    while (!stack.empty()) {
        const std::size_t a = stack.back();
        stack.pop_back();
        for (const std::size_t b : by_page[summaries[a]->page]) {
            if (marked[b]) continue;
            if (joins_formula(*summaries[a], *summaries[b])) {
                marked[b] = true;
                stack.push_back(b);
            }
        }
    }

    RecordIndexSet math;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!marked[i]) continue;
        const std::vector<const Glyph*> found = record_glyphs(records[i].glyph_ids, glyphs, glyph_index);
        if (!is_numbered_section_heading(records[i].source, found)) math.insert(i);
    }
    return math;
}

std::optional<std::string> otherwise_tail(std::string_view source, std::string_view translation) {
    bool has_word = false;
    std::size_t run_start = 0;
    for (std::size_t i = 0; i <= source.size(); ++i) {
        const bool letter = i < source.size() && is_ascii_letter(static_cast<unsigned char>(source[i]));
        if (letter) continue;
        if (i - run_start == 9 && ascii_lower(source.substr(run_start, 9)) == "otherwise") has_word = true;
        run_start = i + 1;
    }
    if (!has_word) return std::nullopt;
    char32_t previous = 0;
    std::size_t previous_offset = 0;
    for (const Utf8Step step : Utf8Range(translation)) {
        if (step.valid && is_cjk_ideograph(step.scalar)) {
            const bool comma = previous == U',' || previous == U'\uFF0C';
            return std::string(translation.substr(comma ? previous_offset : step.offset));
        }
        previous = step.valid ? step.scalar : 0;
        previous_offset = step.offset;
    }
    return std::nullopt;
}

bool reads_as_word_list(std::string_view text) {
    if (holds_cjk_ideograph(text) || text.find('@') != std::string_view::npos) return false;
    if (std::count(text.begin(), text.end(), ',') < 3) return false;
    std::size_t lettered = 0;
    bool has_letter = false;
    for (const Utf8Step step : Utf8Range(text)) {
        const char32_t c = step.valid ? step.scalar : 0xFFFD;
        if (is_unicode_white_space(c) || c == U',' || c == U'/' || c == U':' || c == U';') {
            lettered += has_letter ? 1 : 0;
            has_letter = false;
        } else if (is_ascii_letter(c)) {
            has_letter = true;
        }
    }
    lettered += has_letter ? 1 : 0;
    return lettered >= 4;
}

bool is_body_text_candidate(std::string_view text) {
    if (text.find('@') != std::string_view::npos) return false;
    if (std::count(text.begin(), text.end(), '<') >= 4 && std::count(text.begin(), text.end(), '>') >= 4) {
        return false;
    }
    std::string_view t = trim_white_space(text);
    if (starts_with_bullet(t)) {
        const Utf8Step first = utf8_decode_at(t, 0);
        t = trim_white_space(t.substr(first.length));
    }
    if (holds_cjk_ideograph(t)) return false;
    if (reads_as_word_list(t)) return true;
    const auto letters = std::count_if(t.begin(), t.end(), [](char c) {
        return is_ascii_letter(static_cast<unsigned char>(c));
    });
    if (t.empty() || letters < 40) return false;
    for (const std::string_view word : split_white_space_words(t)) {
        const bool address = word.starts_with("http://") || word.starts_with("https://") || word.starts_with("www.");
        if (!address && !is_all_ascii_digits(word)) return true;
    }
    return false;
}

namespace {

constexpr bool is_ascii_punctuation(char32_t c) {
    return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 96) || (c >= 123 && c <= 126);
}

// One or two characters, each a punctuation mark.
bool is_punctuation_source(std::string_view source) {
    const std::string_view t = trim_white_space(source);
    std::size_t count = 0;
    for (const Utf8Step step : Utf8Range(t)) {
        const char32_t c = step.valid ? step.scalar : 0xFFFD;
        const bool mark = is_ascii_punctuation(c) || c == U'\uFF01' || c == U'\uFF0C' || c == U'\uFF1A' ||
                          c == U'\uFF1B' || c == U'\uFF1F' || c == U'\u3001' || c == U'\u3002';
        if (!mark) return false;
        ++count;
    }
    return count >= 1 && count <= 2;
}

bool has_math_font_word(std::string_view font_name) {
    const std::string upper = ascii_upper(font_name);
    for (const std::string_view word : {"CMMI", "CMSY", "CMEX", "MSAM", "MSBM", "MATH"}) {
        if (upper.find(word) != std::string::npos) return true;
    }
    return false;
}

// The word that keeps a glyph: its keep reason, else the reason it was
// already kept with.
std::string_view kept_word(const Glyph& g, const GlyphReasons& keep_reasons) {
    if (const auto it = keep_reasons.find(g.id); it != keep_reasons.end()) return it->second;
    if (g.disposition.state == DispositionState::KeptOriginal) return g.disposition.payload;
    return {};
}

bool is_special_word(std::string_view word) {
    for (const std::string_view w : {"toc", "table", "margin", "figure", "formula", "references"}) {
        if (word == w) return true;
    }
    return false;
}

bool is_lone_ascii_punctuation(std::string_view text) {
    const std::string_view t = trim_white_space(text);
    return t.size() == 1 && is_ascii_punctuation(static_cast<unsigned char>(t[0]));
}

class RecordJudge {
public:
    RecordJudge(const AcceptanceInputs& in, GlyphReasons& keep_reasons, AcceptanceResult& out)
        : in_(in), keep_reasons_(keep_reasons), out_(out) {}

    void judge(std::size_t i) {
        const TranslationRecord& record = in_.records[i];
        const std::vector<const Glyph*> found = record_glyphs(record.glyph_ids, in_.glyphs, in_.glyph_index);
        const bool placeholders = record.translated.find(kPlaceholderOpen) != std::string::npos;
        const bool math = in_.math_records.contains(i);

        if (math && !placeholders) {
            const std::optional<std::string> tail = otherwise_tail(record.source, record.translated);
            if (!tail) return keep_open(found, kKeepMathBlock);
            bool math_glyph = false;
            for (const Glyph* g : found) {
                if (g->disposition.is_final() || !is_math_font_name(g->font_name)) continue;
                keep_reasons_[g->id] = std::string(kKeepMathBlock);
                math_glyph = true;
            }
            if (math_glyph) return keep_open(found, kKeepMathBlock);
        }
        if (is_punctuation_source(record.source)) return keep_open(found, kKeepPunctuation);

        const bool reads_as_text = formula_run_reads_as_text(found);
        if (!placeholders && !glyphs_may_be_replaced(found, reads_as_text)) {
            for (const Glyph* g : found) {
                if (!g->disposition.is_final() && !keep_reasons_.contains(g->id)) {
                    keep_reasons_[g->id] = std::string(kKeepKept);
                }
            }
            return;
        }
        if (is_blank(record.source) || is_blank(record.translated)) return keep_all(record, kKeepWhitespace);
        if (is_bullet_only(found)) return;

        std::string final_text = finished_text(record, in_.prompt_section_records[i]);
        if (math) {
            if (std::optional<std::string> tail = otherwise_tail(record.source, final_text)) {
                final_text = std::move(*tail);
            }
        }
        const bool changed = final_text != record.source;
        if (in_.cjk_target && !holds_cjk_ideograph(final_text) && reads_as_word_list(record.source) &&
            !is_proper_name_phrase(record.source)) {
            return keep_all(record, kKeepEnglishBody);
        }
        if (list_items_lost(record.source, final_text)) return keep_all(record, kKeepIncompleteList);
        if (!glyphs_cover_their_operators(found, in_.operator_map) && !operators_can_be_shared(record, found, changed)) {
            return keep_all(record, kKeepSharedOperator);
        }
        if (!changed) return keep_all(record, unchanged_word(record.source));

        for (const Glyph* g : found) {
            const auto it = keep_reasons_.find(g->id);
            if (it == keep_reasons_.end() || it->second != kSkipFormula) continue;
            if (reads_as_text || placeholders || is_numeric_symbol_text(g->unicode)) keep_reasons_.erase(it);
        }
        out_.accepted.push_back(AcceptedTranslation{i, std::move(final_text)});
    }

private:
    void keep_open(std::span<const Glyph* const> found, std::string_view word) {
        for (const Glyph* g : found) {
            if (!g->disposition.is_final()) keep_reasons_[g->id] = std::string(word);
        }
    }

    void keep_all(const TranslationRecord& record, std::string_view word) {
        for (const std::uint32_t id : record.glyph_ids) keep_reasons_[id] = std::string(word);
    }

    // No glyph of the record must keep its source drawing: none is final,
    // and a skip reason is at most a formula that reads as text or a lone
    // number or symbol, or a formula piece already kept as such.
    bool glyphs_may_be_replaced(std::span<const Glyph* const> found, bool reads_as_text) const {
        for (const Glyph* g : found) {
            if (g->disposition.is_final()) return false;
            const auto it = keep_reasons_.find(g->id);
            if (it == keep_reasons_.end() || it->second == kKeepMathBlock) continue;
            if (it->second == kSkipFormula && (reads_as_text || is_numeric_symbol_text(g->unicode))) continue;
            return false;
        }
        return true;
    }

    static bool is_bullet_only(std::span<const Glyph* const> found) {
        bool any = false;
        for (const Glyph* g : found) {
            if (is_blank(g->unicode)) continue;
            if (!is_bullet_glyph(*g)) return false;
            any = true;
        }
        return any;
    }

    static std::string finished_text(const TranslationRecord& record, bool prompt_section) {
        const std::string& source = record.source;
        const std::string t1 = normalize_translated_text(record.translated);
        const std::string t2 = restore_leading_bullet(source, t1);
        const std::string t3 = restore_leading_number(source, t2);
        const std::string t4 = fix_proper_name_line(source, t3);
        std::string final_text = post_edit_translation(source, t4);
        if (prompt_section) final_text = post_edit_section_label(source, final_text);
        return final_text;
    }

    std::string_view unchanged_word(std::string_view source) const {
        if (!in_.cjk_target || !is_body_text_candidate(source)) return kKeepUnchanged;
        return is_proper_name_phrase(source) ? kKeepName : kKeepEnglishBody;
    }

    // The record's show operations also draw glyphs outside it. The record
    // may still be replaced when those others are drawn anew too: contents
    // entries and glyphs of other changed records, or (for a changed record)
    // plain text that is redrawn beside it. False keeps it whole.
    bool operators_can_be_shared(const TranslationRecord& record, std::span<const Glyph* const> found,
                                 bool changed) {
        const GlyphIdSet own(record.glyph_ids.begin(), record.glyph_ids.end());
        bool all_keyed = found.size() == record.glyph_ids.size();
        std::vector<std::uint32_t> foreign;
        GlyphIdSet seen;
        // One operation often shows a whole line: walk its glyphs once, not
        // once per glyph of the record.
        std::unordered_set<OperatorKey, OperatorKeyHash> walked;
        for (const Glyph* g : found) {
            const std::optional<OperatorKey> key = operator_key_of(g->source);
            const auto it = key ? in_.operator_map.find(*key) : in_.operator_map.end();
            if (it == in_.operator_map.end()) {
                all_keyed = false;
                continue;
            }
            if (!walked.insert(*key).second) continue;
            for (const std::uint32_t id : it->second) {
                if (!own.contains(id) && seen.insert(id).second) foreign.push_back(id);
            }
        }

        if (all_keyed) {
            std::vector<std::uint32_t> toc;
            bool redrawable = true;
            for (const std::uint32_t id : foreign) {
                const Glyph* g = glyph_by_id(id, in_.glyphs, in_.glyph_index);
                if (g == nullptr) {
                    redrawable = false;
                    break;
                }
                if (g->disposition.state == DispositionState::KeptOriginal && g->disposition.payload == "toc") {
                    toc.push_back(id);
                } else if (!is_blank(g->unicode) && !in_.changed_glyph_ids.contains(id)) {
                    redrawable = false;
                    break;
                }
            }
            if (redrawable) {
                out_.toc_redraw_ids.insert(toc.begin(), toc.end());
                return true;
            }
        }

        if (changed) {
            if (!all_keyed) return false;
            std::vector<std::uint32_t> allowed;
            for (const std::uint32_t id : foreign) {
                const Glyph* g = glyph_by_id(id, in_.glyphs, in_.glyph_index);
                if (g == nullptr) return false;
                if (is_blank(g->unicode) || in_.changed_glyph_ids.contains(id)) continue;
                const std::string_view word = kept_word(*g, keep_reasons_);
                const bool special = is_special_word(word) || has_math_font_word(g->font_name);
                if (special && !(word == "figure" && is_lone_ascii_punctuation(g->unicode))) return false;
                allowed.push_back(id);
            }
            if (allowed.empty()) return false;
            out_.operator_redraw_ids.insert(allowed.begin(), allowed.end());
            return true;
        }

        for (const std::uint32_t id : foreign) {
            const Glyph* g = glyph_by_id(id, in_.glyphs, in_.glyph_index);
            if (g != nullptr && !is_blank(g->unicode) && in_.changed_glyph_ids.contains(id)) {
                out_.operator_redraw_ids.insert(record.glyph_ids.begin(), record.glyph_ids.end());
                return true;
            }
        }
        return false;
    }

    const AcceptanceInputs& in_;
    GlyphReasons& keep_reasons_;
    AcceptanceResult& out_;
};

}  // namespace

AcceptanceResult accept_translations(const AcceptanceInputs& inputs, GlyphReasons& keep_reasons) {
    AcceptanceResult result;
    RecordJudge judge(inputs, keep_reasons, result);
    for (std::size_t i = 0; i < inputs.records.size(); ++i) {
        if (!inputs.records[i].glyph_ids.empty()) judge.judge(i);
    }
    return result;
}

}  // namespace zvk::rewrite
