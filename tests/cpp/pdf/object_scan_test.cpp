#include "pdf/object_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/document.h"
#include "support/pdf_builder.h"

namespace zvk {
namespace {

using pdf::ObjectRole;

TEST(ObjectScan, ClassifiesByTopLevelEntriesOnly) {
    struct Case {
        const char* name;
        std::string text;
        ObjectRole expected;
    };
    const Case cases[] = {
        {"catalog", " << /Type /Catalog /Pages 2 0 R >>\nendobj", ObjectRole::Catalog},
        {"catalog written tight", "<</Pages 2 0 R/Type/Catalog>>endobj", ObjectRole::Catalog},
        {"name with an escape", "<< /Type /Cat#61log >>", ObjectRole::Catalog},
        {"after a comment", "% made by hand\n<< /Type /Catalog >>", ObjectRole::Catalog},
        {"every kind of value before the type",
         "<< /A [1 (x) <41> << /B /C >>] /S (a \\) ( ) b) /H <4142 43> /R 5 0 R /N 3.5 "
         "/T true /Type /Catalog >>",
         ObjectRole::Catalog},
        {"cut short before >>", "<< /Type /Catalog /Pages 2 0 R", ObjectRole::None},
        {"cut short inside a string", "<< /Type /Catalog /Lang (en", ObjectRole::None},
        {"type inside a nested dictionary", "<< /Names << /Type /Catalog >> >>", ObjectRole::None},
        {"type inside a string", "<< /Producer (x /Type /Catalog) /Kind (>>) >>", ObjectRole::Info},
        {"a catalog is never a stream", "<< /Type /Catalog /Length 0 >>\nstream\n\nendstream",
         ObjectRole::None},
        {"an array", "[ /Type /Catalog ]", ObjectRole::None},
        {"malformed dictionary", "<< /Type /Catalog ) >>", ObjectRole::None},
        {"value missing", "<< /Type >>", ObjectRole::None},
        {"information", "<< /Producer (pdfTeX) /Title (A /Type /Catalog) >>", ObjectRole::Info},
        {"information by its dates", "<</CreationDate(D:2011)/ModDate(D:2012)/Trapped/False>>",
         ObjectRole::Info},
        {"annotation with a creation date",
         "<< /Type /Annot /Subtype /Text /CreationDate (D:2020) /Rect [0 0 1 1] >>", ObjectRole::None},
        {"untyped annotation with a creation date", "<< /CreationDate (D:2020) /Rect [0 0 1 1] >>",
         ObjectRole::None},
        {"metadata stream naming a producer", "<< /Producer (x) /Length 3 >>\nstream\nabc\nendstream",
         ObjectRole::None},
        {"title alone is no information", "<< /Title (Chapter 1) /Dest [3 0 R /Fit] >>", ObjectRole::None},
        {"encryption", "<< /Filter /Standard /V 2 /R 3 /O <00> /U <00> /P -4 /Length 128 >>",
         ObjectRole::Encrypt},
        {"other security handler", "<< /Filter /Adobe.PubSec /V 4 >>", ObjectRole::None},
        {"object stream", "<< /Type /ObjStm /N 2 /First 10 /Length 20 >>\nstream\n", ObjectRole::ObjectStream},
        {"object stream dictionary without its stream", "<< /Type /ObjStm /N 2 /First 10 >>",
         ObjectRole::None},
        {"integer", "42", ObjectRole::None},
        {"nothing", "", ObjectRole::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pdf::classify_object(c.text), c.expected) << c.name;
    }
}

struct Found {
    std::uint32_t number;
    std::uint32_t generation;
    ObjectRole role;
    bool operator==(const Found&) const = default;
};

std::vector<Found> found(const pdf::ObjectScan& scan) {
    std::vector<Found> out;
    for (const auto& c : scan.candidates) out.push_back({c.ref.number, c.ref.generation, c.role});
    return out;
}

TEST(ObjectScan, FindsTheNewestDefinitionOfEachObject) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Found> expected;
        std::uint32_t highest;
    };
    const Case cases[] = {
        {"objects in order",
         "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
         "2 0 obj\n<< /Type /Pages /Kids [] /Count 0 >>\nendobj\n"
         "3 0 obj\n<< /Producer (me) >>\nendobj\n",
         {{1, 0, ObjectRole::Catalog}, {3, 0, ObjectRole::Info}},
         3},
        {"headers spread over lines, and a generation",
         "1\n0\nobj<</Type/Catalog>>endobj 7  2 obj<</Filter/Standard>>endobj",
         {{1, 0, ObjectRole::Catalog}, {7, 2, ObjectRole::Encrypt}},
         7},
        {"an update replaces the catalog with another object",
         "1 0 obj << /Type /Catalog >> endobj\n1 0 obj << /Type /Pages >> endobj\n",
         {},
         1},
        {"an update writes a new catalog",
         "1 0 obj << /Type /Pages >> endobj\n1 0 obj << /Type /Catalog >> endobj\n",
         {{1, 0, ObjectRole::Catalog}},
         1},
        {"another generation is another object",
         "1 0 obj << /Type /Catalog >> endobj\n1 1 obj << /Type /Pages >> endobj\n",
         {{1, 0, ObjectRole::Catalog}},
         1},
        {"the catalog is the last object and was cut",
         "2 0 obj << /Type /Pages >> endobj\n1 0 obj << /Type /Catalog /Pages 2 0",
         {},
         2},
        {"no header: endobj, glued digits, a word, object 0",
         "endobj x5 0 obj << /Type /Catalog >> 5 0 objx << /Type /Catalog >> "
         "0 0 obj << /Type /Catalog >>",
         {},
         0},
        {"numbers the reader cannot hold", "99999999999 0 obj << /Type /Catalog >> endobj\n"
                                           "4 70000 obj << /Type /Catalog >> endobj\n",
         {},
         0},
        // A header inside a dictionary's string ends that dictionary's text:
        // the object before it is then cut short, not misread.
        {"a header inside a string",
         "1 0 obj << /Type /Catalog /Note (see\n2 0 obj) >> endobj\n",
         {},
         2},
    };
    for (const auto& c : cases) {
        auto scan = pdf::scan_objects(c.bytes);
        EXPECT_EQ(found(scan), c.expected) << c.name;
        EXPECT_EQ(scan.highest, c.highest) << c.name;
    }
}

TEST(ObjectScan, NewestPrefersTheLaterPosition) {
    auto scan = pdf::scan_objects(
        "1 0 obj << /Type /Catalog >> endobj\n"
        "9 0 obj << /Producer (old) >> endobj\n"
        "7 0 obj << /Type /Catalog >> endobj\n"
        "4 0 obj << /Producer (new) >> endobj\n");
    auto root = pdf::newest(scan.candidates, ObjectRole::Catalog);
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(root->ref, (pdf::ObjectRef{7, 0}));
    auto info = pdf::newest(scan.candidates, ObjectRole::Info);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->ref, (pdf::ObjectRef{4, 0}));
    EXPECT_FALSE(pdf::newest(scan.candidates, ObjectRole::Encrypt).has_value());
}

// Dictionaries that never close, strings that never end and endless runs
// of digits and blanks: each object's text ends at the next header, so the
// scan stays linear and still finds the catalog at the end. A scan that
// read each unclosed dictionary to the end of the file would not finish.
TEST(ObjectScan, HostileBytesStayLinear) {
    std::string bytes;
    for (int i = 1; i <= 100000; ++i) bytes += std::to_string(i) + " 0 obj << /A (\n";
    bytes += std::string(1 << 20, '7') + " " + std::string(1 << 20, ' ') + "obj ";
    bytes += "200000 0 obj << /Type /Catalog >> endobj\n";
    auto scan = pdf::scan_objects(bytes);
    auto root = pdf::newest(scan.candidates, ObjectRole::Catalog);
    ASSERT_TRUE(root.has_value());
    EXPECT_EQ(root->ref, (pdf::ObjectRef{200000, 0}));
    EXPECT_EQ(scan.highest, 200000u);
}

// The cross-reference stream is read by the PDF library with recovery off:
// it must be exact. Object 4 is left out (a gap in /Index) and object 5
// lies in an object stream.
TEST(ObjectScan, CrossReferenceStreamIsExact) {
    std::string body = "%PDF-1.5\n";
    std::vector<std::size_t> offsets(7, 0);
    auto add = [&](int number, const std::string& text) {
        offsets[number] = body.size();
        body += std::to_string(number) + " 0 obj\n" + text + "\nendobj\n";
    };
    add(1, "<< /Type /Catalog /Pages 2 0 R >>");
    add(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    add(3, "<< /Type /Page /Parent 2 0 R /Contents 5 0 R >>");
    const std::string members = "5 0 ";
    const std::string objects = "<< /Length 3 >>";
    // An object stream may not hold a stream; object 5 is a dictionary
    // here, and the page's /Contents simply names it.
    add(6, test::pdf_stream("/Type /ObjStm /N 1 /First " + std::to_string(members.size()),
                            members + objects));
    std::vector<pdf::XrefEntry> entries = {
        {1, 1, offsets[1], 0},
        {2, 1, offsets[2], 0},
        {3, 1, offsets[3], 0},
        {5, 2, 6, 0},
        {6, 1, offsets[6], 0},
    };
    pdf::TrailerEntries trailer;
    trailer.root = pdf::ObjectRef{1, 0};
    std::string file = body + pdf::xref_stream_text(entries, trailer, 7, body.size());
    pdf::LoadSettings strict;
    strict.strict = true;
    auto doc = pdf::Document::from_bytes(file, strict);
    ASSERT_TRUE(doc.has_value()) << doc.error().display();
    ASSERT_EQ(doc->page_ids().size(), 1u);
    EXPECT_EQ(doc->object({5, 0}).get("Length").as_integer(), 3);
    EXPECT_TRUE(doc->object({4, 0}).is_null());
}

}  // namespace
}  // namespace zvk
