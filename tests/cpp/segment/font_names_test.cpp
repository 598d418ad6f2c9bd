// Font-name tests: family keys, monospace and cmbx fonts, and the name
// without its subset prefix.
#include "segment/font_names.h"

#include <gtest/gtest.h>

namespace zvk {
namespace {

TEST(FontNames, NameAfterSubsetPrefix) {
    struct Case {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        {"ABCDEF+Times-Bold", "Times-Bold"},
        {"Times-Bold", "Times-Bold"},
        {"AAAAAA+CMBX10+Times", "Times"},  // after the last '+'
        {"ABCDEF+", ""},
        {"", ""},
        {"+", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(font_name_after_subset_prefix(c.name), c.expected) << c.name;
}

TEST(FontNames, FamilyKey) {
    struct Case {
        const char* name;
        const char* key;
    };
    const Case cases[] = {
        {"ABCDEF+Times-Bold", "times"},
        {"AB+CD+Times-Roman", "times"},
        {"ABCDEF+", ""},
        {"TIMES-BOLD", "times"},
        // Every style word, and only at the end.
        {"Times-BoldItalic", "times"},
        {"NimbusRomNo9L-ReguItal", "nimbusromno9l"},
        {"NimbusRomNo9L-BoldItal", "nimbusromno9l"},
        {"Myriad-SemiBold", "myriad"},
        {"Myriad-DemiBold", "myriad"},
        {"Georgia-Italic", "georgia"},
        {"LMRoman10-Regular", "lmroman10"},
        {"Optima-Medium", "optima"},
        {"Gill-Light", "gill"},
        {"Univers-Black", "univers"},
        {"NimbusRomNo9L-Medi", "nimbusromno9l"},
        {"Palatino-Ital", "palatino"},
        {"Bookman-Book", "bookman"},
        {"Times-Bold-Italic", "times-bold"},  // one suffix at most
        {"TimesBold", "timesbold"},           // a style word needs its hyphen
        {"Times-Bold,Italic", "times-bold,italic"},
        {"-bold", ""},
        {"CMR10", "cmr10"},
        {"Abc", "abc"},
        {"MinionPro-It", "minionpro-it"},  // "-it" is no style suffix
        // The fonts of the corpus papers (pdffonts), which decide which lines
        // share a font.
        {"NewCenturySchlbk-Roman", "newcenturyschlbk"},
        {"NewCenturySchlbk-Bold", "newcenturyschlbk"},
        {"NewCenturySchlbk-Italic", "newcenturyschlbk"},
        {"EAAAAA+CenturyGothic", "centurygothic"},
        {"DAAAAA+CenturyGothic-Bold", "centurygothic"},
        {"FAAAAA+CenturyGothic-Italic", "centurygothic"},
        {"XBTCAZ+MinionPro-Regular", "minionpro"},
        {"CBHBSP+MinionPro-Bold", "minionpro"},
        {"CBHBSP+MinionPro-Semibold", "minionpro"},
        {"HDRKKF+MinionPro-It", "minionpro-it"},
        {"IKVZVQ+NimbusRomNo9L-Regu", "nimbusromno9l"},
    };
    for (const Case& c : cases) EXPECT_EQ(font_family_key(c.name), c.key) << c.name;
}

TEST(FontNames, Monospace) {
    struct Case {
        const char* name;
        bool expected;
    };
    const Case cases[] = {
        {"Courier-Bold", true},
        {"ABCDEF+CMTT10", true},
        {"consolas", true},
        {"NimbusMonPS-Regular", true},
        {"OCRAStd", true},
        {"Monotype Corsiva", true},  // a substring test, by design
        {"COXKVU+NimbusMonL-Regu", true},
        {"SJQVZY+LMMono10-Regular", true},
        {"LMTT10", true},
        {"OCR-B", true},
        {"Menlo-Regular", true},
        {"Inconsolata", true},
        {"CascadiaCode", true},
        {"JetBrainsMono", true},
        {"AmericanTypewriter", true},
        {"Helvetica", false},
        {"CMR10", false},
        {"", false},
        {"NewCenturySchlbk-Roman", false},
        {"EAAAAA+CenturyGothic", false},
        {"DAAAAA+CenturyGothic-Bold", false},
        {"FAAAAA+CenturyGothic-Italic", false},
        {"XBTCAZ+MinionPro-Regular", false},
        {"CBHBSP+MinionPro-Semibold", false},
        {"HDRKKF+MinionPro-It", false},
        {"IKVZVQ+NimbusRomNo9L-Regu", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_monospace_font_name(c.name), c.expected) << c.name;
}

TEST(FontNames, Cmbx) {
    struct Case {
        const char* name;
        bool expected;
    };
    const Case cases[] = {
        {"ABCDEF+CMBX12", true},
        {"cmbx10", true},
        {"CMBXTI10", true},
        {"UDWBVM+CMBX10", true},
        {"CMBX10+Times", false},         // only "Times" is searched
        {"AAAAAA+CMBX10+Times", false},  // the part after the last '+'
        {"CMSSBX10", false},
        {"CMB10", false},
        {"CMR10", false},
        {"CMBX10+", false},
        {"", false},
        {"NewCenturySchlbk-Bold", false},
        {"DAAAAA+CenturyGothic-Bold", false},
        {"CBHBSP+MinionPro-Bold", false},
        {"IKVZVQ+NimbusRomNo9L-Regu", false},
    };
    for (const Case& c : cases) EXPECT_EQ(is_cmbx_font_name(c.name), c.expected) << c.name;
}

}  // namespace
}  // namespace zvk
