#include "rewrite/output/page_contents.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "content/pdf_fixture.h"
#include "pdf/edit.h"
#include "support/pdf_builder.h"

namespace zvk::rewrite {
namespace {

using pdf::Object;
using pdf::ObjectId;
using test::build_pdf;
using test::load_pdf;
using test::pdf_stream;

// "n" for a reference to object n, "[a b c]" for an array of them, the kind
// name for anything else.
std::string describe(const Object& value) {
    if (value.is_reference()) return std::to_string(value.object_id()->number);
    if (value.is_array()) {
        std::string out = "[";
        for (const Object& item : value.array_items()) {
            if (out.size() > 1) out += ' ';
            out += describe(item);
        }
        return out + "]";
    }
    return std::string(pdf::kind_name(value.kind()));
}

std::string stream_text(const pdf::Document& doc, std::uint32_t number) {
    return doc.decode_stream(doc.object({number, 0}), 1 << 20).value_or("<none>");
}

// Catalog 1, Pages 2, page 3, then the given objects from 4 on.
std::string page_with(const std::string& page_entries, std::vector<std::string> more) {
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                        "<< /Type /Page /Parent 2 0 R " + page_entries + " >>"};
    for (std::string& o : more) objects.push_back(std::move(o));
    return build_pdf(objects);
}

TEST(ReplacePageContents, OldContentWrappedThenNewStream) {
    struct Case {
        const char* name;
        std::string pdf;
        // Object numbers: the new stream is added first, then q and Q.
        std::string expected;
    };
    const std::string s4 = pdf_stream("", "BT ET");
    const std::string s5 = pdf_stream("", "0 g");
    const std::vector<Case> cases = {
        {"one stream", page_with("/Contents 4 0 R", {s4}), "[6 4 7 5]"},
        {"direct array", page_with("/Contents [4 0 R 5 0 R]", {s4, s5}), "[7 4 5 8 6]"},
        // The array object is read and its items copied into the page.
        {"reference to an array", page_with("/Contents 6 0 R", {s4, s5, "[4 0 R 5 0 R]"}), "[8 4 5 9 7]"},
        {"no contents: the new stream alone", page_with("", {}), "4"},
        {"reference to a non-stream stays as it is", page_with("/Contents 4 0 R", {"42"}), "[6 4 7 5]"},
        {"direct odd value kept as the only element", page_with("/Contents /Odd", {}), "[5 Name 6 4]"},
    };
    for (const Case& c : cases) {
        auto doc = load_pdf(c.pdf);
        ASSERT_TRUE(doc) << c.name;
        auto added = pdf::add_stream(*doc, "BT /ZVK0 10 Tf ET\n", Object());
        ASSERT_TRUE(added) << c.name;
        auto result = replace_page_contents(*doc, {3, 0}, *added);
        ASSERT_TRUE(result) << c.name << ": " << result.error().display();
        EXPECT_EQ(describe(doc->object({3, 0}).get("Contents")), c.expected) << c.name;
        EXPECT_EQ(stream_text(*doc, added->number), "BT /ZVK0 10 Tf ET\n") << c.name;
    }
}

TEST(ReplacePageContents, TwoCallsNestAndStreamsHoldQAndBigQ) {
    auto doc = load_pdf(page_with("/Contents 4 0 R", {pdf_stream("", "0 g")}));
    ASSERT_TRUE(doc);
    auto first = pdf::add_stream(*doc, "1", Object());
    ASSERT_TRUE(first);
    ASSERT_TRUE(replace_page_contents(*doc, {3, 0}, *first));
    auto second = pdf::add_stream(*doc, "2", Object());
    ASSERT_TRUE(second);
    ASSERT_TRUE(replace_page_contents(*doc, {3, 0}, *second));
    // new1 = 5, q1 = 6, Q1 = 7, new2 = 8, q2 = 9, Q2 = 10.
    EXPECT_EQ(describe(doc->object({3, 0}).get("Contents")), "[9 6 4 7 5 10 8]");
    EXPECT_EQ(stream_text(*doc, 9), "q\n");
    EXPECT_EQ(stream_text(*doc, 10), "Q\n");
    // Streams we add carry nothing but their data (and the Length).
    for (const std::string& key : doc->object({9, 0}).stream_dict().dict_keys()) EXPECT_EQ(key, "Length");
}

TEST(ReplacePageContents, PageMissingOrNotADictionaryFails) {
    struct Case {
        const char* name;
        std::string pdf;
        ObjectId page;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"missing", page_with("", {}), {99, 0}, "object ID 99 0 not found"},
        {"array", page_with("", {"[1 2 3]"}), {4, 0},
         "object has wrong type; expected type Dictionary but found type Array"},
        {"stream", page_with("", {pdf_stream("", "x")}), {4, 0},
         "object has wrong type; expected type Dictionary but found type Stream"},
    };
    for (const Case& c : cases) {
        auto doc = load_pdf(c.pdf);
        ASSERT_TRUE(doc) << c.name;
        auto added = pdf::add_stream(*doc, "x", Object());
        ASSERT_TRUE(added);
        auto result = replace_page_contents(*doc, c.page, *added);
        ASSERT_FALSE(result) << c.name;
        EXPECT_EQ(result.error().kind(), CoreError::Kind::Pdf) << c.name;
        EXPECT_NE(result.error().display().find(c.text), std::string::npos) << c.name << ": " << result.error().display();
    }
}

// The number of the object a resource entry refers to, or 0.
std::uint32_t ref_number(const Object& dict, const std::string& category, const std::string& name) {
    const Object entry = dict.get(category).get(name);
    return entry.is_reference() ? entry.object_id()->number : 0;
}

TEST(ResolvePageResources, NearerLevelWinsInCategoriesRootWinsElsewhere) {
    // Root Pages (2): F1 -> 10, F2 -> 11, ProcSet [/PDF]; page (3): F1 -> 12
    // through an indirect Font dictionary (4), ProcSet [/Text], XObject Im1.
    const std::string pdf = build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /Font << /F1 10 0 R /F2 11 0 R >> /ProcSet [/PDF] >> >>",
        "<< /Type /Page /Parent 2 0 R /Resources 5 0 R >>",
        "<< /F1 12 0 R >>",
        "<< /Font 4 0 R /ProcSet [/Text] /XObject << /Im1 13 0 R >> >>",
        "<< >>", "<< >>", "<< >>", "<< >>",  // 6 to 9, unused
        "<< /Root >>", "<< /Pages >>", "<< /Page >>", "<< /Image >>",  // 10 to 13
    });
    auto doc = load_pdf(pdf);
    ASSERT_TRUE(doc);
    const Object resources = resolve_page_resources(*doc, {3, 0});
    EXPECT_EQ(ref_number(resources, "Font", "F1"), 12u);
    EXPECT_EQ(ref_number(resources, "Font", "F2"), 11u);
    EXPECT_EQ(ref_number(resources, "XObject", "Im1"), 13u);
    EXPECT_EQ(resources.get("Font").kind(), Object::Kind::Dictionary) << "a direct merged dictionary";
    ASSERT_TRUE(resources.get("ProcSet").is_array());
    EXPECT_EQ(resources.get("ProcSet").array_at(0).name_bytes(), "PDF");
    // The result is the caller's own: the document's dictionaries are unchanged.
    Object font = resources.get("Font");
    ASSERT_TRUE(pdf::set_entry(font, "F9", pdf::make_integer(1)));
    EXPECT_FALSE(doc->object({4, 0}).has_key("F9"));
    EXPECT_FALSE(doc->object({2, 0}).get("Resources").get("Font").has_key("F9"));
}

// A page under a chain of `depth` Pages nodes; node k (k = 0 nearest the
// page) defines font Fk, and only the farthest node has a MediaBox and Rotate.
std::string deep_tree(int depth) {
    // Object 1 catalog, 2 page, 3.. the Pages nodes (3 is the parent of the page).
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages " + std::to_string(2 + depth) + " 0 R >>",
                                        "<< /Type /Page /Parent 3 0 R /Resources << /Font << /Fp 1 0 R >> >> >>"};
    for (int k = 0; k < depth; ++k) {
        const int number = 3 + k;
        std::string node = "<< /Type /Pages /Count 1 /Kids [" + std::to_string(number == 3 ? 2 : number - 1) +
                           " 0 R] /Resources << /Font << /F" + std::to_string(k) + " 1 0 R >> >>";
        if (k + 1 < depth) node += " /Parent " + std::to_string(number + 1) + " 0 R";
        if (k + 1 == depth) node += " /MediaBox [0 0 300 400] /Rotate 270";
        objects.push_back(node + " >>");
    }
    return build_pdf(objects);
}

TEST(ResolvePageResources, PageAndThirtyTwoAncestorsOnlyWhileBoxWalksHaveNoLimit) {
    auto doc = load_pdf(deep_tree(40));
    ASSERT_TRUE(doc);
    const Object resources = resolve_page_resources(*doc, {2, 0});
    EXPECT_TRUE(resources.get("Font").has_key("Fp"));
    EXPECT_TRUE(resources.get("Font").has_key("F31"));
    EXPECT_FALSE(resources.get("Font").has_key("F32")) << "the 34th node is past the cap";
    const PageFormSource source = read_page_form_source(*doc, {2, 0});
    EXPECT_EQ(source.media_box, (std::array<float, 4>{0, 0, 300, 400}));
    EXPECT_EQ(source.rotate, 270);
}

TEST(ResolvePageResources, ParentLoopEnds) {
    const std::string pdf = build_pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 /Parent 3 0 R /Resources << /Font << /F2 1 0 R >> >> >>",
        "<< /Type /Page /Parent 2 0 R /Resources << /Font << /F3 1 0 R >> >> >>",
    });
    auto doc = load_pdf(pdf);
    ASSERT_TRUE(doc);
    const Object resources = resolve_page_resources(*doc, {3, 0});
    EXPECT_TRUE(resources.get("Font").has_key("F2"));
    EXPECT_TRUE(resources.get("Font").has_key("F3"));
    const PageFormSource source = read_page_form_source(*doc, {3, 0});
    EXPECT_EQ(source.media_box, (std::array<float, 4>{0, 0, 612, 792}));
    EXPECT_EQ(source.rotate, 0);
}

TEST(ReadPageFormSource, MediaBoxAndRotateWalks) {
    struct Case {
        const char* name;
        std::string page_entries;
        std::string parent_entries;
        std::array<float, 4> box;
        std::int32_t rotate;
    };
    const std::vector<Case> cases = {
        {"nothing anywhere", "", "", {0, 0, 612, 792}, 0},
        {"page's own", "/MediaBox [10 20 30 40] /Rotate 90", "/MediaBox [0 0 1 1] /Rotate 180", {10, 20, 30, 40}, 90},
        {"three numbers skipped", "/MediaBox [0 0 612]", "/MediaBox [0 0 500 600]", {0, 0, 500, 600}, 0},
        {"fifth number ignored", "/MediaBox [0 0 612 792 5]", "", {0, 0, 612, 792}, 0},
        {"not normalised", "/MediaBox [612 792 0 -0.5]", "", {612, 792, 0, -0.5f}, 0},
        {"indirect box and number", "/MediaBox 5 0 R /Rotate 6 0 R", "", {1, 2, 3, 4}, 180},
        {"truncated toward zero", "/Rotate 90.7", "", {0, 0, 612, 792}, 90},
        {"negative kept", "/Rotate -90", "", {0, 0, 612, 792}, -90},
        {"not reduced", "/Rotate 450", "", {0, 0, 612, 792}, 450},
        {"name falls through to the parent", "/Rotate /East", "/Rotate 270", {0, 0, 612, 792}, 270},
        {"saturates", "/Rotate 3000000000", "", {0, 0, 612, 792}, 2147483647},
    };
    for (const Case& c : cases) {
        auto doc = load_pdf(build_pdf({
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 " + c.parent_entries + " >>",
            "<< /Type /Page /Parent 2 0 R " + c.page_entries + " >>",
            "<< >>",
            "[1 2 3 4.0]",
            "180",
        }));
        ASSERT_TRUE(doc) << c.name;
        const PageFormSource source = read_page_form_source(*doc, {3, 0});
        EXPECT_EQ(source.media_box, c.box) << c.name;
        EXPECT_EQ(source.rotate, c.rotate) << c.name;
    }
}

TEST(ReadPageFormSource, ContentDecodedAndUndecodableStreamsLeftOut) {
    const std::string good = pdf_stream("/Filter /FlateDecode", test::deflate("1 0 0 RG"));
    const std::string broken = pdf_stream("/Filter /FlateDecode", "this is not deflate data");
    const std::string plain = pdf_stream("", "0 g");
    struct Case {
        const char* name;
        std::string contents;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"one plain stream", "/Contents 6 0 R", "0 g\n"},
        {"array in order", "/Contents [6 0 R 4 0 R]", "0 g\n1 0 0 RG\n"},
        // Compressed bytes are never passed off as content.
        {"a filter that fails contributes nothing", "/Contents [4 0 R 5 0 R 6 0 R]", "1 0 0 RG\n0 g\n"},
        {"non-reference element and non-stream skipped", "/Contents [/X 7 0 R 6 0 R]", "0 g\n"},
        {"reference to an array", "/Contents 8 0 R", "1 0 0 RG\n0 g\n"},
        {"no contents", "", ""},
    };
    for (const Case& c : cases) {
        auto doc = load_pdf(page_with(c.contents, {good, broken, plain, "<< >>", "[4 0 R 6 0 R]"}));
        ASSERT_TRUE(doc) << c.name;
        EXPECT_EQ(read_page_form_source(*doc, {3, 0}).content, c.expected) << c.name;
    }
}

TEST(ParseObjectId, TwoUnsignedWords) {
    struct Case {
        const char* text;
        std::optional<ObjectId> expected;
    };
    const std::vector<Case> cases = {
        {"12 0", ObjectId{12, 0}},
        {"12 0 R", ObjectId{12, 0}},
        {"+12 +0", ObjectId{12, 0}},
        {"  7\t3\n", ObjectId{7, 3}},
        {"4294967295 65535", ObjectId{4294967295u, 65535}},
        {"00000000000000000012 0", ObjectId{12, 0}},
        {"", std::nullopt},
        {"12", std::nullopt},
        {"-1 0", std::nullopt},
        {"12 65536", std::nullopt},
        {"4294967296 0", std::nullopt},
        {"+ 0", std::nullopt},
        {"1 -", std::nullopt},
        {"1x 0", std::nullopt},
        {"++1 0", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(parse_object_id(c.text), c.expected) << '"' << c.text << '"';
}

}  // namespace
}  // namespace zvk::rewrite
