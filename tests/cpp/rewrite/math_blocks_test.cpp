#include "rewrite/geometry/math_blocks.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "base/text.h"
#include "content/document_interpreter.h"
#include "content/pdf_fixture.h"
#include "rewrite/geometry/glyph_classes.h"
#include "segment/glyph_fixture.h"
#include "segment/glyph_order.h"

namespace zvk::rewrite {
namespace {

using test::GlyphSpec;
using Ids = std::vector<std::uint32_t>;
using Groups = std::vector<Ids>;

// A page at body size 10 (s = 10): the glyphs are built in code, with ids by
// position, so a test names a glyph by the index add() returned.
class Page {
public:
    std::uint32_t add(const std::string& text, float x, float y, float size, const std::string& font = "Times") {
        specs_.push_back({.text = text, .x0 = x, .x1 = x + 0.5f * size, .size = size, .baseline = y, .font = font});
        return static_cast<std::uint32_t>(specs_.size() - 1);
    }
    // Body text: one letter every 6 points from x0 to x1 on the baseline.
    void body(float x0, float x1, float y) {
        for (float x = x0; x <= x1; x += 6) add("e", x, y, 10);
    }
    const std::vector<Glyph>& glyphs() {
        glyphs_ = test::make_glyphs(specs_);
        return glyphs_;
    }
    Groups blocks(float size = 10) {
        glyphs();
        return find_math_blocks(test::refs(glyphs_), size);
    }

private:
    std::vector<GlyphSpec> specs_;
    std::vector<Glyph> glyphs_;
};

// Body text around a slot at x 190..215 on baseline 700.
void body_line(Page& p) {
    p.body(100, 184, 700);
    p.body(222, 300, 700);
}

TEST(MathBlocks, StackedFormulasAndWhatIsNoFormula) {
    struct Case {
        const char* name;
        std::function<Groups(Page&)> build;  // returns the expected groups
    };
    const std::vector<Case> cases = {
        {"plain paragraph",
         [](Page& p) {
             body_line(p);
             p.body(100, 300, 686);
             return Groups{};
         }},
        {"two over one with its math-font bracket; a math letter stays out",
         [](Page& p) {
             body_line(p);
             const auto a = p.add("a", 200, 705, 7);
             const auto b = p.add("b", 204, 705, 7);
             const auto c = p.add("c", 202, 695, 7);
             const auto paren = p.add("(", 194, 700, 10, "CMEX10");
             p.add("x", 196, 700, 10, "CMMI10");
             return Groups{{a, b, c, paren}};
         }},
        {"bracket outside the window",
         [](Page& p) {
             body_line(p);
             const auto a = p.add("a", 200, 705, 7);
             const auto b = p.add("b", 204, 705, 7);
             const auto c = p.add("c", 202, 695, 7);
             p.add(")", 213, 700, 10, "CMR10");   // no math font
             p.add(")", 212.1f, 700, 10, "CMEX10");  // 0.81 s right of the last member
             return Groups{{a, b, c}};
         }},
        {"one over one and nothing else small",
         [](Page& p) {
             body_line(p);
             p.add("a", 200, 705, 7);
             p.add("c", 200, 695, 7);
             return Groups{};
         }},
        {"one over one with a third candidate elsewhere",
         [](Page& p) {
             body_line(p);
             const auto a = p.add("a", 200, 705, 7);
             const auto c = p.add("c", 204, 695, 7);
             p.add("2", 400, 705, 7);
             return Groups{{a, c}};
         }},
        {"one over one too far apart",
         [](Page& p) {
             body_line(p);
             p.add("a", 200, 705, 7);
             p.add("c", 204.6f, 695, 7);
             p.add("2", 400, 705, 7);
             return Groups{};
         }},
        {"one over one with body text between them",
         [](Page& p) {
             body_line(p);
             p.add("a", 200, 705, 7);
             p.add("c", 202, 695, 7);
             p.add("=", 204.4f, 700, 10);
             p.add("2", 400, 705, 7);
             return Groups{};
         }},
        {"one over one with body text 0.35 s below the baseline between them",
         [](Page& p) {
             body_line(p);
             p.add("a", 200, 705, 7);
             p.add("c", 202, 694, 7);
             p.add("=", 197.5f, 696.5f, 10);
             p.add("2", 400, 705, 7);
             return Groups{};
         }},
        {"superscripts alone",
         [](Page& p) {
             body_line(p);
             p.add("2", 200, 705, 7);
             p.add("3", 204, 705, 7);
             p.add("4", 208, 705, 7);
             return Groups{};
         }},
        {"spread over more than 3 sizes",
         [](Page& p) {
             body_line(p);
             p.add("a", 200, 705, 7);
             p.add("b", 215, 695, 7);
             p.add("c", 230.1f, 705, 7);
             return Groups{};
         }},
        {"upper pair and lower glyph more than 0.15 s apart",
         [](Page& p) {
             body_line(p);
             p.add("a", 200, 705, 7);
             p.add("b", 203, 705, 7);  // the pair ends at 206.5
             p.add("c", 208.6f, 695, 7);
             return Groups{};
         }},
        {"upper pair and lower glyph just close enough",
         [](Page& p) {
             body_line(p);
             const auto a = p.add("a", 200, 705, 7);
             const auto b = p.add("b", 203, 705, 7);
             const auto c = p.add("c", 207.5f, 695, 7);
             return Groups{{a, b, c}};
         }},
        {"a formula-font glyph at body size far off the baseline is a candidate",
         [](Page& p) {
             body_line(p);
             const auto sum = p.add("\u2211", 200, 704, 10, "CMEX10");
             const auto a = p.add("a", 200, 695, 7);
             const auto b = p.add("b", 203, 695, 7);
             return Groups{{sum, a, b}};
         }},
        {"a glyph midway between two baselines belongs to the upper one",
         [](Page& p) {
             body_line(p);
             p.body(100, 184, 688);
             p.body(222, 300, 688);
             const auto a = p.add("a", 200, 705, 7);
             const auto b = p.add("b", 203, 705, 7);
             const auto c = p.add("c", 202, 694, 7);
             return Groups{{a, b, c}};
         }},
        {"groups ordered by leading glyph, top first",
         [](Page& p) {
             body_line(p);
             p.body(100, 300, 660);
             const auto low_a = p.add("a", 200, 665, 7);
             const auto low_b = p.add("b", 203, 665, 7);
             const auto low_c = p.add("c", 202, 655, 7);
             const auto a = p.add("a", 250, 705, 7);
             const auto b = p.add("b", 253, 705, 7);
             const auto c = p.add("c", 252, 695, 7);
             return Groups{{a, b, c}, {low_a, low_b, low_c}};
         }},
    };
    for (const Case& c : cases) {
        Page page;
        Groups expected = c.build(page);
        for (auto& group : expected) std::sort(group.begin(), group.end());
        EXPECT_EQ(page.blocks(), expected) << c.name;
    }
}

// Two fractions on neighbouring baselines (700 and 688) whose windows both
// hold one math bracket: the upper cluster, visited first, takes it, whatever
// the input order. Returns the groups and the bracket's id.
std::pair<Groups, std::uint32_t> shared_bracket_groups(bool reversed) {
    Page p;
    body_line(p);
    p.body(100, 184, 688);
    p.body(222, 300, 688);
    p.add("a", 195, 705, 7);
    p.add("b", 197, 705, 7);
    p.add("c", 196, 695, 7);
    // Within 0.3 s of the upper baseline: no candidate, only a bracket.
    const auto bracket = p.add("|", 200, 698, 10, "CMSY10");
    p.add("d", 195, 693, 7);
    p.add("e", 197, 693, 7);
    p.add("f", 196, 683, 7);
    std::vector<Glyph> glyphs = p.glyphs();
    std::vector<const Glyph*> refs = test::refs(glyphs);
    if (reversed) std::reverse(refs.begin(), refs.end());
    return {find_math_blocks(refs, 10), bracket};
}

std::string groups_text(const Groups& groups) {
    std::ostringstream out;
    for (const auto& g : groups) {
        for (auto id : g) out << id << ' ';
        out << ';';
    }
    return out.str();
}

TEST(MathBlocks, BracketInTwoWindowsGoesToTheSameGroupEveryTime) {
    const auto [first, bracket] = shared_bracket_groups(false);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].size(), 4u);  // a b c and the bracket
    EXPECT_TRUE(std::binary_search(first[0].begin(), first[0].end(), bracket)) << groups_text(first);
    EXPECT_FALSE(std::binary_search(first[1].begin(), first[1].end(), bracket)) << groups_text(first);
    for (int run = 0; run < 10; ++run) EXPECT_EQ(shared_bracket_groups(run % 2 == 1).first, first);

    // And in a second process.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        const std::string text = groups_text(shared_bracket_groups(true).first);
        const auto written = write(fds[1], text.data(), text.size());
        _exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string received;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) received.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(received, groups_text(first));
}

// The steps as written, with a walk over every cluster per glyph and over
// the whole input per component: the indexed lookups must find the same
// groups on every input.
Groups reference_math_blocks(const std::vector<const Glyph*>& glyphs, float size) {
    const float s = size >= 1.0f ? size : 1.0f;
    const std::vector<float> clusters = cluster_baselines(glyphs, s);
    if (clusters.empty() || glyphs.empty()) return {};
    std::vector<std::vector<std::size_t>> members(clusters.size());
    std::size_t count = 0;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const Glyph& g = *glyphs[i];
        std::size_t best = clusters.size();
        float best_d = 0;
        for (std::size_t c = 0; c < clusters.size(); ++c) {
            const float d = std::fabs(g.matrix[5] - clusters[c]);
            if (d <= 0.85f * s && (best == clusters.size() || d < best_d)) {
                best = c;
                best_d = d;
            }
        }
        if (best == clusters.size()) continue;
        const bool formula = glyph_skip_reason(g) == std::optional<std::string_view>("formula");
        if (g.font_size <= 0.82f * s || (formula && best_d > 0.3f * s)) {
            members[best].push_back(i);
            ++count;
        }
    }
    if (count < 3) return {};
    auto key = [](float v) { return zvk::total_order_key(v); };
    auto x = [&](std::size_t i) { return glyphs[i]->matrix[4]; };
    auto y = [&](std::size_t i) { return glyphs[i]->matrix[5]; };
    Groups groups;
    std::vector<std::uint32_t> claimed;
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        auto& l = members[c];
        std::stable_sort(l.begin(), l.end(), [&](std::size_t a, std::size_t b) { return key(x(a)) < key(x(b)); });
        // Components by union of pairs within 2.2 s, as a label per member.
        std::vector<std::size_t> label(l.size());
        for (std::size_t i = 0; i < l.size(); ++i) label[i] = i;
        for (std::size_t i = 0; i < l.size(); ++i) {
            for (std::size_t j = i + 1; j < l.size() && x(l[j]) - x(l[i]) <= 2.2f * s; ++j) {
                const std::size_t from = label[j], to = label[i];
                for (auto& v : label) if (v == from) v = to;
            }
        }
        std::vector<std::size_t> seen;
        for (std::size_t i = 0; i < l.size(); ++i) {
            if (std::find(seen.begin(), seen.end(), label[i]) != seen.end()) continue;
            seen.push_back(label[i]);
            std::vector<std::size_t> k;
            for (std::size_t j = 0; j < l.size(); ++j) if (label[j] == label[i]) k.push_back(l[j]);
            const float b = clusters[c];
            std::vector<std::size_t> above, below;
            for (auto m : k) {
                if (y(m) > b + 0.3f * s) above.push_back(m);
                if (y(m) < b - 0.3f * s) below.push_back(m);
            }
            if (above.empty() || below.empty()) continue;
            if (above.size() == 1 && below.size() == 1) {
                if (std::fabs(x(above[0]) - x(below[0])) > 0.45f * s) continue;
                const float lo = std::fmin(x(above[0]), x(below[0])) - 0.25f * s;
                const float hi = std::fmax(x(above[0]), x(below[0])) + 0.25f * s;
                bool blocked = false;
                for (const Glyph* g : glyphs) {
                    blocked = blocked || (g->font_size > 0.84f * s && std::fabs(g->matrix[5] - b) <= 0.35f * s &&
                                          lo <= g->matrix[4] && g->matrix[4] <= hi &&
                                          !trim_white_space(g->unicode).empty());
                }
                if (blocked) continue;
            }
            auto extent = [&](const std::vector<std::size_t>& part) {
                float x0 = 3.4e38f, x1 = -3.4e38f;
                for (auto m : part) {
                    x0 = std::fmin(x0, std::fmin(x(m), glyphs[m]->bbox[0]));
                    x1 = std::fmax(x1, std::fmax(x(m), glyphs[m]->bbox[2]));
                }
                return std::pair{x0, x1};
            };
            const auto [ax0, ax1] = extent(above);
            const auto [bx0, bx1] = extent(below);
            if (std::fmin(ax1, bx1) - std::fmax(ax0, bx0) < -0.15f * s) continue;
            float kx0 = 3.4e38f, kx1 = -3.4e38f, ky0 = 3.4e38f, ky1 = -3.4e38f;
            for (auto m : k) {
                kx0 = std::fmin(kx0, x(m));
                kx1 = std::fmax(kx1, x(m));
                ky0 = std::fmin(ky0, y(m));
                ky1 = std::fmax(ky1, y(m));
            }
            if (kx1 - kx0 > 3.0f * s) continue;
            Ids group;
            for (auto m : k) group.push_back(glyphs[m]->id);
            for (const Glyph* g : glyphs) {
                if (std::find(group.begin(), group.end(), g->id) != group.end()) continue;
                if (std::find(claimed.begin(), claimed.end(), g->id) != claimed.end()) continue;
                if (is_math_bracket_glyph(*g) && kx0 - 0.8f * s <= g->matrix[4] && g->matrix[4] <= kx1 + 0.8f * s &&
                    ky0 - 0.25f * s <= g->matrix[5] && g->matrix[5] <= ky1 + 0.75f * s) {
                    group.push_back(g->id);
                }
            }
            std::sort(group.begin(), group.end());
            group.erase(std::unique(group.begin(), group.end()), group.end());
            claimed.insert(claimed.end(), group.begin(), group.end());
            groups.push_back(group);
        }
    }
    auto lead = [&](const Ids& group) {
        for (const Glyph* g : glyphs) {
            if (std::binary_search(group.begin(), group.end(), g->id)) return g;
        }
        return glyphs.front();
    };
    std::stable_sort(groups.begin(), groups.end(), [&](const Ids& a, const Ids& b) {
        const Glyph* ga = lead(a);
        const Glyph* gb = lead(b);
        if (key(ga->matrix[5]) != key(gb->matrix[5])) return key(ga->matrix[5]) > key(gb->matrix[5]);
        return key(ga->matrix[4]) < key(gb->matrix[4]);
    });
    return groups;
}

TEST(MathBlocks, IndexedLookupsFindWhatWholeInputWalksFind) {
    std::mt19937 random(8102);
    const char* fonts[] = {"Times", "CMMI7", "CMEX10", "CMSY10"};
    const char* texts[] = {"a", "(", "|", " ", "=", "*"};
    std::size_t pages_with_groups = 0;
    for (int page = 0; page < 300; ++page) {
        Page p;
        const int lines = 1 + static_cast<int>(random() % 6);
        for (int line = 0; line < lines; ++line) {
            const float y = 700.0f - 12.0f * static_cast<float>(line) - 0.5f * static_cast<float>(random() % 3);
            p.body(100, 160, y);
            const int extras = static_cast<int>(random() % 30);
            for (int e = 0; e < extras; ++e) {
                const float x = 100.0f + 0.5f * static_cast<float>(random() % 120);
                const float dy = 0.5f * static_cast<float>(static_cast<int>(random() % 33) - 16);
                const float size = random() % 3 == 0 ? 10.0f : 7.0f;
                const std::uint32_t id =
                    p.add(texts[random() % 6], x, y + dy, size, fonts[random() % 4]);
                (void)id;
            }
        }
        if (random() % 10 == 0) p.add("(", test::kNaN, 700, 10, "CMEX10");
        const auto& glyphs = p.glyphs();
        std::vector<const Glyph*> refs = test::refs(glyphs);
        std::shuffle(refs.begin(), refs.end(), random);
        const Groups expected = reference_math_blocks(refs, 10);
        pages_with_groups += expected.empty() ? 0 : 1;
        ASSERT_EQ(find_math_blocks(refs, 10), expected) << "page " << page;
    }
    EXPECT_GT(pages_with_groups, 30u);  // the pages do exercise the group building
}

TEST(MathBlocks, ClustersAndTypicalSize) {
    Page p;
    for (float y : {700.0f, 699.0f, 690.0f, 689.7f}) p.add("e", 100, y, 10);
    p.add("x", 100, 680, 10, "CMMI10");  // math font: no cluster
    p.add(" ", 100, 670, 10);            // blank: no cluster
    p.add("e", 100, 660, 8.2f);          // not above 0.82 x size
    const auto& glyphs = p.glyphs();
    EXPECT_EQ(cluster_baselines(test::refs(glyphs), 10), (std::vector<float>{700, 690}));

    struct Case {
        std::vector<float> sizes;
        float typical;
    };
    const std::vector<Case> cases = {
        {{9, 9, 10, 10, 10, 10, 12, 12}, 10},        // upper median of 8
        {{10, 10, 10, 10, 30}, 10},                   // 5: representative size (30 > 1.8 x 10)
        {{10, 10, 12}, 12},                           // 3: the largest
        {{0.5f, 0.5f}, 1},                            // raised to 1
    };
    for (const Case& c : cases) {
        Page sized;
        for (float s : c.sizes) sized.add("e", 0, 0, s);
        const auto& g = sized.glyphs();
        EXPECT_EQ(typical_glyph_size(test::refs(g)), c.typical);
    }
}

TEST(MathBlocks, BracketGlyphsAndIds) {
    struct Case {
        std::string font, text;
        bool bracket;
    };
    const std::vector<Case> cases = {
        {"CMEX10", "(", true}, {"CMSY10", " | ", true}, {"CMEX10", "", true}, {"CMMI10", "x", false},
        {"Times", "(", false}, {"CMEX10", "((", false}, {"CMR10", "[", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(is_math_bracket_glyph(test::make_glyph({.text = c.text, .font = c.font})), c.bracket)
            << c.font << " " << c.text;
    }
    std::vector<Glyph> glyphs = test::make_glyphs({{.text = "a"}, {.text = "b"}, {.text = "c"}});
    glyphs[2].id = 40;
    const std::vector<std::size_t> indices = {2, 0};
    EXPECT_EQ(glyph_ids_at_indices(indices, test::refs(glyphs)), (Ids{40, 0}));
}

// A fraction drawn in a font named CMMI10 in a real content stream, found on
// the extracted glyphs.
TEST(MathBlocks, FractionInExtractedGlyphs) {
    if (std::system("command -v fix-qdf >/dev/null 2>&1") != 0) GTEST_SKIP() << "qpdf's fix-qdf is not installed";
    // Written by hand with a dummy cross-reference table; qpdf's fix-qdf
    // rewrites the stream length and the offsets.
    const std::string content =
        "BT /F1 10 Tf 72 700 Td (Let the ratio be) Tj ET\n"
        "BT /F2 7 Tf 150 705 Td (ab) Tj ET\n"
        "BT /F2 7 Tf 152 695 Td (c) Tj ET\n"
        "BT /F1 10 Tf 170 700 Td (for every case) Tj ET\n";
    const std::string pdf =
        "%PDF-1.4\n%QDF-1.0\n\n"
        "1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n\n"
        "2 0 obj\n<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n\n"
        "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R\n"
        "   /Resources << /Font << /F1 6 0 R /F2 7 0 R >> >> >>\nendobj\n\n"
        "4 0 obj\n<< /Length 5 0 R >>\nstream\n" + content + "endstream\nendobj\n\n"
        "5 0 obj\n0\nendobj\n\n"
        "6 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\nendobj\n\n"
        "7 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /CMMI10 /FirstChar 97 /LastChar 99\n"
        "   /Widths [529 429 433] >>\nendobj\n\n"
        "xref\n0 8\n0000000000 65535 f \n"
        "trailer << /Size 8 /Root 1 0 R >>\nstartxref\n0\n%%EOF\n";
    const auto dir = std::filesystem::temp_directory_path();
    const auto in = dir / ("zvk-fraction-" + std::to_string(getpid()) + ".qdf");
    const auto out = dir / ("zvk-fraction-" + std::to_string(getpid()) + ".pdf");
    std::ofstream(in, std::ios::binary) << pdf;
    const std::string command = "fix-qdf '" + in.string() + "' > '" + out.string() + "' 2>/dev/null";
    const int fixed = std::system(command.c_str());
    std::filesystem::remove(in);
    ASSERT_EQ(fixed, 0);
    std::ifstream file(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::filesystem::remove(out);

    auto doc = test::load_pdf(bytes);
    ASSERT_TRUE(doc);
    const ExtractedDocument extracted = interpret_document(*doc, ExtractLimits{});
    std::vector<const Glyph*> refs;
    Ids fraction;
    for (const Glyph& g : extracted.glyphs) {
        refs.push_back(&g);
        if (g.font_name.find("CMMI10") != std::string::npos) fraction.push_back(g.id);
    }
    ASSERT_EQ(fraction.size(), 3u);
    const float size = typical_glyph_size(refs);
    EXPECT_EQ(size, 10.0f);
    EXPECT_EQ(find_math_blocks(refs, size), Groups{fraction});
}

}  // namespace
}  // namespace zvk::rewrite
