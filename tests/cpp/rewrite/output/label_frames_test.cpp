// Frames that follow a moved label: the light tokenizer, the innermost q/Q
// block, and the edits made (or refused) on extracted fixtures.
#include "rewrite/output/label_frames.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "rewrite/output/content_edit.h"
#include "rewrite/output/edit_fixture.h"

namespace zvk::rewrite {
namespace {

using namespace test_support;

std::string format_value(float v) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, end);
}

std::string describe(const std::vector<ContentToken>& tokens) {
    std::string out;
    for (const ContentToken& t : tokens) {
        if (!out.empty()) out += ' ';
        switch (t.kind) {
        case ContentTokenKind::Number: out += "n" + format_value(t.value); break;
        case ContentTokenKind::KnownOperator: out += std::string(t.name); break;
        case ContentTokenKind::Other: out += "o"; break;
        }
        out += "@" + std::to_string(t.start) + "-" + std::to_string(t.end);
    }
    return out;
}

TEST(TokenizeContentOperators, Table) {
    struct Case {
        std::string bytes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"q 1 0 0 1 72 700.5 cm Q", "q@0-1 n1@2-3 n0@4-5 n0@6-7 n1@8-9 n72@10-12 n700.5@13-18 cm@19-21 Q@22-23"},
        // Numbers inside arrays and dictionaries never surface.
        {"[1 2] 0 d <</K 3>> re", "n0@6-7 o@8-9 re@19-21"},
        // A string leaves an empty marker just after it; escapes and nesting
        // do not end it early.
        {"(a (b) \\) c) Tj", "o@12-12 o@13-15"},
        {"/Name 5 <414243> Tm", "n5@6-7 Tm@17-19"},
        {"% note 9 9 re\n1 2 re", "n1@14-15 n2@16-17 re@18-20"},
        {"4 % comment to the end", "n4@0-1"},
        {"+.5 -3. 1.2.3", "n0.5@0-3 n-3@4-7 n1.2@8-11 n0.3@11-13"},
        // ' and " leave nothing; T* is one word; a sign alone is skipped.
        {"' \" T* - x", "o@4-6 o@9-10"},
        {"(unclosed 1 2 re", "o@16-16"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(describe(tokenize_content_operators(c.bytes)), c.expected) << c.bytes;
    }
}

// Arbitrary bytes (unclosed strings, stray delimiters, lone signs) give
// tokens inside the data, in order, never overlapping.
TEST(TokenizeContentOperators, OffsetsStayInsideAnyBytes) {
    std::uint32_t state = 12345;
    const std::string alphabet = "0123456789.+-qQrecmTj()<>[]/%\\\n\r \t*{}'\"";
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        const int length = 1 + round % 64;
        for (int k = 0; k < length; ++k) {
            state = state * 1664525u + 1013904223u;
            bytes += alphabet[(state >> 8) % alphabet.size()];
        }
        std::uint64_t previous_end = 0;
        for (const ContentToken& t : tokenize_content_operators(bytes)) {
            ASSERT_LE(t.start, t.end) << bytes;
            ASSERT_LE(t.end, bytes.size()) << bytes;
            ASSERT_GE(t.start, previous_end) << bytes;
            previous_end = t.end;
        }
    }
}

TEST(InnermostSaveRestoreSpan, ShortestHoldingThePosition) {
    const std::vector<SaveRestoreSpan> spans = {{10, 20}, {0, 100}, {30, 40}, {25, 45}, {50, 60}, {50, 60}};
    struct Case {
        std::uint64_t position;
        std::optional<std::pair<std::uint64_t, std::uint64_t>> expected;
    };
    const std::vector<Case> cases = {
        {10, std::pair{10, 20}}, {19, std::pair{10, 20}}, {20, std::pair{0, 100}}, {35, std::pair{30, 40}},
        {42, std::pair{25, 45}}, {55, std::pair{50, 60}}, {100, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto span = innermost_save_restore_span(spans, c.position);
        ASSERT_EQ(span.has_value(), c.expected.has_value()) << c.position;
        if (span) {
            EXPECT_EQ(std::pair(span->start, span->end), *c.expected) << c.position;
        }
    }
    // Spans pair each Q with the nearest open q.
    const auto tokens = tokenize_content_operators("q q Q Q Q q");
    const auto built = save_restore_spans(tokens);
    ASSERT_EQ(built.size(), 2u);
    EXPECT_EQ(built[0].start, 2u);
    EXPECT_EQ(built[0].end, 5u);
    EXPECT_EQ(built[1].start, 0u);
    EXPECT_EQ(built[1].end, 7u);
}

LabelShift shift_for(const Extracted& e, const std::string& word, float dy, int occurrence = 0) {
    LabelShift shift;
    shift.glyph_ids = word_ids(e.extracted, word, occurrence);
    shift.dy = dy;
    if (!shift.glyph_ids.empty()) {
        shift.byte_start = e.extracted.glyphs[e.index.position(shift.glyph_ids[0]).value()].source.byte_start;
    }
    return shift;
}

TEST(ShiftLabelFrames, MovesOnlyFramesOfTheLabelsOwnBlock) {
    const std::string label = "BT /F1 9 Tf 72 700 Td (Lbl) Tj ET";
    const std::string body = "BT /F1 9 Tf 72 600 Td (Body) Tj ET";
    struct Case {
        const char* name;
        std::string content;
        float dy;
        std::string expected;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        {"own_block", "q 1 0 0 1 72 700.5 cm 0 0 300 20 re 1 10 5 8 4 re f " + label + " Q", -12.0f,
         "q 1 0 0 1 72 688.500 cm 0 0 300 20 re 1 10 -7.000 8 4 re f " + label + " Q"},
        {"upright_and_skewed_text_matrices", "q BT 1 0 0 1 72 700 Tm 1 0 0.5 1 72 690 Tm /F1 9 Tf (Lbl) Tj ET Q", 5.0f,
         "q BT 1 0 0 1 72 705.000 Tm 1 0 0.5 1 72 690 Tm /F1 9 Tf (Lbl) Tj ET Q"},
        {"page_wide_block_holds_other_text", "q " + body + " 0 0 10 10 re f " + label + " Q", -12.0f,
         "q " + body + " 0 0 10 10 re f " + label + " Q"},
        {"own_block_under_page_wide_one", "q " + body + " q 0 0 10 10 re f " + label + " Q 0 0 10 10 re f Q", 2.0f,
         "q " + body + " q 0 2.000 10 10 re f " + label + " Q 0 0 10 10 re f Q"},
        {"outside_every_block", "0 0 10 10 re f " + label, -12.0f, "0 0 10 10 re f " + label},
        {"not_a_number", "q 0 0 10 10 re f " + label + " Q", nan, "q 0 0 10 10 re f " + label + " Q"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Extracted e = extract_pdf(one_page_pdf(c.content));
        ASSERT_TRUE(e.doc);
        LabelShiftsByStream shifts;
        shifts[{4, 0}].push_back(shift_for(e, "Lbl", c.dy));
        shift_label_frames(*e.doc, e.extracted.glyphs, e.index, shifts);
        EXPECT_EQ(stream_text(*e.doc, 4), c.expected);
    }
}

// Two labels of one stream in blocks of their own: each frame moves by its
// own label's shift, though the first edit changes the stream's length.
TEST(ShiftLabelFrames, SeveralLabelsOfOneStream) {
    const std::string content =
        "q 0 0 10 10 re f BT /F1 9 Tf 72 700 Td (Aa) Tj ET Q\n"
        "q 0 0 10 10 re f BT /F1 9 Tf 72 650 Td (Bb) Tj ET Q\n";
    Extracted e = extract_pdf(one_page_pdf(content));
    ASSERT_TRUE(e.doc);
    LabelShiftsByStream shifts;
    shifts[{4, 0}] = {shift_for(e, "Aa", -1.5f), shift_for(e, "Bb", 22.25f)};
    shift_label_frames(*e.doc, e.extracted.glyphs, e.index, shifts);
    EXPECT_EQ(stream_text(*e.doc, 4),
              "q 0 -1.500 10 10 re f BT /F1 9 Tf 72 700 Td (Aa) Tj ET Q\n"
              "q 0 22.250 10 10 re f BT /F1 9 Tf 72 650 Td (Bb) Tj ET Q\n");
}

// The label's own operation, already blanked, does not count as other
// text: its frame still moves in the stream blanking wrote.
TEST(ShiftLabelFrames, AfterBlanking) {
    const std::string content = "q 0 0 10 10 re f BT /F1 9 Tf 72 700 Td (Lbl) Tj ET Q";
    Extracted e = extract_pdf(one_page_pdf(content));
    ASSERT_TRUE(e.doc);
    const std::vector<std::uint32_t> ids = word_ids(e.extracted, "Lbl");
    const std::unordered_set<std::uint32_t> replaced(ids.begin(), ids.end());
    GlyphReasons reasons;
    std::vector<TextRun> runs;
    blank_replaced_operations(*e.doc, e.extracted.glyphs, e.index, e.operators, replaced, reasons, runs,
                              OutputMode::replace());
    ASSERT_TRUE(reasons.empty());
    LabelShiftsByStream shifts;
    shifts[{4, 0}].push_back(shift_for(e, "Lbl", 3.0f));
    shift_label_frames(*e.doc, e.extracted.glyphs, e.index, shifts);
    EXPECT_EQ(stream_text(*e.doc, 4), "q 0 3.000 10 10 re f BT /F1 9 Tf 72 700 Td " + std::string(8, ' ') + " ET Q");
}

}  // namespace
}  // namespace zvk::rewrite
