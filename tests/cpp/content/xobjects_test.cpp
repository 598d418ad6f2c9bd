#include "content/xobjects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/document_fixture.h"

namespace zvk {
namespace {

using test::extract_objects;
using test::messages_of;
using test::one_page;
using test::pdf_stream;
using test::regions_of;

struct PaintCase {
    const char* name;
    std::string content;
    std::string resources;
    std::vector<std::string> objects;  // from object 6 on
    std::vector<std::string> messages;
    std::string regions;
};

void check_paint_cases(const std::vector<PaintCase>& cases, const ExtractLimits& limits = {}) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractedDocument doc = extract_objects(one_page(c.content, c.resources, c.objects), limits);
        EXPECT_EQ(messages_of(doc), c.messages);
        EXPECT_EQ(regions_of(doc), c.regions);
    }
}

const std::string kImageResources = "<< /XObject << /Im 6 0 R >> >>";
const std::string kGarbage = "\xFF\xD8\x01\x02 not really image data";

TEST(XObjects, ImageRegions) {
    check_paint_cases({
        {"scaled", "100 0 0 50 10 20 cm /Im Do", kImageResources,
         {pdf_stream("/Subtype /Image /Width 1 /Height 1", "x")}, {}, "image [10 20 110 70];"},
        {"rotated", "0 100 -50 0 200 0 cm /Im Do", kImageResources,
         {pdf_stream("/Subtype /Image /Width 1 /Height 1", "x")}, {}, "image [150 0 200 100];"},
        {"rotated and skewed", "1 0 0 1 5 5 cm 10 10 -20 5 0 0 cm /Im Do", kImageResources,
         {pdf_stream("/Subtype /Image", "x")}, {}, "image [-15 5 15 20];"},
        {"a DCT image is never decoded", "10 0 0 10 0 0 cm /Im Do", kImageResources,
         {pdf_stream("/Subtype /Image /Width 8 /Height 8 /Filter /DCTDecode", kGarbage)}, {},
         "image [0 0 10 10];"},
        {"nor a JBIG2, JPX or CCITT image", "10 0 0 10 0 0 cm /Im Do /J Do /C Do",
         "<< /XObject << /Im 6 0 R /J 7 0 R /C 8 0 R >> >>",
         {pdf_stream("/Subtype /Image /Filter /JBIG2Decode", kGarbage),
          pdf_stream("/Subtype /Image /Filter [/FlateDecode /JPXDecode]", kGarbage),
          pdf_stream("/Subtype /Image /Filter /CCITTFaxDecode", kGarbage)},
         {}, "image [0 0 10 10];image [0 0 10 10];image [0 0 10 10];"},
        {"no subtype but Width and Height", "10 0 0 10 0 0 cm /Im Do", kImageResources,
         {pdf_stream("/Width 0 /Height (x)", "x")}, {}, "image [0 0 10 10];"},
        {"no subtype and no size is a form", "/Im Do", kImageResources,
         {pdf_stream("/Width 1", "0 0 5 5 re f")}, {}, "path [0 0 5 5];"},
        {"another subtype", "/Im Do", kImageResources, {pdf_stream("/Subtype /PS", "x")},
         {"XObject /Im subtype /PS ignored"}, ""},
        {"missing", "/Nope Do", kImageResources, {pdf_stream("/Subtype /Image", "x")},
         {"XObject /Nope not found"}, ""},
        {"not a stream", "/Im Do", kImageResources, {"<< /Subtype /Image >>"},
         {"XObject /Im is not a stream"}, ""},
        {"image inside a form is recorded", "/Fm Do", "<< /XObject << /Fm 6 0 R >> >>",
         {pdf_stream("/Subtype /Form /Resources << /XObject << /Im 7 0 R >> >>", "20 0 0 20 0 0 cm /Im Do"),
          pdf_stream("/Subtype /Image", "x")},
         {}, "image [0 0 20 20];"},
        {"Do without a name", "5 Do", kImageResources, {pdf_stream("/Subtype /Image", "x")},
         {"operator 'Do' skipped: operand 0 is not a name"}, ""},
    });
}

TEST(XObjects, Forms) {
    const std::string form = "<< /XObject << /Fm 6 0 R >> >>";
    check_paint_cases({
        {"form matrix applies before the ctm", "1 0 0 1 100 100 cm /Fm Do", form,
         {pdf_stream("/Subtype /Form /Matrix [2 0 0 2 0 0]", "0 0 10 10 re f")}, {},
         "path [100 100 120 120];"},
        {"the state after a form is the state before it", "/Fm Do 0 0 10 10 re f", form,
         {pdf_stream("/Subtype /Form", "q q 1 0 0 1 50 50 cm")}, {}, "path [0 0 10 10];"},
        {"a form's extra Q cannot pop the page's state",
         "q 2 0 0 2 0 0 cm /Fm Do 0 0 10 10 re f Q", form, {pdf_stream("/Subtype /Form", "Q")},
         {"operator 'Q' skipped: Q without q"}, "path [0 0 20 20];"},
        {"a form's path does not leak", "0 0 1 1 re /Fm Do f", form,
         {pdf_stream("/Subtype /Form", "0 0 50 50 re")}, {}, "path [0 0 1 1];"},
        {"a form draws itself once", "/Fm Do", form,
         {pdf_stream("/Subtype /Form", "0 0 3 3 re f /Fm Do")}, {"cycle in form /Fm"},
         "path [0 0 3 3];"},
        {"forms referring to each other", "/A Do", "<< /XObject << /A 6 0 R >> >>",
         {pdf_stream("/Subtype /Form /Resources << /XObject << /B 7 0 R >> >>", "/B Do"),
          pdf_stream("/Subtype /Form /Resources << /XObject << /A 6 0 R >> >>", "0 0 2 2 re f /A Do")},
         {"cycle in form /A"}, "path [0 0 2 2];"},
        {"form resources shadow the page's only while painted", "/Fm Do /Im Do",
         "<< /XObject << /Fm 6 0 R /Im 7 0 R >> >>",
         {pdf_stream("/Subtype /Form /Resources << /XObject << /Im 8 0 R >> >>", "/Im Do"),
          pdf_stream("/Subtype /Image", "x"), pdf_stream("/Subtype /Form", "0 0 4 4 re f")},
         {}, "path [0 0 4 4];image [0 0 1 1];"},
        {"names the form does not define stay visible", "/Fm Do",
         "<< /XObject << /Fm 6 0 R /Im 7 0 R >> >>",
         {pdf_stream("/Subtype /Form /Resources << /Font << >> >>", "/Im Do"),
          pdf_stream("/Subtype /Image", "x")},
         {}, "image [0 0 1 1];"},
        {"an undecodable form is unreadable, not run from its raw bytes", "/Fm Do", form,
         {pdf_stream("/Subtype /Form /Filter /FlateDecode", "0 0 4 4 re f")},
         {"unreadable form XObject /Fm"}, ""},
        {"trailing operands of a form", "/Fm Do", form, {pdf_stream("/Subtype /Form", "1 2 ")},
         {"trailing operands at byte 4"}, ""},
    });
}

// A chain of forms F0 … F(n-1), each drawing a region and then the next
// through the name N; the last draws its region only.
std::vector<std::string> form_chain(int n, const std::string& content_before_next) {
    std::vector<std::string> objects;
    for (int k = 0; k < n; ++k) {
        const std::string next = std::to_string(6 + k + 1);
        const std::string resources =
            k + 1 < n ? "/Resources << /XObject << /N " + next + " 0 R >> >>" : "";
        const std::string content = k + 1 < n ? content_before_next + " /N Do" : content_before_next;
        objects.push_back(pdf_stream("/Subtype /Form " + resources, content));
    }
    return objects;
}

TEST(XObjects, NestingDepth) {
    const struct {
        const char* name;
        std::uint32_t max_depth;
        int forms;
        std::vector<std::string> messages;
        std::size_t regions;
    } cases[] = {
        {"the default depth paints 32 levels", 32, 40, {"recursion limit while painting /N"}, 32},
        {"depth 0 paints nothing", 0, 3, {"recursion limit while painting /N"}, 0},
        {"a chain within the limit", 32, 5, {}, 5},
        {"a huge max_depth is held at 256", UINT32_MAX, 300, {"recursion limit while painting /N"}, 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractLimits limits;
        limits.max_depth = c.max_depth;
        auto objects = one_page("/N Do", "<< /XObject << /N 6 0 R >> >>", form_chain(c.forms, "0 0 1 1 re f"));
        ExtractedDocument doc = extract_objects(objects, limits);
        EXPECT_EQ(messages_of(doc), c.messages);
        EXPECT_EQ(doc.regions.size(), c.regions);
    }
}

TEST(XObjects, DoublingFormChainIsStoppedByTheBudget) {
    // Each form paints the next twice: 2^30 paints of the last one.
    std::vector<std::string> objects;
    const int levels = 30;
    for (int k = 0; k < levels; ++k) {
        const std::string next = std::to_string(6 + k + 1);
        if (k + 1 < levels) {
            objects.push_back(pdf_stream("/Subtype /Form /Resources << /XObject << /N " + next +
                                             " 0 R >> >>",
                                         "/N Do /N Do"));
        } else {
            objects.push_back(pdf_stream("/Subtype /Form", "0 0 1 1 re f"));
        }
    }
    const struct {
        const char* name;
        PageBudgetLimits budget;
        std::string message;
    } cases[] = {
        {"operations", {20000, 1000, 1ull << 40},
         "page budget of 20000 operations exhausted; the rest of the page is skipped"},
        {"decoded bytes", {1ull << 40, 1000, 50000},
         "page budget of 50000 decoded bytes exhausted; the rest of the page is skipped"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractedDocument doc =
            extract_objects(one_page("/N Do 0 0 9 9 re f", "<< /XObject << /N 6 0 R >> >>", objects),
                            {}, c.budget);
        EXPECT_EQ(messages_of(doc), std::vector<std::string>{c.message});
        EXPECT_GT(doc.regions.size(), 0u);
        // Nothing after the budget ran out, the page's own last rectangle included.
        EXPECT_EQ(regions_of(doc).find("[0 0 9 9]"), std::string::npos);
    }
}

TEST(XObjects, FormEntryState) {
    auto doc = test::load_pdf(test::build_pdf(one_page("", "<< >>")));
    ASSERT_TRUE(doc);
    ResourceScope resources;
    auto page_state = [&] {
        auto interp = std::make_unique<ContentInterpreter>(*doc, ExtractLimits{}, resources, 0);
        GraphicsState& gs = interp->state;
        gs.render_mode = 3;
        gs.char_spacing = 4;
        gs.horizontal_scaling = 50;
        gs.fill_alpha = 0;
        gs.ctm = {2, 0, 0, 2, 0, 0};
        gs.clip = ClipState::Rect;
        gs.clip_box = {0, 0, 150, 150};
        interp->text_matrix = {1, 0, 0, 1, 9, 9};
        interp->in_text_object = true;
        return interp;
    };
    const std::string with_bbox = test::build_pdf({pdf_stream("/BBox [0 0 100 100] /Matrix [1 0 0 1 50 0]", "")});
    auto form_doc = test::load_pdf(with_bbox);
    ASSERT_TRUE(form_doc);
    const pdf::Object dictionary = form_doc->object({1, 0}).stream_dict();

    const struct {
        const char* name;
        std::optional<Matrix> matrix;
        bool from_initial_state;
        std::string expected;  // ctm; clip; render mode, Tc, Tz, alpha
    } cases[] = {
        {"a form inherits the state and meets the clip", std::nullopt, false,
         "[2 0 0 2 100 0] rect [100 0 150 150] 3 4 50 0"},
        {"an appearance starts from the initial state", Matrix{1, 0, 0, 1, 200, 300}, true,
         "[1 0 0 1 200 300] rect [200 300 300 400] 0 0 100 1"},
        {"a given matrix replaces the ctm", Matrix{1, 0, 0, 1, 500, 0}, false,
         "[1 0 0 1 500 0] empty 3 4 50 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto interp = page_state();
        FormPaint form{std::nullopt, "", dictionary, "Fm", GlyphSourceKind::FormXObject, c.matrix,
                       c.from_initial_state};
        enter_form_state(*interp, form);
        const GraphicsState& gs = interp->state;
        std::string clip = gs.clip == ClipState::Rect    ? "rect " + test::box_text(gs.clip_box)
                           : gs.clip == ClipState::Empty ? "empty"
                                                         : "other";
        std::string ctm;
        for (float v : gs.ctm) ctm += (ctm.empty() ? "" : " ") + test::float_text(v);
        EXPECT_EQ("[" + ctm + "] " + clip + " " + std::to_string(gs.render_mode) + " " +
                      test::float_text(gs.char_spacing) + " " +
                      test::float_text(gs.horizontal_scaling) + " " + test::float_text(gs.fill_alpha),
                  c.expected);
        EXPECT_EQ(interp->text_matrix, kIdentityMatrix);
        EXPECT_FALSE(interp->in_text_object);
    }
}

}  // namespace
}  // namespace zvk
