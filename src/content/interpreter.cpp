#include "content/interpreter.h"

#include <algorithm>
#include <cmath>

namespace zvk {

ContentInterpreter::ContentInterpreter(const pdf::Document& doc, const ExtractLimits& limits,
                                       const ResourceScope& page_resources,
                                       std::uint32_t page, const PageBudgetLimits& budget)
    : document(doc),
      max_stream_bytes(limits.max_stream_bytes),
      max_depth(std::min(limits.max_depth, kMaxNestingDepthCeiling)),
      resources(&page_resources),
      page_index(page),
      budget_limits(budget),
      budget_left(budget) {}

GraphicsState initial_graphics_state() { return GraphicsState{}; }

GraphicsState snapshot_graphics_state(const ContentInterpreter& interp) { return interp.state; }

bool diagnostics_full(const ContentInterpreter& interp) {
    return interp.diagnostics.size() >= kMaxDiagnosticsPerPage;
}

void push_diagnostic(ContentInterpreter& interp, std::string message) {
    const std::size_t n = interp.diagnostics.size();
    if (n + 1 < kMaxDiagnosticsPerPage) {
        interp.diagnostics.push_back({interp.page_index, std::move(message)});
    } else if (n + 1 == kMaxDiagnosticsPerPage) {
        interp.diagnostics.push_back({interp.page_index, "further diagnostics suppressed"});
    }
}

void push_diagnostic_text(ContentInterpreter& interp, std::string_view message) {
    if (diagnostics_full(interp)) return;
    push_diagnostic(interp, std::string(message));
}

void push_region(ContentInterpreter& interp, const Box& box, std::string_view kind) {
    if (!interp.record_regions) return;
    const float width = box[2] - box[0];
    const float height = box[3] - box[1];
    if (!std::isfinite(width) || !std::isfinite(height)) return;
    if (!(width >= 0.4f || height >= 0.4f)) return;
    interp.regions.push_back({interp.page_index, box, std::string(kind)});
}

PageBudgetLimits document_budget_for_input(std::uint64_t input_bytes) {
    PageBudgetLimits budget = kDocumentBudget;
    // Past the ceiling's worth of bytes the product is not needed (and could wrap).
    const std::uint64_t by_size = input_bytes > budget.glyphs / kDocumentGlyphsPerInputByte
                                      ? budget.glyphs
                                      : input_bytes * kDocumentGlyphsPerInputByte;
    budget.glyphs = std::min(budget.glyphs, std::max(kDocumentGlyphFloor, by_size));
    return budget;
}

namespace {

bool charge(ContentInterpreter& interp, std::uint64_t PageBudgetLimits::*part, std::uint64_t amount,
            const char* unit) {
    if (interp.budget_exhausted) return false;
    std::uint64_t& left = interp.budget_left.*part;
    std::uint64_t& document_left = interp.document_left.*part;
    if (amount > left) {
        interp.budget_exhausted = true;
        push_diagnostic(interp, "page budget of " + std::to_string(interp.budget_limits.*part) + " " +
                                    unit + " exhausted; the rest of the page is skipped");
        return false;
    }
    if (amount > document_left) {
        interp.budget_exhausted = true;
        interp.document_budget_exhausted = true;
        push_diagnostic(interp, "document budget of " +
                                    std::to_string(interp.document_budget_limits.*part) +
                                    " " + unit + " exhausted; the rest of the document is skipped");
        return false;
    }
    left -= amount;
    document_left -= amount;
    return true;
}

// Lexer messages of a stream go out before any of its operations run, as if
// the whole stream had been lexed first; a first lexing pass gives them
// without keeping the operations. It stops once no message can be recorded.
void push_lexer_messages(ContentInterpreter& interp, std::string_view data, bool self_contained) {
    if (diagnostics_full(interp)) return;
    ContentLexer lexer(
        data, {}, [&interp](std::string message) { push_diagnostic(interp, std::move(message)); }, false);
    ContentOperation op;
    while (lexer.next(op)) {
        if (diagnostics_full(interp)) return;
    }
    if (self_contained && lexer.operands_left()) {
        push_diagnostic(interp, trailing_operands_message(data.size()));
    }
}

}  // namespace

bool charge_operation(ContentInterpreter& interp) {
    return charge(interp, &PageBudgetLimits::operations, 1, "operations");
}

bool charge_glyph(ContentInterpreter& interp) {
    return charge(interp, &PageBudgetLimits::glyphs, 1, "glyphs");
}

bool charge_decoded_bytes(ContentInterpreter& interp, std::uint64_t bytes) {
    return charge(interp, &PageBudgetLimits::decoded_bytes, bytes, "decoded bytes");
}

void interpret_operations(ContentInterpreter& interp, ContentLexer& lexer,
                          const ContentSource& source) {
    std::uint32_t index = 0;
    ContentOperation op;
    while (!interp.budget_exhausted) {
        if (!lexer.next(op) || !charge_operation(interp)) return;
        run_operation(interp, op, {index, op.byte_start, op.byte_end}, source);
        if (index != UINT32_MAX) ++index;
    }
}

namespace {

// Without the messages pass, the lexer that runs the operations only notes
// that it had something to say.
LexerMessageSink note_messages(ContentInterpreter& interp) {
    if (!interp.skip_message_pass) return {};
    return [&interp](std::string) { interp.lexer_spoke = true; };
}

}  // namespace

OperandList interpret_page_stream(ContentInterpreter& interp, std::string_view data,
                                  OperandList carried, const ContentSource& source) {
    if (!charge_decoded_bytes(interp, data.size())) return {};
    if (!interp.skip_message_pass) push_lexer_messages(interp, data, false);
    ContentLexer lexer(data, std::move(carried), note_messages(interp));
    interpret_operations(interp, lexer, source);
    if (interp.budget_exhausted) return {};
    return lexer.take_leftover();
}

void interpret_self_contained_stream(ContentInterpreter& interp, std::string_view data,
                                     const ContentSource& source) {
    if (!charge_decoded_bytes(interp, data.size())) return;
    if (!interp.skip_message_pass) push_lexer_messages(interp, data, true);
    ContentLexer lexer(data, {}, note_messages(interp));
    interpret_operations(interp, lexer, source);
    if (interp.skip_message_pass && lexer.operands_left()) interp.lexer_spoke = true;
}

void interpret_lexed_stream(ContentInterpreter& interp, const LexedContent& lexed,
                            std::uint64_t data_size, const ContentSource& source) {
    if (!charge_decoded_bytes(interp, data_size)) return;
    for (const std::string& message : lexed.messages) {
        if (diagnostics_full(interp)) break;
        push_diagnostic(interp, message);
    }
    std::uint32_t index = 0;
    for (const ContentOperation& op : lexed.operations) {
        if (interp.budget_exhausted || !charge_operation(interp)) return;
        run_operation(interp, op, {index, op.byte_start, op.byte_end}, source);
        if (index != UINT32_MAX) ++index;
    }
}

NestedContentScope::NestedContentScope(ContentInterpreter& interp)
    : interp_(interp),
      state_(snapshot_graphics_state(interp)),
      saved_size_(interp.saved_states.size()),
      saved_floor_(interp.saved_floor),
      surplus_saves_(interp.surplus_saves),
      text_matrix_(interp.text_matrix),
      text_line_matrix_(interp.text_line_matrix),
      path_(interp.path),
      in_text_object_(interp.in_text_object),
      resources_(interp.resources),
      record_regions_(interp.record_regions) {
    interp.saved_floor = saved_size_;
    interp.surplus_saves = 0;
}

NestedContentScope::~NestedContentScope() {
    interp_.state = std::move(state_);
    interp_.saved_states.resize(saved_size_);
    interp_.saved_floor = saved_floor_;
    interp_.surplus_saves = surplus_saves_;
    interp_.text_matrix = text_matrix_;
    interp_.text_line_matrix = text_line_matrix_;
    interp_.path = path_;
    interp_.in_text_object = in_text_object_;
    interp_.resources = resources_;
    interp_.record_regions = record_regions_;
}

}  // namespace zvk
