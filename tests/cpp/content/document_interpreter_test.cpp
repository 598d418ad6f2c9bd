#include "content/document_interpreter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/document_fixture.h"

namespace zvk {
namespace {

using test::box_text;
using test::extract_objects;
using test::messages_of;
using test::one_page;
using test::pdf_stream;
using test::regions_of;

std::string pages_of(const ExtractedDocument& doc) {
    std::string out;
    for (const auto& p : doc.pages) {
        out += std::to_string(p.index) + " " + p.object_id.text() + " " + box_text(p.media_box) +
               " " + std::to_string(p.rotate) + ";";
    }
    return out;
}

const char* kCatalog = "<< /Type /Catalog /Pages 2 0 R >>";
const std::string kEmpty = pdf_stream("", "");

TEST(DocumentInterpretation, InheritedPageAttributes) {
    // A chain of 40 intermediate nodes between the root and two pages, the box
    // on the root only: deeper than any bound on the walk, shared by both pages.
    std::vector<std::string> deep = {kCatalog,
                                     "<< /Type /Pages /Kids [3 0 R] /Count 2 /MediaBox [0 0 7 7] "
                                     "/Rotate 270 >>"};
    for (int k = 0; k < 40; ++k) {
        const int self = 3 + k;
        const std::string kids = k == 39 ? "[43 0 R 44 0 R]" : "[" + std::to_string(self + 1) + " 0 R]";
        const std::string parent = std::to_string(k == 0 ? 2 : self - 1);
        deep.push_back("<< /Type /Pages /Kids " + kids + " /Count 2 /Parent " + parent + " 0 R >>");
    }
    deep.push_back("<< /Type /Page /Parent 42 0 R /Contents 45 0 R >>");
    deep.push_back("<< /Type /Page /Parent 42 0 R /Contents 45 0 R /Rotate 90 >>");
    deep.push_back(kEmpty);

    const struct {
        const char* name;
        std::vector<std::string> objects;
        std::string pages;
    } cases[] = {
        {"defaults",
         {kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>", kEmpty},
         "0 3 0 [0 0 612 792] 0;"},
        {"box normalised, rotation kept unnormalised",
         {kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /MediaBox [612 792 0 0] /Rotate 450 >>",
          kEmpty},
         "0 3 0 [0 0 612 792] 450;"},
        {"short box and real rotation pass to the parent",
         {kCatalog,
          "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 500 500] /Rotate 180 >>",
          "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /MediaBox [0 0 9] /Rotate 90.0 >>",
          kEmpty},
         "0 3 0 [0 0 500 500] 180;"},
        {"box elements resolved",
         {kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
          "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /MediaBox [0 0 5 0 R 100] >>", kEmpty,
          "200"},
         "0 3 0 [0 0 200 100] 0;"},
        {"cyclic Parent keeps the defaults",
         {kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 100 100] >>",
          "<< /Type /Page /Parent 5 0 R /Contents 4 0 R >>", kEmpty, "<< /Parent 3 0 R >>"},
         "0 3 0 [0 0 612 792] 0;"},
        {"a long shared chain", deep, "0 43 0 [0 0 7 7] 270;1 44 0 [0 0 7 7] 90;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractedDocument doc = extract_objects(c.objects);
        EXPECT_EQ(pages_of(doc), c.pages);
    }
}

TEST(DocumentInterpretation, PageLimitsAndEmptyDocuments) {
    std::vector<std::string> five = {kCatalog,
                                     "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R 7 0 R] /Count 5 >>"};
    for (int k = 0; k < 5; ++k) five.push_back("<< /Type /Page /Parent 2 0 R /Contents 8 0 R >>");
    five.push_back(pdf_stream("", "Q"));
    const struct {
        const char* name;
        std::vector<std::string> objects;
        std::optional<std::uint32_t> max_pages;
        std::size_t pages;
        std::vector<std::string> messages;
    } cases[] = {
        {"no pages", {kCatalog, "<< /Type /Pages /Kids [] /Count 0 >>"}, std::nullopt, 0,
         {"document has no pages"}},
        {"max_pages 0 interprets nothing", five, 0, 0, {}},
        {"max_pages 2", five, 2, 2,
         {"operator 'Q' skipped: Q without q", "operator 'Q' skipped: Q without q"}},
        {"all pages", five, std::nullopt, 5, std::vector<std::string>(5, "operator 'Q' skipped: Q without q")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractLimits limits;
        limits.max_pages = c.max_pages;
        ExtractedDocument doc = extract_objects(c.objects, limits);
        EXPECT_EQ(doc.pages.size(), c.pages);
        EXPECT_EQ(messages_of(doc), c.messages);
        for (std::size_t k = 0; k < doc.diagnostics.size() && !c.messages.empty(); ++k) {
            if (c.pages == 0) EXPECT_FALSE(doc.diagnostics[k].page_index);
            else EXPECT_EQ(doc.diagnostics[k].page_index, std::optional<std::uint32_t>(k));
        }
    }
}

TEST(DocumentInterpretation, InheritedResources) {
    // The parent defines F1, F3 and Im; the page F1, F2 and its own Im, a form
    // whose content reports itself.
    const std::vector<std::string> objects = {
        kCatalog,
        "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /Font << /F1 6 0 R /F3 6 0 R >> "
        "/XObject << /Im 7 0 R >> >> >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources 5 0 R >>",
        pdf_stream("", "/F1 1 Tf /F2 1 Tf /F3 1 Tf /F4 1 Tf /Im Do"),
        "<< /Font << /F1 6 0 R /F2 6 0 R >> /XObject << /Im 8 0 R >> >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        pdf_stream("/Subtype /Image /Width 1 /Height 1", "x"),
        pdf_stream("/Subtype /Form", "Q"),
    };
    ExtractedDocument doc = extract_objects(objects);
    EXPECT_EQ(messages_of(doc),
              (std::vector<std::string>{"font /F4 is not in the resource dictionary",
                                        "operator 'Q' skipped: Q without q"}));
    EXPECT_EQ(regions_of(doc), "");
}

TEST(DocumentInterpretation, ContentStreams) {
    auto page = [](const std::string& contents, std::vector<std::string> streams) {
        std::vector<std::string> objects = {kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                            "<< /Type /Page /Parent 2 0 R " + contents + " >>"};
        objects.insert(objects.end(), streams.begin(), streams.end());
        return objects;
    };
    const std::string broken = pdf_stream("/Filter /FlateDecode", "this is not deflate data");
    const struct {
        const char* name;
        std::vector<std::string> objects;
        std::vector<std::string> messages;
        std::string regions;
    } cases[] = {
        {"operands carried into the next stream",
         page("/Contents [4 0 R 5 0 R]",
              {pdf_stream("", "2 0 0 2"), pdf_stream("", "5 5 cm 0 0 10 10 re f")}),
         {}, "path [5 5 25 25];"},
        {"operands dropped before an unreadable stream",
         page("/Contents [4 0 R 5 0 R 6 0 R]",
              {pdf_stream("", "2 0 0 2"), broken, pdf_stream("", "0 0 1 1 re f")}),
         {"dropped operands before an unreadable content stream", "unreadable content stream 5 0"},
         "path [0 0 1 1];"},
        {"a missing stream", page("/Contents [4 0 R 9 0 R]", {pdf_stream("", "0 0 1 1 re f")}),
         {"unreadable content stream 9 0"}, "path [0 0 1 1];"},
        {"a reference to something else", page("/Contents 4 0 R", {"12"}),
         {"unreadable content stream 4 0"}, ""},
        {"contents through a referenced array", page("/Contents 4 0 R", {"[5 0 R]", pdf_stream("", "0 0 2 2 re f")}),
         {}, "path [0 0 2 2];"},
        {"no contents", page("", {}), {"page has no content stream"}, ""},
        {"an empty contents array", page("/Contents []", {}), {"page has no content stream"}, ""},
        {"operands left after the last stream", page("/Contents 4 0 R", {pdf_stream("", "1 2")}),
         {"trailing operands at end of page contents"}, ""},
        {"a corrupt filtered stream is never run from its raw bytes",
         page("/Contents 4 0 R",
              {pdf_stream("/Filter /FlateDecode", "0 0 10 10 re f")}),
         {"unreadable content stream 4 0"}, ""},
        {"an unfiltered stream runs from its bytes", page("/Contents 4 0 R", {pdf_stream("", "0 0 3 3 re f")}),
         {}, "path [0 0 3 3];"},
        {"an unknown filter is unreadable",
         page("/Contents 4 0 R", {pdf_stream("/Filter /NoSuchDecode", "0 0 3 3 re f")}),
         {"unreadable content stream 4 0"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractedDocument doc = extract_objects(c.objects);
        EXPECT_EQ(messages_of(doc), c.messages);
        EXPECT_EQ(regions_of(doc), c.regions);
    }
}

std::string hex_of(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out + ">";
}

TEST(DocumentInterpretation, StreamLimit) {
    // 114 bytes once decoded.
    const std::string content = "0 0 4 4 re f %" + std::string(100, 'x');
    const struct {
        const char* name;
        std::string dictionary;
        std::string data;
        std::uint64_t max_stream_bytes;
        std::vector<std::string> messages;
        std::string regions;
    } cases[] = {
        {"within the limit", "", content, 114, {}, "path [0 0 4 4];"},
        {"past the limit an unfiltered stream is unreadable", "", content, 113,
         {"unreadable content stream 5 0"}, ""},
        {"a filtered stream within the limit", "/Filter /ASCIIHexDecode", hex_of(content), 114, {},
         "path [0 0 4 4];"},
        {"past the limit a filtered stream is unreadable", "/Filter /ASCIIHexDecode",
         hex_of(content), 113, {"unreadable content stream 5 0"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractLimits limits;
        limits.max_stream_bytes = c.max_stream_bytes;
        auto objects = one_page("", "<< >>");
        objects[4] = pdf_stream(c.dictionary, c.data);
        ExtractedDocument doc = extract_objects(objects, limits);
        EXPECT_EQ(messages_of(doc), c.messages);
        EXPECT_EQ(regions_of(doc), c.regions);
    }
}

TEST(DocumentInterpretation, ContentsListingOneStreamManyTimesIsBudgeted) {
    std::string many;
    for (int k = 0; k < 5000; ++k) many += "4 0 R ";
    const std::vector<std::string> objects = {
        kCatalog, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Contents [" + many + "] >>",
        pdf_stream("", "0 0 9 9 re f" + std::string(1000, ' '))};
    ExtractedDocument doc = extract_objects(objects, {}, {1'000'000, 1000, 100'000});
    EXPECT_EQ(messages_of(doc),
              (std::vector<std::string>{
                  "page budget of 100000 decoded bytes exhausted; the rest of the page is skipped"}));
    // 100000 bytes hold 98 runs of the 1012-byte stream.
    EXPECT_EQ(doc.regions.size(), 98u);
}

// A stream's malformed tokens are told before anything its operations say,
// and operands a form leaves at its end right after them, whether the
// operations meet the token or not (the budget may stop them first); a page
// without either says only what its operations say.
TEST(DocumentInterpretation, LexerMessagesComeBeforeTheOperationsOfTheirStream) {
    const std::string form = "<< /Type /XObject /Subtype /Form /BBox [0 0 9 9] /Length 14 >>";
    const struct {
        const char* name;
        std::string content;
        std::vector<std::string> more;
        PageBudgetLimits budget;
        std::vector<std::string> messages;
        std::size_t regions;
    } cases[] = {
        {"clean page", "/Nope 9 Tf 0 0 5 5 re f", {}, {},
         {"font /Nope is not in the resource dictionary"}, 1},
        {"bad token after the operation that speaks", "/Nope 9 Tf 0 0 5 5 re f ) 0 0 5 5 re f", {}, {},
         {"unexpected token ''", "font /Nope is not in the resource dictionary"}, 2},
        {"second stream of operations", "0 0 5 5 re f /Fm Do", {pdf_stream(form, "/Nope 1 Tf 1 2")}, {},
         {"trailing operands at byte 14", "font /Nope is not in the resource dictionary"}, 1},
        {"bad token inside the form", "/Fm Do", {pdf_stream(form, "/Nope 1 Tf <0G>")}, {},
         {"bad hex string", "unexpected token ''", "font /Nope is not in the resource dictionary"}, 0},
        {"the budget stops the operations before the token", "q Q q Q q Q ( 0 0 5 5 re f", {}, {3, 1000, 1000},
         {"unterminated literal string", "page budget of 3 operations exhausted; the rest of the page is skipped"},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> more = c.more;
        const std::string resources = more.empty() ? "<< >>" : "<< /XObject << /Fm 6 0 R >> >>";
        ExtractedDocument doc = extract_objects(one_page(c.content, resources, more), {}, c.budget);
        EXPECT_EQ(messages_of(doc), c.messages);
        EXPECT_EQ(doc.regions.size(), c.regions);
    }
}

}  // namespace
}  // namespace zvk
