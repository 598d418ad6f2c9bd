// Font-name style classification: serif, bold and italic guessed from names.
#include <gtest/gtest.h>

#include <string>

#include "font/font_style.h"

namespace zvk {
namespace {

TEST(ClassifyFontName, Table) {
    struct Case {
        std::string name;
        FontNameStyle expected;
    } cases[] = {
        {"", 0},
        {"Times-Roman", 0x1},
        {"ABCDEF+Times-BoldItalic", 0x10101},
        {"CMBX10", 0x101},
        {"CMTI12", 0x10001},
        {"CMR10", 0x1},
        {"CMSS10", 0},
        {"Helvetica-BoldOblique", 0x10100},
        {"Helvetica-Oblique", 0x10000},
        {"Helvetica", 0},
        {"Inter-Black", 0x100},
        {"SourceSans-Heavy", 0x100},
        {"Montserrat-SemiBold", 0x100},
        {"AbcSansSerif", 0x1},
        {"NotoSansCJKsc-Regular", 0},
        {"STSong-Light", 0x1},
        {"MingLiU", 0x1},
        {"times new roman", 0x1},
        {"qwerty+georgia-bolditalic", 0x10101},
        {"Arial-ItalicMT", 0x10000},
        {"STIXTwoText", 0x1},
        // Only ASCII letters are folded: the dotless i (U+0131), which full
        // Unicode upper-casing turns into I, leaves "ITALIC" unmatched.
        {"Font-\xC4\xB1talic", 0},
        {"LMRoman10-Bold", 0x101},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(classify_font_name(c.name), c.expected) << c.name;
    }
}

TEST(ClassifyFontName, FlagHelpersReadThePackedBits) {
    const FontNameStyle style = classify_font_name("Helvetica-BoldOblique");
    EXPECT_TRUE(is_bold_style(style));
    EXPECT_TRUE(is_italic_style(style));
    EXPECT_FALSE(is_bold_style(classify_font_name("CMTI10")));
    EXPECT_FALSE(is_italic_style(classify_font_name("CMBX10")));
}

}  // namespace
}  // namespace zvk
