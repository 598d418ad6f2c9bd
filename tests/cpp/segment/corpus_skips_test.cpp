// The skip passes on the corpus papers with the translate options' defaults
// (skip_figures and skip_tables on): contents leaders and page numbers, the
// cells under a table caption, and code only where a monospace face is set.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "api/pdf_files.h"
#include "base/options.h"
#include "base/text.h"
#include "segment/corpus_paper.h"
#include "segment/font_names.h"
#include "segment/attach_passes.h"
#include "segment/glyph_lines.h"
#include "segment/line_text.h"
#include "segment/segmentation.h"

namespace zvk {
namespace {

namespace fs = std::filesystem;

using test::kPapers;

struct Skips {
    ExtractedDocument extraction;
    LineGrouping grouping;
    std::map<std::uint32_t, std::set<std::string>> reasons;  // by glyph id
    bool has(std::uint32_t id, const std::string& reason) const {
        auto it = reasons.find(id);
        return it != reasons.end() && it->second.contains(reason);
    }
};

std::optional<Skips> skips_of(const std::string& name, bool skip_figures, bool skip_tables) {
    auto extraction = test::extract_paper(name);
    if (!extraction) return std::nullopt;
    Skips out;
    out.extraction = std::move(*extraction);
    out.grouping = build_line_groups(group_glyph_lines(out.extraction.glyphs), skip_figures, skip_tables,
                                     out.extraction.regions, out.extraction.pages,
                                     collect_unmapped_glyphs(out.extraction.glyphs));
    for (const SkippedGlyph& s : out.grouping.skipped) out.reasons[s.glyph_id].insert(s.reason);
    return out;
}

std::optional<Skips> with_defaults(const std::string& name) {
    const TranslateOptions defaults;
    return skips_of(name, defaults.skip_figures, defaults.skip_tables);
}

bool is_leader_or_digit(const std::string& text) {
    std::string_view t = trim_white_space(text);
    return t == "." || (t.size() == 1 && t[0] >= '0' && t[0] <= '9');
}

// Every contents row of bug886717.pdf (file page 1) ends in dot leaders and a
// page number; those glyphs are "toc" skips and the glyphs before them are
// not, so "2.2.1 Substitution-permutation networks" stays a line of its own.
TEST(CorpusSkips, Bug886717ContentsRows) {
    if (!fs::exists(kPapers)) GTEST_SKIP() << "no corpus at " << kPapers;
    auto skips = with_defaults("bug886717.pdf");
    ASSERT_TRUE(skips);
    std::size_t rows = 0;
    for (const GlyphRun& run : group_glyph_lines(skips->extraction.glyphs)) {
        if (run.front()->page_index != 0) continue;
        std::size_t tail = run.size();  // the leaders and the number
        while (tail > 0 && is_leader_or_digit(run[tail - 1]->unicode)) --tail;
        std::size_t dots = 0;
        for (std::size_t i = tail; i < run.size(); ++i) dots += trim_white_space(run[i]->unicode) == "." ? 1 : 0;
        if (dots < 4) continue;
        ++rows;
        const std::string text = line_text_from_glyphs(run);
        for (std::size_t i = 0; i < run.size(); ++i) {
            if (i >= tail) {
                EXPECT_TRUE(skips->has(run[i]->id, "toc")) << text;
            } else {
                // Section numbers ("2.2.1") are digits and dots too: only
                // the title's glyphs are checked here.
                EXPECT_FALSE(skips->reasons.contains(run[i]->id)) << text;
            }
        }
    }
    EXPECT_GE(rows, 40u);
    bool title = false;
    for (const LineGroup& group : skips->grouping.groups) {
        for (const TextLine& line : group.lines) {
            if (trim_white_space(line.text) == "2.2.1 Substitution-permutation networks") title = line.toc_trimmed;
        }
    }
    EXPECT_TRUE(title);
}

// Table 1 of glia-calcium-waves.pdf (file page 4): the cells that lie under
// its caption are "table" skips; the caption itself keeps its glyphs.
// Without skip_tables nothing is "table".
TEST(CorpusSkips, GliaTableOne) {
    if (!fs::exists(kPapers)) GTEST_SKIP() << "no corpus at " << kPapers;
    auto skips = with_defaults("glia-calcium-waves.pdf");
    ASSERT_TRUE(skips);
    std::size_t cells = 0;
    bool caption = false;
    for (const GlyphRun& run : group_glyph_lines(skips->extraction.glyphs)) {
        if (run.front()->page_index != 3) continue;
        const std::string text = line_text_from_glyphs(run);
        if (text.starts_with("TABLE 1. Descriptions of")) {
            caption = true;
            for (const Glyph* g : run) EXPECT_FALSE(skips->reasons.contains(g->id)) << text;
        }
        if (text == "Hippocampal astrocytes" && run.front()->matrix[5] > 680.0f) {  // the first row
            bool all = true;
            for (const Glyph* g : run) all = all && skips->has(g->id, "table");
            cells += all ? 1 : 0;
        }
    }
    EXPECT_TRUE(caption);
    EXPECT_GE(cells, 1u);

    auto without = skips_of("glia-calcium-waves.pdf", true, false);
    ASSERT_TRUE(without);
    for (const SkippedGlyph& s : without->grouping.skipped) EXPECT_NE(s.reason, "table");
}

// "code" only on the papers that set text in a monospace face, and there only
// on monospace glyphs (or glyphs without letters in a monospace line).
TEST(CorpusSkips, CodeOnlyInMonospace) {
    if (!fs::exists(kPapers)) GTEST_SKIP() << "no corpus at " << kPapers;
    struct Case {
        const char* file;
        bool code;
    } cases[] = {
        {"glia-calcium-waves.pdf", false}, {"ephaptic-coupling.pdf", false}, {"pdkids.pdf", false},
        {"bug886717.pdf", false},          {"P07-1088.pdf", true},           {"P14-1059.pdf", true},
        {"bohnet09.pdf", true},            {"mono04.pdf", true},             {"gadr.pdf", true},
    };
    for (const Case& c : cases) {
        auto skips = with_defaults(c.file);
        ASSERT_TRUE(skips) << c.file;
        std::size_t code = 0;
        for (const SkippedGlyph& s : skips->grouping.skipped) {
            if (s.reason != "code") continue;
            ++code;
            const Glyph& g = skips->extraction.glyphs[s.glyph_id];
            bool letters = false;
            for (char ch : g.unicode) letters = letters || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
            EXPECT_TRUE(is_monospace_font_name(g.font_name) || !letters) << c.file << ": " << g.unicode;
        }
        EXPECT_EQ(code > 0, c.code) << c.file;
    }
}

// Whatever the passes skip leaves the lines, and nothing else does: every
// glyph with a text is in a line or skipped, never both.
TEST(CorpusSkips, GlyphsAreInALineOrSkipped) {
    if (!fs::exists(kPapers)) GTEST_SKIP() << "no corpus at " << kPapers;
    for (const auto& entry : fs::directory_iterator(kPapers)) {
        if (entry.path().extension() != ".pdf") continue;
        const std::string name = entry.path().filename().string();
        auto skips = with_defaults(name);
        ASSERT_TRUE(skips) << name;
        std::set<std::uint32_t> in_lines;
        for (const LineGroup& group : skips->grouping.groups) {
            for (const TextLine& line : group.lines) {
                for (const Glyph* g : line.glyphs) {
                    EXPECT_TRUE(in_lines.insert(g->id).second) << name << ": glyph " << g->id << " twice";
                    EXPECT_FALSE(skips->reasons.contains(g->id)) << name << ": glyph " << g->id;
                }
            }
        }
        for (const Glyph& g : skips->extraction.glyphs) {
            if (g.unmapped || g.unicode.empty()) continue;
            EXPECT_TRUE(in_lines.contains(g.id) || skips->reasons.contains(g.id)) << name << ": glyph " << g.id;
        }
    }
}

}  // namespace
}  // namespace zvk
