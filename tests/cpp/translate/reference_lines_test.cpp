// The text tests behind reference-section detection: headings in many
// languages, section numbers, years, entry shapes, author lists and prose,
// each as a table of texts and what the test must say of them.
#include "translate/reference_lines.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zvk {
namespace {

struct BoolCase {
    std::string text;
    bool expected;
};

struct TextCase {
    std::string text;
    std::string expected;
};

TEST(CollapseWhitespace, Table) {
    const TextCase cases[] = {
        {"  a \t b\n\nc  ", "a b c"},
        {"Journal\u00a0of\u2003Examples", "Journal of Examples"},  // any White_Space
        {"one", "one"},
        {" \u3000 ", ""},
        {"", ""},
        {"a\u200bb", "a\u200bb"},  // zero-width space is no White_Space
    };
    for (const TextCase& c : cases) EXPECT_EQ(collapse_whitespace(c.text), c.expected) << c.text;
}

TEST(UnicodeLowercase, Table) {
    const TextCase cases[] = {
        {"REFERENCES", "references"},
        {"Références", "références"},
        {"СПИСОК ЛИТЕРАТУРЫ", "список литературы"},
        {"\u039f\u0394\u039f\u03a3", "\u03bf\u03b4\u03bf\u03c2"},          // final sigma by context
        {"\u0130stanbul", "i\u0307stanbul"},  // a full mapping: one character becomes two
        {"参考文献", "参考文献"},
        {"ÀB\xF0\x90\x90\x80", "àb\xF0\x90\x90\xA8"},  // Deseret, outside the BMP
    };
    for (const TextCase& c : cases) EXPECT_EQ(unicode_lowercase(c.text), c.expected) << c.text;
}

TEST(NormalizeHeadingText, Table) {
    const TextCase cases[] = {
        {"5 References", "references"},
        {"REFERENCES", "references"},
        {"References:", "references"},
        {"References .", "references"},
        {"7. REFERENCES", "references"},
        {"VII. References:", "references"},
        {" References ", "references"},
        {"References and Notes", "references and notes"},
        {"参考文献", "参考文献"},
        {"Список литературы", "список литературы"},
        {"．参考文献：", "参考文献"},
        {"A. Appendix", "appendix"},
        {"Appendix A: Proofs", "appendix a: proofs"},
        {"..: . References", ". references"},  // marks go, the space they uncover stays
        {"12", "12"},                              // nothing to strip: a lone number
        {"", ""},
    };
    for (const TextCase& c : cases) EXPECT_EQ(normalize_heading_text(c.text), c.expected) << c.text;
}

TEST(IsReferenceHeading, Table) {
    const BoolCase cases[] = {
        {"References", true},
        {"Bibliography", true},
        {"Literaturverzeichnis", true},
        {"Références bibliographiques", true},
        {"参考文献", true},
        {"參考文獻", true},
        {"Список литературы", true},
        {"Pi\u015bmiennictwo", true},
        {"Referências", true},
        {"3. Literature Cited", true},
        {"REFERENCES AND NOTES", true},
        {"Reference List", false},
        {"Further Reading", false},
        {"References to prior work are given in the text", false},
        {"Referencess", false},
        {"", false},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(is_reference_heading(c.text), c.expected) << c.text;
}

TEST(IsBackMatterHeading, Table) {
    const BoolCase cases[] = {
        {"Acknowledgements.", true},
        {"A. Appendix", true},
        {"Appendix A: Proofs", true},
        {"Appendices", true},
        {"Appendixes", false},
        {"Appendix", true},
        {"ONLINE METHODS", true},
        {"Online Methods", true},
        {"Methods", false},
        {"Conflicts of Interest", true},
        {"致谢", true},
        {"Danksagung", true},
        {"Приложение Б", true},
        {"Supplementary", true},
        {"Supplementary-material", false},  // the table word must end at a space
        // 48 characters after trimming may still be one; 49 never.
        {"Acknowledgments " + std::string(32, 'x'), true},
        {"Acknowledgments " + std::string(33, 'x'), false},
        {"  Acknowledgments " + std::string(32, 'x') + "  ", true},
        {"Funding" + std::string(40, ' ') + "x", true},  // inner spaces count: 48 characters
        {"Funding" + std::string(41, ' ') + "x", false},
        {"", false},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(is_back_matter_heading(c.text), c.expected) << c.text;
}

TEST(StripLeadingNumbering, Table) {
    struct Case {
        std::string text;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"12) Title", "Title"},
        {"12 Title", "Title"},
        {"1.2.3 Title", "Title"},
        {"A. Title", "Title"},
        {"IV. Title", "Title"},
        {"IV Title", "Title"},
        {"12Title", "Title"},
        {"3D reconstruction", "D reconstruction"},
        {"Mix of results", "of results"},
        {"12 title", "title"},          // after white space any character will do
        {"1.\u00c9tude", "\u00c9tude"}, // an Uppercase letter past ASCII
        {"Z) Zeta", "Zeta"},            // one letter with '.' or ')' is any letter
        {"xii) Items", "Items"},
        {"12", std::nullopt},
        {"12)", std::nullopt},
        {"12.", std::nullopt},
        {"1.2.", std::nullopt},
        {"12 \t ", std::nullopt},
        {"12title", std::nullopt},
        {"1.\u00e9tude", std::nullopt},
        {"A Survey", std::nullopt},
        {"Introduction", std::nullopt},
        {"(1) Title", std::nullopt},
        {"MMMMMMM Title", std::nullopt},  // seven Roman letters is no number
        {"", std::nullopt},
        {"12\vTitle", std::nullopt},  // vertical tab is no ASCII white space
    };
    for (const Case& c : cases) {
        auto got = strip_leading_numbering(c.text);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.text;
        if (!got) continue;
        EXPECT_EQ(std::string(*got), *c.expected) << c.text;
        // A view into the argument, ending where it ends.
        EXPECT_EQ(got->data() + got->size(), c.text.data() + c.text.size()) << c.text;
    }
}

TEST(IsNumberedSectionTitle, Table) {
    const BoolCase cases[] = {
        {"5 Conclusion", true},
        {"2.1 Related Work", true},
        {"IV. Results", true},
        {"A. Smith", true},
        {"3 the results", false},
        {"Introduction", false},
        {"1. Smith, J. (2019)", false},          // holds a year
        {"2 Results from 1999", false},
        {"1 One Two Three Four Five Six Seven Eight", true},
        {"1 One Two Three Four Five Six Seven Eight Nine", false},
        {"3 Results and Discussion", true},
        {"3 Results, discussion", false},  // the first word ends in a comma
        {"3 Results,", false},                   // the first word ends in a comma
        {"4 ", false},
        {"1 X", true},
        {"12. Smith, J. Title.", false},         // an entry
        {"1 " + std::string(59, 'A'), false},    // 61 characters
        {"1 " + std::string(58, 'A'), true},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(is_numbered_section_title(c.text), c.expected) << c.text;
}

TEST(EndsReferenceSection, Table) {
    const BoolCase cases[] = {
        {"References", false},
        {"[3] A. Author, Title, 2019", false},
        {"Appendix A", true},
        {"5 Conclusion", true},
        {"A Proofs", true},
        {"A. Smith", true},
        {"B.2 Additional Results", true},
        {"C.1.3 Setup", true},
        {"ONLINE METHODS", true},
        {"Ab Initio", false},
        {"A-B testing", false},
        {"A. proofs", false},
        {"A.", false},
        {"B. ", false},
        {"A proofs", false},
        {"A\u00a0Proofs", false},  // no-break space is no ASCII white space
        {"Smith, J. and Doe, A. (2019) Title.", false},
        {"Proceedings of the ACL", false},
        {"", false},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(ends_reference_section(c.text), c.expected) << c.text;
}

TEST(FindYear, Table) {
    struct Case {
        std::string text;
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {"(2019)", 1},
        {"Smith 2019a", 6},
        {"Müller 2019", 8},  // bytes, not characters
        {"1900", 0},
        {"2099", 0},
        {"12019", std::nullopt},
        {"1899", std::nullopt},
        {"2100", std::nullopt},
        {"19", std::nullopt},
        {"12345 then 2001", 11},
        {"x19999 and 1999", 11},
        {"199", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(find_year(c.text), c.expected) << c.text;
}

TEST(IsBracketedNumberEntry, Table) {
    const BoolCase cases[] = {
        {"[12] A. Author", true},
        {"[3–5]", true},
        {"［7］", true},
        {"  [1, 2]", true},
        {"[1-3] x", true},
        {"[9，10]", true},
        {"[123]", true},
        {"[1234]", false},
        {"[a]", false},
        {"[", false},
        {"[12", false},
        {"[12)", false},
        {"(12) A. Author", false},
        {"", false},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(is_bracketed_number_entry(c.text), c.expected) << c.text;
}

TEST(IsBracketedKeyEntry, Table) {
    const BoolCase cases[] = {
        {"[Smi20]", true},
        {"[ABC+19]", true},
        {"[AB 20]", true},
        {"［Smi20］ Smith, J.", true},
        {"[Abcdefghijk1]", true},   // 12 characters
        {"[Abcdefghijkl1]", false}, // 13
        {"[A1]", false},
        {"[Smith]", false},
        {"[Smith 2020]", false},
        {"[AB 2]", false},
        {"[AB 20", false},
        {"[Smi20", false},
        {"[Smi20)", false},
        {"[1Smi]", false},
        {"[]", false},
        {"[", false},
        {"Smi20]", false},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(is_bracketed_key_entry(c.text), c.expected) << c.text;
}

TEST(MatchesAuthorYearEntry, Table) {
    const BoolCase cases[] = {
        {"Smith, J.", true},
        {"O’Neil , K.", true},
        {"Müller，A.", true},
        {"Ölmez, B.", true},
        {"Smith-Jones, A.", true},
        {"D'Arcy, P.", true},
        {"  Lee, K.", true},
        {"van Dijk, A.", false},
        {"Figure, 3", false},
        {"Appendix, A", false},
        {"Figures, 3", true},   // the exclusions are whole words
        {"J, Smith", false},
        {"Smith J.", false},
        {"Smith", false},
        {"Smith  ", false},
        {"", false},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(matches_author_year_entry(c.text), c.expected) << c.text;
}

TEST(LooksLikeBibliographyEntry, Table) {
    const BoolCase cases[] = {
        {"1. Smith, J. (2019). Title.", true},
        {"Smith, J., 2019. Title.", true},
        {"2. Smith, J. Title.", true},
        {"Smith, J. Title.", false},
        {"[1]", false},
        {"[12] Ab", false},           // seven characters
        {"[12] Abc", true},
                {"[Smi20] Title", true},
        {"12) A study 2005", true},
        {"12345. A study 2005", false},  // five digits are no entry number
        {"3. A study of things", false},
        {"Figure, 3 shows 2019", false},
        {"Introduction to 2019 methods", false},
        {"1995) and by 18-", false},       // the number is the only year
        {"1995) Smith, J. A study", true}, // a surname after the number will do
        {"2019. A study of 2019 data", true},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(looks_like_bibliography_entry(c.text), c.expected) << c.text;
}

TEST(LooksLikeAuthorList, Table) {
    const BoolCase cases[] = {
        {"Smith J., Doe A., Lee K.", true},
        {"A. Smith, B. Jones and C. Lee", true},
        {"J. Smith, A. Doe et al.", true},
        {"李明, Smith J., Lee K.", true},
        {"Smith and Jones", false},        // no comma
        {"Smith, results of Jones", false},
        {"李明, 王芳, 张伟", false},         // no ASCII letters at all
        {"Smith, Jones", false},           // two words
        {"A, B, C", false},                // seven characters
        {"Smith，Jones Lee Wu", true},
        {"Smith, 3, 4", false},            // one capitalised word
    };
    for (const BoolCase& c : cases) EXPECT_EQ(looks_like_author_list(c.text), c.expected) << c.text;
}

TEST(ReadsLikeProse, Table) {
    const BoolCase cases[] = {
        {"This section describes the data that we used", true},
        {"the the the the the", false},  // five words, whatever they are
        {"Smith J., Doe A., Lee K., Wu B.", false},
        {"Results (using) two new kinds of cells", true},
        {"ALSO ONE TWO THREE FOUR FIVE", true},
        {"One two three four five six", false},
        {"", false},
    };
    for (const BoolCase& c : cases) EXPECT_EQ(reads_like_prose(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace zvk
