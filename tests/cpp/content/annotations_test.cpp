#include "content/annotations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/document_fixture.h"

namespace zvk {
namespace {

using test::extract_objects;
using test::float_text;
using test::messages_of;
using test::one_page;
using test::pdf_stream;
using test::regions_of;

std::string matrix_text(const Matrix& m) {
    std::string out;
    for (float v : m) out += (out.empty() ? "" : " ") + float_text(v);
    return "[" + out + "]";
}

TEST(AnnotationAppearances, FitToRect) {
    const struct {
        const char* name;
        Matrix matrix;
        Box bbox;
        std::optional<Box> rect;
        std::string expected;
    } cases[] = {
        {"identity matrix", kIdentityMatrix, {0, 0, 100, 50}, Box{200, 300, 300, 350},
         "[1 0 0 1 200 300]"},
        {"scaled to the rect", kIdentityMatrix, {0, 0, 50, 50}, Box{200, 300, 300, 350},
         "[2 0 0 1 200 300]"},
        {"box offset from the origin", kIdentityMatrix, {10, 20, 110, 70}, Box{200, 300, 300, 350},
         "[1 0 0 1 190 280]"},
        {"zero width keeps scale 1", kIdentityMatrix, {0, 0, 0, 50}, Box{200, 300, 300, 350},
         "[1 0 0 1 200 300]"},
        {"the box is transformed by the matrix before fitting", {0, 1, -1, 0, 0, 0},
         {0, 0, 100, 50}, Box{200, 300, 250, 400}, "[0 1 -1 0 250 300]"},
        {"a scaling matrix is undone by the fit", {2, 0, 0 , 2, 0, 0}, {0, 0, 100, 50},
         Box{0, 0, 100, 50}, "[1 0 0 1 0 0]"},
        {"no rect keeps the matrix", {2, 0, 0, 2, 5, 5}, {0, 0, 1, 1}, std::nullopt,
         "[2 0 0 2 5 5]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(matrix_text(fit_appearance_matrix(c.matrix, c.bbox, c.rect)), c.expected);
    }
}

// A page whose Annots are objects 6 on; its content is `content`.
std::vector<std::string> annotated_page(const std::string& content, const std::string& annots,
                                        const std::vector<std::string>& objects) {
    return one_page(content, "<< >>", objects, "/Annots " + annots);
}

TEST(AnnotationAppearances, Painting) {
    const std::string square = pdf_stream("/BBox [0 0 100 50]", "0 0 100 50 re f");
    const struct {
        const char* name;
        std::string content;
        std::string annots;
        std::vector<std::string> objects;
        std::vector<std::string> messages;
        std::string regions;
    } cases[] = {
        {"placed on its rect", "", "[6 0 R]",
         {"<< /Rect [200 300 300 350] /AP << /N 7 0 R >> >>", square}, {},
         "path [200 300 300 350];"},
        {"rotated by its matrix, still on its rect", "", "[6 0 R]",
         {"<< /Rect [200 300 250 400] /AP << /N 7 0 R >> >>",
          pdf_stream("/BBox [0 0 100 50] /Matrix [0 1 -1 0 0 0]", "0 0 100 50 re f")},
         {}, "path [200 300 250 400];"},
        {"without a rect the matrix stays", "", "[6 0 R]",
         {"<< /AP << /N 7 0 R >> >>", pdf_stream("/Matrix [1 0 0 1 5 5]", "0 0 10 10 re f")}, {},
         "path [5 5 15 15];"},
        {"the page's ctm does not apply", "4 0 0 4 0 0 cm", "[6 0 R]",
         {"<< /Rect [0 0 100 50] /AP << /N 7 0 R >> >>", square}, {}, "path [0 0 100 50];"},
        {"the page's saved states stay out of reach", "q q", "[6 0 R]",
         {"<< /Rect [0 0 100 50] /AP << /N 7 0 R >> >>", pdf_stream("/BBox [0 0 100 50]", "Q")},
         {"operator 'Q' skipped: Q without q"}, ""},
        {"state dictionary picks AS", "", "[6 0 R]",
         {"<< /Rect [0 0 100 50] /AS /Off /AP << /N << /On 7 0 R /Off 8 0 R >> >> >>",
          pdf_stream("/BBox [0 0 100 50]", "0 0 1 1 re f"),
          pdf_stream("/BBox [0 0 100 50]", "0 0 2 2 re f")},
         {}, "path [0 0 2 2];"},
        {"unknown state falls back to the first entry", "", "[6 0 R]",
         {"<< /Rect [0 0 100 50] /AS /Maybe /AP << /N << /A 7 0 R /B 8 0 R >> >> >>",
          pdf_stream("/BBox [0 0 100 50]", "0 0 1 1 re f"),
          pdf_stream("/BBox [0 0 100 50]", "0 0 2 2 re f")},
         {}, "path [0 0 1 1];"},
        {"an element that is not a dictionary", "", "[6 0 R 7 0 R]",
         {"42", "<< /Rect [0 0 100 50] /AP << /N 8 0 R >> >>", square}, {"annotation 0 is not a dictionary"},
         "path [0 0 100 50];"},
        {"an unreadable appearance", "", "[6 0 R]",
         {"<< /AP << /N 7 0 R >> >>", pdf_stream("/Filter /FlateDecode", "0 0 9 9 re f")},
         {"annotation 0 appearance is unreadable"}, ""},
        {"an appearance that is no stream", "", "[6 0 R]", {"<< /AP << /N << /On 7 0 R >> >> >>", "5"},
         {"annotation 0 appearance is unreadable"}, ""},
        {"no appearance, empty states and odd entries pass silently", "",
         "[6 0 R 7 0 R 8 0 R 9 0 R]",
         {"<< /Subtype /Link >>", "<< /AP << /N << >> >> >>", "<< /AP << /N 5 >> >>", "<< /AP 3 >>"},
         {}, ""},
        {"Annots that is not an array", "", "7", {}, {}, ""},
        {"a direct annotation", "", "[<< /Rect [0 0 100 50] /AP << /N 6 0 R >> >>]", {square}, {},
         "path [0 0 100 50];"},
        {"an appearance painting itself is a cycle", "", "[6 0 R]",
         {"<< /Rect [0 0 100 50] /AP << /N << /On 7 0 R >> >> >>",
          pdf_stream("/BBox [0 0 100 50] /Resources << /XObject << /Me 7 0 R >> >>", "/Me Do")},
         {"cycle in form /Me"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExtractedDocument doc = extract_objects(annotated_page(c.content, c.annots, c.objects));
        EXPECT_EQ(messages_of(doc), c.messages);
        EXPECT_EQ(regions_of(doc), c.regions);
    }
}

TEST(AnnotationAppearances, ResourceNamesCountEveryElement) {
    // With no nesting allowed, the refusal names each appearance.
    ExtractLimits limits;
    limits.max_depth = 0;
    const std::string square = pdf_stream("/BBox [0 0 1 1]", "0 0 1 1 re f");
    ExtractedDocument doc = extract_objects(
        annotated_page("", "[6 0 R 7 0 R 7 0 R]", {"(not an annotation)", "<< /AP << /N 8 0 R >> >>", square}),
        limits);
    EXPECT_EQ(messages_of(doc),
              (std::vector<std::string>{"annotation 0 is not a dictionary",
                                        "recursion limit while painting /Annot1",
                                        "recursion limit while painting /Annot2"}));
}

}  // namespace
}  // namespace zvk
