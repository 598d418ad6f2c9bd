// The JSON form of the extraction records: every field always written (an
// absent optional as null), members in byte order of their names.
#pragma once

#include "base/json_writer.h"
#include "content/records.h"

namespace zvk {

void write_color(JsonWriter& w, const Color& color);
void write_glyph_source(JsonWriter& w, const GlyphSource& source);
void write_glyph_disposition(JsonWriter& w, const GlyphDisposition& disposition);
void write_glyph(JsonWriter& w, const Glyph& glyph);
void write_page_info(JsonWriter& w, const PageInfo& page);
void write_region(JsonWriter& w, const Region& region);
void write_diagnostic(JsonWriter& w, const Diagnostic& diagnostic);

// The arrays of a document, for callers that interleave members of their own.
void write_glyphs(JsonWriter& w, const std::vector<Glyph>& glyphs);
void write_pages(JsonWriter& w, const std::vector<PageInfo>& pages);
void write_regions(JsonWriter& w, const std::vector<Region>& regions);
void write_diagnostics(JsonWriter& w, const std::vector<Diagnostic>& diagnostics);

}  // namespace zvk
