#include "segment/ocr_passes.h"

#include <cmath>
#include <cstddef>
#include <string>
#include <unordered_map>

#include "base/text.h"
#include "base/utf8.h"
#include "segment/glyph_order.h"
#include "segment/margin_passes.h"
#include "segment/noise_text.h"
#include "segment/page_buckets.h"

namespace zvk {

namespace {

constexpr std::size_t kScannedPageLines = 24;
constexpr std::size_t kCleanLinesOfText = 4;
constexpr float kScanImageShare = 0.45f;
constexpr float kMinPageArea = 1.0f;

float box_area(const Box& box) { return std::fabs((box[2] - box[0]) * (box[3] - box[1])); }

void add_line_ids(const TextLine& line, GlyphIdSet& ids) {
    for (const Glyph* g : line.glyphs) ids.insert(g->id);
}

void skip_and_append(std::vector<TextLine>& lines, const GlyphIdSet& ids, std::vector<SkippedGlyph>& skipped) {
    std::vector<SkippedGlyph> out = skip_glyphs_by_id(lines, ids, "ocr");
    skipped.insert(skipped.end(), out.begin(), out.end());
}

}  // namespace

void skip_ocr_pages(std::vector<TextLine>& lines, std::vector<SkippedGlyph>& skipped) {
    GlyphIdSet ids;
    for (const PageLines& page : bucket_lines_by_page(lines)) {
        // The page's texts joined with single spaces have exactly the words
        // of its lines, in order: the lines are read one by one instead.
        std::size_t words = 0;
        bool function_word = false;
        for (std::size_t i : page.lines) {
            for_each_word(lines[i].text, [&](std::string_view word) {
                ++words;
                function_word = function_word || is_english_function_word(word);
            });
            if (words > 5 && function_word) break;
        }
        if (words > 5 && function_word) continue;
        std::size_t ocr_like = 0;
        for (std::size_t i : page.lines) {
            for_each_word(lines[i].text, [&](std::string_view word) { ocr_like += is_ocr_like_text(word); });
            if (ocr_like > 1) break;
        }
        if (ocr_like <= 1) continue;
        for (std::size_t i : page.lines) add_line_ids(lines[i], ids);
    }
    skip_and_append(lines, ids, skipped);
}

void skip_garbled_lines(std::vector<TextLine>& lines, std::span<const Region> regions,
                        std::span<const PageInfo> pages, std::vector<SkippedGlyph>& skipped) {
    // The first record of each page, and the largest image of each page
    // (a NaN area never counts), gathered once for all pages.
    std::unordered_map<std::uint32_t, const PageInfo*> page_info;
    for (const PageInfo& p : pages) page_info.try_emplace(p.index, &p);
    std::unordered_map<std::uint32_t, float> largest_image;
    for (const Region& r : regions) {
        if (r.kind != "image") continue;
        auto [it, inserted] = largest_image.try_emplace(r.page_index, box_area(r.bbox));
        if (!inserted) it->second = edge_max(it->second, box_area(r.bbox));
    }

    GlyphIdSet ids;
    for (const PageLines& page : bucket_lines_by_page(lines)) {
        std::vector<std::size_t> garbled;
        for (std::size_t i : page.lines) {
            if (is_garbled_text(lines[i].text)) garbled.push_back(i);
        }
        if (garbled.empty()) continue;
        // Clean lines (not garbled, with an English function word) are
        // counted only where a scanned page is possible.
        auto few_clean_lines = [&] {
            std::size_t clean = 0;
            std::size_t g = 0;
            for (std::size_t i : page.lines) {
                if (g < garbled.size() && garbled[g] == i) {
                    ++g;
                } else if (has_english_function_word(lines[i].text) && ++clean >= kCleanLinesOfText) {
                    return false;
                }
            }
            return true;
        };
        bool scanned = false;
        if (page.lines.size() <= kScannedPageLines && !regions.empty() && few_clean_lines()) {
            auto info = page_info.find(page.page);
            auto image = largest_image.find(page.page);
            if (info != page_info.end() && image != largest_image.end()) {
                const float area = box_area(info->second->media_box);
                scanned = area >= kMinPageArea && image->second >= kScanImageShare * area;
            }
        }
        for (std::size_t i : scanned ? page.lines : garbled) add_line_ids(lines[i], ids);
    }
    skip_and_append(lines, ids, skipped);
}

}  // namespace zvk
