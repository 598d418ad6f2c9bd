// Hostile document structure: work that grows with the product of two parts
// of a file (pages times the entries of what they share) must not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/document_fixture.h"

namespace zvk {
namespace {

// Pages sharing one large resource dictionary: read afresh for every page,
// it costs pages x entries (this file of 2.5 MB, 10,000 pages sharing
// 100,000 font entries, took more than seven minutes that way).
TEST(HostileDocument, PagesSharingALargeResourceDictionaryReadItOnce) {
    constexpr int kPages = 10'000;
    constexpr int kEntries = 100'000;
    std::string resources = "<< /Font << ";
    for (int i = 0; i < kEntries; ++i) resources += "/F" + std::to_string(i) + " 4 0 R ";
    resources += ">> >>";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "",  // the page tree, below
        resources,
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        test::pdf_stream("", "BT /F7 10 Tf (a) Tj ET"),
    };
    std::string kids;
    for (int p = 0; p < kPages; ++p) {
        kids += std::to_string(6 + p) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /Resources 3 0 R /Contents 5 0 R >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(kPages) + " >>";
    ExtractedDocument doc = test::extract_objects(objects);
    ASSERT_EQ(doc.pages.size(), std::size_t{kPages});
    ASSERT_EQ(doc.glyphs.size(), std::size_t{kPages});
    EXPECT_EQ(doc.glyphs.back().unicode, "a");
}

// Every page naming one heavy content: the document's budget ends the work
// once it is spent, whatever the page count; every page is still listed.
TEST(HostileDocument, DocumentBudgetStopsWorkAcrossPages) {
    constexpr int kPages = 50;
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "",  // the page tree, below
        "<< /Font << /F 4 0 R >> >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        test::pdf_stream("", "BT /F 10 Tf (" + std::string(100, 'a') + ") Tj ET"),
    };
    std::string kids;
    for (int p = 0; p < kPages; ++p) {
        kids += std::to_string(6 + p) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /Resources 3 0 R /Contents 5 0 R >>");
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(kPages) + " >>";
    PageBudgetLimits document = kDocumentBudget;
    document.glyphs = 1050;  // ten pages and a half
    auto doc = pdf::Document::from_bytes(test::build_pdf(objects), pdf::LoadSettings{});
    ASSERT_TRUE(doc.has_value());
    ExtractedDocument out = interpret_document(*doc, ExtractLimits{}, PageBudgetLimits{}, document);
    EXPECT_EQ(out.pages.size(), std::size_t{kPages});
    EXPECT_EQ(out.glyphs.size(), 1050u);
    EXPECT_EQ(out.glyphs.back().page_index, 10u);
    ASSERT_EQ(out.diagnostics.size(), 1u);
    EXPECT_EQ(out.diagnostics[0].message,
              "document budget of 1050 glyphs exhausted; the rest of the document is skipped");
    EXPECT_EQ(out.diagnostics[0].page_index, 10u);
}

// The document's glyphs are bounded by its file's size too (16 a byte), never
// below the floor that keeps small files with dense forms whole, never above
// the fixed ceiling; the other parts keep the fixed budget.
TEST(HostileDocument, DocumentGlyphBudgetFollowsTheInputSize) {
    const struct {
        std::uint64_t input_bytes;
        std::uint64_t glyphs;
    } cases[] = {
        {0, 1'000'000},
        {36'000, 1'000'000},                  // one content on 6,000 pages
        {62'500, 1'000'000},                  // where 16 a byte meets the floor
        {62'501, 1'000'016},
        {100'000, 1'600'000},
        {312'500, 5'000'000},                 // where it meets the ceiling
        {312'501, 5'000'000},
        {20'000'000, 5'000'000},              // a real book
        {UINT64_MAX / 16 + 1, 5'000'000},     // the product would wrap
        {UINT64_MAX, 5'000'000},
    };
    for (const auto& c : cases) {
        const PageBudgetLimits budget = document_budget_for_input(c.input_bytes);
        EXPECT_EQ(budget.glyphs, c.glyphs) << c.input_bytes;
        EXPECT_EQ(budget.operations, kDocumentBudget.operations) << c.input_bytes;
        EXPECT_EQ(budget.decoded_bytes, kDocumentBudget.decoded_bytes) << c.input_bytes;
    }
}

}  // namespace
}  // namespace zvk
