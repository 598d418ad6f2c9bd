// Two summaries of an extraction's glyphs: the coverage report (glyphs by
// disposition, and those still unresolved or left in English) and the plain
// text of the document in reading order, one line per visual line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/json_writer.h"
#include "content/records.h"

namespace zvk {

struct CoverageReport {
    std::uint64_t total = 0;
    std::uint64_t pending = 0;
    std::uint64_t translated_pending_rewrite = 0;
    std::uint64_t rewritten = 0;
    std::uint64_t kept_original = 0;
    std::uint64_t non_text = 0;
    std::uint64_t english_body = 0;
    std::vector<std::uint32_t> unresolved_ids;
    bool complete = true;
};

CoverageReport count_glyph_dispositions(const std::vector<Glyph>& glyphs);
void serialize_coverage_report(JsonWriter& w, const CoverageReport& report);
// The warning text of save, or none when coverage is complete.
std::optional<std::string> report_incomplete_coverage(const ExtractedDocument& extraction);
std::string build_plain_text(const ExtractedDocument& extraction);
// The same two over glyphs held apart (page by page, as extract writes them):
// their addresses, in id order.
CoverageReport count_dispositions_of(const std::vector<const Glyph*>& glyphs);
std::string plain_text_of(std::vector<const Glyph*> glyphs);

}  // namespace zvk
