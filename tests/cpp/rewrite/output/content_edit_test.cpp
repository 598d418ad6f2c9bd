// Blanking of replaced show operations on extracted fixtures: the bytes
// written, the glyphs that keep their drawing and why, the runs that may be
// drawn, nothing changed when any stream fails, and kept words that stay
// where they were (read back by pdftotext -bbox).
#include "rewrite/output/content_edit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/text.h"
#include "rewrite/output/edit_fixture.h"

namespace zvk::rewrite {
namespace {

using namespace test_support;
using zvk::test::deflate;
using zvk::test::pdf_stream;

const OutputMode kReplace = OutputMode::replace();

std::string spaces(std::size_t n) { return std::string(n, ' '); }

std::unordered_set<std::uint32_t> ids_of(const ExtractedDocument& d, const std::vector<std::string>& words) {
    std::unordered_set<std::uint32_t> out;
    std::map<std::string, int> seen;
    for (const std::string& w : words) {
        for (std::uint32_t id : word_ids(d, w, seen[w]++)) out.insert(id);
    }
    return out;
}

TextRun run_over(std::vector<std::uint32_t> ids, std::string text) {
    TextRun run;
    run.text = std::move(text);
    run.source_glyph_ids = std::move(ids);
    return run;
}

struct BlankCase {
    const char* name;
    std::string content;
    std::vector<std::string> replaced;
    std::string expected;  // the stream afterwards
    // The keep reason of each replaced word's glyphs, in order; empty:
    // blanked. Missing ones are empty.
    std::vector<std::string> reasons = {};
};

TEST(BlankReplacedOperations, RewritesOnlyWhatMayGo) {
    const std::string bt = "BT /F1 10 Tf 14 TL 72 700 Td ";
    const std::vector<BlankCase> cases = {
        {"tj", bt + "(Hello) Tj ET", {"Hello"}, bt + spaces(10) + " ET"},
        {"tj_array", bt + "[(A) -20 (B)] TJ ET", {"AB"}, bt + spaces(16) + " ET"},
        {"quote_keeps_line_move", bt + "(Hi) Tj (World) ' ET", {"World"}, bt + "(Hi) Tj ()" + spaces(5) + " ' ET"},
        {"double_quote_keeps_spacing", bt + "(Hi) Tj 1 0.5 (World) \" ET", {"World"},
         bt + "(Hi) Tj 1 0.5 ()" + spaces(5) + " \" ET"},
        {"hex_quote", bt + "<576F726C64> ' ET", {"World"}, bt + "<>" + spaces(10) + " ' ET"},
        {"kept_word_in_same_operation", bt + "(Hello World) Tj ET", {"Hello"}, bt + "(Hello World) Tj ET",
         {"shared-operator"}},
        {"blank_glyph_not_replaced", bt + "(Hello ) Tj ET", {"Hello"}, bt + spaces(11) + " ET"},
        {"kept_show_follows_pen_moved", bt + "(Translated) Tj (kept) Tj ET", {"Translated"},
         bt + "[-4724.000] TJ  (kept) Tj ET"},
        {"kept_show_follows_no_room", bt + "(Hello) Tj (kept) Tj ET", {"Hello"}, bt + "(Hello) Tj (kept) Tj ET",
         {"shared-operator"}},
        {"kept_show_after_line_move", bt + "(Hello) Tj 0 -14 Td (kept) Tj ET", {"Hello"},
         bt + spaces(10) + " 0 -14 Td (kept) Tj ET"},
        {"invisible_show_follows", bt + "(Hello) Tj 3 Tr (ghost) Tj ET", {"Hello"},
         bt + spaces(10) + " 3 Tr (ghost) Tj ET"},
        {"all_shows_of_line_replaced", bt + "(Hello) Tj (World) Tj ET", {"Hello", "World"},
         bt + spaces(10) + " " + spaces(10) + " ET"},
        {"leading_kern_counted", bt + "[-500 (Translated)] TJ (kept) Tj ET", {"Translated"},
         bt + "[-5224.000] TJ" + spaces(8) + " (kept) Tj ET"},
        {"zero_size_cannot_move_pen", "BT /F1 0 Tf 72 700 Td (Translated) Tj (kept) Tj ET", {"Translated"},
         "BT /F1 0 Tf 72 700 Td (Translated) Tj (kept) Tj ET", {"shared-operator"}},
        {"quote_then_kept_show", bt + "(A long greeting here) ' (kept) Tj ET", {"A long greeting here"},
         bt + "() ' [-9005.000] TJ" + spaces(5) + " (kept) Tj ET"},
        // Hello cannot move the pen in its bytes and stays: Translated,
        // now followed by a kept show, moves it instead of vanishing.
        {"kept_show_that_stays_forces_earlier", bt + "(Translated) Tj (Hello) Tj (kept) Tj ET",
         {"Translated", "Hello"}, bt + "[-4724.000] TJ  (Hello) Tj (kept) Tj ET", {"", "shared-operator"}},
    };
    for (const BlankCase& c : cases) {
        SCOPED_TRACE(c.name);
        Extracted e = extract_pdf(one_page_pdf(c.content));
        ASSERT_TRUE(e.doc);
        const auto replaced = ids_of(e.extracted, c.replaced);
        ASSERT_FALSE(replaced.empty());
        GlyphReasons reasons;
        std::vector<TextRun> runs;
        blank_replaced_operations(*e.doc, e.extracted.glyphs, e.index, e.operators, replaced, reasons, runs, kReplace);

        const pdf::Object stream = e.doc->object({4, 0});
        EXPECT_EQ(stream_text(*e.doc, 4), c.expected);
        // A stream is written back plain exactly when it changed.
        EXPECT_EQ(stream.stream_has_filter(), c.expected == c.content);
        const auto blanked = collect_blanked_glyph_ids(replaced, reasons);
        std::map<std::string, int> seen;
        for (std::size_t w = 0; w < c.replaced.size(); ++w) {
            const std::string want = w < c.reasons.size() ? c.reasons[w] : "";
            for (std::uint32_t id : word_ids(e.extracted, c.replaced[w], seen[c.replaced[w]]++)) {
                EXPECT_EQ(reasons.contains(id) ? reasons[id] : "", want) << c.replaced[w];
                EXPECT_EQ(blanked.contains(id), want.empty()) << c.replaced[w];
            }
        }
    }
}

// Every stream is checked before any is written: stream 6 of the page
// fails, and stream 4 (which comes first) keeps its compressed bytes.
TEST(BlankReplacedOperations, FailureChangesNothing) {
    const std::string first = "BT /F1 10 Tf 72 700 Td (Hello) Tj ET";
    const std::string second = "BT /F1 10 Tf 72 650 Td (World) Tj ET";
    auto pdf = [&](const std::string& object6) {
        return pdf_with_pages({"/Resources << /Font << /F1 5 0 R >> >> /Contents [4 0 R 6 0 R]"},
                              {pdf_stream("/Filter /FlateDecode", deflate(first)), kHelvetica, object6});
    };
    const Extracted source = extract_pdf(pdf(pdf_stream("/Filter /FlateDecode", deflate(second))));
    const auto replaced = ids_of(source.extracted, {"Hello", "World"});
    ASSERT_EQ(replaced.size(), 10u);

    struct Case {
        const char* name;
        std::string object6;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"broken_filter", pdf_stream("/Filter /FlateDecode", "this is no deflate data"),
         "stream 6 0: stream data cannot be decoded"},
        {"not_a_stream", "[1 2]", "stream 6 0: object has wrong type; expected type Stream but found type Array"},
        {"missing", "null", "stream 6 0: object ID 6 0 not found"},
        {"range_beyond_content", pdf_stream("/Filter /FlateDecode", deflate("BT ET")),
         "operator range is outside the content stream"},
        {"range_not_an_operation", pdf_stream("/Filter /FlateDecode", deflate("BT /F1 10 Tf 72 650 Td 1 2 3 4 re f  ET")),
         "stream 6 0: no text-showing operation at bytes 23 to 33"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = zvk::test::load_pdf(pdf(c.object6));
        ASSERT_TRUE(doc);
        const std::string stored = *doc->object({4, 0}).stream_raw_data();
        GlyphReasons reasons{{*replaced.begin(), "folio"}};
        std::vector<TextRun> runs = {run_over(word_ids(source.extracted, "Hello"), "你好"),
                                     run_over({}, "页眉")};
        blank_replaced_operations(*doc, source.extracted.glyphs, source.index, source.operators, replaced, reasons,
                                  runs, kReplace);
        EXPECT_TRUE(doc->object({4, 0}).stream_has_filter());
        EXPECT_EQ(*doc->object({4, 0}).stream_raw_data(), stored);
        for (std::uint32_t id : replaced) EXPECT_EQ(reasons[id], c.message) << id;
        // The run over glyphs that stay is not drawn; one that replaces
        // nothing is.
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].text, "页眉");
    }
}

// A form drawn on two pages is one operation: it goes only when its text
// is replaced on both.
TEST(BlankReplacedOperations, FormOnTwoPages) {
    const std::string form = "BT /F1 10 Tf 72 750 Td (Header) Tj ET";
    const std::string page = "/Resources << /XObject << /Fm 7 0 R >> >> /Contents ";
    const std::string bytes = pdf_with_pages(
        {page + "5 0 R", page + "6 0 R"},
        {pdf_stream("", "/Fm Do"), pdf_stream("", "/Fm Do"),
         pdf_stream("/Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << /Font << /F1 8 0 R >> >> "
                    "/Filter /FlateDecode",
                    deflate(form)),
         kHelvetica});
    struct Case {
        const char* name;
        std::vector<int> pages;
        std::string expected;
        std::string reason = {};
    };
    const std::vector<Case> cases = {
        {"one_page", {0}, form, {"shared-operator"}},
        {"both_pages", {0, 1}, "BT /F1 10 Tf 72 750 Td " + spaces(11) + " ET"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Extracted e = extract_pdf(bytes);
        ASSERT_TRUE(e.doc);
        std::unordered_set<std::uint32_t> replaced;
        for (int p : c.pages) {
            for (std::uint32_t id : word_ids(e.extracted, "Header", p)) replaced.insert(id);
        }
        ASSERT_EQ(replaced.size(), 6 * c.pages.size());
        GlyphReasons reasons;
        std::vector<TextRun> runs;
        blank_replaced_operations(*e.doc, e.extracted.glyphs, e.index, e.operators, replaced, reasons, runs, kReplace);
        EXPECT_EQ(stream_text(*e.doc, 7), c.expected);
        for (std::uint32_t id : replaced) {
            EXPECT_EQ(reasons.contains(id) ? reasons[id] : "", c.reason) << id;
        }
    }
}

// A run is drawn only over source text that went; a dropped run keeps the
// rest of its text, which keeps more operations and drops more runs.
TEST(BlankReplacedOperations, RunsSettleTogetherWithOperations) {
    const std::string content =
        "BT /F1 10 Tf 72 700 Td (Alpha Delta) Tj ET\n"
        "BT /F1 10 Tf 72 680 Td (Gamma Zeta) Tj ET\n"
        "BT /F1 10 Tf 72 660 Td (Epsilon) Tj ET\n"
        "BT /F1 10 Tf 72 640 Td (Theta) Tj ET\n";
    Extracted e = extract_pdf(one_page_pdf(content));
    ASSERT_TRUE(e.doc);
    const auto& d = e.extracted;
    auto join = [](std::vector<std::uint32_t> a, const std::vector<std::uint32_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    // Delta is not replaced, so Alpha's operation stays, so the first run
    // goes, so Gamma stays, so Zeta's operation stays, so the second run
    // goes and Epsilon stays too. Theta's run is independent.
    std::vector<TextRun> runs = {
        run_over(join(word_ids(d, "Alpha"), word_ids(d, "Gamma")), "一"),
        run_over(join(word_ids(d, "Zeta"), word_ids(d, "Epsilon")), "二"),
        run_over(word_ids(d, "Theta"), "三"),
    };
    const auto replaced = ids_of(d, {"Alpha", "Gamma", "Zeta", "Epsilon", "Theta"});
    GlyphReasons reasons;
    blank_replaced_operations(*e.doc, d.glyphs, e.index, e.operators, replaced, reasons, runs, kReplace);

    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, "三");
    const auto blanked = collect_blanked_glyph_ids(replaced, reasons);
    for (std::uint32_t id : word_ids(d, "Theta")) EXPECT_TRUE(blanked.contains(id));
    for (const char* w : {"Alpha", "Gamma", "Zeta", "Epsilon"}) {
        for (std::uint32_t id : word_ids(d, w)) EXPECT_EQ(reasons[id], "shared-operator") << w;
    }
    EXPECT_EQ(stream_text(*e.doc, 4),
              "BT /F1 10 Tf 72 700 Td (Alpha Delta) Tj ET\n"
              "BT /F1 10 Tf 72 680 Td (Gamma Zeta) Tj ET\n"
              "BT /F1 10 Tf 72 660 Td (Epsilon) Tj ET\n"
              "BT /F1 10 Tf 72 640 Td " + spaces(10) + " ET\n");
    // No run that remains lies over source text still drawn.
    for (const TextRun& run : runs) {
        for (std::uint32_t id : run.source_glyph_ids) EXPECT_TRUE(blanked.contains(id));
    }
}

TEST(BlankReplacedOperations, OverlayAndMissingStreams) {
    const std::string content = "BT /F1 10 Tf 72 700 Td (Hello) Tj ET";
    {
        SCOPED_TRACE("overlay keeps the source text and every run");
        Extracted e = extract_pdf(one_page_pdf(content));
        const auto replaced = ids_of(e.extracted, {"Hello"});
        GlyphReasons reasons;
        std::vector<TextRun> runs = {run_over(word_ids(e.extracted, "Hello"), "你好")};
        blank_replaced_operations(*e.doc, e.extracted.glyphs, e.index, e.operators, replaced, reasons, runs,
                                  OutputMode::bilingual(BilingualLayout::Overlay));
        EXPECT_EQ(stream_text(*e.doc, 4), content);
        EXPECT_TRUE(e.doc->object({4, 0}).stream_has_filter());
        EXPECT_TRUE(reasons.empty());
        EXPECT_EQ(runs.size(), 1u);
        EXPECT_EQ(collect_blanked_glyph_ids(replaced, reasons), replaced);
    }
    {
        SCOPED_TRACE("a glyph without a stream keeps its drawing and its run goes");
        Extracted e = extract_pdf(one_page_pdf(content));
        const std::vector<std::uint32_t> hello = word_ids(e.extracted, "Hello");
        e.extracted.glyphs[e.index.position(hello[0]).value()].source.object_id.reset();
        e.operators.clear();
        for (const Glyph& g : e.extracted.glyphs) {
            if (auto key = operator_key_of(g.source)) e.operators[*key].push_back(g.id);
        }
        const std::unordered_set<std::uint32_t> replaced(hello.begin(), hello.end());
        GlyphReasons reasons;
        std::vector<TextRun> runs = {run_over(hello, "你好")};
        blank_replaced_operations(*e.doc, e.extracted.glyphs, e.index, e.operators, replaced, reasons, runs, kReplace);
        EXPECT_EQ(reasons[hello[0]], "no-stream");
        for (std::size_t k = 1; k < hello.size(); ++k) EXPECT_EQ(reasons[hello[k]], "shared-operator");
        EXPECT_TRUE(runs.empty());
        EXPECT_EQ(stream_text(*e.doc, 4), content);
    }
}

// Some writers end a stream with a TJ's operand and start the next with
// the operator: both streams are edited, and the pen move, when one is
// needed, takes the operand's place.
TEST(BlankReplacedOperations, OperandLeftInThePreviousStream) {
    struct Case {
        const char* name;
        std::string first;
        std::string second;
        std::string first_after;
        std::string second_after;
        std::string reason;
    };
    const std::string bt = "BT /F1 10 Tf 72 700 Td";
    const std::vector<Case> cases = {
        {"nothing_after", bt + " [(Translated)]", "TJ ET", bt + "[]" + spaces(13), "TJ ET", ""},
        {"kept_show_after", bt + " [(Translated)]", "TJ (kept) Tj ET", bt + "[-4724.000]" + spaces(4),
         "TJ (kept) Tj ET", ""},
        {"string_operand", bt + " (Translated)", "Tj ET", bt + "[]" + spaces(11), "TJ ET", ""},
        {"no_room_for_the_move", bt + " [(Hello)]", "TJ (kept) Tj ET", bt + " [(Hello)]", "TJ (kept) Tj ET",
         "shared-operator"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string pdf = pdf_with_pages({"/Resources << /Font << /F1 5 0 R >> >> /Contents [4 0 R 6 0 R]"},
                                               {pdf_stream("", c.first), kHelvetica, pdf_stream("", c.second)});
        Extracted e = extract_pdf(pdf);
        ASSERT_TRUE(e.doc);
        const std::string word = c.first.find("Hello") != std::string::npos ? "Hello" : "Translated";
        const std::vector<std::uint32_t> ids = word_ids(e.extracted, word);
        const std::unordered_set<std::uint32_t> replaced(ids.begin(), ids.end());
        GlyphReasons reasons;
        std::vector<TextRun> runs;
        blank_replaced_operations(*e.doc, e.extracted.glyphs, e.index, e.operators, replaced, reasons, runs, kReplace);
        EXPECT_EQ(stream_text(*e.doc, 4), c.first_after);
        EXPECT_EQ(stream_text(*e.doc, 6), c.second_after);
        for (std::uint32_t id : ids) EXPECT_EQ(reasons.contains(id) ? reasons[id] : "", c.reason);
        if (c.second.find("kept") != std::string::npos && have_tool("pdftotext")) {
            Extracted source = extract_pdf(pdf);
            const auto before = word_boxes(*source.doc);
            const auto after = word_boxes(*e.doc);
            ASSERT_TRUE(before && after && !after->empty());
            // The kept word (joined to the text before it when that stays)
            // ends where it ended.
            EXPECT_TRUE(after->back().text.ends_with("kept")) << after->back().text;
            EXPECT_EQ(after->back().text == "kept", c.reason.empty());
            EXPECT_NEAR(after->back().x_max, before->back().x_max, 0.01);
        }
    }
}

// The words that keep their drawing are where they were, whether their
// line lost a Tj, a TJ with a leading kern or a ' before them.
TEST(BlankReplacedOperations, KeptWordsStayPut) {
    if (!have_tool("pdftotext")) GTEST_SKIP() << "pdftotext missing";
    const std::string content =
        "BT /F1 10 Tf 14 TL 72 700 Td (Translated ) Tj (kept) Tj ET\n"
        "BT /F1 10 Tf 14 TL 72 660 Td (first) Tj (A long greeting here ) ' (stays) Tj ET\n"
        "BT /F1 10 Tf 72 600 Td [-500 (Translated )] TJ (also) Tj 0 -14 Td (Translated) Tj ET\n";
    const std::string pdf = one_page_pdf(content);
    Extracted before = extract_pdf(pdf);
    ASSERT_TRUE(before.doc);
    const auto source_words = word_boxes(*before.doc);
    ASSERT_TRUE(source_words);

    Extracted e = extract_pdf(pdf);
    const auto replaced = ids_of(e.extracted, {"Translated", "A long greeting here", "Translated", "Translated"});
    GlyphReasons reasons;
    std::vector<TextRun> runs;
    blank_replaced_operations(*e.doc, e.extracted.glyphs, e.index, e.operators, replaced, reasons, runs, kReplace);
    EXPECT_EQ(collect_blanked_glyph_ids(replaced, reasons).size(), replaced.size());
    const auto words = word_boxes(*e.doc);
    ASSERT_TRUE(words);

    std::vector<std::string> texts;
    for (const WordBox& w : *words) texts.push_back(w.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"kept", "first", "stays", "also"}));
    for (const WordBox& w : *words) {
        const auto old = std::find_if(source_words->begin(), source_words->end(),
                                      [&](const WordBox& s) { return s.text == w.text; });
        ASSERT_NE(old, source_words->end()) << w.text;
        EXPECT_NEAR(w.x_min, old->x_min, 0.01) << w.text;
        EXPECT_NEAR(w.y_min, old->y_min, 0.01) << w.text;
        EXPECT_NEAR(w.x_max, old->x_max, 0.01) << w.text;
    }
}

}  // namespace
}  // namespace zvk::rewrite

namespace zvk::rewrite {
namespace {

std::size_t letters_in(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](unsigned char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    }));
}

std::string pdftotext_page(const std::string& pdf, int page) {
    zvk::test::TempDir dir;
    const std::string out = dir.file("p.txt");
    const std::string command = "pdftotext -q -f " + std::to_string(page) + " -l " + std::to_string(page) + " '" +
                                pdf + "' '" + out + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0) return "<failed>";
    return zvk::test::read_file(out);
}

// A real paper: all visible text of its first page replaced goes, the file
// stays valid, and the second page is untouched.
TEST(BlankReplacedOperations, CorpusPaperFirstPage) {
    const std::string path = std::string(ZVK_CORPUS_DIR) + "/papers/glia-calcium-waves.pdf";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "corpus absent";
    if (!have_tool("pdftotext") || !have_tool("qpdf")) GTEST_SKIP() << "pdftotext or qpdf missing";
    Extracted e = extract_pdf(zvk::test::read_file(path));
    ASSERT_TRUE(e.doc);
    std::unordered_set<std::uint32_t> replaced;
    for (const Glyph& g : e.extracted.glyphs) {
        if (g.page_index == 0 && !trim_white_space(g.unicode).empty()) replaced.insert(g.id);
    }
    ASSERT_GT(replaced.size(), 1000u);
    GlyphReasons reasons;
    std::vector<TextRun> runs;
    blank_replaced_operations(*e.doc, e.extracted.glyphs, e.index, e.operators, replaced, reasons, runs,
                              OutputMode::replace());
    const auto blanked = collect_blanked_glyph_ids(replaced, reasons);
    EXPECT_GT(blanked.size(), replaced.size() * 95 / 100);

    zvk::test::TempDir dir;
    const std::string out = dir.file("out.pdf");
    ASSERT_TRUE(e.doc->save(out));
    EXPECT_EQ(std::system(("qpdf --check '" + out + "' >/dev/null 2>&1").c_str()), 0);
    const std::string first_before = pdftotext_page(path, 1);
    const std::string first_after = pdftotext_page(out, 1);
    EXPECT_GT(letters_in(first_before), 2000u);
    EXPECT_LT(letters_in(first_after), letters_in(first_before) / 20) << first_after;
    EXPECT_EQ(pdftotext_page(out, 2), pdftotext_page(path, 2));
}

}  // namespace
}  // namespace zvk::rewrite
