// Paragraphs from line groups and their chaining across column and page
// breaks: the small layouts where a sentence runs on, or must not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "segment/line_fixture.h"
#include "segment/paragraph_merge.h"
#include "segment/paragraphs.h"

namespace zvk {
namespace {

// Body lines of a column 45 characters wide (size 10: about 215 units).
const std::vector<std::string> kBody = {
    "the cells of the culture were loaded with dye",
    "and imaged at a rate of one frame per second",
    "while the medium was kept at room temperature",
    "so that the waves could be followed for hours",
};

float text_width(const std::string& text, float size = 10) {
    float w = 0;
    for (char c : text) w += c == ' ' ? 0.3f * size : 0.5f * size;
    return w;
}

// Lines laid out page by page, each paragraph in a group of its own (so the
// tests below decide paragraphs, not the merge test).
class Layout {
public:
    // Lines from baseline y down, 12 apart; the first line at first_x0 when
    // given (an indented paragraph).
    Layout& para(const std::vector<std::string>& texts, float x0, float y, std::uint32_t page = 0,
                 float first_x0 = NAN) {
        LineGroup group;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const float x = i == 0 && !std::isnan(first_x0) ? first_x0 : x0;
            group.lines.push_back(pool_.line(texts[i], x, y - 12.0f * static_cast<float>(i), 10, page));
        }
        group.caption_targets.assign(group.lines.size(), {});
        groups_.push_back(std::move(group));
        return *this;
    }
    Layout& line(const std::string& text, float x0, float y, std::uint32_t page = 0) {
        return para({text}, x0, y, page);
    }
    Layout& group(std::vector<TextLine> lines) {
        LineGroup group;
        group.lines = std::move(lines);
        group.caption_targets.assign(group.lines.size(), {});
        groups_.push_back(std::move(group));
        return *this;
    }
    // The paragraphs the groups assemble into: the layouts expect one per
    // group, so a failing merge test shows here first.
    std::size_t paragraph_count() const {
        std::vector<std::vector<TextLine>> lines;
        for (const LineGroup& g : groups_) lines.push_back(g.lines);
        return assemble_paragraphs(lines, {}).size();
    }
    std::size_t group_count() const { return groups_.size(); }

    std::vector<ChainedBlock> blocks(PageScan scan = PageScan::buckets) const {
        return build_chained_blocks(groups_, {}, scan);
    }
    // Each block as its line texts joined by " / ", in the blocks' order.
    std::vector<std::string> rendered() const {
        std::vector<std::string> out;
        for (const ChainedBlock& block : blocks()) {
            std::string text;
            for (const TextLine& line : block) text += (text.empty() ? "" : " / ") + line.text;
            out.push_back(text);
        }
        return out;
    }

private:
    test::LinePool pool_;
    std::vector<LineGroup> groups_;
};

std::vector<std::string> with_last(std::vector<std::string> texts, const std::string& last) {
    texts.back() = last;
    return texts;
}

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const std::string& t : texts) out += (out.empty() ? "" : " / ") + t;
    return out;
}

// The foot of the left column and the top of the right one: chained when
// the sentence runs on into a lower-case word (or any word after a hyphen),
// never after a sentence end.
TEST(ChainParagraphs, NextColumnOnOnePage) {
    const std::vector<std::string> right = {"obtained with the same settings in all runs",
                                            "and the records were kept for later study"};
    struct Case {
        std::string last;
        std::string right_first;
        bool chained;
    };
    const Case cases[] = {
        {"so that the waves could be followed for", right[0], true},
        {"so that the waves could be followed for hours.", right[0], false},
        {"so that the waves could be followed for hours?", right[0], false},
        {"so that the waves could be followed for", "Obtained with the same settings in all runs", false},
        {"so that the waves could be fol-", "Lowed with the same settings in all runs", true},
    };
    for (const Case& c : cases) {
        Layout layout;
        const std::vector<std::string> left = with_last(kBody, c.last);
        const std::vector<std::string> right_texts = {c.right_first, right[1]};
        layout.para(left, 50, 400).para(right_texts, 300, 700);
        ASSERT_EQ(layout.paragraph_count(), 2u);
        std::vector<std::string> expected;
        if (c.chained) {
            expected = {joined(left) + " / " + joined(right_texts)};
        } else {
            expected = {joined(right_texts), joined(left)};
        }
        EXPECT_EQ(layout.rendered(), expected) << c.last << " | " << c.right_first;
    }
}

// A first page: centred title and author lines start between the columns.
// They are no next column for the foot of the left one, which goes on at the
// top of the right column.
TEST(ChainParagraphs, CentredTitleLinesAreNoNextColumn) {
    Layout layout;
    const char* titles[] = {"Sparse Information Extraction", "Unsupervised Language Models",
                            "Doug Downey and Oren Etzioni", "University of Washington Seattle",
                            "Department of Computer Science"};
    float y = 760;
    float x = 160;
    for (const char* title : titles) {
        layout.line(title, x, y);
        y -= 14;
        x += 10;
    }
    const std::vector<std::string> left = with_last(kBody, "so that the waves could be followed for");
    const std::vector<std::string> right = {"obtained with the same settings in all runs",
                                            "and the records were kept for later study."};
    const std::vector<std::string> right2 = {"However the cells were loaded with dye and",
                                             "imaged at a rate of one frame per second."};
    layout.para(left, 50, 400).para(right, 300, 600).para(right2, 310, 500, 0, 300);
    const std::vector<std::string> blocks = layout.rendered();
    EXPECT_NE(std::find(blocks.begin(), blocks.end(), joined(left) + " / " + joined(right)), blocks.end())
        << "the left column's foot does not run on into the right column";
}

// A paragraph that ends a sentence may itself continue an earlier one, but
// nothing continues it.
TEST(ChainParagraphs, SentenceEndClosesTheChain) {
    const std::string first = "so that the waves could be followed by keep-";
    const std::vector<std::string> last = {"and the text that follows on the next page", "in the same column as before"};
    struct Case {
        std::string middle;
        std::size_t blocks;
    };
    const Case cases[] = {{"ing the cells for an hour before imaging them.", 2},
                          {"ing the cells for an hour before imaging them!", 2},
                          {"ing the cells for an hour before imaging them", 1}};
    for (const Case& c : cases) {
        Layout layout;
        layout.para(with_last(kBody, first), 50, 100, 0).line(c.middle, 50, 700, 1).para(last, 50, 700, 2);
        ASSERT_EQ(layout.paragraph_count(), 3u);
        const std::vector<std::string> out = layout.rendered();
        ASSERT_EQ(out.size(), c.blocks) << c.middle;
        EXPECT_TRUE(out[0].starts_with(joined(with_last(kBody, first)) + " / " + c.middle)) << out[0];
    }
}

// Each page holds one paragraph that runs on to the next: a chained block
// takes at most five paragraphs, the sixth starts a block of its own.
TEST(ChainParagraphs, AtMostFiveParagraphsPerBlock) {
    Layout layout;
    for (std::uint32_t page = 0; page < 7; ++page) {
        layout.para({"and the cells of the culture were loaded with", "so that the waves could be followed for"}, 50,
                    600, page);
    }
    std::vector<ChainedBlock> blocks = layout.blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].size(), 10u);
    EXPECT_EQ(blocks[0].front().page_index, 0u);
    EXPECT_EQ(blocks[0].back().page_index, 4u);
    EXPECT_EQ(blocks[1].size(), 4u);
    EXPECT_EQ(blocks[1].front().page_index, 5u);
    EXPECT_EQ(blocks[1].back().page_index, 6u);
}

// A paragraph that stops more than two sizes above the lowest body baseline
// of its page (here set by a paragraph far to the right, which neither
// continues it nor vetoes the search) does not go on at the next page.
TEST(ChainParagraphs, BlockAboveTheBodyBottomStaysOnItsPage) {
    const std::vector<std::string> far_right = {"and a column of text at the far right edge.",
                                                "with its own lines that end far lower down."};
    struct Case {
        float far_right_top;  // its last line is 12 lower
        bool chained;
    };
    const Case cases[] = {{112, false}, {655, false}, {656, true}, {682, true}};
    for (const Case& c : cases) {
        Layout layout;
        layout.para(with_last(kBody, "so that the waves could be followed for"), 50, 700, 0)
            .para(far_right, 420, c.far_right_top, 0)
            .para({"hours after the start of the recording of", "the cells in the dish with the new dye"}, 50, 700, 1);
        ASSERT_EQ(layout.paragraph_count(), 3u);
        std::vector<ChainedBlock> blocks = layout.blocks();
        const bool chained = std::any_of(blocks.begin(), blocks.end(), [](const ChainedBlock& b) {
            return b.front().page_index == 0 && b.back().page_index == 1;
        });
        EXPECT_EQ(chained, c.chained) << c.far_right_top;
    }
}

// One- and two-line running heads at the top of the next page are passed
// over on the way to the paragraph below; other short lines end the search.
TEST(ChainParagraphs, RunningHeadsOnTheNextPagePassedOver) {
    const std::vector<std::string> next = {"hours after the start of the recording of", "the cells in the dish with dye"};
    struct Case {
        std::vector<std::string> head;
        bool chained;
    };
    const Case cases[] = {
        {{"2.3 Results of the study"}, true},
        {{"2.3 Results of the study 12"}, true},
        {{"4.1.2 Calcium waves in glia", "and neurons"}, true},
        {{"Proceedings of the Annual Meeting 2009"}, true},
        {{"3 Chapter"}, true},
        {{"Chapters of the book"}, false},
        {{"Chapter 3"}, true},
        {{"3.1"}, true},
        {{"2.3 Results, methods and data"}, false},
        {{"2.3 Results: methods and data"}, false},
        {{"3 Results of the study"}, false},
        {{"An ordinary short heading"}, false},
        {{"2.3 Results of the study with a very long title that runs on well past ninety characters all told"}, false},
        {{"2.3 Results of the study.", }, false},
        {{"2.3 Results of the study", "and more", "and more"}, false},
    };
    for (const Case& c : cases) {
        Layout layout;
        layout.para(with_last(kBody, "so that the waves could be followed for"), 50, 100, 0)
            .para(c.head, 50, 760, 1)
            .para(next, 50, 700, 1);
        ASSERT_EQ(layout.paragraph_count(), 3u) << c.head.front();
        std::vector<ChainedBlock> blocks = layout.blocks();
        const bool chained = std::any_of(blocks.begin(), blocks.end(), [&](const ChainedBlock& b) {
            return b.front().page_index == 0 && b.back().text == next.back();
        });
        EXPECT_EQ(chained, c.chained) << c.head.front();
    }
}

// Author lines centred on one axis: the merge test turns the third line
// away (it starts further right and follows a line with one comma), the
// centred-block exception keeps it.
TEST(AssembleParagraphs, CentredAuthorBlockKept) {
    test::LinePool pool;
    auto centred = [&](const std::string& text, float y, float size = 10) {
        return pool.line(text, 300 - text_width(text, size) / 2, y, size);
    };
    const std::vector<TextLine> lines = {
        centred("Alice Smith, Bob Jones, Carol White, Dan Brown", 700),
        centred("Eve Black, Frank Green and Harry Blue", 688),
        centred("University of Nowhere", 676),
        centred("Department of Somewhere", 664),
    };
    ASSERT_FALSE(should_merge_lines(lines[1], lines[2], 0));
    EXPECT_EQ(assemble_paragraphs({lines}, {}).size(), 1u);

    struct Case {
        const char* name;
        TextLine line;
        std::size_t paragraphs;
    };
    const Case cases[] = {
        {"off the centre", pool.line("University of Nowhere", 400, 676), 2},
        {"two lines below", centred("University of Nowhere", 652), 2},
        {"larger type", centred("University of Nowhere", 676, 14), 2},
        {"no letter", centred("12345 67890", 676), 2},
        {"on the next page", pool.line("University of Nowhere", 300 - text_width("University of Nowhere") / 2, 676,
                                       10, 1), 2},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(should_merge_lines(lines[1], c.line, 0)) << c.name;
        EXPECT_EQ(assemble_paragraphs({{lines[0], lines[1], c.line}}, {}).size(), c.paragraphs) << c.name;
    }
    // Fewer than four commas: no centred block, so no exception.
    const std::vector<TextLine> few = {centred("Alice Smith, Bob Jones, Carol White", 700),
                                       centred("Eve Black and Frank Green", 688),
                                       centred("University of Nowhere", 676)};
    ASSERT_FALSE(should_merge_lines(few[1], few[2], 0));
    EXPECT_EQ(assemble_paragraphs({few}, {}).size(), 2u);
}

// Empty groups and groups of furniture only: nothing chains and nothing
// fails; furniture between two paragraphs is no obstacle.
TEST(ChainParagraphs, EmptyAndFurnitureGroups) {
    EXPECT_TRUE(build_chained_blocks({}, {}).empty());
    EXPECT_TRUE(build_chained_blocks({LineGroup{}, LineGroup{}}, {}).empty());

    Layout furniture;
    furniture.line("12", 300, 40, 0).line("Licensed to Some Reader", 50, 30, 0).line("iv", 300, 760, 1);
    EXPECT_EQ(furniture.rendered(), (std::vector<std::string>{"12", "Licensed to Some Reader", "iv"}));

    Layout layout;
    const std::vector<std::string> next = {"hours after the start of the recording of", "the cells in the dish with dye"};
    layout.para(with_last(kBody, "so that the waves could be followed for"), 50, 100, 0)
        .line("12", 300, 40, 0)
        .line("Licensed to Some Reader", 50, 770, 1)
        .line("13", 50, 760, 1)
        .para(next, 50, 700, 1);
    EXPECT_EQ(layout.rendered(),
              (std::vector<std::string>{joined(with_last(kBody, "so that the waves could be followed for")) + " / " +
                                            joined(next),
                                        "12", "Licensed to Some Reader", "13"}));
}

// The foot of a right column goes on at the top of the next page's left
// column, also without a hyphen; the next page's right column, which starts
// lower-case too, is not taken, not even when the left column does not
// continue the sentence.
TEST(ChainParagraphs, RightColumnFootContinuesNextPageLeftColumn) {
    const std::vector<std::string> foot = {"that calcium waves in the cortex of the young",
                                           "animal show that the waves are involved"};
    const std::vector<std::string> right_top = {"in the same way as the cells of the adult",
                                                "brain in the earlier study of this group"};
    struct Case {
        std::string left_top;
        bool to_left;
    };
    const Case cases[] = {{"groups of neurons in the developing cortex", true},
                          {"Groups of neurons in the developing cortex", false}};
    for (const Case& c : cases) {
        const std::vector<std::string> left_top = {c.left_top, "and the cells that surround them in the dish"};
        Layout layout;
        layout.para(with_last(kBody, "so that the waves could be followed all day."), 50, 136, 0)
            .para(foot, 300, 112, 0)
            .para(left_top, 50, 700, 1)
            .para(right_top, 300, 700, 1);
        ASSERT_EQ(layout.paragraph_count(), 4u);
        std::vector<std::string> out = layout.rendered();
        const std::string foot_block = joined(foot) + (c.to_left ? " / " + joined(left_top) : "");
        EXPECT_NE(std::find(out.begin(), out.end(), foot_block), out.end()) << c.left_top;
        EXPECT_NE(std::find(out.begin(), out.end(), joined(right_top)), out.end()) << c.left_top;
    }
}

// After a hyphen at the foot of a page, the continuation is the indented
// paragraph at the top of the next page, not the paragraph at its foot that
// a capital letter also lets through.
TEST(ChainParagraphs, HyphenContinuesIndentedParagraphAtTheTop) {
    const std::vector<std::string> top = {"surements were taken from every cell that",
                                          "showed a response to the stimulus in the",
                                          "first minute of the recording session."};
    const std::vector<std::string> middle = {"Further cells were loaded with the same dye",
                                             "and kept in the dark for another hour or so",
                                             "before the next recording session began."};
    const std::vector<std::string> bottom = {"The cells at the edge of the dish were kept",
                                             "apart from the others for the whole time."};
    Layout layout;
    layout.para(with_last(kBody, "so that the waves could be followed by mea-"), 50, 100, 0)
        .para(top, 50, 700, 1, 62)
        .para(middle, 50, 650, 1, 62)
        .para(bottom, 50, 112, 1, 62);
    ASSERT_EQ(layout.paragraph_count(), 4u);
    std::vector<std::string> out = layout.rendered();
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0], joined(with_last(kBody, "so that the waves could be followed by mea-")) + " / " + joined(top));
}

// A one-line running head at the top of the next column is no paragraph to
// run on into: the sentence goes on in the paragraph below it.
TEST(ChainParagraphs, RunningHeadAtTheTopOfTheNextColumnPassedOver) {
    const std::vector<std::string> below = {"higher rate in the direction of perfusion",
                                            "often skipping over cells in its path"};
    const std::vector<std::string> hyphen_below = {"ing suggesting that both may occur in the",
                                                   "culture of cells from the mouse cortex"};
    struct Case {
        std::string last;
        std::vector<std::string> below;
    };
    const Case cases[] = {{"the wave then takes off at a much", below},
                          {"the glia-to-neuron signal-", hyphen_below}};
    for (const Case& c : cases) {
        Layout layout;
        layout.para(with_last(kBody, c.last), 50, 100, 0).line("CHARLES", 300, 760, 0).para(c.below, 300, 720, 0);
        std::vector<std::string> out = layout.rendered();
        ASSERT_EQ(layout.paragraph_count(), 3u);
        EXPECT_EQ(out, (std::vector<std::string>{"CHARLES", joined(with_last(kBody, c.last)) + " / " + joined(c.below)}))
            << c.last;
    }
}

}  // namespace
}  // namespace zvk

namespace zvk {
namespace {

// A line that goes on with a caption of another group joins that group; the
// first caption in group order wins; caption lines themselves stay.
TEST(RegroupCaptionContinuations, Table) {
    struct Case {
        const char* name;
        TextLine line;
        std::size_t group;  // where the line ends up
    };
    test::LinePool pool;
    const Case cases[] = {
        {"goes on with the caption", pool.line("spreading across the culture", 100, 388), 0},
        {"starts upper case", pool.line("Spreading across the culture", 100, 388), 1},
        {"too far below", pool.line("spreading across the culture", 100, 370), 1},
        {"next page", pool.line("spreading across the culture", 100, 388, 10, 1), 1},
        {"fewer than six letters", pool.line("and so", 100, 388), 1},
        {"itself a caption", pool.line("table 3. spreading across", 100, 388), 1},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<TextLine>> groups = {
            {pool.line("Figure 2. Waves of calcium in the", 95, 400)},
            {pool.line("The body text of the page goes here", 100, 600), c.line},
            {pool.line("Fig. 3: Another caption beside it", 90, 400)},
        };
        for (PageScan scan : {PageScan::buckets, PageScan::whole_document}) {
            std::vector<std::vector<TextLine>> out = groups;
            regroup_caption_continuations(out, scan);
            ASSERT_EQ(out.size(), 3u);
            for (std::size_t g = 0; g < out.size(); ++g) {
                const bool holds = std::any_of(out[g].begin(), out[g].end(),
                                               [&](const TextLine& l) { return l.glyphs == c.line.glyphs; });
                EXPECT_EQ(holds, g == c.group) << c.name << " group " << g;
            }
            EXPECT_EQ(out[0].size() + out[1].size() + out[2].size(), 4u) << c.name;
        }
    }
}

// A line loses ends_row when a line of its page (any group) starts on its
// baseline more than 0.3 size to its right.
TEST(MarkRowNeighbours, Table) {
    struct Case {
        const char* name;
        float x0;
        float y;
        std::uint32_t page;
        bool left_ends_row;
        bool other_ends_row = true;
    };
    // The left line "the left line" spans 50 to 111.
    const Case cases[] = {
        {"beside it", 300, 400, 0, false},
        {"baseline 3.5 off", 300, 403.5f, 0, false},
        {"baseline 4 off", 300, 404, 0, true},
        {"just 3 to its right", 114, 400, 0, true},
        {"just over 3 to its right", 114.5f, 400, 0, false},
        {"on the next page", 300, 400, 1, true},
        {"to its left (the other line loses it)", 0, 400, 0, true, false},
    };
    for (const Case& c : cases) {
        for (PageScan scan : {PageScan::buckets, PageScan::whole_document}) {
            test::LinePool pool;
            std::vector<std::vector<TextLine>> groups = {{pool.line("the left line", 50, 400)},
                                                         {pool.line("x", c.x0, c.y, 10, c.page)}};
            ASSERT_EQ(groups[0][0].x1, 111.0f);
            mark_row_neighbours(groups, scan);
            EXPECT_EQ(groups[0][0].ends_row, c.left_ends_row) << c.name;
            EXPECT_EQ(groups[1][0].ends_row, c.other_ends_row) << c.name;
        }
    }
}

// Row neighbours through sorted baselines give what comparing every pair
// gives, also for baselines, edges and sizes that are NaN or infinite, equal
// baselines, zeros of both signs and baselines right at the reach.
TEST(PageBuckets, RowNeighboursWithOddValues) {
    const float values[] = {test::kNaN, -test::kNaN, test::kInf, -test::kInf, 0.0f, -0.0f, 1.0f, 3.5f, 3.51f,
                            100.0f, 103.5f, 96.5f, 200.0f, 1e38f, -1e38f};
    const float sizes[] = {10.0f, 0.5f, test::kNaN, test::kInf, 1e38f};
    std::uint32_t seed = 99;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    std::size_t cleared = 0;
    std::size_t kept = 0;
    for (int round = 0; round < 200; ++round) {
        std::vector<std::vector<TextLine>> groups(3);
        for (int k = 0; k < 40; ++k) {
            TextLine line;
            line.page_index = next(2);
            line.y = values[next(15)];
            line.x0 = values[next(15)];
            line.x1 = next(3) == 0 ? values[next(15)] : line.x0 + 50.0f;
            line.size = sizes[next(5)];
            groups[next(3)].push_back(line);
        }
        std::vector<std::vector<TextLine>> scanned = groups;
        mark_row_neighbours(groups, PageScan::buckets);
        mark_row_neighbours(scanned, PageScan::whole_document);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            for (std::size_t k = 0; k < groups[g].size(); ++k) {
                const TextLine& line = groups[g][k];
                ASSERT_EQ(line.ends_row, scanned[g][k].ends_row)
                    << "round " << round << " y " << line.y << " x0 " << line.x0 << " x1 " << line.x1 << " size "
                    << line.size;
                (line.ends_row ? kept : cleared) += 1;
            }
        }
    }
    EXPECT_GT(cleared, 1000u);
    EXPECT_GT(kept, 1000u);
}

// A generated document of many two-column pages (running heads, captions
// with lines that run on from them in other groups, sentences broken at
// column and page feet, groups that cross pages): the page buckets give
// exactly what scanning the whole document gives, step by step.
TEST(PageBuckets, SameResultAsWholeDocumentScans) {
    test::LinePool pool;
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    const char* words[] = {"waves", "cells", "the", "calcium", "glia", "of", "neurons", "signal", "and", "medium"};
    auto sentence = [&](bool upper) {
        std::string text;
        while (text.size() < 36) text += std::string(text.empty() ? "" : " ") + words[next(10)];
        if (upper) text[0] = static_cast<char>(text[0] - 'a' + 'A');
        switch (next(4)) {
        case 0: text += "."; break;
        case 1: text += " sig-"; break;
        default: break;
        }
        return text;
    };
    std::vector<std::vector<TextLine>> groups;
    std::size_t left_group = 0;
    for (std::uint32_t page = 0; page < 40; ++page) {
        // The left column's group goes on from the previous page now and then.
        if (page == 0 || next(3) == 0) {
            left_group = groups.size();
            groups.emplace_back();
        }
        groups.emplace_back();
        const std::size_t right_group = groups.size() - 1;
        if (page % 2 == 0) groups[right_group].push_back(pool.line("CHARLES", 300, 760, 10, page));
        for (int column = 0; column < 2; ++column) {
            float y = 740;
            const float x0 = column == 0 ? 50.0f : 300.0f;
            while (y > 60) {
                const std::size_t lines = 1 + next(6);
                for (std::size_t k = 0; k < lines && y > 60; ++k, y -= 12) {
                    groups[column == 0 ? left_group : right_group].push_back(
                        pool.line(sentence(k == 0 && next(2) == 0), x0 + (k == 0 ? 12.0f : 0.0f), y, 10, page));
                }
                if (next(5) == 0) {
                    // A caption, and a line that runs on from it kept in a
                    // group of its own.
                    groups.push_back({pool.line("Figure 1. Calcium waves in the culture", x0, y, 10, page)});
                    groups.push_back({pool.line("spreading across the dish of cells", x0, y - 12, 10, page)});
                    y -= 24;
                }
                y -= 6;
            }
        }
        groups.push_back({pool.line(std::to_string(page + 1), 290, 40, 10, page)});
    }

    auto same_lines = [](const std::vector<std::vector<TextLine>>& a, const std::vector<std::vector<TextLine>>& b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i].size() != b[i].size()) return false;
            for (std::size_t k = 0; k < a[i].size(); ++k) {
                if (a[i][k].glyphs != b[i][k].glyphs || a[i][k].ends_row != b[i][k].ends_row) return false;
            }
        }
        return true;
    };

    std::vector<std::vector<TextLine>> bucketed = groups;
    std::vector<std::vector<TextLine>> scanned = groups;
    regroup_caption_continuations(bucketed, PageScan::buckets);
    regroup_caption_continuations(scanned, PageScan::whole_document);
    EXPECT_TRUE(same_lines(bucketed, scanned));
    EXPECT_FALSE(same_lines(bucketed, groups)) << "no line went on with a caption";

    for (auto& group : bucketed) sort_block_lines_reading_order(group);
    for (auto& group : scanned) sort_block_lines_reading_order(group);
    mark_row_neighbours(bucketed, PageScan::buckets);
    mark_row_neighbours(scanned, PageScan::whole_document);
    EXPECT_TRUE(same_lines(bucketed, scanned));
    std::size_t cleared = 0;
    for (const auto& group : bucketed) cleared += std::count_if(group.begin(), group.end(), [](const TextLine& l) { return !l.ends_row; });
    EXPECT_GT(cleared, 100u);

    std::vector<ParagraphGroup> paragraphs = assemble_paragraphs(bucketed, {});
    sort_paragraph_groups_column_order(paragraphs);
    const std::map<std::uint32_t, float> bottom = body_bottom(paragraphs);
    const std::vector<ChainedBlock> by_bucket = chain_paragraphs(paragraphs, bottom, PageScan::buckets);
    const std::vector<ChainedBlock> by_scan = chain_paragraphs(paragraphs, bottom, PageScan::whole_document);
    EXPECT_TRUE(same_lines(by_bucket, by_scan));
    std::size_t across_pages = 0;
    std::size_t across_columns = 0;
    for (const ChainedBlock& block : by_bucket) {
        for (std::size_t k = 1; k < block.size(); ++k) {
            across_pages += block[k].page_index != block[k - 1].page_index;
            across_columns += block[k].page_index == block[k - 1].page_index && block[k].x0 > block[k - 1].x0 + 100;
        }
    }
    EXPECT_GT(across_pages, 5u);
    EXPECT_GT(across_columns, 5u);
    EXPECT_LT(by_bucket.size(), paragraphs.size());

    std::vector<LineGroup> line_groups;
    for (const auto& group : groups) line_groups.push_back({group, std::vector<std::vector<TextLine>>(group.size())});
    const std::vector<ChainedBlock> blocks = build_chained_blocks(line_groups, {}, PageScan::buckets);
    EXPECT_TRUE(same_lines(blocks, build_chained_blocks(line_groups, {}, PageScan::whole_document)));
    // Every line comes out in exactly one block.
    std::vector<const Glyph*> in;
    std::vector<const Glyph*> out;
    for (const auto& group : groups) {
        for (const TextLine& line : group) in.push_back(line.glyphs.front());
    }
    for (const ChainedBlock& block : blocks) {
        for (const TextLine& line : block) out.push_back(line.glyphs.front());
    }
    std::sort(in.begin(), in.end());
    std::sort(out.begin(), out.end());
    EXPECT_EQ(in, out);
}

}  // namespace
}  // namespace zvk
