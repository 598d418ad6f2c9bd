// The built-in encoding of bare CFF programs: every encoding and charset
// format, the predefined ones, CID-keyed programs, and programs whose
// structure does not hold (which give nothing, whatever part is broken).
#include "font/cff_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "font/cff_builder.h"
#include "font/font.h"

namespace zvk::font {
namespace {

using test::build_cff;
using test::cff_bytes;
using test::cff_card16;
using test::cff_int;
using test::CffFont;

using Entries = std::vector<std::pair<std::uint8_t, std::string>>;

// Standard string ids used below.
constexpr int kSpace = 1, kHyphen = 14, kZero = 17, kOne = 18, kA = 34, kB = 35, kLowerA = 66;

std::string charset0(std::initializer_list<int> sids) {
    std::string out(1, '\0');
    for (int sid : sids) out += cff_card16(static_cast<std::uint32_t>(sid));
    return out;
}

std::string encoding0(std::initializer_list<int> codes) {
    return cff_bytes({0, static_cast<int>(codes.size())}) + cff_bytes(codes);
}

// Glyphs alpha, summation and arrowright under string ids 391 to 393, the
// font's own strings, shown by codes 0x61, 0x53 and 0x21.
CffFont greek() {
    CffFont font;
    font.strings = {"alpha", "summation", "arrowright"};
    font.glyph_count = 4;
    font.charset_data = charset0({391, 392, 393});
    font.encoding_data = encoding0({0x61, 0x53, 0x21});
    return font;
}
const Entries kGreekEntries = {{0x21, "arrowright"}, {0x53, "summation"}, {0x61, "alpha"}};

CffFont with(CffFont font, void (*change)(CffFont&)) {
    change(font);
    return font;
}

// A real in the DICT: nibbles of "0.001" then the end nibble.
const std::string kRealLowEnd = cff_bytes({30, 0x0A, 0x00, 0x1F});
// "12" with the end nibble in the high half of the last byte.
const std::string kRealHighEnd = cff_bytes({30, 0x12, 0xFF});

struct CffCase {
    const char* label;
    CffFont font;
    Entries expected;
};

TEST(ReadCffEncodingEntries, NamesEachCodeItsGlyph) {
    const CffCase cases[] = {
        {"custom_format0_own_strings", greek(), kGreekEntries},
        {"format1_ranges",
         [] {
             CffFont f;
             f.glyph_count = 4;
             f.charset_data = charset0({kA, kB, kLowerA});
             f.encoding_data = cff_bytes({1, 2, 0x41, 1, 0x61, 0});
             return f;
         }(),
         {{0x41, "A"}, {0x42, "B"}, {0x61, "a"}}},
        // A supplement gives a glyph one more code, and replaces what a code had.
        {"format0_supplements_add_and_replace",
         [] {
             CffFont f;
             f.strings = {"alpha"};
             f.glyph_count = 2;
             f.charset_data = charset0({kA});
             f.encoding_data = cff_bytes({0x80, 1, 0x41, 2, 0xAD, 0, kHyphen, 0x41, 0x01, 0x87});
             return f;
         }(),
         {{0x41, "alpha"}, {0xAD, "hyphen"}}},
        {"format1_supplement",
         [] {
             CffFont f;
             f.glyph_count = 3;
             f.charset_data = charset0({kZero, kOne});
             f.encoding_data = cff_bytes({0x81, 1, 0x30, 1, 1, 0x20, 0, kSpace});
             return f;
         }(),
         {{0x20, "space"}, {0x30, "zero"}, {0x31, "one"}}},
        {"iso_adobe_charset_by_default",
         [] {
             CffFont f;
             f.glyph_count = 4;
             f.encoding_data = encoding0({0x20, 0x21, 0x22});
             return f;
         }(),
         {{0x20, "space"}, {0x21, "exclam"}, {0x22, "quotedbl"}}},
        {"expert_charset",
         [] {
             CffFont f;
             f.glyph_count = 3;
             f.charset_id = 1;
             f.encoding_data = encoding0({0x20, 0x21});
             return f;
         }(),
         {{0x20, "space"}, {0x21, "exclamsmall"}}},
        {"expert_subset_charset",
         [] {
             CffFont f;
             f.glyph_count = 3;
             f.charset_id = 2;
             f.encoding_data = encoding0({0x20, 0x24});
             return f;
         }(),
         {{0x20, "space"}, {0x24, "dollaroldstyle"}}},
        // The range names five glyphs, the font has two after .notdef; the
        // third code leads to a glyph the font does not have.
        {"charset_format1_cut_at_glyph_count",
         [] {
             CffFont f;
             f.strings = {"alpha", "summation"};
             f.glyph_count = 3;
             f.charset_data = cff_bytes({1, 0x01, 0x87, 5});
             f.encoding_data = encoding0({0x61, 0x62, 0x63});
             return f;
         }(),
         {{0x61, "alpha"}, {0x62, "summation"}}},
        {"charset_format2",
         [] {
             CffFont f;
             f.glyph_count = 3;
             f.charset_data = cff_bytes({2, 0, kA, 0, 1});
             f.encoding_data = encoding0({0x41, 0x42});
             return f;
         }(),
         {{0x41, "A"}, {0x42, "B"}}},
        {"string_id_past_the_strings_dropped",
         [] {
             CffFont f;
             f.strings = {"alpha"};
             f.glyph_count = 3;
             f.charset_data = charset0({392, 391});
             f.encoding_data = encoding0({0x41, 0x42});
             return f;
         }(),
         {{0x42, "alpha"}}},
        // ROS makes a font CID-keyed: its glyphs are reached by CID, not code.
        {"cid_keyed_has_no_encoding",
         with(greek(), [](CffFont& f) { f.top_dict_tail = cff_int(391) + cff_int(392) + cff_int(0) + "\x0C\x1E"; }),
         {}},
        {"offsets_as_int16", with(greek(), [](CffFont& f) { f.offset_form = 28; }), kGreekEntries},
        {"offsets_as_two_bytes",
         with(greek(),
              [](CffFont& f) {
                  f.strings.push_back(std::string(80, 'x'));  // moves every offset past 108
                  f.offset_form = 247;
              }),
         kGreekEntries},
        {"one_byte_operand_restates_charset",
         [] {
             CffFont f;
             f.glyph_count = 3;
             f.charset_data = charset0({kA, kB});
             f.encoding_data = encoding0({0x20, 0x24});
             f.top_dict_tail = cff_bytes({139 + 2, 15});  // charset 2: ExpertSubset
             return f;
         }(),
         {{0x20, "space"}, {0x24, "dollaroldstyle"}}},
        // FontMatrix and a real-valued entry: reals are stepped over whole.
        {"reals_stepped_over",
         with(greek(),
              [](CffFont& f) {
                  std::string matrix;
                  for (int i = 0; i < 6; ++i) matrix += kRealLowEnd;
                  f.top_dict_tail = matrix + "\x0C\x07" + kRealHighEnd + "\x0C\x03";
              }),
         kGreekEntries},
    };
    for (const auto& c : cases) EXPECT_EQ(read_cff_encoding_entries(build_cff(c.font)), c.expected) << c.label;
}

TEST(ReadCffEncodingEntries, PredefinedCharsetShorterThanTheFont) {
    CffFont f;
    f.glyph_count = 90;
    f.charset_id = 2;                              // names glyphs 1 to 86
    f.encoding_data = cff_bytes({1, 1, 0, 88});  // codes 0 to 88 for glyphs 1 to 89
    auto entries = read_cff_encoding_entries(build_cff(f));
    ASSERT_EQ(entries.size(), 86u);
    EXPECT_EQ(entries.front(), (std::pair<std::uint8_t, std::string>{0, "space"}));
    EXPECT_EQ(entries.back(), (std::pair<std::uint8_t, std::string>{85, "commainferior"}));
}

// The predefined encodings name their codes whatever glyphs the font holds,
// like a Type1 program's StandardEncoding.
TEST(ReadCffEncodingEntries, PredefinedEncodings) {
    const struct {
        const char* label;
        int id;
        std::size_t count;
        Entries some;
        std::vector<std::uint8_t> absent;
    } cases[] = {
        {"standard", 0, 149,
         {{0x20, "space"}, {0x27, "quoteright"}, {0x60, "quoteleft"}, {0xA4, "fraction"}, {0xE1, "AE"},
          {0xFB, "germandbls"}},
         {0x00, 0x1F, 0x7F, 0x80, 0xA0, 0xFF}},
        {"expert", 1, 165,
         {{0x20, "space"}, {0x21, "exclamsmall"}, {0x30, "zerooldstyle"}, {0x56, "ff"}, {0x61, "Asmall"},
          {0xBC, "onequarter"}, {0xC8, "zerosuperior"}, {0xD2, "zeroinferior"}, {0xFF, "Ydieresissmall"}},
         {0x23, 0x40, 0x7F, 0xA0, 0xA4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        CffFont f;
        f.encoding_id = c.id;
        auto entries = read_cff_encoding_entries(build_cff(f));
        EXPECT_EQ(entries.size(), c.count);
        for (const auto& entry : c.some) {
            EXPECT_NE(std::find(entries.begin(), entries.end(), entry), entries.end()) << entry.second;
        }
        for (std::uint8_t code : c.absent) {
            EXPECT_EQ(std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first == code; }),
                      entries.end())
                << int(code);
        }
    }
    // The Top DICT without an Encoding entry means the standard encoding.
    EXPECT_EQ(read_cff_encoding_entries(build_cff(CffFont{})).size(), 149u);
}

TEST(ReadCffEncodingEntries, BrokenStructureGivesNothing) {
    const struct {
        const char* label;
        CffFont font;
    } cases[] = {
        {"unknown_charset_format", with(greek(), [](CffFont& f) { f.charset_data = cff_bytes({3, 0, 1, 0, 2}); })},
        {"unknown_encoding_format", with(greek(), [](CffFont& f) { f.encoding_data = cff_bytes({2, 1, 0x41}); })},
        {"encoding_offset_past_the_end", with(greek(), [](CffFont& f) { f.top_dict_tail = cff_int(100000) + "\x10"; })},
        {"negative_encoding_offset", with(greek(), [](CffFont& f) { f.top_dict_tail = cff_int(-5) + "\x10"; })},
        {"real_encoding_offset", with(greek(), [](CffFont& f) { f.top_dict_tail = kRealLowEnd + "\x10"; })},
        {"encoding_without_operand", with(greek(), [](CffFont& f) { f.top_dict_tail = "\x10"; })},
        {"reserved_dict_byte", with(greek(), [](CffFont& f) { f.top_dict_tail = "\x16"; })},
        {"operand_cut_by_dict_end", with(greek(), [](CffFont& f) { f.top_dict_tail = cff_bytes({28, 0}); })},
        {"real_without_end", with(greek(), [](CffFont& f) { f.top_dict_tail = cff_bytes({30, 0x11}); })},
        {"escape_without_second_byte", with(greek(), [](CffFont& f) { f.top_dict_tail = "\x0C"; })},
        {"forty_nine_operands",
         with(greek(), [](CffFont& f) { f.top_dict_tail = std::string(49, '\x8B') + "\x0E"; })},
        {"no_char_strings", with(greek(), [](CffFont& f) { f.char_strings_entry = false; })},
    };
    for (const auto& c : cases) EXPECT_EQ(read_cff_encoding_entries(build_cff(c.font)), Entries{}) << c.label;

    // 48 operands are allowed before an operator.
    CffFont most = with(greek(), [](CffFont& f) { f.top_dict_tail = std::string(48, '\x8B') + "\x0E"; });
    EXPECT_EQ(read_cff_encoding_entries(build_cff(most)), kGreekEntries);
}

TEST(ReadCffEncodingEntries, BrokenHeaderOrIndexGivesNothing) {
    const std::string valid = build_cff(greek());
    ASSERT_EQ(read_cff_encoding_entries(valid), kGreekEntries);
    const struct {
        const char* label;
        std::size_t at;
        char value;
    } pokes[] = {
        {"cff2_major_version", 0, 2},
        {"header_size_below_4", 2, 3},
        {"header_size_past_the_end", 2, '\xFF'},
        {"name_index_off_size_0", test::kCffNameIndexOffSize, 0},
        {"name_index_off_size_5", test::kCffNameIndexOffSize, 5},
        {"name_index_first_offset_0", test::kCffNameIndexFirstOffset, 0},
        {"name_index_offsets_decrease", test::kCffNameIndexFirstOffset, 3},
    };
    for (const auto& p : pokes) {
        std::string program = valid;
        program[p.at] = p.value;
        EXPECT_EQ(read_cff_encoding_entries(program), Entries{}) << p.label;
    }
}

// Every piece is bounds-checked: any cut program gives nothing, whether the
// cut falls in the CharStrings INDEX or in the charset and encoding data.
TEST(ReadCffEncodingEntries, EveryCutProgramGivesNothing) {
    for (bool data_last : {false, true}) {
        SCOPED_TRACE(data_last ? "data last" : "CharStrings last");
        CffFont font = greek();
        font.data_last = data_last;
        const std::string program = build_cff(font);
        ASSERT_EQ(read_cff_encoding_entries(program), kGreekEntries);
        for (std::size_t size = 0; size < program.size(); ++size) {
            EXPECT_EQ(read_cff_encoding_entries(program.substr(0, size)), Entries{}) << "cut at " << size;
        }
    }
}

TEST(ReadCffEncodingEntries, ProgramsPastTheFontStreamBoundGiveNothing) {
    std::string program = build_cff(greek());
    program.resize(kMaxFontStreamBytes, '\0');  // what follows CharStrings is never read
    EXPECT_EQ(read_cff_encoding_entries(program), kGreekEntries);
    program.push_back('\0');
    EXPECT_EQ(read_cff_encoding_entries(program), Entries{});
}

}  // namespace
}  // namespace zvk::font
