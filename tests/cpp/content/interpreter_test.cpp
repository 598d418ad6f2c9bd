#include "content/interpreter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "content/operand_text.h"
#include "content/pdf_fixture.h"

namespace zvk {
namespace {

using test::float_text;

// A page interpreter over a document whose page resources are object 4;
// `objects` become objects 5, 6, ...
struct PageRun {
    std::unique_ptr<pdf::Document> doc;
    ResourceScope resources;
    std::unique_ptr<ContentInterpreter> interp;

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& d : interp->diagnostics) out.push_back(d.message);
        return out;
    }
};

std::unique_ptr<PageRun> make_page(const std::string& resources,
                                   const std::vector<std::string>& objects = {},
                                   const PageBudgetLimits& budget = {}) {
    std::vector<std::string> all = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /Resources 4 0 R >>",
        resources,
    };
    all.insert(all.end(), objects.begin(), objects.end());
    auto run = std::make_unique<PageRun>();
    run->doc = test::load_pdf(test::build_pdf(all));
    if (!run->doc) return nullptr;
    run->resources.own = std::make_shared<const ResourceMaps>(
        load_page_resources(*run->doc, run->doc->object({4, 0})));
    run->interp = std::make_unique<ContentInterpreter>(*run->doc, ExtractLimits{}, run->resources,
                                                       0, budget);
    return run;
}

std::unique_ptr<PageRun> run_content(const std::string& content, const std::string& resources = "<< >>",
                                     const std::vector<std::string>& objects = {}) {
    auto run = make_page(resources, objects);
    if (run) interpret_page_stream(*run->interp, content, {}, {});
    return run;
}

std::string matrix_text(const Matrix& m) {
    std::string out;
    for (float v : m) out += (out.empty() ? "" : " ") + float_text(v);
    return "[" + out + "]";
}

std::string box_text(const Box& b) {
    std::string out;
    for (float v : b) out += (out.empty() ? "" : " ") + float_text(v);
    return "[" + out + "]";
}

std::string color_text(const Color& c) {
    std::string out(color_space_word(c.space));
    for (float v : c.components) out += " " + float_text(v);
    return out;
}

std::string clip_text(const GraphicsState& gs) {
    switch (gs.clip) {
    case ClipState::None: return "none";
    case ClipState::Rect: return "rect " + box_text(gs.clip_box);
    case ClipState::Empty: return "empty";
    case ClipState::Uncertain: return "uncertain";
    }
    return "?";
}

// A row: content, the diagnostics it gives, and what of the state it shows.
struct StateCase {
    const char* name;
    std::string content;
    std::vector<std::string> messages;
    std::function<std::string(const ContentInterpreter&)> probe;
    std::string expected;
};

void check_state_cases(const std::vector<StateCase>& cases, const std::string& resources = "<< >>",
                       const std::vector<std::string>& objects = {}) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto run = run_content(c.content, resources, objects);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->messages(), c.messages);
        EXPECT_EQ(c.probe(*run->interp), c.expected);
    }
}

std::string ctm(const ContentInterpreter& i) { return matrix_text(i.state.ctm); }
std::string tm(const ContentInterpreter& i) { return matrix_text(i.text_matrix); }
std::string tlm(const ContentInterpreter& i) { return matrix_text(i.text_line_matrix); }
std::string fill(const ContentInterpreter& i) { return color_text(i.state.fill_color); }
std::string stroke(const ContentInterpreter& i) { return color_text(i.state.stroke_color); }
std::string clip(const ContentInterpreter& i) { return clip_text(i.state); }
std::string regions(const ContentInterpreter& i) {
    std::string out;
    for (const auto& r : i.regions) out += r.kind + " " + box_text(r.bbox) + ";";
    return out;
}

TEST(OperatorInterpreter, GraphicsState) {
    check_state_cases({
        {"cm takes the last six numbers", "1 2 3 4 5 6 7 cm", {}, ctm, "[2 3 4 5 6 7]"},
        {"cm multiplies the new matrix first", "1 0 0 1 10 20 cm 2 0 0 2 0 0 cm", {}, ctm,
         "[2 0 0 2 10 20]"},
        {"too few operands", "1 2 cm", {"operator 'cm' skipped: expected 6 operands, found 2"}, ctm,
         "[1 0 0 1 0 0]"},
        {"a name among the last six", "/a 1 2 3 4 5 cm",
         {"operator 'cm' skipped: expected a number operand"}, ctm, "[1 0 0 1 0 0]"},
        {"Q without q", "Q", {"operator 'Q' skipped: Q without q"}, ctm, "[1 0 0 1 0 0]"},
        {"Q restores the colour", "q 1 0 0 rg Q", {}, fill, "DeviceGray 0"},
        {"Q restores the ctm", "q 2 0 0 2 0 0 cm Q", {}, ctm, "[1 0 0 1 0 0]"},
        {"Q leaves the text matrix", "BT 1 0 0 1 50 50 Tm q ET Q", {}, tm, "[1 0 0 1 50 50]"},
        {"Q leaves the path", "0 0 10 10 re q Q f", {}, regions, "path [0 0 10 10];"},
        {"lexer messages come before operator messages", "Q (abc",
         {"unterminated literal string", "operator 'Q' skipped: Q without q"}, ctm, "[1 0 0 1 0 0]"},
        {"operators without effect take any operands", "/x w (y) J [] d 1 2 3 ri /P <<>> BDC EMC sh",
         {}, ctm, "[1 0 0 1 0 0]"},
    });
}

TEST(OperatorInterpreter, Colours) {
    check_state_cases({
        {"gray fill", "0.5 g", {}, fill, "DeviceGray 0.5"},
        {"gray stroke", "0.25 G", {}, stroke, "DeviceGray 0.25"},
        {"rgb fill", "1 0 0.5 rg", {}, fill, "DeviceRGB 1 0 0.5"},
        {"rgb stroke leaves the fill", "1 0 0 RG", {}, fill, "DeviceGray 0"},
        {"cmyk fill", "1 0 0 0 k", {}, fill, "DeviceCMYK 1 0 0 0"},
        {"cmyk stroke", "0 1 0 0 K", {}, stroke, "DeviceCMYK 0 1 0 0"},
        {"sc with one number", "0.3 sc", {}, fill, "DeviceGray 0.3"},
        {"sc with two numbers", "0.1 0.2 sc", {}, fill, "unknown 0.1 0.2"},
        {"SCN with three numbers", "0.5 0.5 0.5 SCN", {}, stroke, "DeviceRGB 0.5 0.5 0.5"},
        {"scn with four numbers", "0 0 0 1 scn", {}, fill, "DeviceCMYK 0 0 0 1"},
        {"scn with five numbers", "1 2 3 4 5 scn", {}, fill, "unknown 1 2 3 4 5"},
        {"pattern name skipped", "0.5 /P1 scn", {}, fill, "DeviceGray 0.5"},
        {"pattern name alone changes nothing", "1 g /P1 scn", {}, fill, "DeviceGray 1"},
        {"g with a name", "/x g", {"operator 'g' skipped: expected a number operand"}, fill,
         "DeviceGray 0"},
        {"rg with two numbers", "1 0 rg", {"operator 'rg' skipped: expected 3 operands, found 2"},
         fill, "DeviceGray 0"},
    });
}

TEST(OperatorInterpreter, LongColourListsKeepThirtyTwoComponents) {
    std::string numbers;
    for (int k = 0; k < 40; ++k) numbers += std::to_string(k) + " ";
    auto run = run_content(numbers + "scn " + numbers + "SC");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->messages(),
              (std::vector<std::string>{
                  "operator 'scn' has 40 colour components; only the first 32 are kept",
                  "operator 'SC' has 40 colour components; only the first 32 are kept"}));
    for (const Color* c : {&run->interp->state.fill_color, &run->interp->state.stroke_color}) {
        EXPECT_EQ(c->space, ColorSpace::Unknown);
        ASSERT_EQ(c->components.size(), 32u);
        EXPECT_EQ(c->components.front(), 0.0f);
        EXPECT_EQ(c->components.back(), 31.0f);
    }
}

TEST(OperatorInterpreter, PathRegions) {
    check_state_cases({
        {"rectangle filled", "0 0 100 50 re f", {}, regions, "path [0 0 100 50];"},
        {"negative extents normalised", "10 10 -5 -5 re f", {}, regions, "path [5 5 10 10];"},
        {"thin in both directions is dropped", "0 0 m 0 0.3 l S", {}, regions, ""},
        {"thin in one direction is kept", "0 0 m 0.3 100 l S", {}, regions, "path [0 0 0.3 100];"},
        {"a horizontal rule", "10 10 m 100 10 l S", {}, regions, "path [10 10 100 10];"},
        {"curves include their control points", "0 0 m 10 50 20 -5 30 0 c S", {}, regions,
         "path [0 -5 30 50];"},
        {"v and y add two points", "0 0 m 5 5 10 0 v 15 3 20 2 y f", {}, regions, "path [0 0 20 5];"},
        {"mapped through the ctm", "2 0 0 2 10 0 cm 0 0 10 10 re f", {}, regions,
         "path [10 0 30 20];"},
        {"rotated ctm", "0 1 -1 0 0 0 cm 0 0 10 20 re f", {}, regions, "path [-20 0 0 10];"},
        {"n ends the path without a region", "0 0 10 10 re n f", {}, regions, ""},
        {"every painting operator ends the path", "0 0 10 10 re B 0 0 20 20 re b* f", {}, regions,
         "path [0 0 10 10];path [0 0 20 20];"},
        {"a second rectangle makes a general path", "0 0 10 10 re 20 20 10 10 re f", {}, regions,
         "path [0 0 30 30];"},
        {"the path survives text objects", "0 0 10 10 re BT ET f", {}, regions, "path [0 0 10 10];"},
        {"an infinite width is not recorded",
         "-340000000000000000000000000000000000000 0 m 340000000000000000000000000000000000000 0 l 0 "
         "1 l S",
         {}, regions, ""},
        {"painting without a path", "S f", {}, regions, ""},
        {"inline images record nothing", "BI /W 1 /H 1 /CS /G ID a EI", {}, regions, ""},
        {"bad operands leave the path", "0 0 m /x 5 l 10 10 l S", {"operator 'l' skipped: expected a number operand"},
         regions, "path [0 0 10 10];"},
    });
}

TEST(OperatorInterpreter, Clips) {
    check_state_cases({
        {"first rectangle sets the clip", "0 0 100 100 re W n", {}, clip, "rect [0 0 100 100]"},
        {"rectangles intersect", "0 0 100 100 re W n 50 50 100 100 re W n", {}, clip,
         "rect [50 50 100 100]"},
        {"disjoint rectangles give an empty clip",
         "0 0 100 100 re W n 50 50 100 100 re W n 200 200 10 10 re W n", {}, clip, "empty"},
        {"a general path makes it uncertain",
         "0 0 100 100 re W n 200 200 10 10 re W n 0 0 m 10 0 l 0 10 l h W n", {}, clip,
         "uncertain"},
        {"an empty clip stays empty", "0 0 1 1 re W n 5 5 1 1 re W n 0 0 9 9 re W n", {}, clip,
         "empty"},
        {"an uncertain clip stays uncertain", "0 0 m 5 5 l W* n 0 0 9 9 re W n", {}, clip,
         "uncertain"},
        {"clip with no path", "0 0 9 9 re W n W n", {"clip with an empty path"}, clip,
         "rect [0 0 9 9]"},
        {"the clip box is in page space", "2 0 0 2 0 0 cm 0 0 10 10 re W n", {}, clip,
         "rect [0 0 20 20]"},
        {"Q restores the clip", "q 0 0 10 10 re W n Q", {}, clip, "none"},
        {"W keeps the path for the painting operator", "0 0 10 10 re W f", {}, regions,
         "path [0 0 10 10];"},
    });
}

TEST(OperatorInterpreter, TextState) {
    auto spacing = [](const ContentInterpreter& i) {
        const GraphicsState& g = i.state;
        return float_text(g.char_spacing) + " " + float_text(g.word_spacing) + " " +
               float_text(g.horizontal_scaling) + " " + float_text(g.leading) + " " +
               float_text(g.rise) + " " + float_text(g.font_size) + " " +
               std::to_string(g.render_mode);
    };
    check_state_cases({
        {"spacing operators", "1 Tc 2 Tw 50 Tz 14 TL 3 Ts 2 Tr", {}, spacing, "1 2 50 14 3 0 2"},
        {"render mode clamped high", "300 Tr", {}, spacing, "0 0 100 0 0 0 255"},
        {"render mode clamped low", "-2 Tr", {}, spacing, "0 0 100 0 0 0 0"},
        {"render mode truncated", "2.9 Tr", {}, spacing, "0 0 100 0 0 0 2"},
        {"TD sets the leading", "0 -14 TD", {}, spacing, "0 0 100 14 0 0 0"},
        {"Q restores the text state", "q 1 Tc 2 Tr Q", {}, spacing, "0 0 100 0 0 0 0"},
        {"T* moves down by the leading", "BT 14 TL T*", {}, tlm, "[1 0 0 1 0 -14]"},
        {"Td through a scaled line matrix", "BT 2 0 0 2 10 10 Tm 5 5 Td", {}, tm,
         "[2 0 0 2 20 20]"},
        {"Td moves the line matrix too", "BT 5 5 Td 1 1 Td", {}, tlm, "[1 0 0 1 6 6]"},
        {"Tm replaces both matrices", "BT 1 1 Td 3 0 0 3 7 8 Tm", {}, tlm, "[3 0 0 3 7 8]"},
        {"BT resets the matrices", "BT 5 5 Td ET BT", {}, tm, "[1 0 0 1 0 0]"},
        {"ET keeps the matrices", "BT 5 5 Td ET", {}, tm, "[1 0 0 1 5 5]"},
        {"quote moves to the next line", "BT 10 TL (x) ' ET", {}, tm, "[1 0 0 1 0 -10]"},
        {"quote with no string still moves", "BT 10 TL 5 ' ET",
         {"operator ''' skipped: operand 0 is not a string"}, tm, "[1 0 0 1 0 -10]"},
        {"quotation mark sets spacing and moves", "BT 10 TL 1 2 (x) \" ET", {}, spacing,
         "2 1 100 10 0 0 0"},
        {"quotation mark with a bad second number", "BT 1 (x) \" ET",
         {"operator '\"' skipped: operand 1 is not a number"}, spacing, "0 1 100 0 0 0 0"},
        {"quotation mark with a bad string", "BT 10 TL 1 2 3 \" ET",
         {"operator '\"' skipped: operand 2 is not a string"}, tm, "[1 0 0 1 0 -10]"},
        {"TJ numbers move the text matrix", "BT /Nope 10 Tf [-500] TJ ET",
         {"font /Nope is not in the resource dictionary"}, tm, "[1 0 0 1 5 0]"},
        {"TJ numbers scale with Tz", "BT /Nope 10 Tf 200 Tz [-500 250] TJ ET",
         {"font /Nope is not in the resource dictionary"}, tm, "[1 0 0 1 5 0]"},
        {"TJ entry of another kind", "BT [/x] TJ ET",
         {"TJ array entry is neither a string nor a number"}, tm, "[1 0 0 1 0 0]"},
        {"TJ without an array", "BT (x) TJ ET", {"operator 'TJ' skipped: operand 0 is not an array"},
         tm, "[1 0 0 1 0 0]"},
        {"Tj without a string", "BT 5 Tj ET", {"operator 'Tj' skipped: operand 0 is not a string"},
         tm, "[1 0 0 1 0 0]"},
        {"showing outside BT/ET warns once", "(a) Tj (b) Tj BT (c) Tj ET",
         {"text showing operator outside BT/ET; recording it anyway"}, tm, "[1 0 0 1 0 0]"},
    });
}

TEST(OperatorInterpreter, FontSelection) {
    const std::string resources = "<< /Font << /F1 5 0 R >> >>";
    const std::vector<std::string> objects = {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
    auto font = [](const ContentInterpreter& i) {
        const GraphicsState& g = i.state;
        std::string name = g.font ? g.font->resource_name : "none";
        return name + " " + float_text(g.font_size);
    };
    check_state_cases(
        {
            {"Tf selects a resource font", "/F1 12 Tf", {}, font, "F1 12"},
            {"name operand must come first", "12 /F1 Tf",
             {"operator 'Tf' skipped: operand 0 is not a name"}, font, "none 0"},
            {"size operand missing", "/F1 Tf", {"operator 'Tf' skipped: operand 1 is not a number"},
             font, "none 0"},
            {"unknown font sets the size and clears the font", "/F1 9 Tf /Nope 12 Tf",
             {"font /Nope is not in the resource dictionary"}, font, "none 12"},
            {"Q restores the font", "/F1 9 Tf q /F1 20 Tf Q", {}, font, "F1 9"},
            {"render mode 4 and up adds text to the clip", "/F1 9 Tf 4 Tr BT () Tj ET", {}, clip,
             "uncertain"},
            {"no text clip without a font", "4 Tr BT () Tj ET", {}, clip, "none"},
        },
        resources, objects);
}

TEST(OperatorInterpreter, ExtGState) {
    const std::string resources =
        "<< /Font << /F1 9 0 R >> /ExtGState << /GS1 5 0 R /GS2 6 0 R /GS3 7 0 R /GS4 8 0 R "
        "/GS5 << /Font [/Nope 3] >> /GS6 << /Font [/F1] /ca 2 0 R >> >> >>";
    const std::vector<std::string> objects = {
        "<< /ca 0 /CA 0.5 >>",
        "42",
        "<< /Font [/F1 11] >>",
        "<< /Font [9 0 R 20] /ca 10 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "0.25",
    };
    auto alpha = [](const ContentInterpreter& i) {
        return float_text(i.state.fill_alpha) + " " + float_text(i.state.stroke_alpha);
    };
    auto font = [](const ContentInterpreter& i) {
        const GraphicsState& g = i.state;
        std::string name = g.font ? g.font->resource_name : "none";
        return name + " " + float_text(g.font_size);
    };
    check_state_cases(
        {
            {"alphas", "/GS1 gs", {}, alpha, "0 0.5"},
            {"Q restores the alphas", "q /GS1 gs Q", {}, alpha, "1 1"},
            {"missing", "/GSX gs", {"operator 'gs' skipped: ExtGState /GSX not found"}, alpha, "1 1"},
            {"not a dictionary", "/GS2 gs", {"operator 'gs' skipped: ExtGState /GS2 is not a dictionary"},
             alpha, "1 1"},
            {"operand not a name", "5 gs", {"operator 'gs' skipped: operand 0 is not a name"}, alpha,
             "1 1"},
            {"font given by name", "/GS3 gs", {}, font, "F1 11"},
            {"font given as an object takes the state's name", "/GS4 gs", {}, font, "GS4 20"},
            {"alpha through a reference", "/GS4 gs", {}, alpha, "0.25 1"},
            {"font name not in the resources", "/GS5 gs",
             {"font /Nope is not in the resource dictionary"}, font, "none 3"},
            {"font array too short and a non-number alpha are passed over", "/GS6 gs", {}, font,
             "none 0"},
        },
        resources, objects);
}

TEST(OperatorInterpreter, SavedStateStackIsBounded) {
    const struct {
        const char* name;
        int saves;
        int restores;
        std::vector<std::string> messages;
        std::string fill;
    } cases[] = {
        {"balanced beyond the cap", 1100, 1100,
         {"more than 1024 saved graphics states; further q and their Q ignored"}, "DeviceGray 0"},
        {"surplus q keep their Q from popping", 1100, 76,
         {"more than 1024 saved graphics states; further q and their Q ignored"}, "DeviceGray 1"},
        {"one Q too many", 1100, 1101,
         {"more than 1024 saved graphics states; further q and their Q ignored",
          "operator 'Q' skipped: Q without q"},
         "DeviceGray 0"},
        {"under the cap", 1024, 1024, {}, "DeviceGray 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string content;
        for (int k = 0; k < c.saves; ++k) content += "q 1 g\n";
        for (int k = 0; k < c.restores; ++k) content += "Q\n";
        auto run = run_content(content);
        ASSERT_TRUE(run);
        EXPECT_EQ(run->messages(), c.messages);
        EXPECT_EQ(fill(*run->interp), c.fill);
        EXPECT_LE(run->interp->saved_states.size(), kMaxSavedStates);
    }
}

TEST(OperatorInterpreter, DiagnosticsAreCappedPerPage) {
    const struct {
        const char* name;
        int problems;
        std::size_t kept;
        bool suppressed;
    } cases[] = {
        {"below the cap", 199, 199, false},
        {"one over", 200, 200, true},
        {"far over", 250, 200, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string content;
        for (int k = 0; k < c.problems; ++k) content += "Q ";
        auto run = run_content(content);
        ASSERT_TRUE(run);
        auto messages = run->messages();
        ASSERT_EQ(messages.size(), c.kept);
        EXPECT_EQ(messages.front(), "operator 'Q' skipped: Q without q");
        EXPECT_EQ(messages.back() == "further diagnostics suppressed", c.suppressed);
    }
}

TEST(OperatorInterpreter, PageBudget) {
    const struct {
        const char* name;
        PageBudgetLimits budget;
        std::string content;
        std::vector<std::string> messages;
        std::string fill;
    } cases[] = {
        {"operations run out", {3, 10, 1000}, "0.1 g 0.2 g 0.3 g 0.4 g 0.5 g",
         {"page budget of 3 operations exhausted; the rest of the page is skipped"}, "DeviceGray 0.3"},
        {"exactly enough operations", {5, 10, 1000}, "0.1 g 0.2 g 0.3 g 0.4 g 0.5 g", {},
         "DeviceGray 0.5"},
        {"bytes run out before the stream runs", {100, 10, 10}, "0.1 g 0.2 g 0.3 g",
         {"page budget of 10 decoded bytes exhausted; the rest of the page is skipped"},
         "DeviceGray 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto run = make_page("<< >>", {}, c.budget);
        ASSERT_TRUE(run);
        interpret_page_stream(*run->interp, c.content, {}, {});
        EXPECT_EQ(run->messages(), c.messages);
        EXPECT_EQ(fill(*run->interp), c.fill);
    }
}

TEST(OperatorInterpreter, GlyphBudgetIsChargedOneByOne) {
    auto run = make_page("<< >>", {}, {100, 2, 1000});
    ASSERT_TRUE(run);
    ContentInterpreter& interp = *run->interp;
    EXPECT_TRUE(charge_glyph(interp));
    EXPECT_TRUE(charge_glyph(interp));
    EXPECT_FALSE(charge_glyph(interp));
    EXPECT_FALSE(charge_glyph(interp));
    EXPECT_TRUE(interp.budget_exhausted);
    EXPECT_EQ(run->messages(), (std::vector<std::string>{
                                   "page budget of 2 glyphs exhausted; the rest of the page is skipped"}));
    // Nothing more runs on the page once the budget is gone.
    interpret_page_stream(interp, "1 g", {}, {});
    EXPECT_EQ(fill(interp), "DeviceGray 0");
}

TEST(OperatorInterpreter, RegionSizeTest) {
    const struct {
        const char* name;
        Box box;
        bool recording;
        bool recorded;
    } cases[] = {
        {"thin but tall", {0, 0, 0.3f, 100}, true, true},
        {"small in both directions", {0, 0, 0.3f, 0.3f}, true, false},
        {"exactly 0.4 wide", {0, 0, 0.4f, 0}, true, true},
        {"infinite width", {-kMaxFiniteFloat, 0, kMaxFiniteFloat, 1}, true, false},
        {"recording off", {0, 0, 10, 10}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto run = make_page("<< >>");
        ASSERT_TRUE(run);
        run->interp->record_regions = c.recording;
        push_region(*run->interp, c.box, "path");
        EXPECT_EQ(run->interp->regions.size(), c.recorded ? 1u : 0u);
    }
}

}  // namespace
}  // namespace zvk
