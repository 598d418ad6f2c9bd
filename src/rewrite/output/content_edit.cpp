#include "rewrite/output/content_edit.h"

#include <algorithm>
#include <cmath>
#include <expected>
#include <map>
#include <new>
#include <optional>

#include "base/text.h"
#include "content/lexer.h"
#include "content/lexer_grammar.h"
#include "pdf/edit.h"
#include "rewrite/output/page_contents.h"
#include "rewrite/output/text_run_content.h"

namespace zvk::rewrite {

namespace {

using pdf::Object;
using pdf::ObjectId;

constexpr std::size_t kNoOp = static_cast<std::size_t>(-1);

bool is_show(OperatorCode code) {
    return code == OperatorCode::Tj || code == OperatorCode::TJ || code == OperatorCode::quote ||
           code == OperatorCode::double_quote;
}

// Operators after which the pen no longer depends on what was shown before:
// a kept show beyond one of them stays put whatever earlier shows did.
bool resets_pen(OperatorCode code) {
    return code == OperatorCode::BT || code == OperatorCode::ET || code == OperatorCode::Td ||
           code == OperatorCode::TD || code == OperatorCode::Tm || code == OperatorCode::T_star ||
           code == OperatorCode::quote || code == OperatorCode::double_quote;
}

// Text that someone would see go: invisible and clipped glyphs are drawn
// nowhere, and blank ones draw no ink.
bool shows_visible_text(const Glyph& glyph) {
    return !glyph.invisible && !glyph.clipped && !trim_white_space(glyph.unicode).empty();
}

// One show operation of a stream as lexed.
struct Show {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    OperatorCode code = OperatorCode::Tj;
    // Shows of one text line share the number; a pen reset starts the next.
    std::uint32_t line = 0;
    // It draws visible text (by the operation's glyphs).
    bool visible = false;
    // The operand it shows lies in this stream (not carried from the one before).
    bool has_operand = false;
    // A Tj or TJ that opens the stream without operands: they were left at
    // the end of the stream before it (some writers split content there).
    bool carried_in = false;
    // TJ: the numbers before its first string, which no glyph's advance holds.
    float leading = 0.0f;
    std::size_t op = kNoOp;
};

struct StreamWork {
    ObjectId id;
    std::string content;
    std::vector<Show> shows;  // ascending start
    // A text line still open where the stream ends, which the next stream of
    // a page may go on showing in.
    std::optional<std::uint32_t> open_line;
    bool page_content = false;
    // Per line: shows before this index already know a kept show follows.
    std::vector<std::size_t> pen_known_before;
    // Operands left after the last operation, from tail_begin to the end,
    // that the next stream's first operator takes: what the first of them is.
    std::optional<std::uint64_t> tail_begin;
    OperandKind tail_kind = OperandKind::Null;
    float tail_leading = 0.0f;
    bool tail_claimed = false;
};

// A show operation that draws replaced glyphs.
struct Op {
    OperatorKey key;
    std::size_t stream = 0;
    std::size_t show = 0;
    std::vector<std::uint32_t> glyphs;  // its replaced glyphs without a keep reason, ascending
    // For a show whose operand ends the stream before: that stream.
    std::optional<std::size_t> tail_stream;
    bool kept = false;
    bool needs_pen_shift = false;
    bool pen_text_known = false;
    std::optional<std::string> pen_text;  // what takes its place to move the pen as it did
};

// TJ: the numbers before its first non-empty string.
float leading_numbers(const std::vector<Operand>& items) {
    float sum = 0.0f;
    for (const Operand& item : items) {
        if (const float* n = item.number()) sum += *n;
        const std::string* s = item.string();
        if (s && !s->empty()) break;
    }
    return sum;
}

std::string stream_failure(ObjectId id, const std::string& text) { return "stream " + id.text() + ": " + text; }

// Reads a stream and lexes its show operations. The message of the failure
// otherwise.
std::expected<StreamWork, std::string> read_stream(const pdf::Document& doc, ObjectId id) {
    StreamWork work;
    work.id = id;
    try {
        const Object object = doc.object(id);
        if (object.is_null()) return std::unexpected(stream_failure(id, pdf::object_not_found_text(id)));
        if (!object.is_stream()) return std::unexpected(stream_failure(id, pdf::wrong_type_text("Stream", object.kind())));
        std::optional<std::string> content = stream_content(doc, object);
        if (!content) return std::unexpected(stream_failure(id, "stream data cannot be decoded"));
        work.content = std::move(*content);

        ContentLexer lexer(work.content);
        ContentOperation op;
        std::uint32_t line = 0;
        bool line_open = false;
        bool first = true;
        std::uint64_t last_end = 0;
        while (lexer.next(op)) {
            const bool opens_stream = first;
            first = false;
            last_end = op.byte_end;
            if (resets_pen(op.op)) {
                ++line;
                line_open = false;
            }
            if (!is_show(op.op)) continue;
            Show show;
            show.start = op.byte_start;
            show.end = op.byte_end;
            show.code = op.op;
            show.line = line;
            const std::size_t index = op.op == OperatorCode::double_quote ? 2 : 0;
            const Operand* operand = op.operands.at(index);
            if (op.op == OperatorCode::TJ) {
                const std::vector<Operand>* items = operand ? operand->array() : nullptr;
                show.has_operand = items != nullptr;
                if (items) show.leading = leading_numbers(*items);
            } else {
                show.has_operand = operand && operand->string();
            }
            show.carried_in = opens_stream && op.operands.empty() &&
                              (op.op == OperatorCode::Tj || op.op == OperatorCode::TJ);
            work.shows.push_back(show);
            line_open = true;
        }
        if (line_open) work.open_line = line;
        work.pen_known_before.assign(std::size_t{line} + 1, 0);
        // Operands after the last operation (a stream of operands alone may
        // itself continue an earlier one: left alone).
        if (!first && lexer.operands_left()) {
            const OperandList left = lexer.take_leftover();
            if (const Operand* operand = left.at(0)) {
                work.tail_begin = last_end;
                work.tail_kind = operand->kind();
                if (const auto* items = operand->array()) work.tail_leading = leading_numbers(*items);
            }
        }
    } catch (const std::bad_alloc&) {
        return std::unexpected(stream_failure(id, "out of memory"));
    }
    return work;
}

// How far the glyphs of one show moved the pen, in the units of a TJ number
// (thousandths of the font size along the writing direction), or none when
// a drawing of it has no size (a zero font size or scaling) or its drawings
// disagree. The glyphs come in list order; each drawing of the operation (a
// form shown twice) is a run of neighbours in the list. The advances were
// measured in user space, so the figure carries the rounding of positions
// far from the origin: it is rounded to hundredths (a millionth of a point
// at 10 points), and drawings that agree to within that are one.
std::optional<float> pen_units(std::span<const std::uint32_t> ids, std::span<const Glyph> glyphs,
                               const GlyphIdIndex& index, float leading) {
    constexpr float kAgreement = 0.05f;
    std::optional<float> agreed;
    float total = leading;
    std::optional<std::size_t> previous;
    std::uint32_t page = 0;
    auto close = [&]() -> bool {
        const float rounded = std::round(total * 100.0f) / 100.0f;
        if (!std::isfinite(rounded)) return false;
        if (agreed && !(std::fabs(*agreed - rounded) <= kAgreement)) return false;
        if (!agreed) agreed = rounded;
        return true;
    };
    for (const std::uint32_t id : ids) {
        const std::optional<std::size_t> pos = index.position(id);
        if (!pos) return std::nullopt;
        const Glyph& g = glyphs[*pos];
        if (previous && (*pos != *previous + 1 || g.page_index != page)) {
            if (!close()) return std::nullopt;
            total = leading;
        }
        previous = pos;
        page = g.page_index;
        // The glyph matrix's writing row is the font size (and horizontal
        // scaling) in user space: the advance measured along it is the move
        // in text space, which a TJ number gives in thousandths of that row.
        const float rx = g.vertical ? g.matrix[2] : g.matrix[0];
        const float ry = g.vertical ? g.matrix[3] : g.matrix[1];
        const float norm = rx * rx + ry * ry;
        if (!(norm > 0.0f) || !std::isfinite(norm)) return std::nullopt;
        total += -1000.0f * (g.advance[0] * rx + g.advance[1] * ry) / norm;
    }
    if (!close()) return std::nullopt;
    return agreed;
}

// The string operand of a ' or " operation: its byte range, none when the
// operation's own bytes do not hold it.
std::optional<std::pair<std::size_t, std::size_t>> quoted_string_range(std::string_view content, const Show& show) {
    const std::size_t keyword = show.end - operator_name(show.code).size();
    const std::size_t wanted = show.code == OperatorCode::double_quote ? 2 : 0;
    std::size_t pos = show.start;
    std::size_t count = 0;
    while (true) {
        skip_white_space_and_comments(content, pos);
        if (pos >= keyword) return std::nullopt;
        const std::size_t begin = pos;
        ParsedOperand parsed = parse_operand(content, pos);
        if (!parsed.operand) return std::nullopt;
        if (pos > keyword) return std::nullopt;
        if (count == wanted) {
            if (!parsed.operand->string()) return std::nullopt;
            return std::pair{begin, pos};
        }
        ++count;
    }
}

std::string empty_string_like(char first) { return first == '<' ? "<>" : "()"; }

// The bytes that take an operation's place: spaces, or for ' and " an empty
// string in place of theirs; with `pen` appended (a TJ that moves the pen).
// None when that does not fit in the operation's bytes or the operand cannot
// be found.
std::optional<std::string> blanked_bytes(std::string_view content, const Show& show, const std::string* pen) {
    const std::size_t length = show.end - show.start;
    std::string out;
    if (show.code == OperatorCode::Tj || show.code == OperatorCode::TJ) {
        if (pen) out = *pen;
    } else {
        const auto range = quoted_string_range(content, show);
        if (!range) return std::nullopt;
        out.append(content.substr(show.start, range->first - show.start));
        out += empty_string_like(content[range->first]);
        if (pen) {
            out.append(content.substr(range->second, show.end - range->second));
            out += ' ';
            out += *pen;
        } else {
            out.append(range->second - range->first - 2, ' ');
            out.append(content.substr(range->second, show.end - range->second));
        }
    }
    if (out.size() > length) return std::nullopt;
    out.append(length - out.size(), ' ');
    return out;
}

}  // namespace

void blank_replaced_operations(pdf::Document& doc, std::span<const Glyph> glyphs, const GlyphIdIndex& glyph_index,
                               const OperatorGlyphs& operator_map,
                               const std::unordered_set<std::uint32_t>& replaced_glyph_ids,
                               GlyphReasons& keep_reasons, std::vector<TextRun>& page_runs,
                               OutputMode output_mode) {
    if (output_mode.value == static_cast<std::uint8_t>(BilingualLayout::Overlay)) return;
    if (replaced_glyph_ids.empty()) return;

    // Ascending ids: the outcome never depends on a hash set's order.
    std::vector<std::uint32_t> replaced(replaced_glyph_ids.begin(), replaced_glyph_ids.end());
    std::sort(replaced.begin(), replaced.end());

    // What each run replaces, fixed now: a glyph that gains a keep reason
    // from here on takes its run down with it.
    std::vector<std::vector<std::uint32_t>> run_replaces(page_runs.size());
    for (std::size_t r = 0; r < page_runs.size(); ++r) {
        for (const std::uint32_t id : page_runs[r].source_glyph_ids) {
            if (replaced_glyph_ids.contains(id) && !keep_reasons.contains(id)) run_replaces[r].push_back(id);
        }
    }
    std::vector<bool> run_dropped(page_runs.size(), false);
    auto remove_dropped_runs = [&] {
        std::size_t out = 0;
        for (std::size_t r = 0; r < page_runs.size(); ++r) {
            if (run_dropped[r]) continue;
            if (out != r) page_runs[out] = std::move(page_runs[r]);
            ++out;
        }
        page_runs.resize(out);
    };
    auto fail_all = [&](const std::string& message) {
        for (const std::uint32_t id : replaced) keep_reasons[id] = message;
        for (std::size_t r = 0; r < page_runs.size(); ++r) {
            if (!run_replaces[r].empty()) run_dropped[r] = true;
        }
        remove_dropped_runs();
    };

    // The operations to blank, each once, by stream.
    std::vector<Op> ops;
    std::unordered_map<OperatorKey, std::size_t, OperatorKeyHash> op_of_key;
    std::unordered_map<std::uint32_t, std::size_t> op_of_glyph;
    std::map<ObjectId, std::vector<std::size_t>> ops_by_stream;
    for (const std::uint32_t id : replaced) {
        if (keep_reasons.contains(id)) continue;
        const std::optional<std::size_t> pos = glyph_index.position(id);
        const std::optional<OperatorKey> key = pos ? operator_key_of(glyphs[*pos].source) : std::nullopt;
        if (!key) {
            keep_reasons[id] = std::string(kKeepNoStream);
            continue;
        }
        auto [it, added] = op_of_key.try_emplace(*key, ops.size());
        if (added) {
            Op op;
            op.key = *key;
            ops.push_back(std::move(op));
            ops_by_stream[ObjectId{key->object_number, key->generation}].push_back(it->second);
        }
        ops[it->second].glyphs.push_back(id);
        op_of_glyph.emplace(id, it->second);
    }

    // Every stream read and checked before any is changed.
    std::vector<StreamWork> streams;
    streams.reserve(ops_by_stream.size());
    for (const auto& [id, stream_ops] : ops_by_stream) {
        auto work = read_stream(doc, id);
        if (!work) return fail_all(work.error());
        const std::size_t s = streams.size();
        for (const std::size_t i : stream_ops) {
            Op& op = ops[i];
            if (op.key.byte_end <= op.key.byte_start || op.key.byte_end > work->content.size()) {
                return fail_all(std::string(kOperatorRangeOutside));
            }
            const auto found = std::lower_bound(
                work->shows.begin(), work->shows.end(), op.key.byte_start,
                [](const Show& show, std::uint64_t start) { return show.start < start; });
            if (found == work->shows.end() || found->start != op.key.byte_start || found->end != op.key.byte_end) {
                // Blanking bytes that are not one whole show operation
                // would cut tokens apart.
                return fail_all(stream_failure(id, "no text-showing operation at bytes " +
                                                       std::to_string(op.key.byte_start) + " to " +
                                                       std::to_string(op.key.byte_end)));
            }
            op.stream = s;
            op.show = static_cast<std::size_t>(found - work->shows.begin());
            found->op = i;
        }
        for (const std::size_t i : stream_ops) {
            if (const auto pos = glyph_index.position(ops[i].glyphs.front())) {
                work->page_content = glyphs[*pos].source.kind == GlyphSourceKind::PageContent;
                break;
            }
        }
        streams.push_back(std::move(*work));
    }

    // Shows whose operand was left at the end of the page's previous
    // stream: that stream is read (and checked) too, and both are edited.
    std::map<ObjectId, std::size_t> stream_at;
    for (std::size_t s = 0; s < streams.size(); ++s) stream_at.emplace(streams[s].id, s);
    std::optional<std::vector<ObjectId>> page_ids;
    for (Op& op : ops) {
        const Show& show = streams[op.stream].shows[op.show];
        if (!show.carried_in) continue;
        const OperandKind wanted = show.code == OperatorCode::TJ ? OperandKind::Array : OperandKind::String;
        const ObjectId self = streams[op.stream].id;
        const std::optional<std::size_t> pos = glyph_index.position(op.glyphs.front());
        if (!pos) continue;
        const GlyphSource& source = glyphs[*pos].source;
        if (source.kind != GlyphSourceKind::PageContent || source.stream_index == 0) continue;
        if (!page_ids) page_ids = doc.page_ids();
        const std::uint32_t page = glyphs[*pos].page_index;
        if (page >= page_ids->size()) continue;
        const Object contents = doc.object((*page_ids)[page]).get("Contents").follow();
        if (!contents.is_array()) continue;
        const std::optional<ObjectId> here = contents.array_at(source.stream_index).object_id();
        const std::optional<ObjectId> before = contents.array_at(source.stream_index - 1).object_id();
        if (here != self || !before) continue;
        auto at = stream_at.find(*before);
        if (at == stream_at.end()) {
            auto work = read_stream(doc, *before);
            if (!work) return fail_all(work.error());
            at = stream_at.emplace(*before, streams.size()).first;
            streams.push_back(std::move(*work));
        }
        StreamWork& tail = streams[at->second];
        if (!tail.tail_begin || tail.tail_kind != wanted || tail.tail_claimed) continue;
        tail.tail_claimed = true;
        op.tail_stream = at->second;
    }

    // Which shows draw visible text.
    for (StreamWork& work : streams) {
        for (Show& show : work.shows) {
            const auto it = operator_map.find(OperatorKey{work.id.number, work.id.generation, show.start, show.end});
            if (it == operator_map.end()) continue;
            for (const std::uint32_t id : it->second) {
                const std::optional<std::size_t> pos = glyph_index.position(id);
                if (pos && shows_visible_text(glyphs[*pos])) {
                    show.visible = true;
                    break;
                }
            }
        }
    }

    // Settling: operations kept, glyphs kept and runs dropped feed each
    // other until nothing changes. Each operation, glyph and run enters the
    // work lists at most once.
    std::vector<std::size_t> kept_ops;
    std::vector<std::uint32_t> kept_glyphs;
    auto keep_op = [&](std::size_t i) {
        if (ops[i].kept) return;
        ops[i].kept = true;
        kept_ops.push_back(i);
    };
    auto keep_glyph = [&](std::uint32_t id) {
        if (keep_reasons.contains(id)) return;
        keep_reasons[id] = std::string(kKeepSharedOperator);
        kept_glyphs.push_back(id);
    };
    auto pen_text = [&](Op& op) -> const std::optional<std::string>& {
        if (!op.pen_text_known) {
            op.pen_text_known = true;
            const StreamWork& work = streams[op.stream];
            const Show& show = work.shows[op.show];
            const auto it = operator_map.find(op.key);
            const float leading = op.tail_stream ? streams[*op.tail_stream].tail_leading : show.leading;
            const auto units = it != operator_map.end() ? pen_units(it->second, glyphs, glyph_index, leading)
                                                        : std::nullopt;
            if (units && op.tail_stream) {
                // The operand left in the stream before becomes the pen
                // move; the operator that takes it becomes a TJ.
                const StreamWork& tail = streams[*op.tail_stream];
                const std::size_t room = tail.content.size() - *tail.tail_begin;
                std::string text = "[" + format_number(*units) + "]";
                if (text.size() <= room) op.pen_text = text + std::string(room - text.size(), ' ');
            } else if (units) {
                const std::string tj = "[" + format_number(*units) + "] TJ";
                op.pen_text = blanked_bytes(work.content, show, &tj);
            }
        }
        return op.pen_text;
    };
    // Every replaced show before `before` in its line must leave the pen
    // where it found it, or stay.
    auto pen_needed_before = [&](std::size_t s, std::size_t before, std::uint32_t line) {
        StreamWork& work = streams[s];
        std::size_t& known = work.pen_known_before[line];
        for (std::size_t t = before; t-- > known;) {
            const Show& show = work.shows[t];
            if (show.line != line) break;
            if (show.op == kNoOp || ops[show.op].kept) continue;
            Op& op = ops[show.op];
            op.needs_pen_shift = true;
            if (!pen_text(op)) keep_op(show.op);
        }
        known = std::max(known, before);
    };

    for (std::size_t i = 0; i < ops.size(); ++i) {
        Op& op = ops[i];
        const Show& show = streams[op.stream].shows[op.show];
        const auto it = operator_map.find(op.key);
        bool all_replaced = it != operator_map.end() && (show.has_operand || op.tail_stream);
        if (show.code == OperatorCode::quote || show.code == OperatorCode::double_quote) {
            // Only its string may go: without one in its own bytes it stays.
            all_replaced = all_replaced && quoted_string_range(streams[op.stream].content, show).has_value();
        }
        if (all_replaced) {
            for (const std::uint32_t id : it->second) {
                const std::optional<std::size_t> pos = glyph_index.position(id);
                if (pos && shows_visible_text(glyphs[*pos]) && !op_of_glyph.contains(id)) {
                    all_replaced = false;
                    break;
                }
            }
        }
        // A glyph of the operation that is replaced but kept for its own
        // reason is not in op_of_glyph either: the operation stays for it.
        if (!all_replaced) keep_op(i);
    }
    for (std::size_t s = 0; s < streams.size(); ++s) {
        const StreamWork& work = streams[s];
        for (std::size_t t = 0; t < work.shows.size(); ++t) {
            const Show& show = work.shows[t];
            if (show.visible && show.op == kNoOp) pen_needed_before(s, t, show.line);
        }
        if (work.page_content && work.open_line) pen_needed_before(s, work.shows.size(), *work.open_line);
    }
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> runs_of_glyph;
    for (std::size_t r = 0; r < run_replaces.size(); ++r) {
        for (const std::uint32_t id : run_replaces[r]) runs_of_glyph[id].push_back(r);
    }
    auto drop_run = [&](std::size_t r) {
        if (run_dropped[r]) return;
        run_dropped[r] = true;
        for (const std::uint32_t id : run_replaces[r]) {
            keep_glyph(id);
            if (const auto it = op_of_glyph.find(id); it != op_of_glyph.end()) keep_op(it->second);
        }
    };
    for (std::size_t r = 0; r < run_replaces.size(); ++r) {
        for (const std::uint32_t id : run_replaces[r]) {
            if (keep_reasons.contains(id)) {
                drop_run(r);
                break;
            }
        }
    }
    while (!kept_ops.empty() || !kept_glyphs.empty()) {
        if (!kept_ops.empty()) {
            const std::size_t i = kept_ops.back();
            kept_ops.pop_back();
            for (const std::uint32_t id : ops[i].glyphs) keep_glyph(id);
            const Show& show = streams[ops[i].stream].shows[ops[i].show];
            if (show.visible) pen_needed_before(ops[i].stream, ops[i].show, show.line);
            continue;
        }
        const std::uint32_t id = kept_glyphs.back();
        kept_glyphs.pop_back();
        if (const auto it = op_of_glyph.find(id); it != op_of_glyph.end()) keep_op(it->second);
        if (const auto it = runs_of_glyph.find(id); it != runs_of_glyph.end()) {
            for (const std::size_t r : it->second) drop_run(r);
        }
    }

    // The edits of every stream that loses an operation, then every such
    // stream looked up for writing, and only then any written.
    std::vector<std::vector<std::pair<std::uint64_t, std::string>>> stream_edits(streams.size());
    for (Op& op : ops) {
        if (op.kept) continue;
        const StreamWork& work = streams[op.stream];
        const Show& show = work.shows[op.show];
        if (op.tail_stream) {
            const StreamWork& tail = streams[*op.tail_stream];
            const std::size_t room = tail.content.size() - *tail.tail_begin;
            std::string text = op.needs_pen_shift ? *pen_text(op) : "[]" + std::string(room - 2, ' ');
            stream_edits[*op.tail_stream].emplace_back(*tail.tail_begin, std::move(text));
            stream_edits[op.stream].emplace_back(show.start, "TJ" + std::string(show.end - show.start - 2, ' '));
            continue;
        }
        std::optional<std::string> text =
            op.needs_pen_shift ? pen_text(op) : blanked_bytes(work.content, show, nullptr);
        if (!text) continue;  // cannot happen: such an operation was kept above
        stream_edits[op.stream].emplace_back(show.start, std::move(*text));
    }
    std::vector<std::pair<std::size_t, std::string>> edited;
    for (std::size_t s = 0; s < streams.size(); ++s) {
        if (stream_edits[s].empty()) continue;
        std::string bytes = streams[s].content;
        for (const auto& [at, text] : stream_edits[s]) bytes.replace(at, text.size(), text);
        edited.emplace_back(s, std::move(bytes));
    }
    std::vector<Object> targets;
    for (const auto& [s, bytes] : edited) {
        const ObjectId id = streams[s].id;
        Object object = doc.object(id);
        if (object.is_null()) return fail_all(stream_failure(id, pdf::object_not_found_text(id)));
        if (!object.is_stream()) return fail_all(stream_failure(id, pdf::wrong_type_text("Stream", object.kind())));
        targets.push_back(std::move(object));
    }
    for (std::size_t k = 0; k < edited.size(); ++k) {
        // The library refuses nothing once the object is a stream; a refusal
        // would be reported like a failed lookup.
        if (auto written = pdf::replace_stream_data(targets[k], std::move(edited[k].second)); !written) {
            return fail_all(stream_failure(streams[edited[k].first].id, written.error().display()));
        }
    }
    remove_dropped_runs();
}

std::unordered_set<std::uint32_t> collect_blanked_glyph_ids(const std::unordered_set<std::uint32_t>& replaced_glyph_ids,
                                                            const GlyphReasons& keep_reasons) {
    std::unordered_set<std::uint32_t> out;
    for (const std::uint32_t id : replaced_glyph_ids) {
        if (!keep_reasons.contains(id)) out.insert(id);
    }
    return out;
}

}  // namespace zvk::rewrite
