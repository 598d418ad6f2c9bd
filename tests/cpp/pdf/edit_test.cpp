#include "pdf/edit.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "content/pdf_fixture.h"
#include "support/pdf_builder.h"

namespace zvk::pdf {
namespace {

using test::build_pdf;
using test::load_pdf;
using test::pdf_stream;

std::string one_page(const std::string& page_entries, const std::string& more = "") {
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] " + page_entries + " >>"};
    if (!more.empty()) objects.push_back(more);
    return build_pdf(objects);
}

// Writes the document and reads the file back.
struct Written {
    std::string bytes;
    std::unique_ptr<Document> doc;
};
Written write_and_reload(Document& doc) {
    char name[] = "/tmp/zvk-edit-XXXXXX";
    const int fd = ::mkstemp(name);
    ::close(fd);
    auto saved = doc.save(name);
    EXPECT_TRUE(saved) << (saved ? "" : saved.error().display());
    std::ifstream in(name, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    ::unlink(name);
    Written w{buffer.str(), nullptr};
    w.doc = load_pdf(w.bytes);
    return w;
}

TEST(Edit, AddedObjectsSurviveAWriteWithTheirValues) {
    auto doc = load_pdf(one_page(""));
    ASSERT_TRUE(doc);
    auto stream = add_stream(*doc, std::string("BT\0ET", 5), Object());
    ASSERT_TRUE(stream);
    EXPECT_EQ(*stream, (ObjectId{4, 0})) << "the next free number, generation 0";
    Object dict = make_dictionary();
    ASSERT_TRUE(set_entry(dict, "Type", make_name("Font")));
    ASSERT_TRUE(set_entry(dict, "W", make_array({make_integer(1), make_array({make_integer(500)})})));
    ASSERT_TRUE(set_entry(dict, "Stream", doc->object(*stream)));
    ASSERT_TRUE(set_entry(dict, "Name", make_string("ZVK")));
    auto font = add_object(*doc, dict);
    ASSERT_TRUE(font);
    EXPECT_EQ(*font, (ObjectId{5, 0}));
    Object page = doc->object({3, 0});
    ASSERT_TRUE(set_entry(page, "Extra", doc->object(*font)));

    Written w = write_and_reload(*doc);
    ASSERT_TRUE(w.doc);
    const Object extra = w.doc->object({3, 0}).get("Extra");
    ASSERT_TRUE(extra.is_reference()) << "an indirect object is stored as a reference";
    const Object reread = extra.follow();
    EXPECT_EQ(reread.get("Type").name_bytes(), "Font");
    EXPECT_EQ(reread.get("W").array_at(1).array_at(0).as_integer(), 500);
    EXPECT_EQ(reread.get("Name").string_bytes(), "ZVK");
    const Object s = reread.get("Stream").follow();
    ASSERT_TRUE(s.is_stream());
    EXPECT_FALSE(s.stream_has_filter()) << "added streams are written uncompressed";
    EXPECT_EQ(s.stream_raw_data(), std::string("BT\0ET", 5));
}

TEST(Edit, ReplacedStreamDataDropsFilterAndDecodeParms) {
    const std::string compressed =
        pdf_stream("/Filter /FlateDecode /DecodeParms << /Predictor 1 >>", test::deflate("old content"));
    auto doc = load_pdf(one_page("/Contents 4 0 R", compressed));
    ASSERT_TRUE(doc);
    Object stream = doc->object({4, 0});
    ASSERT_TRUE(replace_stream_data(stream, "new content"));
    Written w = write_and_reload(*doc);
    ASSERT_TRUE(w.doc);
    const Object s = w.doc->object({4, 0});
    EXPECT_FALSE(s.stream_dict().has_key("Filter"));
    EXPECT_FALSE(s.stream_dict().has_key("DecodeParms"));
    EXPECT_EQ(s.stream_raw_data(), "new content");
}

TEST(Edit, EntriesSetReplacedAndRemovedInPlace) {
    auto doc = load_pdf(one_page("/Rotate 90"));
    ASSERT_TRUE(doc);
    Object page = doc->object({3, 0});
    ASSERT_TRUE(set_entry(page, "Rotate", make_integer(180)));
    ASSERT_TRUE(remove_entry(page, "MediaBox"));
    EXPECT_EQ(doc->object({3, 0}).get("Rotate").as_integer(), 180);
    EXPECT_FALSE(doc->object({3, 0}).has_key("MediaBox"));
    Object array = make_array({make_integer(1)});
    ASSERT_TRUE(set_array_items(array, {make_integer(7), make_integer(8)}));
    EXPECT_EQ(array.array_size(), 2u);
    EXPECT_EQ(array.array_at(1).as_integer(), 8);
}

TEST(Edit, CopiedContainerIsIndependent) {
    auto doc = load_pdf(one_page("/Resources << /Font << /F1 1 0 R >> >>"));
    ASSERT_TRUE(doc);
    Object copy = copy_container(doc->object({3, 0}).get("Resources").get("Font"));
    ASSERT_TRUE(set_entry(copy, "ZVK0", make_integer(1)));
    EXPECT_TRUE(copy.has_key("F1"));
    EXPECT_FALSE(doc->object({3, 0}).get("Resources").get("Font").has_key("ZVK0"));
}

TEST(Edit, WrongKindsFailInsteadOfDoingNothing) {
    Object number = make_integer(3);
    Object dict = make_dictionary();
    struct Case {
        const char* name;
        Result<void> result;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"set on an integer", set_entry(number, "A", dict), "expected type Dictionary but found type Integer"},
        {"remove on an integer", remove_entry(number, "A"), "expected type Dictionary but found type Integer"},
        {"array items on a dictionary", set_array_items(dict, {}), "expected type Array but found type Dictionary"},
        {"stream data on a dictionary", replace_stream_data(dict, "x"), "expected type Stream but found type Dictionary"},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.result) << c.name;
        EXPECT_EQ(c.result.error().kind(), CoreError::Kind::Pdf) << c.name;
        EXPECT_NE(c.result.error().display().find(c.text), std::string::npos) << c.name;
    }
}

TEST(Edit, MinimumVersionRaisesTheHeaderOnly) {
    struct Case {
        std::vector<std::string> asked;
        std::string header;
    };
    const std::vector<Case> cases = {
        {{}, "%PDF-1.7"},          // the input's own version stays
        {{"1.6"}, "%PDF-1.7"},     // a floor below it changes nothing
        {{"2.0", "1.6"}, "%PDF-2.0"},  // the highest asked wins
    };
    for (const Case& c : cases) {
        auto doc = load_pdf(one_page(""));
        ASSERT_TRUE(doc);
        for (const std::string& v : c.asked) ASSERT_TRUE(require_minimum_version(*doc, v));
        Written w = write_and_reload(*doc);
        EXPECT_EQ(w.bytes.substr(0, 8), c.header);
    }
}

TEST(Edit, MinimumVersionAboveAnOlderInput) {
    std::string pdf = one_page("");
    pdf.replace(0, 8, "%PDF-1.3");
    auto doc = load_pdf(pdf);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(require_minimum_version(*doc, "1.6"));
    EXPECT_EQ(write_and_reload(*doc).bytes.substr(0, 8), "%PDF-1.6");
}

}  // namespace
}  // namespace zvk::pdf
