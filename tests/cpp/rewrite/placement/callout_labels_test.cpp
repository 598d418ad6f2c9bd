#include "rewrite/placement/callout_labels.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::kNaN;

const Color kRed = make_rgb_color(0.8f, 0.1f, 0.1f);
const Color kBlue = make_rgb_color(0.1f, 0.1f, 0.7f);

struct G {
    std::string text;
    float x;
    float size = 10;
    Color color = kBlue;
    float width = 5;  // box width: x1 = x + width
};

// A first line from its glyphs, stored in the given order; the lines after it
// are never read.
struct Line {
    std::vector<Glyph> glyphs;
    explicit Line(const std::vector<G>& specs) {
        for (std::size_t i = 0; i < specs.size(); ++i) {
            Glyph g = test::make_glyph({.text = specs[i].text,
                                        .x0 = specs[i].x,
                                        .x1 = specs[i].x + specs[i].width,
                                        .size = specs[i].size,
                                        .baseline = 700},
                                       static_cast<std::uint32_t>(i));
            g.fill_color = specs[i].color;
            glyphs.push_back(std::move(g));
        }
    }
    std::optional<CalloutLabel> detect() const {
        std::vector<RewriteLine> lines(2);
        lines[0].glyphs = test::refs(glyphs);
        lines[0].baseline = 700;
        return detect_callout_label(lines);
    }
};

// NOTE in small capitals (size 8, set tight) and then body text at 10 with no
// space glyph between, as LaTeX sets it.
std::vector<G> small_caps_note() {
    std::vector<G> g = {{"N", 72, 8, kRed, 5.6f}, {"O", 78, 8, kRed, 5.6f}, {"T", 84, 8, kRed, 5.6f},
                        {"E", 90, 8, kRed, 5.6f}};
    float x = 96;
    for (const char* c : {"T", "h", "e", "r", "e", "x"}) {
        g.push_back({c, x, 10, kBlue, 5});
        x += 5.5f;
    }
    return g;
}

TEST(DetectCalloutLabel, SmallCapitalsEndAtTheFirstBodySizeGlyph) {
    const auto label = Line(small_caps_note()).detect();
    ASSERT_TRUE(label.has_value());
    EXPECT_EQ(label->label_x, 72);
    EXPECT_EQ(label->body_x, 96);
    EXPECT_EQ(label->label_size, 8);
    EXPECT_EQ(label->label_color, kRed);
    EXPECT_EQ(label->body_color, kBlue);
}

TEST(DetectCalloutLabel, WordsAndBodies) {
    struct Case {
        const char* name;
        std::vector<G> glyphs;
        std::optional<float> body_x;  // none: no callout
    };
    const std::vector<Case> cases = {
        {"NOTE then a colon glyph: the colon is the first body glyph",
         {{"N", 72}, {"O", 78}, {"T", 84}, {"E", 90}, {":", 95}, {" ", 98}, {"B", 102}}, 95},
        {"a space glyph ends the word; the body starts after it",
         {{"Tip", 72, 10, kBlue, 14}, {" ", 86}, {"D", 90}, {"o", 96}}, 90},
        {"Notes is no label", {{"N", 72}, {"o", 78}, {"t", 84}, {"e", 90}, {"s", 96}, {":", 100}, {"A", 110}},
         std::nullopt},
        {"Tipping is no label", {{"T", 72}, {"i", 78}, {"p", 84}, {"p", 90}, {"i", 96}, {"n", 102}, {":", 106}},
         std::nullopt},
        {"a line holding only the word", {{"N", 72}, {"o", 78}, {"t", 84}, {"e", 90}}, std::nullopt},
        {"only white space after the word", {{"N", 72}, {"o", 78}, {"t", 84}, {"e", 90}, {" ", 95}, {"\u3000", 99}},
         std::nullopt},
        {"body 4 units right of the line's start", {{"Tip", 72, 10, kBlue, 1}, {"1", 76}}, 76},
        {"body 3.9 units right of it", {{"Tip", 72, 10, kBlue, 1}, {"1", 75.9f}}, std::nullopt},
        {"warning spread over glyphs set close together",
         {{"W", 72}, {"a", 78}, {"r", 84}, {"n", 90}, {"i", 96}, {"n", 102}, {"g", 108}, {":", 114}, {"x", 120}}, 114},
        {"a gap above 0.35 × T after the fourth letter ends the word at warn",
         {{"W", 72}, {"a", 78}, {"r", 84}, {"n", 90}, {"i", 98.6f}, {"n", 104}, {"g", 110}, {":", 116}}, std::nullopt},
        {"a gap of exactly 0.35 × T does not end it",
         {{"W", 72}, {"a", 78}, {"r", 84}, {"n", 90}, {"i", 98.5f}, {"n", 104}, {"g", 110}, {":", 116}}, 116},
        {"DEFINITION in capitals, glyphs stored right to left",
         {{"x", 150}, {":", 140}, {"N", 126}, {"O", 120}, {"I", 114}, {"T", 108}, {"I", 102}, {"N", 96}, {"I", 90},
          {"F", 84}, {"E", 78}, {"D", 72}},
         140},
        {"a leading bullet is passed over", {{"\u2022", 60}, {"N", 72}, {"o", 78}, {"t", 84}, {"e", 90}, {":", 95}},
         95},
        {"a letter first that starts no label word", {{"A", 72}, {":", 78}, {"x", 90}}, std::nullopt},
        {"a NaN body x is no callout", {{"Tip", 72, 10, kBlue, 1}, {"1", kNaN}}, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto label = Line(c.glyphs).detect();
        ASSERT_EQ(label.has_value(), c.body_x.has_value()) << c.name;
        if (label) {
            EXPECT_EQ(label->body_x, *c.body_x) << c.name;
        }
    }
}

TEST(DetectCalloutLabel, ColoursStartAndSize) {
    // A bullet in blue opens the line; the label letters are red, one of them
    // larger; the body is blue.
    const auto label = Line({{"\u2022", 60, 10, kBlue},
                             {"N", 72, 8, kRed, 5.6f},
                             {"o", 78, 8.5f, kRed, 5.6f},
                             {"t", 84, 8, kRed, 5.6f},
                             {"e", 90, 8, kRed, 5.6f},
                             {":", 95.5f, 8, kRed},
                             {"Z", 100, 10, kBlue}})
                           .detect();
    ASSERT_TRUE(label.has_value());
    EXPECT_EQ(label->label_x, 60);
    EXPECT_EQ(label->body_x, 95.5f);
    EXPECT_EQ(label->label_color, kRed);
    EXPECT_EQ(label->body_color, kRed);  // the colon is the body glyph
    // The bullet stands before the label word, so it counts among its glyphs.
    EXPECT_EQ(label->label_size, 10);
    EXPECT_FALSE(detect_callout_label({}).has_value());
}

TEST(SplitCalloutLabel, LabelsAndBodies) {
    struct Case {
        const char* name;
        std::string text;
        std::optional<std::pair<std::string, std::string>> expected;
    };
    const std::string note = "\u6CE8\u610F\uFF1A";  // 注意：
    const std::vector<Case> cases = {
        {"注意 and a full-width colon", "\u6CE8\u610F\uFF1A\u6B63\u6587", std::pair{note, "\u6B63\u6587"}},
        {"请, 注意 and a full-width comma", "\u8BF7\u6CE8\u610F\uFF0C\u6B63\u6587", std::pair{note, "\u6B63\u6587"}},
        {"请, a space, 提示, a space", "\u8BF7 \u63D0\u793A \u6B63\u6587",
         std::pair{std::string("\u63D0\u793A\uFF1A"), std::string("\u6B63\u6587")}},
        {"leading white space, several separators", " \u3000\u8B66\u544A : ,\u00A0\uFE55Body end ",
         std::pair{std::string("\u8B66\u544A\uFF1A"), std::string("Body end ")}},
        {"定义", "\u5B9A\u4E49:x", std::pair{std::string("\u5B9A\u4E49\uFF1A"), std::string("x")}},
        {"注意 and only a colon", "\u6CE8\u610F\uFF1A", std::nullopt},
        {"请 and a label with nothing after it", "\u8BF7\u6CE8\u610F", std::nullopt},
        {"请 and another character", "\u8BF7\u770B\u6CE8\u610F\uFF1Ax", std::nullopt},
        {"请 and half a label", "\u8BF7\u6CE8", std::nullopt},
        {"a semicolon stays with the body", "\u6CE8\u610F\uFF1B\u6B63", std::pair{note, "\uFF1B\u6B63"}},
        {"an ASCII semicolon too", "\u6CE8\u610F;x", std::pair{note, ";x"}},
        {"no label", "\u6B63\u6587", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(split_callout_label(c.text), c.expected) << c.name;
}

}  // namespace
}  // namespace zvk::rewrite
