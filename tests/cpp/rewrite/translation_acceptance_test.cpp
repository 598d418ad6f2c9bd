#include "rewrite/placement/translation_acceptance.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rewrite/placement/glyph_classification.h"
#include "rewrite/record_fixture.h"

namespace zvk::rewrite {
namespace {

using test::Doc;

// The stages that judge translations, run as the driver runs them.
struct Judged {
    GlyphReasons keep;
    AcceptanceResult result;
    RecordIndexSet math;

    std::optional<std::string> accepted(std::size_t record) const {
        for (const AcceptedTranslation& a : result.accepted) {
            if (a.record_index == record) return a.final_text;
        }
        return std::nullopt;
    }
    std::string word(std::uint32_t id) const {
        const auto it = keep.find(id);
        return it == keep.end() ? "" : it->second;
    }
};

Judged judge(const Doc& doc) {
    Judged j;
    GlyphReasons non_text;
    const GlyphIdIndex index(doc.glyphs);
    classify_open_glyphs(doc.glyphs, non_text, j.keep);
    const OperatorGlyphs operators = build_operator_map(doc.glyphs);
    const GlyphIdSet changed = collect_changed_glyph_ids(doc.records);
    const std::vector<bool> prompt = mark_prompt_section_records(doc.records, doc.glyphs, index);
    j.math = find_math_records(doc.records, doc.glyphs, index);
    const AcceptanceInputs inputs{doc.records, doc.glyphs, index, operators, changed, j.math,
                                  prompt,
                                  translations_target_cjk(doc.records)};
    j.result = accept_translations(inputs, j.keep);
    return j;
}

constexpr const char* kLongEnglish =
    "The quick brown fox jumps over the lazy dog while the farmer watches quietly";

// One record judged beside a Chinese one (so the output is CJK unless the
// case says otherwise): either accepted with a final text, or kept with one
// word on all of its glyphs, or passed over.
TEST(TranslationAcceptance, EachStepKeepsOrAccepts) {
    struct Case {
        const char* name;
        std::string source;
        std::string translated;
        std::function<void(Doc&, std::size_t)> adjust;  // may be empty
        bool cjk_elsewhere;
        const char* accepted;  // expected final text, or null
        const char* word;      // expected word on every glyph ("" for none), when not accepted
    };
    const std::vector<Case> cases = {
        {"translated body", "The results are shown below.", "结果如下所示。", {}, true, "结果如下所示。", nullptr},
        {"full stop alone", ".", "。", {}, true, nullptr, "punctuation"},
        {"ideographic comma alone", "\u3001", "，", {}, true, nullptr, "punctuation"},
        {"two marks", "?!", "？！", {}, true, nullptr, "punctuation"},
        {"three marks are no punctuation record", "...", "...", {}, true, nullptr, "unchanged"},
        {"blank translation", "Hello world", "   ", {}, true, nullptr, "whitespace"},
        {"empty translation", "Hello world", "", {}, true, nullptr, "whitespace"},
        {"running English left in English", kLongEnglish, kLongEnglish, {}, true, nullptr, "english-body"},
        {"the same without a CJK translation anywhere", kLongEnglish, kLongEnglish, {}, false, nullptr,
         "unchanged"},
        {"short text left alone", "Fig. 3", "Fig. 3", {}, true, nullptr, "unchanged"},
        {"an address", "Write to alice@example.org for the data used in every figure here",
         "Write to alice@example.org for the data used in every figure here", {}, true, nullptr, "unchanged"},
        {"markup", "<a> <b> <c> <d> the quick brown fox jumps over the lazy dog again and again",
         "<a> <b> <c> <d> the quick brown fox jumps over the lazy dog again and again", {}, true, nullptr,
         "unchanged"},
        {"a list of English words left English",
         "apples, pears, plums, figs", "apples, pears, plums, figs", {}, true, nullptr, "english-body"},
        {"a list translated without ideographs", "apples, pears, plums, figs", "apples, poires, prunes, figues",
         {}, true, nullptr, "english-body"},
        {"list items lost", "apples, pears, plums, figs, dates, limes, kiwis", "苹果，梨", {}, true, nullptr,
         "incomplete-list"},
        {"bullet only", "\u2022", "\u2022", {}, true, nullptr, ""},
        {"a clipped glyph keeps the record", "Clipped words here", "被裁剪的文字",
         [](Doc& d, std::size_t r) { d.glyph_of(r, 1).clipped = true; }, true, nullptr, "kept"},
        {"a glyph already final keeps the record", "Margin words here", "边注文字",
         [](Doc& d, std::size_t r) { d.glyph_of(r, 0).disposition = GlyphDisposition::kept_original("margin"); },
         true, nullptr, "kept"},
        {"a lone number in a math font does not keep the record", "Equation 3 holds", "方程 3 成立",
         [](Doc& d, std::size_t r) { d.glyph_of(r, 1).font_name = "CMMI10"; }, true, "方程 3 成立", nullptr},
        {"a math letter keeps the record", "Let alpha vary", "令 alpha 变化",
         [](Doc& d, std::size_t r) { d.glyph_of(r, 1).font_name = "CMMI10"; }, true, nullptr, "kept"},
        {"the math letter goes with a placeholder", "Let alpha vary", "令 \u27E60\u27E7 变化",
         [](Doc& d, std::size_t r) { d.glyph_of(r, 1).font_name = "CMMI10"; }, true, "令 \u27E60\u27E7 变化",
         nullptr},
    };
    for (const Case& c : cases) {
        Doc doc;
        const std::size_t r = doc.add(c.source, c.translated);
        if (c.cjk_elsewhere) doc.add("Another paragraph of text", "另一段文字", 600);
        if (c.adjust) c.adjust(doc, r);
        const Judged j = judge(doc);
        if (c.accepted != nullptr) {
            EXPECT_EQ(j.accepted(r), std::optional<std::string>(c.accepted)) << c.name;
            for (const std::uint32_t id : doc.records[r].glyph_ids) {
                // Accepted glyphs carry no word, except a skip reason that
                // stays (none of these cases has one).
                EXPECT_EQ(j.word(id), "") << c.name << " glyph " << id;
            }
            continue;
        }
        EXPECT_FALSE(j.accepted(r)) << c.name;
        if (std::string(c.word) == "kept") {
            // The glyph that holds the record back keeps its own word; the
            // others get "kept".
            bool some_kept = false;
            for (const std::uint32_t id : doc.records[r].glyph_ids) some_kept |= j.word(id) == "kept";
            EXPECT_TRUE(some_kept) << c.name;
            continue;
        }
        for (const std::uint32_t id : doc.records[r].glyph_ids) EXPECT_EQ(j.word(id), c.word) << c.name;
    }
}

TEST(TranslationAcceptance, KeptRecordLeavesOtherWordsAndFinalGlyphsAlone) {
    Doc doc;
    const std::size_t r = doc.add("Let alpha vary", "令 alpha 变化");
    doc.glyph_of(r, 1).font_name = "CMMI10";
    doc.glyph_of(r, 2).disposition = GlyphDisposition::kept_original("margin");
    const Judged j = judge(doc);
    EXPECT_EQ(j.word(doc.records[r].glyph_ids[0]), "kept");
    EXPECT_EQ(j.word(doc.records[r].glyph_ids[1]), "formula");  // its own word stays
    EXPECT_EQ(j.word(doc.records[r].glyph_ids[2]), "");         // final: never written
}

TEST(TranslationAcceptance, PlaceholderRecordDropsFormulaWordsOnAcceptance) {
    Doc doc;
    const std::size_t r = doc.add("Let alpha vary", "令 \u27E60\u27E7 变化");
    doc.glyph_of(r, 1).font_name = "CMMI10";
    const Judged j = judge(doc);
    ASSERT_TRUE(j.accepted(r));
    EXPECT_FALSE(j.keep.contains(doc.records[r].glyph_ids[1]));
}

TEST(TranslationAcceptance, WordsGoToEveryIdWhateverTheState) {
    // With a placeholder the record's final glyph does not hold it back, and
    // "incomplete-list" goes on every id, the final one too; the final stage
    // never changes a final glyph, so the entry is harmless.
    Doc doc;
    const std::size_t r = doc.add("apples, pears, plums, figs, dates, limes, kiwis", "苹果，梨 \u27E60\u27E7");
    doc.glyph_of(r, 0).disposition = GlyphDisposition::kept_original("margin");
    const Judged j = judge(doc);
    EXPECT_FALSE(j.accepted(r));
    for (const std::uint32_t id : doc.records[r].glyph_ids) EXPECT_EQ(j.word(id), "incomplete-list") << id;

    // Without the placeholder the final glyph keeps the record before its
    // texts are looked at: "kept" on the open glyphs only.
    Doc plain;
    const std::size_t p = plain.add("Hello world", " ");
    plain.glyph_of(p, 0).disposition = GlyphDisposition::kept_original("margin");
    const Judged k = judge(plain);
    EXPECT_EQ(k.word(plain.records[p].glyph_ids[0]), "");
    EXPECT_EQ(k.word(plain.records[p].glyph_ids[1]), "kept");
}

// A display formula: three math-font glyphs, and beneath it a line that may
// join it ("0 otherwise" and the like).
struct FormulaDoc {
    Doc doc;
    std::size_t formula = 0;
    std::size_t below = 0;
};

FormulaDoc formula_with_line_below(std::string below_source, std::string below_translated,
                                   std::string below_font = "Times-Roman", float below_x = 100) {
    FormulaDoc f;
    f.formula = f.doc.add("x = y", "x = y", 700, 100, "CMMI10", 10);
    f.below = f.doc.add(std::move(below_source), std::move(below_translated), 688, below_x, std::move(below_font));
    f.doc.add("Another paragraph of body text", "另一段正文", 400);
    return f;
}

TEST(TranslationAcceptance, FormulaRecordsKeepTheirSourceUnlessAnOtherwiseTailIsChinese) {
    struct Case {
        const char* name;
        std::string source;
        std::string translated;
        std::string font;
        float x;
        const char* accepted;  // final text of the line below, or null
        const char* word;      // when not accepted
    };
    const std::vector<Case> cases = {
        {"a line below without otherwise is part of the formula", "0 if x is odd", "如果 x 为奇数则为 0",
         "Times-Roman", 100, nullptr, "math-block"},
        {"otherwise translated, no math glyph: the Chinese tail from its comma", "0, otherwise",
         "0，否则", "Times-Roman", 100, "，否则", nullptr},
        {"otherwise without a comma before the ideograph", "1 Otherwise", "1 否则", "Times-Roman", 100, "否则",
         nullptr},
        {"otherwise with a math-font glyph", "0, otherwise", "0，否则", "CMR10 CMMI10", 100, nullptr,
         "math-block"},
        {"otherwise but no ideograph in the answer", "0, otherwise", "0, sinon", "Times-Roman", 100, nullptr,
         "math-block"},
        {"otherwise as part of a longer word", "0, otherwiser", "0，否则", "Times-Roman", 100, nullptr,
         "math-block"},
        {"a line far to the right stays out of the formula", "0 if x is odd", "如果 x 为奇数则为 0",
         "Times-Roman", 300, "0 如果 x 为奇数则为 0", nullptr},  // the leading number put back
    };
    for (const Case& c : cases) {
        FormulaDoc f = formula_with_line_below(c.source, c.translated, "Times-Roman", c.x);
        if (c.font != "Times-Roman") f.doc.glyph_of(f.below, 0).font_name = "CMMI10";
        const Judged j = judge(f.doc);
        EXPECT_TRUE(j.math.contains(f.formula)) << c.name;
        for (const std::uint32_t id : f.doc.records[f.formula].glyph_ids) {
            EXPECT_EQ(j.word(id), "math-block") << c.name;
        }
        if (c.accepted != nullptr) {
            EXPECT_EQ(j.accepted(f.below), std::optional<std::string>(c.accepted)) << c.name;
            continue;
        }
        EXPECT_FALSE(j.accepted(f.below)) << c.name;
        for (const std::uint32_t id : f.doc.records[f.below].glyph_ids) EXPECT_EQ(j.word(id), c.word) << c.name;
    }
}

TEST(TranslationAcceptance, FormulaWithPlaceholdersIsNoFormulaRecord) {
    Doc doc;
    const std::size_t r = doc.add("x = y", "\u27E60\u27E7", 700, 100, "CMMI10");
    doc.add("Another paragraph of body text", "另一段正文", 400);
    const Judged j = judge(doc);
    EXPECT_FALSE(j.math.contains(r));
    EXPECT_EQ(j.accepted(r), std::optional<std::string>("\u27E60\u27E7"));
    for (const std::uint32_t id : doc.records[r].glyph_ids) EXPECT_EQ(j.word(id), "") << id;
}

TEST(TranslationAcceptance, NumberedHeadingIsNeverAFormula) {
    Doc doc;
    // Three math-font glyphs and few letters make a formula candidate; set
    // bold at 12 pt it reads as the heading "2 x y".
    const std::size_t r = doc.add("2 x y", "2 x y", 700, 100, "CMMI12-Bold", 12);
    const Judged j = judge(doc);
    EXPECT_FALSE(j.math.contains(r));
}

// Two records drawn by shared show operations.
TEST(TranslationAcceptance, SharedOperations) {
    struct Case {
        const char* name;
        std::function<void(Doc&)> setup;  // record 0 is judged, glyph 9 (when set up) is foreign
        const char* accepted;            // or null
        const char* word;                // on record 0 when not accepted
        std::vector<std::uint32_t> operator_redraw;
        std::vector<std::uint32_t> toc_redraw;
    };
    // Record 0: "Results are good" (glyphs 0..2) → changed.
    const auto base = [](Doc& d) { d.add("Results are good", "结果很好"); };
    const std::vector<Case> cases = {
        {"an operation shared with plain text: that text is redrawn",
         [&](Doc& d) {
             base(d);
             d.add("Page footer", "Page footer", 100);  // unchanged record: glyphs 3, 4
             d.share_operation(3, 2);
         },
         "结果很好", nullptr, {3}, {}},
        {"shared with a table glyph: kept",
         [&](Doc& d) {
             base(d);
             d.add("Cell", "Cell", 100);
             d.share_operation(3, 2);
             d.glyphs[3].disposition = GlyphDisposition::kept_original("table");
         },
         nullptr, "shared-operator", {}, {}},
        {"shared with a figure label that is one punctuation mark: redrawn",
         [&](Doc& d) {
             base(d);
             d.add("(", "(", 100);
             d.share_operation(3, 2);
             d.glyphs[3].disposition = GlyphDisposition::kept_original("figure");
         },
         "结果很好", nullptr, {3}, {}},
        {"shared with a math-font glyph: kept",
         [&](Doc& d) {
             base(d);
             d.add("Page footer", "Page footer", 100);
             d.glyphs[3].font_name = "MSBM10";
             d.share_operation(3, 2);
         },
         nullptr, "shared-operator", {}, {}},
        {"shared with a contents entry: that entry is redrawn",
         [&](Doc& d) {
             base(d);
             d.add("12", "12", 100);
             d.share_operation(3, 2);
             d.glyphs[3].disposition = GlyphDisposition::kept_original("toc");
         },
         "结果很好", nullptr, {}, {3}},
        {"shared with another changed record: accepted, nothing to redraw",
         [&](Doc& d) {
             base(d);
             d.add("More results", "更多结果", 100);
             d.share_operation(3, 2);
         },
         "结果很好", nullptr, {}, {}},
        {"a glyph without an operation and a foreign glyph: kept",
         [&](Doc& d) {
             base(d);
             d.add("Page footer", "Page footer", 100);
             d.share_operation(3, 2);
             d.glyphs[0].source.object_id.reset();
         },
         nullptr, "shared-operator", {}, {}},
        {"unchanged record sharing with a changed one and plain text: its own glyphs are redrawn",
         [&](Doc& d) {
             d.add("Fig. 3", "Fig. 3");                  // glyphs 0, 1
             d.add("More results", "更多结果", 100);  // glyphs 2, 3, changed
             d.add("Page footer", "Page footer", 50);    // glyphs 4, 5
             d.share_operation(2, 1);
             d.share_operation(4, 1);
         },
         // Record 0 keeps "unchanged" but is drawn again with the changed
         // record, which takes 1 and 4 along; the footer joins the same way.
         nullptr, "unchanged", {0, 1, 4, 5}, {}},
        {"unchanged record sharing with unchanged text: kept as shared",
         [&](Doc& d) {
             d.add("Fig. 3", "Fig. 3");
             d.add("Page footer", "Page footer", 100);
             d.share_operation(2, 1);
         },
         nullptr, "shared-operator", {}, {}},
    };
    for (const Case& c : cases) {
        Doc doc;
        c.setup(doc);
        const Judged j = judge(doc);
        if (c.accepted != nullptr) {
            EXPECT_EQ(j.accepted(0), std::optional<std::string>(c.accepted)) << c.name;
        } else {
            EXPECT_FALSE(j.accepted(0)) << c.name;
            for (const std::uint32_t id : doc.records[0].glyph_ids) EXPECT_EQ(j.word(id), c.word) << c.name;
        }
        EXPECT_EQ(j.result.operator_redraw_ids, GlyphIdSet(c.operator_redraw.begin(), c.operator_redraw.end()))
            << c.name;
        EXPECT_EQ(j.result.toc_redraw_ids, GlyphIdSet(c.toc_redraw.begin(), c.toc_redraw.end())) << c.name;
    }
}

TEST(TranslationAcceptance, AcceptedInRecordOrderAndRecordsWithoutGlyphsPassedOver) {
    Doc doc;
    doc.add("Second paragraph here", "第二段", 600);
    TranslationRecord empty;
    empty.source = "Nothing drawn";
    empty.translated = "无";
    doc.records.push_back(empty);
    doc.add("First paragraph here", "第一段", 700);
    const Judged j = judge(doc);
    ASSERT_EQ(j.result.accepted.size(), 2u);
    EXPECT_EQ(j.result.accepted[0].record_index, 0u);
    EXPECT_EQ(j.result.accepted[1].record_index, 2u);
}

TEST(ChangedGlyphIds, OnlyRecordsWhoseTextReallyChanges) {
    Doc doc;
    doc.add("Hello", "你好");          // 0
    doc.add("Same text", "Same text");  // 1
    doc.add("  ", "空白");              // 2: blank source
    doc.add("Gone", "   ");             // 3: blank translation
    const GlyphIdSet changed = collect_changed_glyph_ids(doc.records);
    EXPECT_EQ(changed, GlyphIdSet({0}));
}

TEST(AcceptanceTexts, OtherwiseTail) {
    const std::vector<std::tuple<std::string, std::string, std::optional<std::string>>> cases = {
        {"0 otherwise", "0，否则", "，否则"},
        {"0 OTHERWISE", "0,否则", ",否则"},
        {"0 otherwise", "0 否则", "否则"},
        {"0 otherwise", "zero", std::nullopt},
        {"0 otherwise.", "否则。", "否则。"},
        {"0 otherwisely", "0，否则", std::nullopt},
        {"x_otherwise", "否则", "否则"},  // "_" ends the run of letters
        {"0 else", "否则", std::nullopt},
    };
    for (const auto& [source, translation, tail] : cases) {
        EXPECT_EQ(otherwise_tail(source, translation), tail) << source << " / " << translation;
    }
}

TEST(AcceptanceTexts, WordListsAndBodyText) {
    struct Case {
        std::string text;
        bool word_list;
        bool body;
    };
    const std::vector<Case> cases = {
        {"apples, pears, plums, figs", true, true},
        {"apples, pears, plums", false, false},             // two commas
        {"a, b, c, d", true, true},                         // single letters are pieces too
        {"a, b, c, 1", false, false},                       // three pieces with a letter
        {"apples, pears, plums, 苹果", false, false},        // ideograph
        {"a@b, c, d, e", false, false},                     // at sign
        {kLongEnglish, false, true},
        {"\u2022 The quick brown fox jumps over the lazy dog while the farmer watches", false, true},
        {"https://example.org/abcdefghijklmnopqrstuvwxyz/abcdefghijklmnopqrstuvwxyz", false, false},
        {"short English text", false, false},
        {"The quick brown fox 狐狸 jumps over the lazy dog while the farmer watches", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(reads_as_word_list(c.text), c.word_list) << c.text;
        EXPECT_EQ(is_body_text_candidate(c.text), c.body) << c.text;
    }
}

// Prompt-section blocks: records in a plain Franklin face, some opening with
// a keyword label such as "INPUT:".
TEST(PromptSectionRecords, ChainsRunDownAPageFromAKeywordLine) {
    const std::string franklin = "FranklinGothic-Book";
    struct Line {
        const char* text;
        float top;
        std::uint32_t page;
        bool franklin;
        bool marked;
    };
    const std::vector<Line> lines = {
        // Given out of reading order: the walk sorts them.
        {"and the rest of it", 690, 0, true, true},            // 10 below the keyword line
        {"INPUT: The text to work on", 700, 0, true, true},    // keyword label
        {"still more of it here", 660, 0, true, true},         // 30 below the previous one
        {"too far below the last", 620, 0, true, false},       // 40 below
        {"close again but chain broken", 610, 0, true, false},
        {"OUTPUT: What comes back", 500, 0, true, true},
        {"A line in another face", 490, 0, false, false},      // breaks the chain
        {"plain Franklin after the break", 480, 0, true, false},
        {"plain Franklin at the top of a page", 700, 1, true, false},  // a new page starts no chain
        {"CONTEXT: Where it is used", 600, 1, true, true},
        {"Note: a callout is never plain", 590, 1, true, false},
        {"and after the callout", 580, 1, true, false},
    };
    Doc doc;
    for (const Line& line : lines) {
        doc.add(line.text, "译文", line.top, 72, line.franklin ? franklin : "Times-Roman", 10, line.page, true);
    }
    const GlyphIdIndex index(doc.glyphs);
    const std::vector<bool> marked = mark_prompt_section_records(doc.records, doc.glyphs, index);
    ASSERT_EQ(marked.size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(marked[i], lines[i].marked) << lines[i].text;
}

}  // namespace
}  // namespace zvk::rewrite
