#include <gtest/gtest.h>
#include <zlib.h>

#include <set>

#include "font/font_fixture.h"
#include "font/simple_font.h"
#include "support/pdf_builder.h"

namespace zvk::font {
namespace {

using zvk::test::deflate;
using test::FixtureObject;
using test::load_fixture_font;
using test::text_of;

std::map<std::uint32_t, FixtureObject> type3_font(const std::string& entries, const std::string& char_procs,
                                                  const std::map<std::uint32_t, std::string>& procedures) {
    std::map<std::uint32_t, FixtureObject> objects;
    objects[10] = {"<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1 1] " + entries + " /CharProcs << " +
                       char_procs + " >> >>",
                   std::nullopt};
    for (const auto& [number, content] : procedures) objects[number] = {"<< >>", content};
    return objects;
}

std::optional<std::string> procedure_of(const PdfFont& font, std::uint32_t code) {
    if (!font.type3) return std::nullopt;
    auto it = font.type3->char_procs.find(code);
    if (it == font.type3->char_procs.end()) return std::nullopt;
    return *it->second;
}

struct Type3Case {
    const char* label;
    std::map<std::uint32_t, FixtureObject> objects;
    std::vector<std::pair<std::uint32_t, std::optional<std::string>>> procedures;
};

class Type3Attachment : public ::testing::TestWithParam<Type3Case> {};

TEST_P(Type3Attachment, AttachesProceduresToCodes) {
    auto loaded = load_fixture_font(GetParam().objects);
    for (const auto& [code, content] : GetParam().procedures) {
        EXPECT_EQ(procedure_of(loaded->font, code), content) << "code " << code;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Type3Attachment,
    ::testing::Values(
        Type3Case{"differences_name_outside_glyph_list",
                  type3_font("/Encoding << /Differences [65 /square] >>", "/square 20 0 R", {{20, "SQ"}}),
                  {{65, "SQ"}}},
        Type3Case{"one_byte_names_without_differences",
                  type3_font("/Encoding << >>", "/a 20 0 R /b 21 0 R", {{20, "PA"}, {21, "PB"}}),
                  {{0x61, "PA"}, {0x62, "PB"}}},
        Type3Case{"glyph_list_name_without_differences",
                  type3_font("", "/eacute 20 0 R", {{20, "E"}}),
                  {{0xE9, "E"}}},
        // With Differences, a procedure not attached by name finds the first
        // code whose text is its name's text.
        Type3Case{"differences_then_text",
                  type3_font("/Encoding << /Differences [65 /square] >>", "/square 20 0 R /B 21 0 R",
                             {{20, "SQ"}, {21, "PB"}}),
                  {{65, "SQ"}, {0x42, "PB"}}},
        // The same stream object under two names is attached once by text.
        Type3Case{"same_procedure_not_attached_twice",
                  type3_font("/Encoding << /Differences [65 /square] >>", "/square 20 0 R /B 20 0 R",
                             {{20, "SQ"}}),
                  {{65, "SQ"}, {0x42, std::nullopt}}},
        Type3Case{"unloadable_procedure_dropped",
                  type3_font("/Encoding << /Differences [65 /square] >>", "/square 99 0 R", {}),
                  {{65, std::nullopt}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(Type3Font, SharesOneDecodedProcedureAcrossCodes) {
    auto loaded = load_fixture_font(
        type3_font("/Encoding << /Differences [65 /a /b /c] >>", "/a 20 0 R /b 20 0 R /c 20 0 R", {{20, "XYZ"}}));
    const auto& procs = loaded->font.type3->char_procs;
    ASSERT_EQ(procs.size(), 3u);
    EXPECT_EQ(procs.at(65).get(), procs.at(66).get());
    EXPECT_EQ(procs.at(65).get(), procs.at(67).get());
}


TEST(Type3Font, DeflateBombsShareOneCopyAndStayWithinTheBudget) {
    // 100 distinct procedures of 1 MiB each (a kilobyte each compressed),
    // and every code of the font naming the first of them.
    const std::string mebibyte(1 << 20, ' ');
    const std::string packed = deflate(mebibyte);
    std::map<std::uint32_t, test::FixtureObject> objects;
    std::string differences = "0";
    for (int code = 0; code < 256; ++code) differences += " /p0";
    std::string char_procs;
    for (int i = 0; i < 100; ++i) {
        char_procs += "/p" + std::to_string(i) + " " + std::to_string(20 + i) + " 0 R ";
        objects[20 + i] = {"<< /Filter /FlateDecode >>", packed};
    }
    objects[10] = {"<< /Type /Font /Subtype /Type3 /Encoding << /Differences [" + differences +
                       "] >> /CharProcs << " + char_procs + " >> >>",
                   std::nullopt};
    auto loaded = load_fixture_font(objects);
    const auto& procs = loaded->font.type3->char_procs;
    ASSERT_EQ(procs.size(), 256u);
    std::set<const std::string*> distinct;
    for (const auto& [code, bytes] : procs) distinct.insert(bytes.get());
    EXPECT_EQ(distinct.size(), 1u);  // one decoded copy serves all 256 codes
    EXPECT_EQ(*procs.at(0), mebibyte);
}

TEST(Type3Font, ProceduresPastTheBudgetDoNotLoad) {
    // Twice the budget in 1 MiB procedures, each named for its own code
    // through Differences: the first ones load, the rest count as
    // unloadable, so their codes get no procedure.
    const std::size_t count = 2 * kMaxType3ProcedureBytes / (1 << 20);
    const std::string packed = deflate(std::string(1 << 20, 'q'));
    std::map<std::uint32_t, test::FixtureObject> objects;
    std::string char_procs;
    for (std::size_t i = 0; i < count; ++i) {
        char_procs += "/g" + std::to_string(i) + " " + std::to_string(20 + i) + " 0 R ";
        objects[static_cast<std::uint32_t>(20 + i)] = {"<< /Filter /FlateDecode >>", packed};
    }
    std::string differences = "0";
    for (std::size_t i = 0; i < count && i < 256; ++i) differences += " /g" + std::to_string(i);
    objects[10] = {"<< /Type /Font /Subtype /Type3 /Encoding << /Differences [" + differences +
                       "] >> /CharProcs << " + char_procs + " >> >>",
                   std::nullopt};
    auto loaded = load_fixture_font(objects);
    std::uint64_t total = 0;
    for (const auto& [code, bytes] : loaded->font.type3->char_procs) total += bytes->size();
    EXPECT_GT(total, 0u);
    EXPECT_LE(total, kMaxType3ProcedureBytes);
    EXPECT_LT(loaded->font.type3->char_procs.size(), count);
}

TEST(Type3Font, MatrixResourcesAndText) {
    struct Case {
        const char* label;
        std::string matrix_entry;
        Matrix matrix;
    } cases[] = {
        {"own_matrix", "/FontMatrix [0.01 0 0 0.01 0 0]", {0.01f, 0, 0, 0.01f, 0, 0}},
        {"five_elements_ignored", "/FontMatrix [0.01 0 0 0.01 0]", kDefaultFontMatrix},
        {"non_numbers_are_zero", "/FontMatrix [0.5 /x 0 2 1 (y)]", {0.5f, 0, 0, 2, 1, 0}},
        {"absent", "", kDefaultFontMatrix},
    };
    for (const auto& c : cases) {
        auto objects = type3_font(c.matrix_entry + " /Encoding << /Differences [65 /square] >> "
                                  "/Resources << /Font << /F9 30 0 R >> >>",
                                  "/square 20 0 R", {{20, "SQ"}});
        objects[30] = {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", std::nullopt};
        auto loaded = load_fixture_font(objects);
        EXPECT_EQ(loaded->font.font_matrix, c.matrix) << c.label;
        EXPECT_EQ(loaded->font.type3->font_matrix, c.matrix) << c.label;
        EXPECT_TRUE(loaded->font.type3->resources.fonts.contains("F9")) << c.label;
        EXPECT_EQ(text_of(loaded->font, 65), std::nullopt) << c.label;  // square is not in the glyph list
        EXPECT_EQ(loaded->font.kind, FontKind::Type3);
    }
}

}  // namespace
}  // namespace zvk::font
