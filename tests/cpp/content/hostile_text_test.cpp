// Hostile fonts met through text showing must cost bounded memory and bounded
// work: fonts parsed once however often they are selected, glyph procedures
// decoded once however often they run, over-long CMap destinations refused.
// The peak resident size of the process is read around each page.
#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <string>

#include "content/document_fixture.h"
#include "content/interpreter.h"
#include "font/font_loader.h"
#include "support/peak_memory.h"

namespace zvk {
namespace {

using test::deflate;
using test::pdf_stream;

std::string repeat(const std::string& s, std::size_t times) {
    std::string out;
    out.reserve(s.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += s;
    return out;
}


// "[w w ... w]" with `count` widths.
std::string widths(std::size_t count, int width) { return "[" + repeat(std::to_string(width) + " ", count) + "]"; }

// A ToUnicode CMap mapping codes 0x41 and 0x42 to "A" and "B", padded with
// `padding` bytes of comment so that parsing it costs something.
std::string to_unicode(std::size_t padding) {
    return "%" + std::string(padding, 'x') +
           "\nbegincodespacerange <00> <FF> endcodespacerange\n"
           "beginbfchar <41> <0041> <42> <0042> endbfchar\n";
}

struct Page {
    std::unique_ptr<pdf::Document> doc;
    std::shared_ptr<const ResourceMaps> resources;
};

// One page whose resources are object 4 and whose further objects start at 6.
Page load_page(const std::string& resources, const std::vector<std::string>& more) {
    Page page;
    page.doc = test::load_pdf(test::build_pdf(test::one_page("", resources, more)));
    if (!page.doc) return page;
    pdf::Object dict = page.doc->object(ObjectId{4, 0});
    page.resources = std::make_shared<const ResourceMaps>(load_page_resources(*page.doc, dict));
    return page;
}

std::string text_of(const std::vector<Glyph>& glyphs) {
    std::string out;
    for (const auto& g : glyphs) out += g.unmapped ? "?" : g.unicode;
    return out;
}

// Well above what a page of these needs, far below a copy of a font per
// selection or of a procedure per run.
constexpr long kMaxGrowthKiB = 96 * 1024;

TEST(HostileText, DirectFontSelectedAMillionTimesIsParsedOnce) {
    constexpr std::size_t kSelections = 1'000'000;
    const struct {
        const char* name;
        std::string widths;
        std::size_t last_char;
    } cases[] = {
        {"a small direct font", widths(91, 500), 122},
        // Widths long enough that the font's contents make too long a key.
        {"a direct font too large to key by its contents", widths(30'000, 500), 30'031},
    };
    const std::string content = "BT " + repeat("/F 10 Tf () Tj ", kSelections) + "(AB) Tj ET";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Page page = load_page("<< /Font << /F << /Type /Font /Subtype /Type1 /BaseFont /Custom "
                              "/FirstChar 32 /LastChar " + std::to_string(c.last_char) +
                                  " /Widths " + c.widths + " /ToUnicode 6 0 R >> >> >>",
                              {pdf_stream("", to_unicode(1 << 20))});
        ASSERT_TRUE(page.doc);
        font::FontCache fonts;
        ResourceScope scope{page.resources};
        ContentInterpreter interp(*page.doc, ExtractLimits{}, scope, 0);
        interp.fonts = &fonts;
        test::PeakGrowth growth;
        if (!growth.start() && test::kPeakIsMeaningful) GTEST_SKIP() << "peak resident size cannot be reset here";
        interpret_page_stream(interp, content, {}, {});
        EXPECT_TRUE(growth.within(kMaxGrowthKiB)) << growth.kib() << " KiB";
        EXPECT_EQ(fonts.parsed_font_count(), 1u);
        EXPECT_EQ(text_of(interp.glyphs), "AB");
        EXPECT_FALSE(interp.budget_exhausted);
    }
}

TEST(HostileText, Type3DeflateBombShownThroughTjIsDecodedOnceAndBudgeted) {
    // 16 MiB of procedure in 16 KiB of file; every run of it is charged to
    // the page's decoded bytes, so a few thousand codes stop at the budget.
    const std::string blank(16u << 20, ' ');
    const struct {
        const char* name;
        std::string procedure;
    } cases[] = {
        {"a procedure run for every code of a long string", blank + " 0 0 1 1 re f"},
        {"a procedure that shows its own code twice", blank + " BT /T 1 Tf (aa) Tj ET"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Page page = load_page("<< /Font << /T 6 0 R >> >>",
                              {"<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1000 1000] "
                               "/FontMatrix [0.001 0 0 0.001 0 0] /CharProcs << /a 7 0 R >> "
                               "/Encoding << /Type /Encoding /Differences [97 /a] >> "
                               "/FirstChar 97 /LastChar 97 /Widths [1000] /Resources 4 0 R >>",
                               pdf_stream("/Filter /FlateDecode", deflate(c.procedure, Z_BEST_COMPRESSION))});
        ASSERT_TRUE(page.doc);
        font::FontCache fonts;
        ResourceScope scope{page.resources};
        ContentInterpreter interp(*page.doc, ExtractLimits{}, scope, 0);
        interp.fonts = &fonts;
        test::PeakGrowth growth;
        if (!growth.start() && test::kPeakIsMeaningful) GTEST_SKIP() << "peak resident size cannot be reset here";
        interpret_page_stream(interp, "BT /T 12 Tf (" + std::string(5000, 'a') + ") Tj ET", {}, {});
        EXPECT_TRUE(growth.within(kMaxGrowthKiB)) << growth.kib() << " KiB";
        EXPECT_TRUE(interp.budget_exhausted);
        // The page's budget of decoded bytes holds 16 runs of the procedure.
        EXPECT_LE(interp.glyphs.size(), 2 * kPageDecodedByteBudget / blank.size());
        ASSERT_FALSE(interp.diagnostics.empty());
        EXPECT_EQ(interp.diagnostics.back().message,
                  "page budget of 268435456 decoded bytes exhausted; the rest of the page is skipped");
    }
}

TEST(HostileText, HugeToUnicodeDestinationsGiveNoTextAndNoCopies) {
    // A 16 MiB destination that every shown code copied would cost 16 MiB a
    // glyph; the destination is refused and the code falls through to the
    // font's encoding.
    const std::string huge = "(" + std::string(16u << 20, 'x') + ")";
    const struct {
        const char* name;
        std::string entries;
    } cases[] = {
        {"a bfchar destination", "1 beginbfchar <42> " + huge + " endbfchar"},
        {"a bfrange destination string", "1 beginbfrange <42> <FF> " + huge + " endbfrange"},
        {"a bfrange destination array", "1 beginbfrange <42> <43> [" + huge + " <0043>] endbfrange"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cmap = "begincodespacerange <00> <FF> endcodespacerange\n"
                                 "1 beginbfchar <41> <0061> endbfchar\n" + c.entries;
        Page page = load_page("<< /Font << /F 6 0 R >> >>",
                              {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 7 0 R >>",
                               pdf_stream("", cmap)});
        ASSERT_TRUE(page.doc);
        font::FontCache fonts;
        ResourceScope scope{page.resources};
        ContentInterpreter interp(*page.doc, ExtractLimits{}, scope, 0);
        interp.fonts = &fonts;
        test::PeakGrowth growth;
        if (!growth.start() && test::kPeakIsMeaningful) GTEST_SKIP() << "peak resident size cannot be reset here";
        interpret_page_stream(interp, "BT /F 12 Tf " + repeat("(AB) Tj ", 5000) + "ET", {}, {});
        EXPECT_TRUE(growth.within(kMaxGrowthKiB)) << growth.kib() << " KiB";
        ASSERT_EQ(interp.glyphs.size(), 10000u);
        EXPECT_EQ(interp.glyphs[0].unicode, "a");
        EXPECT_EQ(interp.glyphs[1].unicode, "B");
    }
}

TEST(HostileText, ThousandsOfFontsSharingOneStreamDecodeItOnce) {
    // 2000 font dictionaries of a hundred bytes each name one stream that
    // inflates to 30 MiB: read per font, that is 60 GB of inflating.
    constexpr int kFonts = 2000;
    const std::string blank(30u << 20, ' ');
    const struct {
        const char* name;
        std::string font;    // object 7 and up; the shared stream is object 6
        std::string stream;  // decoded
        const char* shown;   // one code
        const char* text;    // its text
    } cases[] = {
        {"a ToUnicode CMap", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 6 0 R >>",
         blank + "beginbfchar <41> <0061> endbfchar", "A", "a"},
        {"a Type1 program", "<< /Type /Font /Subtype /Type1 /BaseFont /X /FontDescriptor << /FontFile 6 0 R >> >>",
         // Code 128 has no text in the standard encoding: the program's is used.
         "/Encoding 256 array dup 128 /Alpha put readonly def " + blank, "\\200", "\u0391"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string fonts;
        std::string content = "BT ";
        std::vector<std::string> more = {pdf_stream("/Filter /FlateDecode", deflate(c.stream, Z_BEST_COMPRESSION))};
        for (int i = 0; i < kFonts; ++i) {
            fonts += "/F" + std::to_string(i) + " " + std::to_string(7 + i) + " 0 R ";
            more.push_back(c.font);
            content += "/F" + std::to_string(i) + " 10 Tf (" + c.shown + ") Tj ";
        }
        Page page = load_page("<< /Font << " + fonts + " >> >>", more);
        ASSERT_TRUE(page.doc);
        font::FontCache cache;
        ResourceScope scope{page.resources};
        ContentInterpreter interp(*page.doc, ExtractLimits{}, scope, 0);
        interp.fonts = &cache;
        test::PeakGrowth growth;
        if (!growth.start() && test::kPeakIsMeaningful) GTEST_SKIP() << "peak resident size cannot be reset here";
        interpret_page_stream(interp, content + "ET", {}, {});
        EXPECT_TRUE(growth.within(kMaxGrowthKiB)) << growth.kib() << " KiB";
        EXPECT_EQ(cache.parsed_font_count(), std::size_t{kFonts});
        ASSERT_EQ(interp.glyphs.size(), std::size_t{kFonts});
        EXPECT_EQ(interp.glyphs.front().unicode, c.text);
        EXPECT_EQ(interp.glyphs.back().unicode, c.text);
    }
}

}  // namespace
}  // namespace zvk
