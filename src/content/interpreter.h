// The interpreter of one page: its graphics and text state, the glyphs,
// regions and diagnostics it gathers, the per-page budget, and the running of
// content streams operation by operation.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/options.h"
#include "content/graphics_state.h"
#include "content/lexer.h"
#include "content/records.h"
#include "pdf/document.h"
#include "pdf/objects.h"

namespace zvk {

namespace font {
class FontCache;
}

// The origin of a stream handed to the interpreter; it becomes the
// stream-level fields of every GlyphSource shown from it.
struct ContentSource {
    GlyphSourceKind kind = GlyphSourceKind::PageContent;
    std::optional<ObjectId> object_id;
    std::uint32_t stream_index = 0;
    std::optional<std::string> resource_name;
};

// Where an operation stands in its stream; text showing records it on glyphs.
struct OperationPlace {
    std::uint32_t operator_index = 0;
    std::uint64_t byte_start = 0;
    std::uint64_t byte_end = 0;
};

// One page may cost at most this much work, whatever its content does: forms
// that paint the next form twice grow exponentially with depth, and a
// /Contents may list one large stream thousands of times. The figures lie far
// above real pages (a dense map page has about a million operations, a dense
// text page ten thousand glyphs) and keep the worst page to seconds.
inline constexpr std::uint64_t kPageOperationBudget = 10'000'000;
inline constexpr std::uint64_t kPageGlyphBudget = 1'000'000;
// Content bytes run through the lexer, counted at every paint (eight streams
// at the default stream limit).
inline constexpr std::uint64_t kPageDecodedByteBudget = 256ull << 20;

struct PageBudgetLimits {
    std::uint64_t operations = kPageOperationBudget;
    std::uint64_t glyphs = kPageGlyphBudget;
    std::uint64_t decoded_bytes = kPageDecodedByteBudget;
};

// The whole document is bounded too: a small file can name one heavy page
// content on every one of thousands of pages. Five million glyphs are several
// times a dense 1,000-page book, and about as many as one process can turn into
// extraction JSON (1.3 KB each) and its Python string; beyond that extraction
// stops with a diagnostic instead of exhausting memory. (Operations, glyphs,
// content bytes: the same three parts as a page's budget.)
inline constexpr PageBudgetLimits kDocumentBudget{500'000'000, 5'000'000, 8ull << 30};

// The glyphs are bounded by the file's size as well: each one costs about
// 1.3 KB of JSON, so a 36 KB file naming one content of a thousand glyphs on
// 6,000 pages would otherwise give 6 GB. Real documents carry well under one
// glyph per byte (papers from many writers: one per 4 to 100 bytes); the
// floor keeps small files with dense forms whole.
inline constexpr std::uint64_t kDocumentGlyphsPerInputByte = 16;
inline constexpr std::uint64_t kDocumentGlyphFloor = 1'000'000;

// kDocumentBudget with its glyphs bounded by the input's size: 16 glyphs per
// byte, never below kDocumentGlyphFloor, never above the fixed ceiling.
PageBudgetLimits document_budget_for_input(std::uint64_t input_bytes);

// Real content nests q a few levels deep; past this depth q saves nothing and
// is only counted, so that its Q restores nothing either.
inline constexpr std::size_t kMaxSavedStates = 1024;

// Forms, appearances and glyph procedures nest at most this deep whatever
// max_depth asks, so that nesting stays far inside the C++ stack.
inline constexpr std::uint32_t kMaxNestingDepthCeiling = 256;

// Forms painted again and again (a symbol on every point of a map) are decoded
// and their resources read once per page; only small forms are kept, and only
// up to a total, so the cache never holds much more than one large stream.
inline constexpr std::size_t kMaxCachedFormBytes = 1u << 20;
inline constexpr std::size_t kFormCacheBytes = 16u << 20;

// A form XObject as painting needs it: its decoded content (none when it does
// not decode) and its own resources.
struct LoadedForm {
    std::optional<std::string> data;
    pdf::Object dictionary;
    std::shared_ptr<const ResourceMaps> resources;  // null without a Resources dictionary
};

// Diagnostics of one interpretation: 199 messages and the suppression notice.
inline constexpr std::size_t kMaxDiagnosticsPerPage = 200;

struct ContentInterpreter {
    ContentInterpreter(const pdf::Document& document, const ExtractLimits& limits,
                       const ResourceScope& page_resources, std::uint32_t page_index,
                       const PageBudgetLimits& budget = {});

    GraphicsState state;
    std::vector<GraphicsState> saved_states;
    // Saved states below this index belong to the content that painted the
    // current form, appearance or glyph procedure; its Q cannot pop them.
    std::size_t saved_floor = 0;
    // q met while the saved-state stack was full (their Q pop nothing).
    std::uint64_t surplus_saves = 0;
    bool save_limit_reported = false;

    std::vector<Glyph> glyphs;
    std::vector<Region> regions;
    std::vector<Diagnostic> diagnostics;

    const pdf::Document& document;
    // The document's fonts, parsed once for all pages; without a cache each
    // selection loads its font afresh.
    font::FontCache* fonts = nullptr;
    std::uint64_t max_stream_bytes = 0;
    // max_depth of the limits, clamped to kMaxNestingDepthCeiling.
    std::uint32_t max_depth = 0;

    const ResourceScope* resources = nullptr;
    std::vector<ObjectId> form_ids;
    std::map<ObjectId, std::shared_ptr<const LoadedForm>> form_cache;
    std::size_t form_cache_bytes = 0;
    // Glyph procedures lexed once per page, by the identity of their bytes
    // (shared by every code and selection of the font); each entry holds its
    // bytes so that their address cannot be reused by another procedure.
    struct CachedProcedure {
        std::shared_ptr<const std::string> bytes;
        std::shared_ptr<const LexedContent> lexed;
    };
    std::map<const std::string*, CachedProcedure> procedure_cache;
    std::size_t procedure_cache_bytes = 0;

    Matrix text_matrix = kIdentityMatrix;       // Tm
    Matrix text_line_matrix = kIdentityMatrix;  // Tlm
    PathBounds path;

    std::uint32_t page_index = 0;
    std::uint32_t depth = 0;
    bool record_regions = true;
    bool in_text_object = false;
    bool outside_text_warned = false;

    // What is left of the page's budget; once any part runs out the rest of
    // the page (content, forms, appearances) is skipped.
    PageBudgetLimits budget_limits;
    PageBudgetLimits budget_left;
    bool budget_exhausted = false;
    // What was left of the document's budget when the page began, charged
    // alongside the page's; running it out ends the rest of the document.
    PageBudgetLimits document_budget_limits = kDocumentBudget;
    PageBudgetLimits document_left{UINT64_MAX, UINT64_MAX, UINT64_MAX};
    bool document_budget_exhausted = false;

    // The messages of a stream's lexer go out before its operations run. A
    // page is first read without the pass that gathers them first: when its
    // streams hold no malformed token (and no self-contained stream leaves
    // operands), that pass would have said nothing, and the page is done.
    // Otherwise `lexer_spoke` is set and the page is read again with the pass.
    bool skip_message_pass = false;
    bool lexer_spoke = false;
};

GraphicsState initial_graphics_state();
GraphicsState snapshot_graphics_state(const ContentInterpreter& interp);

void push_diagnostic(ContentInterpreter& interp, std::string message);
void push_diagnostic_text(ContentInterpreter& interp, std::string_view message);
// The cap is reached: further messages would be dropped.
bool diagnostics_full(const ContentInterpreter& interp);

// Appends the region when recording is on and the box passes the size test.
void push_region(ContentInterpreter& interp, const Box& box, std::string_view kind);

// Each takes one unit (or `bytes`) from the page's budget; false once the
// budget is exhausted, the first refusal pushing the budget's message.
bool charge_operation(ContentInterpreter& interp);
bool charge_glyph(ContentInterpreter& interp);
bool charge_decoded_bytes(ContentInterpreter& interp, std::uint64_t bytes);

// Runs one content stream of a page, starting with the operands carried from
// the previous stream; returns the operands left at its end.
OperandList interpret_page_stream(ContentInterpreter& interp, std::string_view data,
                                  OperandList carried, const ContentSource& source);
// Runs a stream complete in itself (form, appearance, glyph procedure);
// operands left at its end are dropped with the lexer's message.
void interpret_self_contained_stream(ContentInterpreter& interp, std::string_view data,
                                     const ContentSource& source);
// The same for a stream lexed beforehand with lex_content_stream (a glyph
// procedure run for every glyph of its code); `data_size` is charged to the
// budget as for the stream itself.
void interpret_lexed_stream(ContentInterpreter& interp, const LexedContent& lexed,
                            std::uint64_t data_size, const ContentSource& source);

// Runs the operations of a lexer, in order, counting them from 0.
void interpret_operations(ContentInterpreter& interp, ContentLexer& lexer,
                          const ContentSource& source);
// One operation (operators.cpp).
void run_operation(ContentInterpreter& interp, const ContentOperation& op,
                   const OperationPlace& place, const ContentSource& source);

// Everything that painting nested content (a form, an appearance, a glyph
// procedure) changes and must put back: the graphics state, the saved-state
// stack down to its depth on entry (so content that leaves q or Q unbalanced
// cannot leak state into what follows), Tm, Tlm, the path, the text-object
// flag, the resources and region recording.
class NestedContentScope {
public:
    explicit NestedContentScope(ContentInterpreter& interp);
    ~NestedContentScope();
    NestedContentScope(const NestedContentScope&) = delete;
    NestedContentScope& operator=(const NestedContentScope&) = delete;

private:
    ContentInterpreter& interp_;
    GraphicsState state_;
    std::size_t saved_size_;
    std::size_t saved_floor_;
    std::uint64_t surplus_saves_;
    Matrix text_matrix_;
    Matrix text_line_matrix_;
    PathBounds path_;
    bool in_text_object_;
    const ResourceScope* resources_;
    bool record_regions_;
};

}  // namespace zvk
