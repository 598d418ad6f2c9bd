#include "rewrite/geometry/segment_restructure.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "segment/glyph_fixture.h"

namespace zvk::rewrite {
namespace {

using Ids = std::vector<std::uint32_t>;

// A document at body size 10, ids by position; letters 5 wide at a pitch of
// 6, so a word reads as one.
class Doc {
public:
    std::uint32_t add(const std::string& text, float x, float y, float size = 10, const std::string& font = "Times",
                      std::uint32_t page = 0) {
        glyphs_.push_back(
            test::make_glyph({.text = text, .x0 = x, .x1 = x + 0.5f * size, .size = size, .baseline = y, .font = font},
                             static_cast<std::uint32_t>(glyphs_.size()), page));
        return glyphs_.back().id;
    }
    Ids letters(const std::string& text, float x, float y, std::uint32_t page = 0) {
        Ids ids;
        for (char c : text) {
            if (c != ' ') ids.push_back(add(std::string(1, c), x, y, 10, "Times", page));
            x += 6;
        }
        return ids;
    }
    // A stacked fraction "ab over c" of size 7 with its left at x on the
    // baseline y: ids of a, b and c.
    Ids fraction(float x, float y, std::uint32_t page = 0) {
        return {add("a", x, y + 4, 7, "CMMI7", page), add("b", x + 4, y + 4, 7, "CMMI7", page),
                add("c", x + 2, y - 4, 7, "CMMI7", page)};
    }
    Segment segment(const Ids& ids, const std::string& text) {
        Segment s{.glyph_ids = ids, .source = text, .id = next_id_, .page_index = glyphs_[ids.front()].page_index};
        ++next_id_;
        return s;
    }
    const std::vector<Glyph>& glyphs() const { return glyphs_; }

private:
    std::vector<Glyph> glyphs_;
    std::uint32_t next_id_ = 0;
};

Ids join(std::initializer_list<Ids> parts) {
    Ids out;
    for (const Ids& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// No glyph of the input segments is lost, and none stands in two segments.
void expect_each_glyph_once(const std::vector<Segment>& in, const std::vector<Segment>& out) {
    std::map<std::uint32_t, int> seen;
    for (const Segment& s : out) {
        for (auto id : s.glyph_ids) ++seen[id];
    }
    for (const auto& [id, count] : seen) EXPECT_EQ(count, 1) << "glyph " << id;
    for (const Segment& s : in) {
        for (auto id : s.glyph_ids) EXPECT_TRUE(seen.contains(id)) << "glyph " << id << " lost";
    }
}

std::string dump(const std::vector<Segment>& segments) {
    std::string out;
    for (const Segment& s : segments) {
        out += std::to_string(s.id) + "@" + std::to_string(s.page_index) + ":";
        for (auto id : s.glyph_ids) out += " " + std::to_string(id);
        out += " | " + s.source + "\n";
    }
    return out;
}

TEST(SegmentRestructure, FractionJoinsTheSentenceAroundIt) {
    Doc d;
    const Ids above = d.letters("the line above", 100, 714);
    const Ids left = d.letters("ratio is", 100, 700);
    const Ids frac = d.fraction(154, 700);
    const Ids right = d.letters("of them", 170, 700);
    const std::vector<Segment> in = {d.segment(above, "the line above"), d.segment(left, "ratio is"),
                                     d.segment({frac[0], frac[1]}, "ab"), d.segment(right, "of them")};
    const auto out = restructure_segments_for_translation(in, d.glyphs());
    expect_each_glyph_once(in, out);
    // The paragraph's lines collide, so the line above joins too; the loose
    // denominator is taken in.
    EXPECT_EQ(dump(out), "0@0: 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 26 27 | "
                         "the line above ratio is \u27e60\u27e7 of them\n");
}

// Two formulas on one line, each with its sentence: a loose comma lies in
// both capture boxes and a one-glyph segment in both fragment boxes. Each
// goes to one merged segment only (the first cluster's).
TEST(SegmentRestructure, LooseGlyphAndFragmentInTwoBoxesLandOnce) {
    Doc d;
    const Ids left = d.letters("ratio is", 100, 700);
    const Ids f1 = d.fraction(154, 700);
    const Ids comma{d.add(",", 168, 700)};
    const Ids small{d.add("q", 172, 700, 8.4f, "CMMI10")};
    const Ids f2 = d.fraction(178, 700);
    const Ids right = d.letters("of them", 192, 700);
    const std::vector<Segment> in = {d.segment(join({left, {f1[0], f1[1]}}), "ratio is ab"),
                                     d.segment(small, "q"),
                                     d.segment(join({{f2[0], f2[1]}, right}), "ab of them")};
    const auto out = restructure_segments_for_translation(in, d.glyphs());
    expect_each_glyph_once(in, out);
    EXPECT_EQ(dump(out), "0@0: 0 1 2 3 4 5 6 7 8 9 10 11 | ratio is \u27e60\u27e7 ,q\n"
                         "2@0: 12 13 14 15 16 17 18 19 20 | \u27e60\u27e7 of them\n");
}

// The right formula's small keeper lies in the left cluster's fragment box
// (widened by a loose comma) without touching the left cluster: it is a
// cluster member, never a fragment, so its sentence keeps its text.
TEST(SegmentRestructure, KeeperInAnotherClustersFragmentBoxKeepsItsText) {
    Doc d;
    const Ids left = d.letters("ratio is", 100, 700);
    const Ids f1 = d.fraction(154, 700);
    const Ids comma{d.add(",", 168, 700)};
    const Ids f2 = d.fraction(174, 700);
    const Ids right = d.letters("of them", 188, 700);
    const std::vector<Segment> in = {d.segment(join({left, {f1[0], f1[1]}}), "ratio is ab"),
                                     d.segment({f2[0], f2[1]}, "ab"), d.segment(right, "of them")};
    const auto out = restructure_segments_for_translation(in, d.glyphs());
    expect_each_glyph_once(in, out);
    EXPECT_EQ(dump(out), "0@0: 0 1 2 3 4 5 6 7 8 9 10 | ratio is \u27e60\u27e7 ,\n"
                         "1@0: 11 12 13 14 15 16 17 18 19 | \u27e60\u27e7 of them\n");
}

TEST(SegmentRestructure, NothingToDo) {
    const std::vector<Glyph> none;
    EXPECT_TRUE(restructure_segments_for_translation({}, none).empty());

    // No display formula: the list comes back as it came, texts included,
    // even where an inline formula would get a placeholder.
    Doc d;
    const Ids a = d.letters("value of", 100, 700);
    const Ids f{d.add("x", 154, 700, 10, "CMMI10"), d.add("2", 160, 704, 7, "CMMI7")};
    const Ids b = d.letters("is big", 170, 700);
    std::vector<Segment> in = {d.segment(a, "value of"), d.segment(join({f, b}), "x2 is big"),
                               Segment{.glyph_ids = {}, .source = "empty", .id = 9, .page_index = 0}};
    EXPECT_EQ(dump(restructure_segments_for_translation(in, d.glyphs())), dump(in));
}

// A paragraph with an inline formula from the foot of column 1 to the head
// of column 2 and on to the next page; a display formula sits higher up in
// its first column. The paragraph is measured on its first page, where its
// two columns stand apart, so it does not reach the formula; its text keeps
// its reading order.
TEST(SegmentRestructure, ParagraphAcrossColumnsAndPages) {
    Doc d;
    const Ids display_left = d.letters("ratio is", 100, 400, 4);
    const Ids frac = d.fraction(154, 400, 4);
    const Ids display_right = d.letters("of them", 170, 400, 4);
    const Ids line1 = d.letters("alpha beta gamma", 100, 120, 4);
    const Ids formula{d.add("x", 200, 120, 10, "CMMI10", 4), d.add("2", 206, 124, 7, "CMMI7", 4)};
    const Ids y{d.add("y", 216, 120, 10, "CMMI10", 4)};
    const Ids line2 = d.letters("delta epsilon zz", 100, 106, 4);
    const Ids head = d.letters("head of column two", 320, 700, 4);
    const Ids next = d.letters("next page words", 100, 700, 5);
    const std::vector<Segment> in = {
        d.segment(join({display_left, {frac[0], frac[1]}, display_right}), "ratio is ab of them"),
        d.segment(join({line1, formula, y, line2, head, next}), "paragraph")};
    const auto out = restructure_segments_for_translation(in, d.glyphs());
    expect_each_glyph_once(in, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].glyph_ids, in[1].glyph_ids);
    EXPECT_EQ(out[1].source,
              "alpha beta gamma \u27e60\u27e7 y delta epsilon zz head of column two next page words");
    EXPECT_EQ(out[0].source, "ratio is \u27e60\u27e7 of them");
}

// Each run gives the same list.
TEST(SegmentRestructure, Deterministic) {
    Doc d;
    const Ids left = d.letters("ratio is", 100, 700);
    const Ids f1 = d.fraction(154, 700);
    const Ids right = d.letters("of them", 170, 700);
    const std::vector<Segment> in = {d.segment(left, "ratio is"), d.segment({f1[0], f1[1]}, "ab"),
                                     d.segment(right, "of them")};
    const auto first = dump(restructure_segments_for_translation(in, d.glyphs()));
    EXPECT_EQ(first, "0@0: 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 | ratio is \u27e60\u27e7 of them\n");
    EXPECT_EQ(dump(restructure_segments_for_translation(in, d.glyphs())), first);
}

}  // namespace
}  // namespace zvk::rewrite
