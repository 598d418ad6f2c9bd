#include "rewrite/output/label_frames.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>
#include <set>

#include "content/lexer.h"
#include "pdf/edit.h"
#include "rewrite/geometry/geometry_predicates.h"
#include "rewrite/output/page_contents.h"
#include "rewrite/output/text_run_content.h"

namespace zvk::rewrite {

namespace {

bool is_white(unsigned char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

bool ends_name(unsigned char c) {
    return is_white(c) || c == '%' || c == '(' || c == ')' || c == '/' || c == '<' || c == '>' || c == '[' ||
           c == ']' || c == '{' || c == '}';
}

bool is_letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

std::string_view known_operator(std::string_view word) {
    for (const std::string_view known : {"q", "Q", "re", "cm", "Tm"}) {
        if (word == known) return known;
    }
    return {};
}

float parse_f32(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    float value = 0.0f;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() ? value : 0.0f;
}

struct OperandEdit {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::string text;
};

struct StackEntry {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    float value = 0.0f;
};

// The operand edits of one span's tokens (offsets already absolute).
void frame_edits(std::span<const ContentToken> tokens, float dy, std::vector<OperandEdit>& edits) {
    std::vector<StackEntry> stack;
    auto edit = [&](const StackEntry& entry) {
        const float moved = entry.value + dy;
        if (std::isfinite(moved)) edits.push_back({entry.start, entry.end, format_number(moved)});
    };
    for (const ContentToken& token : tokens) {
        if (token.kind == ContentTokenKind::Number) {
            stack.push_back({token.start, token.end, token.value});
            continue;
        }
        const std::size_t n = stack.size();
        if (token.name == "re" && n >= 4) {
            const float w = stack[n - 2].value;
            const float h = stack[n - 1].value;
            if (std::fabs(w) < 220.0f && std::fabs(h) < 40.0f) edit(stack[n - 3]);
        } else if ((token.name == "cm" || token.name == "Tm") && n >= 6) {
            const float b = stack[n - 5].value;
            const float c = stack[n - 4].value;
            if (std::fabs(b) < 0.02f && std::fabs(c) < 0.02f) edit(stack[n - 1]);
        }
        stack.clear();
    }
}

// Whether the span shows nothing but operations inside `own` ranges.
bool shows_only_own_text(std::string_view content, const SaveRestoreSpan& span,
                         std::span<const std::pair<std::uint64_t, std::uint64_t>> own) {
    ContentLexer lexer(content.substr(span.start, span.end - span.start), {}, {}, false);
    ContentOperation op;
    while (lexer.next(op)) {
        if (op.op != OperatorCode::Tj && op.op != OperatorCode::TJ && op.op != OperatorCode::quote &&
            op.op != OperatorCode::double_quote) {
            continue;
        }
        const std::uint64_t end = span.start + op.byte_end;
        const std::uint64_t keyword = end - operator_name(op.op).size();
        // Its operator lies inside one of the label's operations (blanking
        // may have left a pen-moving TJ there).
        const bool mine = std::any_of(own.begin(), own.end(), [&](const auto& range) {
            return keyword >= range.first && end <= range.second;
        });
        if (!mine) return false;
    }
    return true;
}

}  // namespace

std::vector<ContentToken> tokenize_content_operators(std::string_view bytes) {
    std::vector<ContentToken> tokens;
    const std::size_t n = bytes.size();
    std::size_t pos = 0;
    int arrays = 0;
    int dictionaries = 0;
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    while (pos < n) {
        const unsigned char c = at(pos);
        if (is_white(c)) {
            ++pos;
        } else if (c == '%') {
            const std::size_t lf = bytes.find('\n', pos);
            if (lf == std::string_view::npos) break;
            pos = lf + 1;
        } else if (c == '(') {
            int depth = 0;
            while (pos < n) {
                const unsigned char d = at(pos++);
                if (d == '\\') {
                    if (pos < n) ++pos;
                } else if (d == '(') {
                    ++depth;
                } else if (d == ')') {
                    if (--depth == 0) break;
                }
            }
            if (arrays == 0 && dictionaries == 0) tokens.push_back({ContentTokenKind::Other, 0.0f, {}, pos, pos});
        } else if (c == '/') {
            ++pos;
            while (pos < n && !ends_name(at(pos))) ++pos;
        } else if (c == '<' && pos + 1 < n && at(pos + 1) == '<') {
            ++dictionaries;
            pos += 2;
        } else if (c == '>' && pos + 1 < n && at(pos + 1) == '>') {
            if (dictionaries > 0) --dictionaries;
            pos += 2;
        } else if (c == '<') {
            const std::size_t close = bytes.find('>', pos + 1);
            pos = close == std::string_view::npos ? n : close + 1;
        } else if (c == '[') {
            ++arrays;
            ++pos;
        } else if (c == ']') {
            if (arrays > 0) --arrays;
            ++pos;
        } else if (is_digit(c) || c == '.' || c == '+' || c == '-') {
            const std::size_t start = pos;
            std::size_t p = pos;
            if (c == '+' || c == '-') ++p;
            bool point = false;
            bool digit = false;
            while (p < n) {
                const unsigned char d = at(p);
                if (is_digit(d)) {
                    digit = true;
                } else if (d == '.' && !point) {
                    point = true;
                } else {
                    break;
                }
                ++p;
            }
            if (!digit) {
                ++pos;  // a sign or a point alone
                continue;
            }
            pos = p;
            if (arrays == 0 && dictionaries == 0) {
                tokens.push_back({ContentTokenKind::Number, parse_f32(bytes.substr(start, p - start)), {}, start, p});
            }
        } else if (is_letter(c)) {
            const std::size_t start = pos;
            ++pos;
            while (pos < n && (is_letter(at(pos)) || at(pos) == '*')) ++pos;
            if (arrays == 0 && dictionaries == 0) {
                const std::string_view known = known_operator(bytes.substr(start, pos - start));
                tokens.push_back({known.empty() ? ContentTokenKind::Other : ContentTokenKind::KnownOperator, 0.0f,
                                  known, start, pos});
            }
        } else {
            ++pos;
        }
    }
    return tokens;
}

std::vector<SaveRestoreSpan> save_restore_spans(std::span<const ContentToken> tokens) {
    std::vector<SaveRestoreSpan> spans;
    std::vector<std::uint64_t> open;
    for (const ContentToken& token : tokens) {
        if (token.kind != ContentTokenKind::KnownOperator) continue;
        if (token.name == "q") {
            open.push_back(token.start);
        } else if (token.name == "Q" && !open.empty()) {
            spans.push_back({open.back(), token.end});
            open.pop_back();
        }
    }
    return spans;
}

std::optional<SaveRestoreSpan> innermost_save_restore_span(std::span<const SaveRestoreSpan> spans,
                                                           std::uint64_t position) {
    std::optional<SaveRestoreSpan> best;
    for (const SaveRestoreSpan& span : spans) {
        if (!(span.start <= position && position < span.end)) continue;
        if (!best || span.end - span.start < best->end - best->start) best = span;
    }
    return best;
}

void shift_label_frames(pdf::Document& doc, std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index,
                        const LabelShiftsByStream& shifts) {
    for (const auto& [id, stream_shifts] : shifts) {
        try {
            std::vector<LabelShift> ordered = stream_shifts;
            std::stable_sort(ordered.begin(), ordered.end(),
                             [](const LabelShift& a, const LabelShift& b) { return a.byte_start > b.byte_start; });
            ordered.erase(std::unique(ordered.begin(), ordered.end(),
                                      [](const LabelShift& a, const LabelShift& b) {
                                          return a.byte_start == b.byte_start;
                                      }),
                          ordered.end());

            const pdf::Object object = doc.object(id);
            if (!object.is_stream()) continue;
            std::optional<std::string> content = stream_content(doc, object);
            if (!content) continue;

            // All edits are found on the content as read and applied at the
            // end: an edit never moves the offsets another shift looks at.
            const std::vector<ContentToken> tokens = tokenize_content_operators(*content);
            const std::vector<SaveRestoreSpan> spans = save_restore_spans(tokens);
            std::vector<OperandEdit> edits;
            std::vector<SaveRestoreSpan> edited_spans;
            for (const LabelShift& shift : ordered) {
                if (!std::isfinite(shift.dy)) continue;
                const std::optional<SaveRestoreSpan> span = innermost_save_restore_span(spans, shift.byte_start);
                if (!span) continue;
                // One move per frame: a span that overlaps one already moved
                // holds another label's text anyway.
                const bool overlaps = std::any_of(edited_spans.begin(), edited_spans.end(), [&](const auto& e) {
                    return e.start < span->end && span->start < e.end;
                });
                if (overlaps) continue;
                std::vector<std::pair<std::uint64_t, std::uint64_t>> own;
                for (const std::uint32_t glyph : shift.glyph_ids) {
                    const std::optional<std::size_t> pos = glyph_index.position(glyph);
                    if (!pos) continue;
                    const std::optional<OperatorKey> key = operator_key_of(glyphs[*pos].source);
                    if (key && key->object_number == id.number && key->generation == id.generation) {
                        own.emplace_back(key->byte_start, key->byte_end);
                    }
                }
                if (!shows_only_own_text(*content, *span, own)) continue;
                std::vector<ContentToken> span_tokens =
                    tokenize_content_operators(std::string_view(*content).substr(span->start, span->end - span->start));
                for (ContentToken& token : span_tokens) {
                    token.start += span->start;
                    token.end += span->start;
                }
                const std::size_t before = edits.size();
                frame_edits(span_tokens, shift.dy, edits);
                if (edits.size() != before) edited_spans.push_back(*span);
            }
            if (edits.empty()) continue;
            std::stable_sort(edits.begin(), edits.end(),
                             [](const OperandEdit& a, const OperandEdit& b) { return a.start > b.start; });
            std::string bytes = std::move(*content);
            for (const OperandEdit& edit : edits) bytes.replace(edit.start, edit.end - edit.start, edit.text);
            pdf::Object target = doc.object(id);
            (void)pdf::replace_stream_data(target, std::move(bytes));
        } catch (const std::bad_alloc&) {
            // The stream keeps its content: moving frames is a nicety.
        }
    }
}

}  // namespace zvk::rewrite
