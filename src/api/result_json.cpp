#include "api/result_json.h"

#include "api/coverage.h"
#include "api/json_writer.h"
#include "content/records_json.h"

namespace zvk {

Result<std::string> extracted_document_to_pretty_json(const ExtractedDocument& extraction) {
    std::string out;
    out.reserve(128);
    JsonWriter w(out);
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
    w.member("plain_text", build_plain_text(extraction));
    w.key("regions");
    write_regions(w, extraction.regions);
    w.end_object();
    return out;
}

}  // namespace zvk
