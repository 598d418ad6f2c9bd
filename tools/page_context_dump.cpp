// Prints what placement sees around the text of one page, so a person can
// check it against the page: the line boxes (baseline, left and right edge,
// size, text), then the rewrite lines that hold a column gap, then the side
// figures found beside the lines.
//
//     page_context_dump FILE.pdf --page N      (N counts from 1)
//
// Rows are tab-separated: "box", "gap" or "figure", then the values.
#include <charconv>
#include <cstdio>
#include <set>
#include <string>

#include "api/pdf_files.h"
#include "rewrite/geometry/rewrite_lines.h"
#include "rewrite/placement/line_context.h"
#include "rewrite/placement/page_context.h"
#include "segment/text_line.h"

namespace {

std::string number(float value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return std::string(buffer, result.ptr);
}

std::string text_of(std::span<const zvk::Glyph* const> glyphs) {
    std::string text;
    for (const zvk::Glyph* g : glyphs) {
        for (char c : g->unicode) text += (c == '\n' || c == '\t') ? ' ' : c;
    }
    return text;
}

int usage() {
    std::fputs("usage: page_context_dump FILE.pdf --page N\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[2]) != "--page") return usage();
    unsigned page_number = 0;
    const std::string_view arg(argv[3]);
    if (std::from_chars(arg.data(), arg.data() + arg.size(), page_number).ec != std::errc{} || page_number == 0) {
        return usage();
    }
    const std::uint32_t page = page_number - 1;
    auto document = zvk::load_pdf_document(argv[1], zvk::LoadOptions{});
    if (!document) {
        std::fprintf(stderr, "%s\n", document.error().display().c_str());
        return 1;
    }
    auto extraction = zvk::extract_document_default_limits(*document);
    if (!extraction) {
        std::fprintf(stderr, "%s\n", extraction.error().display().c_str());
        return 1;
    }
    zvk::rewrite::PageContext context(*extraction);

    std::printf("box\tbaseline\tx0\tx1\tsize\ttext\n");
    for (const zvk::rewrite::GlyphLineBox& box : context.line_boxes(page)) {
        std::printf("box\t%s\t%s\t%s\t%s\t%s\n", number(box.baseline).c_str(), number(box.x0).c_str(),
                    number(box.x1).c_str(), number(box.size).c_str(), text_of(box.glyphs).c_str());
    }

    const std::span<const zvk::Glyph* const> page_glyphs = context.page_glyphs(page);
    const std::vector<zvk::rewrite::RewriteLine> lines = zvk::rewrite::group_glyphs_into_rewrite_lines(page_glyphs);
    std::printf("gap\tbaseline\tx0\tx1\ttext\n");
    for (const zvk::rewrite::RewriteLine& line : lines) {
        const float size = zvk::representative_font_size(line.glyphs);
        if (zvk::rewrite::find_column_gap(line.glyphs, page_glyphs, size)) {
            std::printf("gap\t%s\t%s\t%s\t%s\n", number(line.baseline).c_str(), number(line.x0).c_str(),
                        number(line.x1).c_str(), text_of(line.glyphs).c_str());
        }
    }

    std::printf("figure\tleft\tfirst baseline\n");
    std::set<float> figures;
    for (const zvk::rewrite::RewriteLine& line : lines) {
        const float size = zvk::representative_font_size(line.glyphs);
        const auto left = zvk::rewrite::find_side_figure_left_edge(context, page, line.baseline, size);
        if (left && figures.insert(*left).second) {
            std::printf("figure\t%s\t%s\n", number(*left).c_str(), number(line.baseline).c_str());
        }
    }
    return 0;
}
