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
        EXPECT_EQ(out[0].substr(0, joined(with_last(kBody, first)).size() + 3 + c.middle.size()),
                  joined(with_last(kBody, first)) + " / " + c.middle);
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
