#include "rewrite/placement/source_lines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using test::kNaN;

Glyph at(const std::string& text, float x, std::uint32_t id = 0) {
    return test::make_glyph({.text = text, .x0 = x, .x1 = x + 5, .size = 10, .baseline = 700}, id);
}

TEST(LineTextByX, LeftToRightStable) {
    struct Case {
        const char* name;
        std::vector<Glyph> glyphs;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"stored out of order", {at("c", 30), at("a", 10), at("b", 20)}, "abc"},
        {"equal x keeps the stored order", {at("b", 20), at("x", 10), at("y", 10)}, "xyb"},
        {"-0 before +0", {at("p", 0.0f), at("m", -0.0f)}, "mp"},
        {"nothing inserted, spaces kept", {at(" ", 15), at("\u4E2D", 10), at("d", 20)}, "\u4E2D d"},
        {"a NaN x goes last", {at("n", kNaN), at("a", 10)}, "an"},
        {"no glyphs", {}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(line_text_by_x(test::refs(c.glyphs)), c.expected) << c.name;
}

// Lines for the indent test: each line a text at its x0 (the glyphs spell the
// text one character each, 6 apart).
struct Lines {
    std::vector<std::vector<Glyph>> storage;
    std::vector<RewriteLine> lines;
    void add(const std::vector<std::string>& chars, float x0, float baseline) {
        std::vector<Glyph> glyphs;
        for (std::size_t i = 0; i < chars.size(); ++i) glyphs.push_back(at(chars[i], x0 + 6.0f * i));
        storage.push_back(std::move(glyphs));
        lines.push_back({.glyphs = {}, .baseline = baseline, .x0 = x0, .x1 = x0 + 6.0f * chars.size()});
    }
    std::vector<RewriteLine> get() {
        for (std::size_t i = 0; i < lines.size(); ++i) lines[i].glyphs = test::refs(storage[i]);
        return lines;
    }
};

TEST(BulletHangingIndent, HangsOnlyWithinItsRange) {
    struct Case {
        const char* name;
        std::vector<std::string> first;
        std::vector<float> later_x0;
        float size;
        bool hanging;
        float indent;
    };
    const std::vector<Case> cases = {
        {"later lines 12 right at size 10", {"\u2022", "A", "b"}, {84, 84}, 10, true, 12},
        {"0.5 right: no hang", {"\u2022", "A"}, {72.5f}, 10, false, 0.5f},
        {"30 right: no hang", {"\u2022", "A"}, {102}, 10, false, 30},
        {"exactly 0.45 × size", {"\u2022", "A"}, {76.5f}, 10, true, 4.5f},
        {"exactly 2.8 × size", {"\u2022", "A"}, {100}, 10, true, 28},
        {"the least later x0 counts", {"\u2022", "A"}, {90, 84, kNaN}, 10, true, 12},
        {"hyphen and a space is a bullet", {"-", " ", "A"}, {84}, 10, true, 12},
        {"hyphen and a letter is not", {"-", "A"}, {84}, 10, false, 0},
        {"no bullet", {"A", "b"}, {84}, 10, false, 0},
        {"size 0", {"\u2022", "A"}, {84}, 0, false, 0},
        {"one line only", {"\u2022", "A"}, {}, 10, false, 0},
    };
    for (const Case& c : cases) {
        Lines lines;
        lines.add(c.first, 72, 700);
        float y = 686;
        for (float x : c.later_x0) {
            lines.add({"w"}, x, y);
            y -= 14;
        }
        const std::vector<RewriteLine> built = lines.get();
        const HangingIndent got = detect_bullet_hanging_indent(built, c.size);
        EXPECT_EQ(got.hanging, c.hanging) << c.name;
        if (c.hanging || c.indent != 0) {
            EXPECT_EQ(got.indent, c.indent) << c.name;
        }
    }
}

TEST(BulletHangingIndent, BulletReadLeftToRight) {
    // The bullet glyph stored after the text still opens the line.
    Lines lines;
    lines.add({"A", "b"}, 78, 700);
    lines.add({"w"}, 84, 686);
    std::vector<RewriteLine> built = lines.get();
    Glyph bullet = at("\u2022", 72);
    built[0].glyphs.push_back(&bullet);
    built[0].x0 = 72;
    const HangingIndent got = detect_bullet_hanging_indent(built, 10);
    EXPECT_TRUE(got.hanging);
    EXPECT_EQ(got.indent, 12);
}

TEST(DistributeLineBaselines, ExtraLinesGoIntoTheWidestGaps) {
    struct Case {
        const char* name;
        std::vector<float> baselines;
        std::size_t n;
        std::vector<float> expected;
    };
    const std::vector<Case> cases = {
        {"fewer wanted: the first ones", {700, 686, 672}, 2, {700, 686}},
        {"as many as there are", {700, 686, 672}, 3, {700, 686, 672}},
        {"one wanted", {700, 686, 672}, 1, {700}},
        {"none wanted", {700, 686}, 0, {}},
        {"two extra into two equal gaps, later first", {700, 686, 672}, 5, {700, 693, 686, 679, 672}},
        {"one extra into the equal later gap", {700, 686, 672}, 4, {700, 686, 679, 672}},
        {"the larger gap takes the extra point", {700, 680, 670}, 4, {700, 690, 680, 670}},
        {"its share then ties, and the later gap wins", {700, 680, 670}, 5, {700, 690, 680, 675, 670}},
        {"three points into one gap", {700, 660}, 5, {700, 690, 680, 670, 660}},
        {"a single line cannot be spread", {700}, 3, {700}},
    };
    for (const Case& c : cases) {
        std::vector<RewriteLine> lines;
        for (float b : c.baselines) lines.push_back({.glyphs = {}, .baseline = b, .x0 = 72, .x1 = 300});
        EXPECT_EQ(distribute_line_baselines(lines, c.n), c.expected) << c.name;
    }
    EXPECT_TRUE(distribute_line_baselines({}, 3).empty());
}

}  // namespace
}  // namespace zvk::rewrite
