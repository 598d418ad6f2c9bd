// The JSON text that extract returns (and that translate extends): written
// by one writer (the reference), or in pieces on worker threads that join
// into exactly the same text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/mapped_buffer.h"
#include "base/options.h"
#include "base/core_error.h"
#include "base/json_writer.h"
#include "base/workers.h"
#include "content/records.h"
#include "pdf/document.h"
#include "translate/outcome.h"

namespace zvk {

// The extraction JSON, pretty-printed, with no line break after the last brace.
Result<std::string> extracted_document_to_pretty_json(const ExtractedDocument& extraction);

// What translate adds after "regions": the records, the translator summary
// and the option warnings (the member only when there is one).
struct TranslateMembers {
    const TranslationOutcome* outcome = nullptr;
    std::string backend;
    std::string model;
    std::span<const std::string> warnings;
};

// One record, and all of them as an array.
void write_translation_record(JsonWriter& w, const TranslationRecord& record);
void write_translation_records(JsonWriter& w, std::span<const TranslationRecord> records);

// The translate JSON of a translated extraction, by one writer: the text
// ExtractionText::write gives with the same members.
Result<std::string> translated_document_to_pretty_json(const ExtractedDocument& extraction,
                                                       const TranslateMembers& members);

// The same text, for a caller that keeps it as characters of one width (the
// Python string): first written as UTF-8 pieces, on worker threads, which
// gives its length in characters and its widest character; then, once the
// caller has room of that length in units wide enough, each piece decoded
// into its slice of the room and dropped, again on worker threads. The
// pieces are runs of glyphs (never across pages), with the members before
// and after the glyphs as two more.
class ExtractionText {
public:
    // About 1.3 MB of text a piece: enough to keep a thread busy, small
    // enough to share out evenly.
    static constexpr std::size_t kGlyphsPerPiece = 1024;

    explicit ExtractionText(std::size_t glyphs_per_piece = kGlyphsPerPiece);

    // The runs of glyphs the extraction makes: the most threads worth giving
    // to write() and fill() (a document of one run is written serially).
    std::size_t glyph_runs(const ExtractedDocument& extraction) const;

    // Writes the text of `extraction`, which is not needed afterwards; with
    // `translate`, the translate JSON.
    Result<void> write(const ExtractedDocument& extraction, unsigned threads,
                       const TranslateMembers* translate = nullptr);
    // Extracts `document` and writes its text at once: the calling thread
    // reads the pages while the other workers write the glyphs of those
    // already read; nothing of the extraction is kept afterwards. The text is
    // the one write() gives for extract_document(document, limits).
    // `keep_going`, when given, is asked after each page; once it says no,
    // reading stops and the call fails with "interrupted".
    Result<void> extract_and_write(const pdf::Document& document, const ExtractLimits& limits,
                                   unsigned threads, const std::function<bool()>& keep_going = {});

    std::size_t length() const { return length_; }
    // The pieces written: the most threads worth giving to fill().
    std::size_t pieces() const { return pieces_.size(); }
    // The widest character beyond ASCII, or 0x7F for a text all ASCII: what
    // decides the width of the units (the JSON is never without ASCII).
    char32_t widest() const { return widest_; }

    // Decodes the text into `out` (exactly length() units, each wide enough
    // for widest()) and releases the pieces.
    Result<void> fill(std::span<std::uint8_t> out, unsigned threads);
    Result<void> fill(std::span<std::uint16_t> out, unsigned threads);
    Result<void> fill(std::span<std::uint32_t> out, unsigned threads);
    // The same on threads started beforehand (see StandbyWorkers).
    Result<void> fill(std::span<std::uint8_t> out, StandbyWorkers& workers);
    Result<void> fill(std::span<std::uint16_t> out, StandbyWorkers& workers);
    Result<void> fill(std::span<std::uint32_t> out, StandbyWorkers& workers);

private:
    struct Piece {
        MappedBuffer text;
        std::size_t length = 0;  // characters
        char32_t widest = 0;
        std::size_t offset = 0;  // of its first character in the whole text
    };

    template <typename Unit, typename Run>
    Result<void> fill_units(std::span<Unit> out, Run&& run);
    // Sums the pieces' lengths into offsets, once every piece is written.
    void settle();

    std::size_t glyphs_per_piece_;
    // In text order; a deque, so that pieces added while others are being
    // written stay where they are.
    std::deque<Piece> pieces_;
    std::size_t length_ = 0;
    char32_t widest_ = 0;
};

}  // namespace zvk
