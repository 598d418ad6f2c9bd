// Reference-section detection on small documents: headings confirmed or
// refused by the lines after them, runs of entries, closing headings, two
// columns, running headers, sections over pages, contents lines, and the
// glyphs that join a reference line without being in its segment.
#include "translate/reference_sections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "segment/segmentation.h"
#include "translate/reference_fixture.h"

namespace zvk {
namespace {

using test::PlacedLine;

// One character per line: 'R' when every glyph of the line (spaces aside)
// is a reference glyph, '-' when none is, '~' for a line cut in two.
std::string line_marks(const test::PlacedDocument& doc, const std::vector<std::uint32_t>& ids,
                       std::size_t line_count) {
    std::vector<int> in(line_count, 0), out(line_count, 0);
    std::vector<bool> kept(doc.extraction.glyphs.size(), false);
    for (std::uint32_t id : ids) kept.at(id) = true;
    for (const Glyph& g : doc.extraction.glyphs) {
        if (g.unicode == " ") continue;
        ++(kept[g.id] ? in : out)[doc.line_of[g.id]];
    }
    std::string marks;
    for (std::size_t i = 0; i < line_count; ++i) marks += out[i] == 0 ? 'R' : in[i] == 0 ? '-' : '~';
    return marks;
}

std::string marks_of(const std::vector<PlacedLine>& lines) {
    auto doc = test::extract_placed_lines(lines);
    if (!doc) return "no document";
    const auto ids = find_reference_sections(doc->extraction.glyphs);
    for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_LT(ids[i - 1], ids[i]) << "not ascending and unique";
    return line_marks(*doc, ids, lines.size());
}

// Lines down one column, far enough apart that each stays a segment of its
// own; a text starting with '#' is drawn as a bold 12-point heading.
std::vector<PlacedLine> column(const std::vector<std::string>& texts, std::uint32_t page = 0, float x = 72,
                               float top = 720) {
    std::vector<PlacedLine> lines;
    float y = top;
    for (const std::string& t : texts) {
        const bool heading = t.starts_with("#");
        lines.push_back({page, x, y, heading ? t.substr(1) : t, heading ? 12.0f : 10.0f, heading});
        y -= 30;
    }
    return lines;
}

const std::string kEntry1 = "[1] A. Author, A study of many things, 2019.";
const std::string kEntry2 = "[2] B. Writer, Another study of things, 2020.";
const std::string kEntry3 = "[3] C. Person, A third study of things, 2021.";
const std::string kProse = "This section describes the data that we used";
const std::string kNames = "J. Smith, A. Doe and K. Lee";
const std::string kOther = "Alpha Beta Gamma Delta";

TEST(FindReferenceSections, NothingToFind) {
    EXPECT_TRUE(find_reference_sections({}).empty());
    EXPECT_EQ(marks_of(column({"#Introduction", kProse, kProse, kEntry1, kProse, kProse, kProse})), "-------");
}

TEST(FindReferenceSections, SingleColumnScan) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::string marks;
    };
    const Case cases[] = {
        {"heading, entries, back matter", {kProse, "#References", kEntry1, kEntry2, "#Appendix A", kProse},
         "-RRR--"},
        {"short lines confirm a heading", {"#References", "[3]", kOther, kOther}, "RRRR"},
        {"short numbered line confirms", {"#References", "12.", kProse}, "RRR"},
        {"heading then prose is refused", {"#References", kProse, kOther}, "---"},
        {"four other lines refuse", {"#References", kOther, kOther, kOther, kOther, kEntry1}, "------"},
        {"three other lines do not", {"#References", kOther, kOther, kOther, kEntry1}, "RRRRR"},
        {"eight name lines refuse",
         {"#References", kNames, kNames, kNames, kNames, kNames, kNames, kNames, kNames, kEntry1},
         "----------"},
        {"seven name lines do not",
         {"#References", kNames, kNames, kNames, kNames, kNames, kNames, kNames, kEntry1}, "RRRRRRRRR"},
        {"a closing line refuses", {"#References", "5 Conclusion", kEntry1}, "---"},
        {"two gap lines keep a run", {kProse, kEntry1, kOther, kOther, kEntry2, kOther}, "-RRRRR"},
        {"three gap lines drop it", {kEntry1, kOther, kOther, kOther, kEntry2, kOther}, "------"},
        {"a closing line drops it", {kEntry1, "5 Conclusion", kEntry2, kOther}, "----"},
        {"a refused heading is no gap line", {kEntry1, "#References", kProse, kOther, kEntry2}, "RRRRR"},
        {"a heading inside a section joins",
         {"#References", kEntry1, "#Bibliography", kEntry2, "#Acknowledgments", kOther}, "RRRR--"},
        {"lettered and numbered titles close",
         {"#References", kEntry1, "#B.2 Additional Results", kOther, "#References", kEntry2, "#A Proofs", kOther},
         "RR--RR--"},
        {"a surname and a year are no entry of a run", {"Finkbeiner, 1992", kOther, "Charles, 1994", kOther}, "----"},
        {"with an initial they are", {"Finkbeiner, S., 1992.", kOther, "Charles, A., 1994.", kOther}, "RRRR"},
        {"online methods close", {"#References", kEntry1, kEntry2, "#ONLINE METHODS", kProse}, "RRR--"},
    };
    for (const Case& c : cases) EXPECT_EQ(marks_of(column(c.lines)), c.marks) << c.name;
}

TEST(FindReferenceSections, HeadingHalfwayDownTheRightColumn) {
    std::vector<std::string> left, right_top, right_bottom;
    for (int i = 0; i < 20; ++i) left.push_back("Left column text line " + std::to_string(i));
    for (int i = 0; i < 6; ++i) right_top.push_back("Right column text line " + std::to_string(i));
    auto lines = column(left, 0, 72, 720);
    const auto upper = column(right_top, 0, 330, 720);
    lines.insert(lines.end(), upper.begin(), upper.end());
    const auto lower = column({"#References", kEntry1, kEntry2, kEntry3, "#Appendix A", "Right column after"}, 0, 330,
                              720 - 30 * 8);
    lines.insert(lines.end(), lower.begin(), lower.end());
    const std::string expected = std::string(20, '-') + std::string(6, '-') + "RRRR--";
    EXPECT_EQ(marks_of(lines), expected);
}

TEST(FindReferenceSections, HeadingAtTheFootOfTheLeftColumn) {
    // The list runs from the top of the right column; its heading stands
    // centred at the foot of the left column with the first entries below it.
    // Read in bands, the right column's run comes first and opens the section
    // there; the heading, left of that anchor, must still join and carry the
    // entries below it.
    std::vector<std::string> body;
    for (int i = 0; i < 10; ++i) body.push_back("Left column text line " + std::to_string(i));
    auto lines = column(body, 0, 72, 720);
    lines.push_back({0, 130, 720 - 30 * 10, "References", 12, true});
    const auto below = column({kEntry1, kEntry2}, 0, 72, 720 - 30 * 11);
    lines.insert(lines.end(), below.begin(), below.end());
    std::vector<std::string> right;
    for (int i = 0; i < 14; ++i) right.push_back(i % 2 ? kEntry3 : kEntry2);
    const auto right_lines = column(right, 0, 330, 720);
    lines.insert(lines.end(), right_lines.begin(), right_lines.end());
    EXPECT_EQ(marks_of(lines), std::string(10, '-') + "RRR" + std::string(14, 'R'));
}

TEST(FindReferenceSections, SameTextOperationJoinsWhereverItLies) {
    // A text operation drawn on two pages (a shared form) is kept or
    // translated as a whole: a glyph of another page that shares the
    // operation of an entry's glyph joins, and with it its whole segment.
    // Glyphs without an object id share no operation.
    auto lines = column({"#References", kEntry1, kEntry2, "#Appendix A"}, 0);
    const auto next = column({kOther}, 1);
    lines.insert(lines.end(), next.begin(), next.end());
    struct Case {
        bool with_object_id;
        std::string marks;
    };
    const Case cases[] = {{true, "RRR-" "R"}, {false, "RRR-" "-"}};
    for (const Case& c : cases) {
        auto doc = test::extract_placed_lines(lines);
        ASSERT_TRUE(doc);
        auto& glyphs = doc->extraction.glyphs;
        Glyph* entry = nullptr;
        Glyph* other = nullptr;
        for (Glyph& g : glyphs) {
            if (!entry && doc->line_of[g.id] == 1) entry = &g;
            if (!other && doc->line_of[g.id] == 4) other = &g;
        }
        ASSERT_TRUE(entry && other && entry->source.object_id);
        other->source = entry->source;
        if (!c.with_object_id) {
            for (Glyph& g : glyphs) g.source.object_id.reset();
        }
        EXPECT_EQ(line_marks(*doc, find_reference_sections(glyphs), lines.size()), c.marks) << c.with_object_id;
    }
}

TEST(FindReferenceSections, ContentsHeadingsOpenNothing) {
    struct Case {
        std::string trailing;  // drawn on the heading's baseline, apart from it
        bool heading_joins;
    };
    const Case cases[] = {
        {". . . . . . . . 23", false},
        {". . . . . . . . xii", false},
        {"........23", false},
        {". . . . . . . .", true},       // leaders without a page number
        {". . . . . . . . 1234", true},  // no page number of a contents line
        {". . . 23", true},              // three leaders are no leaders
    };
    for (const Case& c : cases) {
        auto lines = column({"#References", kEntry1, kEntry2});
        lines.push_back({0, 300, lines[0].y, c.trailing});
        auto doc = test::extract_placed_lines(lines);
        ASSERT_TRUE(doc);
        // The heading must be a segment of its own for the test to ask
        // anything: segmentation keeps leaders apart from it here.
        const auto segments = segment_glyphs(doc->extraction.glyphs, true, true, {}, {}).segments;
        ASSERT_TRUE(std::any_of(segments.begin(), segments.end(),
                                [](const Segment& s) { return s.source == "References"; }))
            << c.trailing;
        const auto marks = line_marks(*doc, find_reference_sections(doc->extraction.glyphs), lines.size());
        // The entries open a section by themselves either way.
        EXPECT_EQ(marks.substr(0, 3), c.heading_joins ? "RRR" : "-RR") << c.trailing;
    }
}

TEST(FindReferenceSections, SectionRunsOverPagesPastRunningHeaders) {
    const std::string header = "Journal of Examples, Vol. 3";
    std::vector<PlacedLine> lines;
    auto add = [&](const std::vector<PlacedLine>& more) { lines.insert(lines.end(), more.begin(), more.end()); };
    add(column({header, kProse, "#References", kEntry1}, 0));
    add(column({header, kEntry2, kEntry3}, 1));
    add(column({header, kEntry1, "#Appendix A", kOther}, 2));
    add(column({header, kOther}, 3));
    EXPECT_EQ(marks_of(lines), "--RR" "-RR" "-R--" "--");
}

TEST(FindReferenceSections, ShortRepeatedTopLineIsNoRunningHeader) {
    // "xyz" repeats at the top of both pages but has three characters: it is
    // an ordinary line, inside the section, and joins. A longer line in its
    // place is a running header and stays out.
    for (const std::string top : {"xyz", "wxyz"}) {
        std::vector<PlacedLine> lines = column({"#References", kEntry1, kEntry2}, 0);
        lines.push_back({0, 400, 748, top});
        lines.push_back({1, 400, 748, top});
        lines.push_back({1, 72, 720, kEntry3});
        EXPECT_EQ(marks_of(lines), top.size() < 4 ? "RRRRRR" : "RRR--R") << top;
    }
}

TEST(FindReferenceSections, SidewaysGlyphOnAnEntryBaselineJoins) {
    auto lines = column({"#References", kEntry1, kEntry2, kOther});
    // Where the second entry ends, read from a first extraction.
    auto plain = test::extract_placed_lines(lines);
    ASSERT_TRUE(plain);
    float right[4] = {0, 0, 0, 0};
    for (const Glyph& g : plain->extraction.glyphs) {
        float& r = right[plain->line_of[g.id]];
        r = std::max(r, g.bbox[2]);
    }
    ASSERT_GT(right[1], 200.0f);
    ASSERT_GT(right[2], 200.0f);
    // Turned marks, which segmentation leaves out as margin: one within reach
    // of the entry's last glyph, one 9 units past it, one on a line of prose.
    lines.push_back({0, right[2] + 7, lines[2].y, "7", 10, false, true});
    lines.push_back({0, right[1] + 9, lines[1].y, "8", 10, false, true});
    lines.push_back({0, 540, lines[3].y, "9", 10, false, true});
    auto doc = test::extract_placed_lines(lines);
    ASSERT_TRUE(doc);
    const auto segmentation = segment_glyphs(doc->extraction.glyphs, true, true, {}, {});
    for (const Segment& s : segmentation.segments) {
        for (std::uint32_t id : s.glyph_ids) ASSERT_LT(doc->line_of[id], 4u) << "a mark joined segment " << s.source;
    }
    const auto ids = find_reference_sections(doc->extraction.glyphs);
    EXPECT_EQ(line_marks(*doc, ids, lines.size()), "RRRR" "R--");
}

}  // namespace
}  // namespace zvk
