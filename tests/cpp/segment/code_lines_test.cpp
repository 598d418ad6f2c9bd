// Monospace lines are code unless they belong to a run of typewriter prose.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "segment/code_lines.h"
#include "segment/line_fixture.h"

namespace zvk {
namespace {

constexpr const char* kMono = "ABCDEF+CMTT10";
constexpr const char* kProse = "this line in a typewriter face reads like prose";

TEST(CodeLines, MonospaceLines) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> words;  // text, font
        bool code;
    } cases[] = {
        {"digits and punctuation of a listing", {{"10: {}", kMono}}, true},
        {"a single monospace letter", {{"x", kMono}}, false},
        {"two monospace letters", {{"xy", kMono}}, true},
        {"a proportional word beside an identifier", {{"call", "Times-Roman"}, {"foo_bar", kMono}}, false},
        {"proportional digits beside code", {{"12", "Times-Roman"}, {"foo", kMono}}, true},
        {"all proportional", {{"words", "Times-Roman"}}, false},
    };
    for (const Case& c : cases) {
        test::LinePool pool;
        std::vector<const Glyph*> glyphs;
        float x = 100;
        for (const auto& [text, font] : c.words) {
            TextLine part = pool.line(text, x, 500, 10, 0, font);
            glyphs.insert(glyphs.end(), part.glyphs.begin(), part.glyphs.end());
            x = part.x1 + 3;
        }
        EXPECT_EQ(is_monospace_line(glyphs), c.code) << c.what;
    }
}

TEST(CodeLines, ProseLikeLines) {
    struct Case {
        const char* text;
        bool prose;
    } cases[] = {
        {kProse, true},
        {"fourwords onlyhere abcdefghijklmnop qrstu", false},        // 4 words
        {"a b c d e f g h i j k l m n o p q r s t u v w x", false},  // 24 letters
        {"if (a) { b = c; } else { d = e; } return (f[g]) ;", false},
    };
    for (const Case& c : cases) {
        test::LinePool pool;
        EXPECT_EQ(is_prose_monospace_line(pool.line(c.text, 100, 500, 10, 0, kMono)), c.prose) << c.text;
    }
}

// Which of a page's lines are recorded as code, by their position.
TEST(CodeLines, ProseRuns) {
    struct Spec {
        const char* text;
        float x0, y;
        std::uint32_t page;
    };
    struct Case {
        const char* what;
        std::vector<Spec> lines;
        std::vector<bool> code;
    } cases[] = {
        {"two prose lines are code", {{kProse, 100, 500, 0}, {kProse, 100, 488, 0}}, {true, true}},
        {"three aligned prose lines are kept",
         {{kProse, 100, 500, 0}, {kProse, 100, 488, 0}, {kProse, 100, 476, 0}},
         {false, false, false}},
        {"a page change breaks the run",
         {{kProse, 100, 500, 0}, {kProse, 100, 488, 0}, {kProse, 100, 700, 1}},
         {true, true, true}},
        {"spacing above 2.4 sizes breaks the run",
         {{kProse, 100, 500, 0}, {kProse, 100, 488, 0}, {kProse, 100, 463, 0}},
         {true, true, true}},
        {"a left shift above 3 sizes breaks the run",
         {{kProse, 100, 500, 0}, {kProse, 100, 488, 0}, {kProse, 131, 476, 0}},
         {true, true, true}},
        {"a code line inside a run breaks it",
         {{kProse, 100, 500, 0}, {"x = y;", 100, 488, 0}, {kProse, 100, 476, 0}, {kProse, 100, 464, 0},
          {kProse, 100, 452, 0}},
         {true, true, false, false, false}},
    };
    for (const Case& c : cases) {
        test::LinePool pool;
        std::vector<TextLine> lines;
        for (const Spec& s : c.lines) lines.push_back(pool.line(s.text, s.x0, s.y, 10, s.page, kMono));
        std::vector<SkippedGlyph> skipped;
        code_lines(lines, skipped);
        std::vector<bool> code;
        std::size_t records = 0;
        for (const TextLine& line : lines) {
            std::size_t n = 0;
            for (const Glyph* g : line.glyphs) {
                for (const SkippedGlyph& s : skipped) n += s.glyph_id == g->id && s.reason == "code" ? 1 : 0;
            }
            code.push_back(n == line.glyphs.size());
            records += n;
        }
        EXPECT_EQ(code, c.code) << c.what;
        EXPECT_EQ(records, skipped.size()) << c.what;
    }
}

}  // namespace
}  // namespace zvk
