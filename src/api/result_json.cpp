#include "api/result_json.h"

#include "api/coverage.h"
#include "content/records_json.h"

namespace zvk {

namespace {

// A pretty-printed glyph takes about 1.3 KB; reserving that up front spares
// the copies of a growing string.
constexpr std::size_t kBytesPerGlyph = 1400;

void write_extraction(JsonWriter& w, const ExtractedDocument& extraction,
                      const std::string& plain_text) {
    w.begin_object();
    w.member("coordinate_space", extraction.coordinate_space);
    w.key("coverage");
    serialize_coverage_report(w, count_glyph_dispositions(extraction.glyphs));
    w.key("diagnostics");
    write_diagnostics(w, extraction.diagnostics);
    w.key("glyphs");
    write_glyphs(w, extraction.glyphs);
    w.key("pages");
    write_pages(w, extraction.pages);
    w.member("plain_text", plain_text);
    w.key("regions");
    write_regions(w, extraction.regions);
    w.end_object();
}

}  // namespace

Result<std::string> extracted_document_to_pretty_json(const ExtractedDocument& extraction) {
    std::string out;
    out.reserve(128 + extraction.glyphs.size() * kBytesPerGlyph);
    JsonWriter w(out);
    write_extraction(w, extraction, build_plain_text(extraction));
    return out;
}

ExtractionJson::ExtractionJson(const ExtractedDocument& extraction)
    : extraction_(extraction), plain_text_(build_plain_text(extraction)) {}

void ExtractionJson::write(JsonSink& sink) const {
    JsonWriter w(sink);
    write_extraction(w, extraction_, plain_text_);
    w.finish();
}

}  // namespace zvk
