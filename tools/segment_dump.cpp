// Prints the text lines segmentation builds from a PDF, one per row, so a
// person can read how a document was cut: page, line group, baseline, left and
// right edge, size, font family key, whether paragraph merging joins the line
// to the previous line of its group ("+") or not ("."), and the text.
//
//     segment_dump FILE.pdf [--page N]      (N counts from 1, as the rows do)
//
// After the rows of each glyph run come its skipped glyphs, one row per
// reason: "skip", page, baseline, the reason and the skipped glyphs' texts in
// run order. The last rows count the skipped glyphs by reason.
//
//     segment_dump FILE.pdf --segments [--page N]
//
// prints the translation segments instead, one per row: id, page, the
// position (origin x, baseline y) of its first glyph, and its source text
// with line feeds and tabs shown as \n and \t.
//
//     segment_dump FILE.pdf --restructured [--page N]
//
// prints the segments as translation receives them instead: display formulas
// gathered with their sentences and formulas written as placeholders, in the
// same columns; the last row counts segments before and after and the
// segments whose text holds a placeholder.
//
//     segment_dump FILE.pdf --skipped [--page N]
//
// prints the glyphs left out of translation instead, by glyph line (line
// order) and reason: page, baseline, reason and the text of those glyphs.
//
//     segment_dump FILE.pdf --references [--page N]
//
// prints what reference-section detection keeps in its source form: each
// segment of the detection's own segmentation with a reference glyph (page,
// origin of its first glyph, how many of its glyphs are reference glyphs,
// its text), then, by page and baseline, the reference glyphs that are in no
// segment, and last the counts: reference glyphs, segments, pages.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>

#include "api/pdf_files.h"
#include "segment/attach_passes.h"
#include "segment/font_names.h"
#include "segment/glyph_lines.h"
#include "segment/line_text.h"
#include "segment/paragraph_merge.h"
#include "segment/segmentation.h"
#include "rewrite/geometry/segment_restructure.h"
#include "translate/reference_sections.h"

namespace {

struct Row {
    std::size_t run_index = 0;
    std::size_t group = 0;
    const zvk::TextLine* line = nullptr;
    bool merges = false;
};

std::string number(float value) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return std::string(buffer, result.ptr);
}

int usage() {
    std::fputs("usage: segment_dump FILE.pdf [--segments | --restructured | --skipped | --references] [--page N]\n", stderr);
    return 2;
}

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out;
}

int print_segments(const zvk::ExtractedDocument& extraction, std::optional<std::uint32_t> only_page,
                   bool restructured) {
    zvk::SegmentationResult result =
        zvk::segment_glyphs(extraction.glyphs, true, true, extraction.regions, extraction.pages);
    const std::size_t before = result.segments.size();
    if (restructured) {
        result.segments = zvk::rewrite::restructure_segments_for_translation(std::move(result.segments),
                                                                             extraction.glyphs);
    }
    std::size_t with_placeholder = 0;
    std::printf("id\tpage\tx\ty\tsource\n");
    for (const zvk::Segment& segment : result.segments) {
        if (segment.source.find("\u27e6") != std::string::npos) ++with_placeholder;
        if (only_page && segment.page_index != *only_page) continue;
        const zvk::Glyph& first = extraction.glyphs.at(segment.glyph_ids.front());
        std::printf("%u\t%u\t%s\t%s\t%s\n", segment.id, segment.page_index + 1, number(first.matrix[4]).c_str(),
                    number(first.matrix[5]).c_str(), escaped(segment.source).c_str());
    }
    if (restructured) {
        std::printf("segments\t%zu before\t%zu after\t%zu with a placeholder\n", before, result.segments.size(),
                    with_placeholder);
    }
    return 0;
}

// Each glyph line's skipped glyphs, one row per reason in the order the
// reasons were first recorded for the line.
int print_skipped(const zvk::ExtractedDocument& extraction, std::optional<std::uint32_t> only_page) {
    std::vector<zvk::GlyphRun> runs = zvk::group_glyph_lines(extraction.glyphs);
    zvk::LineGrouping grouping = zvk::build_line_groups(runs, true, true, extraction.regions, extraction.pages,
                                                          zvk::collect_unmapped_glyphs(extraction.glyphs));
    std::unordered_map<std::uint32_t, std::vector<std::string>> reasons_of;
    for (const zvk::SkippedGlyph& s : grouping.skipped) reasons_of[s.glyph_id].push_back(s.reason);
    std::printf("page\ty\treason\ttext\n");
    for (const zvk::GlyphRun& run : runs) {
        if (run.empty() || (only_page && run.front()->page_index != *only_page)) continue;
        std::vector<std::string> order;
        for (const zvk::Glyph* g : run) {
            auto it = reasons_of.find(g->id);
            if (it == reasons_of.end()) continue;
            for (const std::string& r : it->second) {
                if (std::find(order.begin(), order.end(), r) == order.end()) order.push_back(r);
            }
        }
        for (const std::string& reason : order) {
            std::vector<const zvk::Glyph*> glyphs;
            for (const zvk::Glyph* g : run) {
                auto it = reasons_of.find(g->id);
                if (it != reasons_of.end() && std::find(it->second.begin(), it->second.end(), reason) != it->second.end()) {
                    glyphs.push_back(g);
                }
            }
            std::printf("%u\t%s\t%s\t%s\n", run.front()->page_index + 1, number(run.front()->matrix[5]).c_str(),
                        reason.c_str(), escaped(zvk::line_text_from_glyphs(glyphs)).c_str());
        }
    }
    return 0;
}

int print_references(const zvk::ExtractedDocument& extraction, std::optional<std::uint32_t> only_page) {
    const std::vector<std::uint32_t> ids = zvk::find_reference_sections(extraction.glyphs);
    std::vector<bool> kept(extraction.glyphs.size(), false);
    for (std::uint32_t id : ids) {
        if (id < kept.size()) kept[id] = true;
    }
    // The same segmentation the detection runs.
    zvk::SegmentationResult result = zvk::segment_glyphs(extraction.glyphs, true, true, {}, {});
    std::vector<bool> in_segment(extraction.glyphs.size(), false);
    std::size_t segments = 0;
    std::printf("page\tx\ty\tkept\tsource\n");
    for (const zvk::Segment& segment : result.segments) {
        std::size_t count = 0;
        for (std::uint32_t id : segment.glyph_ids) {
            in_segment.at(id) = true;
            count += kept.at(id) ? 1 : 0;
        }
        if (count == 0) continue;
        ++segments;
        if (only_page && segment.page_index != *only_page) continue;
        const zvk::Glyph& first = extraction.glyphs.at(segment.glyph_ids.front());
        std::printf("%u\t%s\t%s\t%zu/%zu\t%s\n", segment.page_index + 1, number(first.matrix[4]).c_str(),
                    number(first.matrix[5]).c_str(), count, segment.glyph_ids.size(),
                    escaped(segment.source).c_str());
    }
    // Reference glyphs outside every segment, one row per page and baseline.
    std::map<std::pair<std::uint32_t, float>, std::string> outside;
    for (const zvk::Glyph& g : extraction.glyphs) {
        if (!kept[g.id] || in_segment[g.id]) continue;
        if (only_page && g.page_index != *only_page) continue;
        outside[{g.page_index, g.matrix[5]}] += g.unicode;
    }
    for (const auto& [where, text] : outside) {
        std::printf("outside\t%u\t%s\t%s\n", where.first + 1, number(where.second).c_str(), escaped(text).c_str());
    }
    std::map<std::uint32_t, std::size_t> pages;
    for (std::uint32_t id : ids) ++pages[extraction.glyphs.at(id).page_index];
    std::printf("references\t%zu glyphs\t%zu segments\t%zu pages\n", ids.size(), segments, pages.size());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    std::optional<std::uint32_t> only_page;
    bool segments = false;
    bool restructured = false;
    bool skipped = false;
    bool references = false;
    for (int i = 2; i < argc; ++i) {
        std::string_view flag = argv[i];
        if (flag == "--segments") {
            segments = true;
            continue;
        }
        if (flag == "--restructured") {
            segments = true;
            restructured = true;
            continue;
        }
        if (flag == "--skipped") {
            skipped = true;
            continue;
        }
        if (flag == "--references") {
            references = true;
            continue;
        }
        if (flag != "--page" || i + 1 >= argc) return usage();
        std::string_view value = argv[++i];
        std::uint32_t page = 0;
        auto parsed = std::from_chars(value.data(), value.data() + value.size(), page);
        if (parsed.ec != std::errc() || parsed.ptr != value.data() + value.size() || page == 0) return usage();
        only_page = page - 1;
    }
    auto document = zvk::load_pdf_document(argv[1], zvk::LoadOptions{});
    if (!document) {
        std::fprintf(stderr, "segment_dump: %s\n", document.error().text().c_str());
        return 1;
    }
    auto extracted = zvk::extract_document_default_limits(*document);
    if (!extracted) {
        std::fprintf(stderr, "segment_dump: %s\n", extracted.error().text().c_str());
        return 1;
    }
    const zvk::ExtractedDocument& extraction = *extracted;
    if (int(segments) + int(skipped) + int(references) > 1) return usage();
    if (segments) return print_segments(extraction, only_page, restructured);
    if (references) return print_references(extraction, only_page);
    if (skipped) return print_skipped(extraction, only_page);

    std::vector<zvk::GlyphRun> runs = zvk::group_glyph_lines(extraction.glyphs);
    // Rows follow the runs' order (line order), whatever group a line joined.
    std::unordered_map<const zvk::Glyph*, std::size_t> run_of;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        for (const zvk::Glyph* g : runs[r]) run_of.emplace(g, r);
    }
    const std::vector<zvk::GlyphRun> run_copies = runs;
    zvk::LineGrouping grouping =
        zvk::build_line_groups(std::move(runs), true, true, extraction.regions, extraction.pages,
                               zvk::collect_unmapped_glyphs(extraction.glyphs));

    // Skipped glyphs by run and reason (reasons in the order first recorded).
    std::map<std::size_t, std::vector<std::pair<std::string, std::vector<const zvk::Glyph*>>>> skip_rows;
    {
        std::unordered_map<std::uint32_t, std::vector<std::string>> reasons_of;
        for (const zvk::SkippedGlyph& s : grouping.skipped) {
            auto& list = reasons_of[s.glyph_id];
            if (std::find(list.begin(), list.end(), s.reason) == list.end()) list.push_back(s.reason);
        }
        for (std::size_t r = 0; r < run_copies.size(); ++r) {
            std::vector<std::pair<std::string, std::vector<const zvk::Glyph*>>> rows_here;
            for (const zvk::Glyph* g : run_copies[r]) {
                auto it = reasons_of.find(g->id);
                if (it == reasons_of.end()) continue;
                for (const std::string& reason : it->second) {
                    auto row = std::find_if(rows_here.begin(), rows_here.end(),
                                            [&](const auto& p) { return p.first == reason; });
                    if (row == rows_here.end()) row = rows_here.insert(rows_here.end(), {reason, {}});
                    row->second.push_back(g);
                }
            }
            if (!rows_here.empty()) skip_rows.emplace(r, std::move(rows_here));
        }
    }

    std::vector<Row> rows;
    for (std::size_t g = 0; g < grouping.groups.size(); ++g) {
        const auto& lines = grouping.groups[g].lines;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            Row row{run_of.at(lines[i].glyphs.front()), g, &lines[i], false};
            if (i > 0) {
                auto width = grouping.typical_line_width.find(lines[i].page_index);
                float x = width == grouping.typical_line_width.end() ? 0.0f : width->second;
                row.merges = zvk::should_merge_lines(lines[i - 1], lines[i], x);
            }
            rows.push_back(row);
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.run_index < b.run_index; });

    std::printf("page\tgroup\ty\tx0-x1\tsize\tfamily\tmerge\ttext\n");
    auto print_skips_before = [&](std::size_t end_run) {
        while (!skip_rows.empty() && skip_rows.begin()->first < end_run) {
            const zvk::Glyph& first = *run_copies[skip_rows.begin()->first].front();
            if (!only_page || first.page_index == *only_page) {
                for (const auto& [reason, glyphs] : skip_rows.begin()->second) {
                    std::printf("skip\t%u\t%s\t%s\t%s\n", first.page_index + 1, number(first.matrix[5]).c_str(),
                                reason.c_str(), zvk::line_text_from_glyphs(glyphs).c_str());
                }
            }
            skip_rows.erase(skip_rows.begin());
        }
    };
    for (const Row& row : rows) {
        const zvk::TextLine& line = *row.line;
        print_skips_before(row.run_index);
        if (only_page && line.page_index != *only_page) continue;
        std::printf("%u\t%zu\t%s\t%s-%s\t%s\t%s\t%c\t%s\n", line.page_index + 1, row.group, number(line.y).c_str(),
                    number(line.x0).c_str(), number(line.x1).c_str(), number(line.size).c_str(),
                    zvk::font_family_key(line.font_name).c_str(), row.merges ? '+' : '.', line.text.c_str());
    }
    print_skips_before(run_copies.size());
    std::map<std::string, std::size_t> reasons;
    for (const zvk::SkippedGlyph& s : grouping.skipped) {
        if (!only_page || extraction.glyphs.at(s.glyph_id).page_index == *only_page) ++reasons[s.reason];
    }
    for (const auto& [reason, count] : reasons) std::printf("skipped\t%s\t%zu\n", reason.c_str(), count);
    return 0;
}
