// The extraction JSON written in pieces on worker threads and decoded into
// units of one width, against the single writer's text: every piece size,
// thread count and unit width gives the same characters, the same length and
// the same widest character, whichever page or member holds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "api/options.h"
#include "api/pdf_files.h"
#include "api/result_json.h"
#include "base/utf8.h"
#include "support/pdf_builder.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;

// The single writer's text as characters: what the pieces must give.
std::u32string serial_characters(const ExtractedDocument& doc) {
    auto serial = extracted_document_to_pretty_json(doc);
    std::u32string out;
    if (!serial) return out;
    for (Utf8Step step : Utf8Range(*serial)) out.push_back(step.scalar);
    return out;
}

// Decoded by threads started for the call, or (`standby`) by threads
// started beforehand, as the module does.
template <typename Unit>
std::u32string filled(ExtractionText& text, unsigned threads, bool standby = false) {
    // A canary past the end shows a piece written beyond its slice.
    std::vector<Unit> room(text.length() + 1, Unit{0x5A});
    std::optional<StandbyWorkers> crew;
    if (standby) crew.emplace(threads);
    auto result = standby ? text.fill(std::span(room.data(), text.length()), *crew)
                          : text.fill(std::span(room.data(), text.length()), threads);
    EXPECT_TRUE(result) << result.error().display();
    EXPECT_EQ(room.back(), Unit{0x5A}) << "written past the end";
    return std::u32string(room.begin(), room.end() - 1);
}

// Writes `doc` in pieces and decodes it into units of `width` bytes.
std::u32string pieces_as(const ExtractedDocument& doc, std::size_t glyphs_per_piece, unsigned threads,
                         int width, bool standby, std::size_t& length, char32_t& widest) {
    ExtractionText text(glyphs_per_piece);
    auto written = text.write(doc, threads);
    EXPECT_TRUE(written) << written.error().display();
    length = text.length();
    widest = text.widest();
    switch (width) {
    case 1: return filled<std::uint8_t>(text, threads, standby);
    case 2: return filled<std::uint16_t>(text, threads, standby);
    default: return filled<std::uint32_t>(text, threads, standby);
    }
}

// What ExtractionText::widest() tells: ASCII counts as 0x7F.
char32_t widest_of(const std::u32string& text) {
    return std::max<char32_t>(0x7F, *std::max_element(text.begin(), text.end()));
}

int narrowest_width(char32_t widest) { return widest <= 0xFF ? 1 : widest <= 0xFFFF ? 2 : 4; }

// Reads `document` and writes its text at once, decoded into units of the
// narrowest width.
std::u32string extracted_at_once(const pdf::Document& document, std::size_t glyphs_per_piece,
                                 unsigned threads, std::size_t& length, char32_t& widest) {
    ExtractionText text(glyphs_per_piece);
    auto written = text.extract_and_write(document, ExtractLimits{}, threads);
    EXPECT_TRUE(written) << written.error().display();
    length = text.length();
    widest = text.widest();
    switch (narrowest_width(widest)) {
    case 1: return filled<std::uint8_t>(text, threads);
    case 2: return filled<std::uint16_t>(text, threads);
    default: return filled<std::uint32_t>(text, threads);
    }
}

// The extraction of `document`; a failure (memory only) fails the test.
ExtractedDocument extracted(const pdf::Document& document) {
    auto extraction = extract_document(document, ExtractLimits{});
    EXPECT_TRUE(extraction);
    return extraction ? std::move(*extraction) : ExtractedDocument{};
}

// Reading and writing at once against reading, then the single writer.
void expect_extracted_at_once_matches_serial(const pdf::Document& document) {
    const std::u32string expected = serial_characters(extracted(document));
    ASSERT_FALSE(expected.empty());
    for (std::size_t per_piece : {std::size_t{1}, std::size_t{7}, ExtractionText::kGlyphsPerPiece}) {
        for (unsigned threads : {1u, 2u, 8u}) {
            SCOPED_TRACE(::testing::Message() << per_piece << " glyphs a piece, " << threads << " threads");
            std::size_t length = 0;
            char32_t widest = 0;
            std::u32string got = extracted_at_once(document, per_piece, threads, length, widest);
            EXPECT_EQ(length, expected.size());
            EXPECT_EQ(widest, widest_of(expected));
            EXPECT_TRUE(got == expected) << "the pieces differ from the single writer's text";
        }
    }
}

// Pages whose text is shown as UTF-16 codes through a predefined CMap, so
// each page holds exactly the characters given; an empty page in between.
std::string pages_of_text(const std::vector<std::string>& utf16_hex_per_page) {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "",  // the page tree, once the page objects are numbered
        "<< /Type /Font /Subtype /Type0 /BaseFont /Test /Encoding /UniGB-UTF16-H "
        "/DescendantFonts [4 0 R] >>",
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Test "
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> >>",
    };
    std::string kids;
    for (const auto& hex : utf16_hex_per_page) {
        const std::size_t page = objects.size() + 1;
        kids += std::to_string(page) + " 0 R ";
        objects.push_back("<< /Type /Page /Parent 2 0 R /Resources << /Font << /V 3 0 R >> >> /Contents " +
                          std::to_string(page + 1) + " 0 R >>");
        objects.push_back(test::pdf_stream("", hex.empty() ? "" : "BT /V 10 Tf 72 700 Td <" + hex + "> Tj ET"));
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(utf16_hex_per_page.size()) + " >>";
    return test::build_pdf(objects);
}

// Checks every piece size, thread count and wide-enough unit against the
// single writer.
void expect_pieces_match_serial(const ExtractedDocument& doc) {
    const std::u32string expected = serial_characters(doc);
    ASSERT_FALSE(expected.empty());
    const char32_t expected_widest = widest_of(expected);
    for (std::size_t per_piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, ExtractionText::kGlyphsPerPiece}) {
        for (unsigned threads : {1u, 3u, 8u}) {
            for (int width : {1, 2, 4}) {
                if (width < narrowest_width(expected_widest)) continue;
                for (bool standby : {false, true}) {
                    SCOPED_TRACE(::testing::Message() << per_piece << " glyphs a piece, " << threads
                                                      << " threads" << (standby ? " started beforehand" : "")
                                                      << ", units of " << width);
                    std::size_t length = 0;
                    char32_t widest = 0;
                    std::u32string got = pieces_as(doc, per_piece, threads, width, standby, length, widest);
                    EXPECT_EQ(length, expected.size());
                    EXPECT_EQ(widest, expected_widest);
                    EXPECT_TRUE(got == expected) << "the pieces differ from the single writer's text";
                }
            }
        }
    }
}

Glyph glyph_with(std::uint32_t page, std::string unicode) {
    Glyph g;
    g.page_index = page;
    g.unicode = std::move(unicode);
    g.char_code = "A";
    g.matrix = {10, 0, 0, 10, 72, 700};
    return g;
}

// Glyphs with the given texts, page by page, ids in order, three more
// ASCII glyphs on every page so that pieces cut through pages.
ExtractedDocument document_of(const std::vector<std::vector<std::string>>& pages) {
    ExtractedDocument doc;
    for (std::uint32_t p = 0; p < pages.size(); ++p) {
        PageInfo info;
        info.index = p;
        info.object_id = ObjectId{p + 3, 0};
        doc.pages.push_back(info);
        for (const auto& text : pages[p]) doc.glyphs.push_back(glyph_with(p, text));
        for (const char* filler : {"x", "y", "z"}) doc.glyphs.push_back(glyph_with(p, filler));
    }
    for (std::size_t i = 0; i < doc.glyphs.size(); ++i) doc.glyphs[i].id = static_cast<std::uint32_t>(i);
    return doc;
}

TEST(ExtractionText, PiecesJoinIntoTheSingleWritersText) {
    struct Case {
        const char* name;
        ExtractedDocument doc;
    };
    std::vector<Case> cases;
    cases.push_back({"ASCII only", document_of({{"H", "i"}, {"t", "h", "e", "r", "e"}})});
    cases.push_back({"Latin-1 on the second page", document_of({{"c", "a"}, {"f", "\xC3\xA9"}})});
    cases.push_back({"the BMP on the third page",
                     document_of({{"a"}, {"\xC3\xA9"}, {"\xE4\xB8\xAD", "\xEF\xAC\x83"}})});
    cases.push_back({"beyond the BMP on the last page",
                     document_of({{"a"}, {"\xC3\xA9"}, {"\xE4\xB8\xAD"}, {"\xF0\x9F\x98\x80"}})});
    cases.push_back({"beyond the BMP on the first page, ASCII after",
                     document_of({{"\xF0\x9D\x9B\xBC"}, {"a"}, {"b"}, {"c"}})});
    cases.push_back({"escaped characters", document_of({{"\"", "\\", std::string("\x01\x1f\n", 3)}})});
    {
        // The widest character in a diagnostic (the piece before the glyphs).
        ExtractedDocument doc = document_of({{"a"}, {"b"}});
        doc.diagnostics.push_back({0, "font \xF0\x9F\x98\x80 not found"});
        cases.push_back({"beyond the BMP in a diagnostic", std::move(doc)});
    }
    {
        // ... and in a region's kind (the piece after them).
        ExtractedDocument doc = document_of({{"a"}, {"b"}});
        doc.regions.push_back({1, Box{0, 0, 1, 1}, "\xE2\x80\x94"});
        cases.push_back({"the BMP in a region", std::move(doc)});
    }
    {
        // Counted and decoded alike, one U+FFFD, so no slice overruns.
        ExtractedDocument doc = document_of({{"a"}, {"b"}});
        doc.glyphs[1].font_name = "Bad\xE4\xB8 name\xFF";
        cases.push_back({"a malformed sequence in a font name", std::move(doc)});
    }
    cases.push_back({"no glyphs", ExtractedDocument{}});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_pieces_match_serial(c.doc);
    }
}

TEST(ExtractionText, RefusesRoomOfTheWrongSizeOrForm) {
    ExtractedDocument doc = document_of({{"\xE4\xB8\xAD"}});
    struct Case {
        const char* name;
        int width;
        std::ptrdiff_t size_change;
    };
    const Case cases[] = {
        {"one unit short", 2, -1},
        {"one unit over", 2, 1},
        {"units too narrow for the widest character", 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractionText text;
        ASSERT_TRUE(text.write(doc, 2));
        const auto size = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(text.length()) + c.size_change);
        std::vector<std::uint32_t> room(size + 8);
        Result<void> result = c.width == 1
            ? text.fill(std::span(reinterpret_cast<std::uint8_t*>(room.data()), size), 2)
            : text.fill(std::span(reinterpret_cast<std::uint16_t*>(room.data()), size), 2);
        EXPECT_FALSE(result);
    }
}

TEST(ExtractionText, ReadingAndWritingAtOnceGiveTheSingleWritersText) {
    struct Case {
        const char* name;
        std::vector<std::string> pages;  // UTF-16 code units in hex
        char32_t widest;
    };
    const Case cases[] = {
        {"ASCII only", {"004100420043", "0044", "00450046"}, 0x7F},
        {"Latin-1 on the second page", {"00410042", "004300E9", "0044"}, 0xE9},
        {"the BMP on the third page, an empty page before it", {"0041", "00E9", "", "4E2D0041"}, 0x4E2D},
        {"beyond the BMP on the last page", {"0041", "00E9", "4E2D", "D83DDE00"}, 0x1F600},
        {"beyond the BMP on the first page only", {"D835DEFC0041", "0042", "0043"}, 0x1D6FC},
        {"no glyphs at all", {"", ""}, 0x7F},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto document = pdf::Document::from_bytes(pages_of_text(c.pages), pdf::LoadSettings{});
        ASSERT_TRUE(document) << document.error().display();
        // The fixture holds the characters it is meant to.
        EXPECT_EQ(widest_of(serial_characters(extracted(*document))), c.widest);
        expect_extracted_at_once_matches_serial(*document);
    }
}

TEST(ExtractionText, ReadingStopsWhenToldTo) {
    auto document = pdf::Document::from_bytes(pages_of_text({"0041", "0042", "0043", "0044"}),
                                              pdf::LoadSettings{});
    ASSERT_TRUE(document);
    for (unsigned threads : {1u, 4u}) {
        int asked = 0;
        ExtractionText text(1);
        auto result = text.extract_and_write(*document, ExtractLimits{}, threads, [&] { return ++asked < 2; });
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error().display(), "interrupted");
        EXPECT_EQ(asked, 2) << "asked again after it said no";
        EXPECT_EQ(text.length(), 0u);
    }
}

// Real documents: papers (ASCII and the BMP), CID fonts and vertical text.
TEST(ExtractionText, CorpusFilesMatchTheSingleWriter) {
    const fs::path corpus(ZVK_CORPUS_DIR);
    if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
    for (const char* name : {"papers/P07-1088.pdf", "papers/bug886717.pdf", "papers/gadr.pdf",
                             "pdfjs/90ms_rksj_h_sample.pdf", "pdfminer/contrib_issue-449-vertical.pdf"}) {
        SCOPED_TRACE(name);
        auto document = load_pdf_document((corpus / name).string(), LoadOptions{});
        ASSERT_TRUE(document) << document.error().display();
        ExtractedDocument doc = extracted(*document);
        const std::u32string expected = serial_characters(doc);
        const char32_t expected_widest = widest_of(expected);
        for (std::size_t per_piece : {std::size_t{7}, ExtractionText::kGlyphsPerPiece}) {
            std::size_t length = 0;
            char32_t widest = 0;
            std::u32string got = pieces_as(doc, per_piece, 8, narrowest_width(expected_widest), true, length, widest);
            EXPECT_EQ(length, expected.size());
            EXPECT_EQ(widest, expected_widest);
            EXPECT_TRUE(got == expected) << "the pieces differ from the single writer's text";
        }
        std::size_t length = 0;
        char32_t widest = 0;
        std::u32string got = extracted_at_once(*document, ExtractionText::kGlyphsPerPiece, 8, length, widest);
        EXPECT_EQ(length, expected.size());
        EXPECT_TRUE(got == expected) << "reading and writing at once differ from the single writer";
    }
}

}  // namespace
}  // namespace zvk
