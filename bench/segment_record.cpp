// Writes the whole segmentation of each PDF named on the command line, so
// that a change meant to make segmentation faster can be checked to leave
// its output byte for byte the same (diff the files before and after):
//
//     zvk_segment_record FILE.pdf... > record.txt
//
// Per file and per choice of skip_figures/skip_tables (both on, both off):
// every segment (id, page, glyph ids, source text, line feeds and tabs shown
// as \n and \t) and every skipped glyph (glyph id and reason) in order.
// Run by hand; never a test.
#include <cstdio>
#include <string>
#include <string_view>

#include "api/pdf_files.h"
#include "segment/segmentation.h"

namespace {

void print_escaped(std::string_view text) {
    for (char c : text) {
        if (c == '\n') {
            std::fputs("\\n", stdout);
        } else if (c == '\t') {
            std::fputs("\\t", stdout);
        } else if (c == '\\') {
            std::fputs("\\\\", stdout);
        } else {
            std::fputc(c, stdout);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        auto document = zvk::load_pdf_document(argv[i], zvk::LoadOptions{});
        auto extracted = document ? zvk::extract_document_default_limits(*document)
                                  : zvk::Result<zvk::ExtractedDocument>(std::unexpected(document.error()));
        if (!extracted) {
            std::fprintf(stderr, "%s: %s\n", argv[i], extracted.error().text().c_str());
            status = 1;
            continue;
        }
        const zvk::ExtractedDocument& doc = *extracted;
        for (bool flags : {true, false}) {
            const zvk::SegmentationResult result = zvk::segment_glyphs(doc.glyphs, flags, flags, doc.regions, doc.pages);
            std::printf("file %s skip_figures/tables %d: %zu segments, %zu skipped\n", argv[i], flags ? 1 : 0,
                        result.segments.size(), result.skipped.size());
            for (const zvk::Segment& s : result.segments) {
                std::printf("segment %u page %u glyphs", s.id, s.page_index);
                for (std::uint32_t id : s.glyph_ids) std::printf(" %u", id);
                std::fputs(" source ", stdout);
                print_escaped(s.source);
                std::fputc('\n', stdout);
            }
            for (const zvk::SkippedGlyph& s : result.skipped) std::printf("skip %u %s\n", s.glyph_id, s.reason.c_str());
        }
    }
    return status;
}
