#include "rewrite/placement/line_runs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>


namespace zvk::rewrite {
namespace {

const Color kInk = make_rgb_color(0.2f, 0.3f, 0.4f);

// CJK characters one em wide (ids from 1), '1' half an em, and U+3000.
font::SubsetFont cjk_font() {
    font::SubsetFont font;
    font.units_per_em = 1000;
    std::uint16_t id = 1;
    for (char32_t c : {0x4E00, 0x4E8C, 0x4E09, 0x56DB, 0x4E94, 0x516D, 0x80A1, 0x7968, 0xFF1A, 0x3000}) {
        font.glyphs[c] = {id++, 1000};
    }
    font.glyphs['1'] = {id++, 500};
    font.glyphs['0'] = {id++, 500};
    font.glyphs['7'] = {id++, 500};
    return font;
}

const std::vector<std::uint32_t> kSource = {40, 41, 42};

LineBlock block_of(const font::SubsetFont& font) {
    return LineBlock{.page_index = 3,
                     .x = 72,
                     .font_size = 10,
                     .skew = 0.25f,
                     .fill_color = kInk,
                     .font = font,
                     .font_resource = "ZVK0",
                     .source_glyph_ids = kSource};
}

TEST(BuildLineRuns, OneRunPerLineWithABaseline) {
    const font::SubsetFont font = cjk_font();
    const std::vector<std::string> lines = {"\u4E00\u4E8C", "", "\u4E09"};
    const std::vector<float> baselines = {700, 686};
    std::vector<TextRun> runs(1);  // runs are appended after what is there
    build_line_runs(block_of(font), lines, baselines, runs);
    ASSERT_EQ(runs.size(), 3u);
    const TextRun& first = runs[1];
    EXPECT_EQ(first.text, "\u4E00\u4E8C");
    EXPECT_EQ(first.output_glyph_ids, (std::vector<std::uint16_t>{1, 2}));
    EXPECT_EQ(first.advances, (std::vector<float>{10, 10}));
    EXPECT_EQ(first.gap_adjustments, (std::vector<float>{0}));
    EXPECT_EQ(first.marker_flags, (std::vector<std::uint8_t>{0, 0}));
    EXPECT_EQ(first.source_glyph_ids, kSource);
    EXPECT_EQ(first.fill_color, kInk);
    EXPECT_EQ(first.font_resource, "ZVK0");
    EXPECT_EQ(first.page_index, 3u);
    EXPECT_EQ(first.baseline, 700);
    EXPECT_EQ(first.font_size, 10);
    EXPECT_EQ(first.skew, 0.25f);
    EXPECT_EQ(first.marker_size_factor, 1.0f);
    EXPECT_EQ(first.marker_rise_factor, 0.0f);
    // The empty line: a run with nothing in it, at the same x.
    const TextRun& empty = runs[2];
    EXPECT_EQ(empty.text, "");
    EXPECT_TRUE(empty.output_glyph_ids.empty());
    EXPECT_TRUE(empty.advances.empty());
    EXPECT_TRUE(empty.gap_adjustments.empty());
    EXPECT_TRUE(empty.marker_flags.empty());
    EXPECT_EQ(empty.baseline, 686);
    EXPECT_EQ(first.x, 72);
    EXPECT_EQ(empty.x, 72);
    EXPECT_EQ(empty.source_glyph_ids, kSource);
}

// Justified blocks. Unless a case says otherwise the lines are five CJK
// characters (50 wide at size 10, four gaps) wrapped to 52: a slack of 2 that
// the gaps take at 0.5 each.
struct JustifyCase {
    const char* name;
    std::vector<std::string> lines;
    bool justification_switch = false;
    bool has_callout_split = false;
    std::vector<std::vector<float>> gaps;  // expected gap adjustments per line
};

const std::string kFive = "\u4E00\u4E8C\u4E09\u56DB\u4E94";
const std::vector<float> kSpread = {0.5f, 0.5f, 0.5f, 0.5f};
const std::vector<float> kNone = {0, 0, 0, 0};

TEST(BuildJustifiedLineRuns, WhichLinesAreJustified) {
    const font::SubsetFont font = cjk_font();
    const std::vector<JustifyCase> cases = {
        {"every line but the last", {kFive, kFive, kFive}, false, false, {kSpread, kSpread, kNone}},
        {"a next line opening a stock-code item stops it",
         {kFive, "\u80A1\u7968\u0031\u0030\u0030\u0030\u0031\u0030\uFF1A\u4E00", kFive},
         false,
         false,
         {kNone, std::vector<float>(9, 0.0f), kNone}},
        {"stock-code digits that run to the line's end do not",
         {kFive, "\u80A1\u7968\u0031\u0030\u0030\u0030\u0031\u0030"}, false, false,
         {kSpread, std::vector<float>(7, 0.0f)}},
        {"股票 followed by a character that is no digit does not",
         {kFive, "\u80A1\u7968\u4E00\u4E8C"}, false, false, {kSpread, std::vector<float>(3, 0.0f)}},
        {"the width check keeps a line its gaps can fill", {kFive, kFive}, true, false, {kSpread, kNone}},
        {"so does a callout split", {kFive, kFive}, false, true, {kSpread, kNone}},
    };
    for (const JustifyCase& c : cases) {
        std::vector<float> baselines;
        for (std::size_t i = 0; i < c.lines.size(); ++i) baselines.push_back(700.0f - 14.0f * i);
        const DigitPairWidthMap no_pairs;
        const JustifiedLines in{.lines = c.lines,
                                .baselines = baselines,
                                .first_width = 52,
                                .width = 52,
                                .first_indent = 0,
                                .digit_pairs = no_pairs,
                                .marker_flags = {},
                                .marker_factors = std::nullopt,
                                .justification_switch = c.justification_switch,
                                .has_callout_split = c.has_callout_split};
        std::vector<TextRun> runs;
        build_justified_line_runs(block_of(font), in, runs);
        ASSERT_EQ(runs.size(), c.lines.size()) << c.name;
        for (std::size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(runs[i].gap_adjustments, c.gaps[i]) << c.name << i;
    }
}

TEST(BuildJustifiedLineRuns, SlackAtTheThreshold) {
    // Characters of no width measure 0, so a target of 0.4 leaves a slack of
    // exactly 0.4: the width check lets the line be justified, and its two
    // gaps take 0.2 each.
    font::SubsetFont font;
    font.units_per_em = 1000;
    font.glyphs[0x4E00] = {1, 0};
    const std::vector<std::string> lines = {"\u4E00\u4E00\u4E00", "\u4E00"};
    const std::vector<float> baselines = {700, 686};
    const DigitPairWidthMap no_pairs;
    JustifiedLines in{.lines = lines,
                      .baselines = baselines,
                      .first_width = 0.4f,
                      .width = 0.4f,
                      .first_indent = 0,
                      .digit_pairs = no_pairs,
                      .marker_flags = {},
                      .marker_factors = std::nullopt,
                      .justification_switch = true,
                      .has_callout_split = false};
    std::vector<TextRun> runs;
    build_justified_line_runs(block_of(font), in, runs);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].gap_adjustments, (std::vector<float>{0.2f, 0.2f}));
}

TEST(BuildJustifiedLineRuns, MarkersIndentDigitPairsAndFields) {
    const font::SubsetFont font = cjk_font();
    // Line 0: 一, a raised marker 1, 二. Line 1: a formula slot 07 and U+3000
    // reserved 25 wide, then 三. Line 2 has no flag list.
    const std::vector<std::string> lines = {"\u4E00" "1" "\u4E8C", "07\u3000\u4E09", "\u4E94"};
    const std::vector<float> baselines = {700, 686, 672};
    const std::vector<std::vector<std::uint8_t>> flags = {{0, 1, 0}, {0, 0, 0, 0}};
    const DigitPairWidthMap pairs = {{7, 25.0f}};
    struct Case {
        const char* name;
        std::optional<NoteMarkerScale> factors;
        float marker_advance;
        float size_factor;
        float rise_factor;
    };
    const std::vector<Case> cases = {
        {"marker factors (0.6, 0.3)", NoteMarkerScale{0.6f, 0.3f}, 5.0f * 0.6f, 0.6f, 0.3f},
        {"no marker factors", std::nullopt, 5.0f, 1.0f, 0.0f},
    };
    for (const Case& c : cases) {
        const JustifiedLines in{.lines = lines,
                                .baselines = baselines,
                                .first_width = 40,
                                .width = 60,
                                .first_indent = 12,
                                .digit_pairs = pairs,
                                .marker_flags = flags,
                                .marker_factors = c.factors,
                                .justification_switch = false,
                                .has_callout_split = false};
        std::vector<TextRun> runs;
        build_justified_line_runs(block_of(font), in, runs);
        ASSERT_EQ(runs.size(), 3u) << c.name;
        EXPECT_EQ(runs[0].advances, (std::vector<float>{10, c.marker_advance, 10})) << c.name;
        EXPECT_EQ(runs[0].marker_flags, flags[0]) << c.name;
        EXPECT_EQ(runs[2].marker_flags, std::vector<std::uint8_t>{}) << c.name;
        // The slot takes its reserved width on its first digit, nothing after.
        EXPECT_EQ(runs[1].advances, (std::vector<float>{25, 0, 0, 10})) << c.name;
        for (const TextRun& run : runs) {
            EXPECT_EQ(run.marker_size_factor, c.size_factor) << c.name;
            EXPECT_EQ(run.marker_rise_factor, c.rise_factor) << c.name;
            EXPECT_EQ(run.source_glyph_ids, kSource) << c.name;
            EXPECT_EQ(run.fill_color, kInk) << c.name;
            EXPECT_EQ(run.font_resource, "ZVK0") << c.name;
            EXPECT_EQ(run.skew, 0.25f) << c.name;
            EXPECT_EQ(run.page_index, 3u) << c.name;
        }
        EXPECT_EQ(runs[0].x, 84) << c.name;
        EXPECT_EQ(runs[1].x, 72) << c.name;
        EXPECT_EQ(runs[2].x, 72) << c.name;
        EXPECT_EQ(runs[1].baseline, 686) << c.name;
        EXPECT_EQ(runs[1].output_glyph_ids, (std::vector<std::uint16_t>{12, 13, 10, 3})) << c.name;
    }
}

TEST(BuildJustifiedLineRuns, FirstLineWidthThenLineWidth) {
    // Wrapped to 52 and then 50.8: slacks of 2 and 0.8 over four gaps.
    const font::SubsetFont font = cjk_font();
    const std::vector<std::string> lines = {kFive, kFive, kFive};
    const std::vector<float> baselines = {700, 686, 672};
    const DigitPairWidthMap no_pairs;
    const JustifiedLines in{.lines = lines,
                            .baselines = baselines,
                            .first_width = 52,
                            .width = 50.8f,
                            .first_indent = 0,
                            .digit_pairs = no_pairs,
                            .marker_flags = {},
                            .marker_factors = std::nullopt,
                            .justification_switch = true,
                            .has_callout_split = false};
    std::vector<TextRun> runs;
    build_justified_line_runs(block_of(font), in, runs);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].gap_adjustments, kSpread);
    const float quarter = (50.8f - 50.0f) / 4.0f;
    EXPECT_EQ(runs[1].gap_adjustments, (std::vector<float>{quarter, quarter, quarter, quarter}));
    EXPECT_EQ(runs[2].gap_adjustments, kNone);
}

TEST(BuildJustifiedLineRuns, StopsAtTheLastBaseline) {
    const font::SubsetFont font = cjk_font();
    const std::vector<std::string> lines = {kFive, kFive, kFive};
    const std::vector<float> baselines = {700, 686};
    const DigitPairWidthMap no_pairs;
    const JustifiedLines in{.lines = lines,
                            .baselines = baselines,
                            .first_width = 52,
                            .width = 52,
                            .first_indent = 0,
                            .digit_pairs = no_pairs,
                            .marker_flags = {},
                            .marker_factors = std::nullopt,
                            .justification_switch = false,
                            .has_callout_split = false};
    std::vector<TextRun> runs;
    build_justified_line_runs(block_of(font), in, runs);
    ASSERT_EQ(runs.size(), 2u);
    // The second line is not the last line of the block, so it is justified.
    EXPECT_EQ(runs[1].gap_adjustments, kSpread);
}

}  // namespace
}  // namespace zvk::rewrite
