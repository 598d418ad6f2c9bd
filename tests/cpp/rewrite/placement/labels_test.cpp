#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "placement_fixture.h"
#include "rewrite/placement/list_labels.h"
#include "rewrite/placement/run_in_alignment.h"

namespace zvk::rewrite {
namespace {

using test::line_of;
using test::PageGlyphs;

// A list item: the first line's label glyphs from x 100, one glyph per
// label piece, then the body at body_x; a second line at second_x.
struct Item {
    PageGlyphs page;
    std::vector<RewriteLine> lines;
};

Item item(const std::vector<std::string>& label, float body_x, float second_x, bool second_line = true) {
    Item it;
    float x = 100;
    for (const std::string& piece : label) {
        it.page.add(piece, x, 700);
        x += 5;
    }
    const std::size_t body = it.page.glyphs.size();
    it.page.write("Body", body_x, 700);
    const std::size_t second = it.page.glyphs.size();
    if (second_line) it.page.write("more", second_x, 688);
    it.lines.push_back(line_of(it.page.glyphs, 0, body + 3));
    if (second_line) it.lines.push_back(line_of(it.page.glyphs, second, second + 3));
    return it;
}

TEST(NumberedListLabel, LabelsAndGeometry) {
    struct Case {
        const char* name;
        std::vector<std::string> label;
        float body_x;
        float second_x;
        std::optional<std::string> found;
    };
    // Size 10: the continuation must start 3.5 to 30 right of the label at
    // 100, and within max(5.5, 4) of the body.
    const std::vector<Case> cases = {
        {"3.", {"3", "."}, 115, 115, "3."},
        {"12)", {"1", "2", ")"}, 115, 115, "12)"},
        {"7 with a body after it", {"7"}, 112, 112, "7"},
        {"123. has three digits", {"1", "2", "3", "."}, 125, 125, std::nullopt},
        {"2.1 is a section number", {"2", ".", "1"}, 115, 115, std::nullopt},
        {"a label in parentheses", {"(", "3", ")"}, 115, 115, std::nullopt},
        {"second line under the label", {"3", "."}, 115, 103, std::nullopt},
        {"second line more than 3 sizes right", {"3", "."}, 131, 131, std::nullopt},
        {"second line 5.6 from the body", {"3", "."}, 115, 120.6f, std::nullopt},
        {"second line 5.5 from the body", {"3", "."}, 115, 120.5f, "3."},
    };
    for (const Case& c : cases) {
        const Item it = item(c.label, c.body_x, c.second_x);
        const std::optional<ListItemLabel> found = detect_numbered_list_label(it.lines);
        EXPECT_EQ(found ? std::optional<std::string>(found->label) : std::nullopt, c.found) << c.name;
        if (found) {
            EXPECT_FLOAT_EQ(found->label_x, 100) << c.name;
            EXPECT_FLOAT_EQ(found->body_x, c.second_x) << c.name;
        }
    }
    EXPECT_FALSE(detect_numbered_list_label(item({"3", "."}, 115, 115, false).lines)) << "one line";
}

TEST(NumberedListLabel, WholeLineLabelAndBodyColour) {
    PageGlyphs page;
    page.add("3", 100, 700);
    page.add(".", 105, 700);
    page.write("4", 115, 688);
    std::vector<RewriteLine> lines = {line_of(page.glyphs, 0, 1), line_of(page.glyphs, 2, 2)};
    EXPECT_FALSE(detect_numbered_list_label(lines)) << "a line of label glyphs only";

    Item it = item({"3", "."}, 115, 115);
    it.page.glyphs[0].fill_color = make_rgb_color(1, 0, 0);
    it.page.glyphs[it.page.glyphs.size() - 3].fill_color = make_rgb_color(0, 0, 1);  // "o" of "more"
    const auto found = detect_numbered_list_label(it.lines);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->label_color, make_rgb_color(1, 0, 0));
    // "m" is the first glyph with a letter: black.
    EXPECT_EQ(found->body_color, make_black_color());
}

TEST(BulletListLabel, BulletsBodiesAndLabels) {
    struct Case {
        const char* name;
        std::string bullet;
        float body_x;
        float second_x;
        bool second_line;
        std::optional<std::string> label;
        float body;
    };
    const std::vector<Case> cases = {
        {"a bullet and text, one line", "\u2022", 110, 0, false, "\u2022", 110},
        {"continuation within 0.8 keeps the body start", "\u2022", 110, 110.5f, true, "\u2022", 110},
        {"continuation 2 right moves the body start", "\u2022", 110, 112, true, "\u2022", 112},
        {"a private-use bullet becomes a black square", "\uF0B7", 110, 110, true, "\u25A0", 110},
        {"two characters are no bullet", "--", 110, 110, true, std::nullopt, 0},
        {"a lone hyphen is no bullet here", "-", 110, 110, true, std::nullopt, 0},
        {"an en dash neither", "\u2013", 110, 110, true, std::nullopt, 0},
        {"body too close", "\u2022", 103, 103, true, std::nullopt, 0},
        {"body 3.5 sizes away", "\u2022", 135, 135, true, "\u2022", 135},
        {"body more than 3.5 sizes away", "\u2022", 135.5f, 135.5f, true, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const Item it = item({c.bullet}, c.body_x, c.second_x, c.second_line);
        const auto found = detect_bullet_list_label(it.lines);
        EXPECT_EQ(found ? std::optional<std::string>(found->label) : std::nullopt, c.label) << c.name;
        if (found) {
            EXPECT_FLOAT_EQ(found->body_x, c.body) << c.name;
        }
    }
}

TEST(BulletListLabel, NothingAfterTheBullet) {
    PageGlyphs page;
    page.add("\u2022", 100, 700);
    page.write("next", 110, 688);
    page.glyphs[1].fill_color = make_gray_color(0.5f);
    const std::vector<RewriteLine> one = {line_of(page.glyphs, 0, 0)};
    EXPECT_FALSE(detect_bullet_list_label(one));
    const std::vector<RewriteLine> two = {line_of(page.glyphs, 0, 0), line_of(page.glyphs, 1, 4)};
    const auto found = detect_bullet_list_label(two);
    ASSERT_TRUE(found);
    EXPECT_FLOAT_EQ(found->body_x, 110);
    EXPECT_EQ(found->body_color, make_gray_color(0.5f));
}

TEST(StripLeadingBullet, Table) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\u2022 text", "text"}, {"  - text", "text"}, {"\u2013\u00A0text", "text"}, {"-5", "-5"},
        {"-", "-"},              {"\uE000x", "x"},     {"  plain", "plain"},          {"", ""},
        {"\u25A0", ""},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(strip_leading_bullet(text), expected) << text;
}

TEST(RunInAlignment, LeftOrRightAndTheBodyColumn) {
    struct Case {
        const char* name;
        std::vector<float> starts;
        std::vector<float> ends;
        RunInLabelAlignment expected;
    };
    const std::vector<Case> cases = {
        {"one label: right-aligned at its own end", {100}, {140}, {140, 150, true}},
        {"same ends, different starts: right", {100, 110, 120}, {140, 140, 140}, {140, 150, true}},
        {"starts spread by less than the ends minus 0.5: left", {100, 100, 100.2f}, {136, 140, 146}, {100, 150, false}},
        {"starts spread by the ends minus 0.5: right", {100, 100, 110}, {136, 136, 146.5f}, {136, 150, true}},
    };
    for (const Case& c : cases) {
        std::vector<GlyphLineBox> boxes;  // no box yields a keyword label: the lists come from `c`
        RunInLabelAlignment got{};
        if (c.starts.size() == 1) {
            got = align_run_in_label_on_page(boxes, RunInLabel{{}, c.starts[0], c.ends[0], 150, true});
        } else {
            // Keyword labels on the page: INPUT set in small capitals before
            // a full-size body at 150, near enough to share a line box.
            PageGlyphs page;
            for (std::size_t i = 0; i < c.starts.size(); ++i) {
                const float y = 700 - 14.0f * static_cast<float>(i);
                const float step = (c.ends[i] - c.starts[i]) / 5.0f;
                float x = c.starts[i];
                for (char ch : std::string("INPUT")) {
                    page.add(std::string(1, ch), x, y, 8, step - 0.2f);
                    x += step;
                }
                page.glyphs.back().bbox[2] = c.ends[i];
                page.write("The body", 150, y, 10);
            }
            got = align_run_in_label_on_page(std::span<const Glyph>(page.glyphs), 0,
                                             RunInLabel{{}, c.starts[0], c.ends[0], 150, true});
        }
        EXPECT_FLOAT_EQ(got.label_x, c.expected.label_x) << c.name;
        EXPECT_FLOAT_EQ(got.body_x, c.expected.body_x) << c.name;
        EXPECT_EQ(got.right_aligned, c.expected.right_aligned) << c.name;
    }
}

TEST(RunInAlignment, LabelsWithBodiesElsewhereDoNotCount) {
    PageGlyphs page;
    float x = 60;
    for (char ch : std::string("INPUT")) {
        page.add(std::string(1, ch), x, 700, 8, 4);
        x += 5;
    }
    page.write("The body", 153.5f, 700, 10);  // 3.5 from the segment's body
    const RunInLabelAlignment got =
        align_run_in_label_on_page(std::span<const Glyph>(page.glyphs), 0, RunInLabel{{}, 100, 140, 150, true});
    EXPECT_FLOAT_EQ(got.label_x, 140);
    EXPECT_FLOAT_EQ(got.body_x, 150);
    EXPECT_TRUE(got.right_aligned);
}

TEST(RunInSplit, Table) {
    struct Case {
        const char* text;
        std::optional<std::pair<std::string, std::string>> split;
    };
    const std::vector<Case> cases = {
        {"指令：请翻译", std::pair<std::string, std::string>{"指令：", "请翻译"}},
        {"指令 请翻译", std::pair<std::string, std::string>{"指令 ", "请翻译"}},
        {"指令\u00A0abc", std::pair<std::string, std::string>{"指令\u00A0", "abc"}},
        {"指令请翻译", std::nullopt},
        {"输出格式: JSON", std::pair<std::string, std::string>{"输出格式:", "JSON"}},
        {"苹果: 很好", std::pair<std::string, std::string>{"苹果:", "很好"}},
        {"苹果 abc", std::nullopt},
        {"苹果 1 个", std::pair<std::string, std::string>{"苹果 ", "1 个"}},
        {"Input: x", std::nullopt},
        {"苹: x", std::nullopt},
        {"指令：", std::nullopt},
        {"指令：   ", std::nullopt},
        {"指令", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto got = split_translated_run_in_label(c.text);
        ASSERT_EQ(got.has_value(), c.split.has_value()) << c.text;
        if (got) {
            EXPECT_EQ(got->label, c.split->first) << c.text;
            EXPECT_EQ(got->body, c.split->second) << c.text;
        }
    }
}

}  // namespace
}  // namespace zvk::rewrite
