#include "font/simple_font.h"

#include <gtest/gtest.h>

#include "font/cff_builder.h"
#include "font/font_fixture.h"

namespace zvk::font {
namespace {

using test::FixtureObject;
using test::load_fixture_font;
using test::text_of;

struct EncodingCase {
    const char* label;
    std::map<std::uint32_t, FixtureObject> objects;
    std::string resource_name;
    std::vector<std::pair<std::uint8_t, std::optional<std::string>>> expected;
};

class SimpleFontEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(SimpleFontEncoding, MapsCodesToText) {
    const auto& c = GetParam();
    auto loaded = load_fixture_font(c.objects, c.resource_name);
    for (const auto& [code, text] : c.expected) {
        EXPECT_EQ(text_of(loaded->font, code), text) << "code " << int(code);
    }
}

const char* const kSymbolic = "11 0 R";
std::map<std::uint32_t, FixtureObject> font_with(const std::string& entries, const char* descriptor = nullptr,
                                                 const std::string& descriptor_body = "<< /Type /FontDescriptor /Flags 4 >>") {
    std::map<std::uint32_t, FixtureObject> objects;
    objects[10] = {"<< /Type /Font " + entries + (descriptor ? std::string(" /FontDescriptor ") + descriptor : "") +
                       " >>",
                   std::nullopt};
    if (descriptor) objects[11] = {descriptor_body, std::nullopt};
    return objects;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimpleFontEncoding,
    ::testing::Values(
        EncodingCase{"truetype_defaults_to_winansi",
                     font_with("/Subtype /TrueType /BaseFont /Foo"),
                     "F1",
                     {{0x93, "\u201C"}, {0x81, "\u2022"}, {0x41, "A"}}},
        EncodingCase{"type1_defaults_to_standard",
                     font_with("/Subtype /Type1 /BaseFont /Foo"),
                     "F1",
                     {{0x27, "\u2019"}, {0x93, std::nullopt}}},
        EncodingCase{"symbol_subset_name_selects_symbol",
                     font_with("/Subtype /Type1 /BaseFont /ABCDEF+Symbol-Bold"),
                     "F1",
                     {{0x61, "\u03B1"}}},
        EncodingCase{"resource_name_stands_in_for_base_font",
                     font_with("/Subtype /Type1"),
                     "MySymbolFont",
                     {{0x61, "\u03B1"}}},
        EncodingCase{"symbolic_type1_without_encoding_maps_nothing",
                     font_with("/Subtype /Type1 /BaseFont /Foo", kSymbolic),
                     "F1",
                     {{0x41, std::nullopt}, {0x61, std::nullopt}}},
        EncodingCase{"symbolic_truetype_differences_on_standard",
                     font_with("/Subtype /TrueType /BaseFont /Foo /Encoding << /Differences [66 /C] >>", kSymbolic),
                     "F1",
                     {{0x27, "\u2019"}, {0x42, "C"}, {0x41, "A"}}},
        EncodingCase{"plain_truetype_differences_on_winansi",
                     font_with("/Subtype /TrueType /BaseFont /Foo /Encoding << /Differences [66 /C] >>"),
                     "F1",
                     {{0x27, "'"}, {0x42, "C"}}},
        EncodingCase{"differences_names_and_unknown_names",
                     font_with("/Subtype /Type1 /BaseFont /Foo /Encoding << /BaseEncoding /WinAnsiEncoding "
                               "/Differences [32 /space /A 40 /foo /B] >>"),
                     "F1",
                     {{32, " "}, {33, "A"}, {40, std::nullopt}, {41, "B"}, {34, "\""}}},
        EncodingCase{"differences_uni_and_u_names",
                     font_with("/Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [1 /uni00E9 /u1F600 /g12] >>"),
                     "F1",
                     {{1, "\u00E9"}, {2, "\U0001F600"}, {3, std::nullopt}}},
        EncodingCase{"unknown_base_encoding_counts_as_absent",
                     font_with("/Subtype /TrueType /BaseFont /Foo /Encoding << /BaseEncoding /Nope >>"),
                     "F1",
                     {{0x93, "\u201C"}}},
        EncodingCase{"differences_beyond_255_change_nothing",
                     font_with("/Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [300 /a /b] >>"),
                     "F1",
                     {{300 & 0xFF, ","}, {0x61, "a"}}},
        EncodingCase{"differences_at_255_set_255_only",
                     font_with("/Subtype /Type1 /BaseFont /Foo /Encoding << /BaseEncoding /WinAnsiEncoding "
                               "/Differences [255 /a /b] >>"),
                     "F1",
                     {{255, "a"}, {0, std::nullopt}}},
        EncodingCase{"name_before_any_code_ignored",
                     font_with("/Subtype /Type1 /BaseFont /Foo /Encoding << /Differences [/a 65 /b 1.9 /c] >>"),
                     "F1",
                     {{65, "b"}, {1, "c"}}},
        EncodingCase{"encoding_by_name",
                     font_with("/Subtype /Type1 /BaseFont /Foo /Encoding /MacRomanEncoding"),
                     "F1",
                     {{0xA5, "\u2022"}, {0xCA, " "}}},
        EncodingCase{"unrecognised_encoding_name_gives_default",
                     font_with("/Subtype /TrueType /BaseFont /Foo /Encoding /Identity-H"),
                     "F1",
                     {{0x93, "\u201C"}}},
        EncodingCase{"encoding_of_another_kind_gives_default",
                     font_with("/Subtype /TrueType /BaseFont /Foo /Encoding 7"),
                     "F1",
                     {{0x93, "\u201C"}}},
        // Flags is read as stored: given through a reference it does not count.
        EncodingCase{"flags_by_reference_not_symbolic",
                     [] {
                         auto objects = font_with("/Subtype /Type1 /BaseFont /Foo", "11 0 R",
                                                  "<< /Type /FontDescriptor /Flags 12 0 R >>");
                         objects[12] = {"4", std::nullopt};
                         return objects;
                     }(),
                     "F1",
                     {{0x41, "A"}}}),
    [](const auto& info) { return std::string(info.param.label); });

struct WidthCase {
    const char* label;
    std::string entries;
    std::optional<std::string> descriptor;
    std::vector<std::pair<std::uint32_t, float>> expected;
};

class SimpleFontWidths : public ::testing::TestWithParam<WidthCase> {};

TEST_P(SimpleFontWidths, GivesEachCodeItsWidth) {
    const auto& c = GetParam();
    std::map<std::uint32_t, FixtureObject> objects;
    objects[10] = {"<< /Type /Font " + c.entries + (c.descriptor ? " /FontDescriptor 11 0 R" : "") + " >>",
                   std::nullopt};
    if (c.descriptor) objects[11] = {*c.descriptor, std::nullopt};
    auto loaded = load_fixture_font(objects);
    for (const auto& [code, width] : c.expected) {
        EXPECT_FLOAT_EQ(loaded->font.widths->width_of(code), width) << "code " << code;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimpleFontWidths,
    ::testing::Values(
        // A non-number keeps its place: the later width stays at its own code.
        WidthCase{"non_number_keeps_later_widths_in_place",
                  "/Subtype /TrueType /BaseFont /Foo /FirstChar 32 /Widths [500 /x 600]",
                  std::nullopt,
                  {{32, 500}, {33, 0}, {34, 600}}},
        WidthCase{"no_widths_no_missing_width", "/Subtype /TrueType /BaseFont /Foo", std::nullopt, {{65, 0}}},
        WidthCase{"missing_width_outside_widths",
                  "/Subtype /TrueType /BaseFont /Foo /FirstChar 32 /Widths [250 260]",
                  "<< /MissingWidth 250.5 >>",
                  {{32, 250}, {33, 260}, {200, 250.5}}},
        WidthCase{"negative_first_char_is_zero", "/Subtype /Type1 /BaseFont /Foo /FirstChar -5 /Widths [700]",
                  std::nullopt, {{0, 700}}},
        WidthCase{"first_char_keys_wrap", "/Subtype /Type1 /BaseFont /Foo /FirstChar 4294967295 /Widths [1 2]",
                  std::nullopt, {{4294967295u, 1}, {0, 2}}},
        WidthCase{"real_first_char_truncates", "/Subtype /Type1 /BaseFont /Foo /FirstChar 65.9 /Widths [3]",
                  std::nullopt, {{65, 3}}},
        WidthCase{"widths_of_another_kind", "/Subtype /Type1 /BaseFont /Helvetica /Widths 5", std::nullopt,
                  {{65, 0}}},
        // Standard-14 fonts without Widths take the standard metrics by name.
        WidthCase{"helvetica_standard_metrics", "/Subtype /Type1 /BaseFont /Helvetica", std::nullopt,
                  {{'A', 667}, {'B', 667}, {' ', 278}, {0x27, 222}, {0x80, 0}}},
        WidthCase{"helvetica_with_missing_width", "/Subtype /Type1 /BaseFont /Helvetica",
                  "<< /MissingWidth 100 >>", {{'A', 667}, {0x80, 100}}},
        WidthCase{"arial_bold_truetype_by_winansi", "/Subtype /TrueType /BaseFont /Arial,Bold", std::nullopt,
                  {{'A', 722}, {0x27, 238}, {0x93, 500}}},
        WidthCase{"subset_times_new_roman", "/Subtype /TrueType /BaseFont /ABCDEF+TimesNewRomanPSMT", std::nullopt,
                  {{'A', 722}}},
        WidthCase{"times_bold_italic_mt", "/Subtype /TrueType /BaseFont /TimesNewRomanPS-BoldItalicMT",
                  std::nullopt, {{'A', 667}}},
        WidthCase{"courier_differences_name", "/Subtype /Type1 /BaseFont /Courier-Oblique "
                  "/Encoding << /Differences [1 /bullet] >>", std::nullopt, {{1, 600}, {'A', 600}}},
        WidthCase{"symbol_builtin_codes", "/Subtype /Type1 /BaseFont /Symbol", std::nullopt, {{0x61, 631}}},
        WidthCase{"zapf_dingbats_builtin_codes", "/Subtype /Type1 /BaseFont /ZapfDingbats", std::nullopt,
                  {{0x21, 974}}},
        WidthCase{"type3_named_like_a_standard_font", "/Subtype /Type3 /BaseFont /Helvetica /CharProcs << >>",
                  std::nullopt, {{'A', 0}}},
        WidthCase{"not_a_standard_face", "/Subtype /Type1 /BaseFont /Helvetica-Narrow", std::nullopt, {{'A', 0}}},
        WidthCase{"widths_win_over_standard_metrics",
                  "/Subtype /Type1 /BaseFont /Helvetica /FirstChar 65 /Widths [100]", std::nullopt,
                  {{'A', 100}, {'B', 0}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FindBuiltinEncodingEntries, MatchesDupPutLines) {
    struct Case {
        const char* label;
        std::string text;
        std::vector<std::pair<std::uint8_t, std::string>> entries;
    } cases[] = {
        {"plain", "dup 65 /A put", {{65, "A"}}},
        {"no_spaces_needed", "dup65/A put", {{65, "A"}}},
        {"line_breaks_between_parts", "dup\n65\r\n/A \t\nput", {{65, "A"}}},
        {"two_entries", "dup 1 /a put dup 2 /b.sc put", {{1, "a"}, {2, "b.sc"}}},
        {"preceded_by_a_name_character", "xdup 65 /A put", {}},
        {"preceded_by_a_delimiter", ")dup 66 /B put", {{66, "B"}}},
        {"code_256_refused", "dup 256 /A put", {}},
        {"huge_code_refused", "dup 99999999999999999999 /A put", {}},
        {"no_slash", "dup 65 A put", {}},
        {"empty_name", "dup 65 / put", {}},
        {"no_put", "dup 65 /A pux", {}},
        {"too_short_to_scan", "dup 1/", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(find_builtin_encoding_entries(c.text), c.entries) << c.label;
}

TEST(Type1ClearText, CutsPfbSegmentAndEexec) {
    std::string pfb = std::string("\x80\x01\xFF\x00\x00\x00", 6) + "dup 1 /a put";  // length past the end
    EXPECT_EQ(type1_clear_text(pfb), "dup 1 /a put");
    std::string segment = std::string("\x80\x01\x05\x00\x00\x00", 6) + "abcdefgh";
    EXPECT_EQ(type1_clear_text(segment), "abcde");
    EXPECT_EQ(type1_clear_text("head eexec tail"), "head ");
    EXPECT_EQ(type1_clear_text("a\xFF" "b"), "a\uFFFD" "b");
    EXPECT_EQ(type1_clear_text(std::string(kMaxType1ClearTextBytes + 10, 'x')).size(), kMaxType1ClearTextBytes);
}

struct ProgramCase {
    const char* label;
    std::string encoding_entry;
    std::string program;
    std::vector<std::pair<std::uint8_t, std::optional<std::string>>> expected;
};

TEST(SimpleFontEmbeddedType1, BuiltInEncodingFillsEmptyCodes) {
    const ProgramCase cases[] = {
        {"glyph_list_name", "", "/Encoding 256 array\ndup 65 /alpha put\nreadonly def\ncurrentfile eexec",
         {{65, "\u03B1"}}},
        {"tex_name", "", "dup 40 /parenleftbig put", {{40, "("}}},
        {"unknown_name_leaves_empty", "", "dup 41 /g77 put", {{41, std::nullopt}}},
        {"differences_win", "/Encoding << /Differences [65 /B] >>", "dup 65 /alpha put", {{65, "B"}}},
        {"fills_codes_unknown_differences_emptied", "/Encoding << /Differences [65 /g1] >>", "dup 65 /alpha put",
         {{65, "\u03B1"}}},
        {"after_eexec_ignored", "", "eexec dup 65 /alpha put", {{65, std::nullopt}}},
        {"standard_encoding_program", "", "/Encoding StandardEncoding def", {{0x27, "\u2019"}, {0x80, std::nullopt}}},
    };
    for (const auto& c : cases) {
        std::map<std::uint32_t, FixtureObject> objects;
        objects[10] = {"<< /Type /Font /Subtype /Type1 /BaseFont /Foo " + c.encoding_entry +
                           " /FontDescriptor 11 0 R >>",
                       std::nullopt};
        objects[11] = {"<< /Type /FontDescriptor /Flags 4 /FontFile 12 0 R >>", std::nullopt};
        objects[12] = {"<< >>", c.program};
        auto loaded = load_fixture_font(objects);
        for (const auto& [code, text] : c.expected) {
            EXPECT_EQ(text_of(loaded->font, code), text) << c.label << " code " << int(code);
        }
    }
}


// A bare CFF program (FontFile3 of subtype Type1C) whose encoding names
// alpha, summation and arrowright for the given codes, and parenleftbig
// (a TeX extension name) for the fourth.
std::string greek_cff(int alpha, int summation, int arrowright, int parenleftbig = 0x28, bool cid_keyed = false) {
    test::CffFont font;
    font.strings = {"alpha", "summation", "arrowright", "parenleftbig"};
    font.glyph_count = 5;
    font.charset_data = std::string(1, '\0') + test::cff_card16(391) + test::cff_card16(392) +
                        test::cff_card16(393) + test::cff_card16(394);
    font.encoding_data = test::cff_bytes({0, 4, alpha, summation, arrowright, parenleftbig});
    if (cid_keyed) font.top_dict_tail = test::cff_int(391) + test::cff_int(392) + test::cff_int(0) + "\x0C\x1E";
    return test::build_cff(font);
}

struct CffProgramCase {
    const char* label;
    std::string font_entries;  // Encoding, say
    std::string descriptor;
    std::map<std::uint32_t, FixtureObject> programs;  // objects 12 and up
    std::vector<std::pair<std::uint8_t, std::optional<std::string>>> expected;
};

TEST(SimpleFontEmbeddedCff, BuiltInEncodingFillsEmptyCodes) {
    const FixtureObject greek{"<< /Subtype /Type1C >>", greek_cff(0x61, 0x53, 0x21)};
    const std::string symbolic_cff = "<< /Type /FontDescriptor /Flags 4 /FontFile3 12 0 R >>";
    const CffProgramCase cases[] = {
        {"glyph_list_and_tex_names", "", symbolic_cff, {{12, greek}},
         {{0x61, "\u03B1"}, {0x53, "\u2211"}, {0x21, "\u2192"}, {0x28, "("}, {0x41, std::nullopt}}},
        // The Encoding dictionary starts from StandardEncoding: its codes
        // keep their text, and Differences win over the program.
        {"encoding_and_differences_win", "/Encoding << /Differences [97 /B] >>", symbolic_cff, {{12, greek}},
         {{0x61, "B"}, {0x53, "S"}, {0x21, "!"}}},
        {"fills_codes_unknown_differences_emptied", "/Encoding << /Differences [97 /g1] >>", symbolic_cff,
         {{12, greek}}, {{0x61, "\u03B1"}}},
        // A non-symbolic font without Encoding starts from StandardEncoding:
        // the program fills only the codes it leaves empty.
        {"nonsymbolic_fills_only_standard_gaps", "",
         "<< /Type /FontDescriptor /Flags 32 /FontFile3 12 0 R >>",
         {{12, {"<< /Subtype /Type1C >>", greek_cff(0x61, 0x01, 0x80)}}},
         {{0x61, "a"}, {0x01, "\u2211"}, {0x80, "\u2192"}}},
        {"cid_keyed_program_fills_nothing", "", symbolic_cff,
         {{12, {"<< /Subtype /Type1C >>", greek_cff(0x61, 0x53, 0x21, 0x28, true)}}}, {{0x61, std::nullopt}}},
        {"opentype_program_not_read", "", symbolic_cff, {{12, {"<< /Subtype /OpenType >>", *greek.stream}}},
         {{0x61, std::nullopt}}},
        {"program_without_subtype_not_read", "", symbolic_cff, {{12, {"<< >>", *greek.stream}}},
         {{0x61, std::nullopt}}},
        {"broken_program_fills_nothing", "", symbolic_cff,
         {{12, {"<< /Subtype /Type1C >>", greek.stream->substr(0, 30)}}}, {{0x61, std::nullopt}}},
        // With both programs the Type1 one is read, even for codes it leaves
        // empty; the CFF one only when the Type1 one does not load.
        {"type1_program_first", "", "<< /Type /FontDescriptor /Flags 4 /FontFile 13 0 R /FontFile3 12 0 R >>",
         {{12, greek}, {13, {"<< >>", "dup 97 /beta put"}}}, {{0x61, "\u03B2"}, {0x53, std::nullopt}}},
        {"cff_program_when_type1_does_not_load", "",
         "<< /Type /FontDescriptor /Flags 4 /FontFile 13 0 R /FontFile3 12 0 R >>",
         {{12, greek}, {13, {"5", std::nullopt}}},
         {{0x61, "\u03B1"}, {0x53, "\u2211"}}},
    };
    for (const auto& c : cases) {
        std::map<std::uint32_t, FixtureObject> objects = c.programs;
        objects[10] = {"<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+CMMI10 " + c.font_entries +
                           " /FontDescriptor 11 0 R >>",
                       std::nullopt};
        objects[11] = {c.descriptor, std::nullopt};
        auto loaded = load_fixture_font(objects);
        for (const auto& [code, text] : c.expected) {
            EXPECT_EQ(text_of(loaded->font, code), text) << c.label << " code " << int(code);
        }
    }
}

}  // namespace
}  // namespace zvk::font
