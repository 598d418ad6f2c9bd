// The extraction JSON of a small page, byte for byte: member order, layout,
// number notation and every record's members.
#include <gtest/gtest.h>

#include "api/result_json.h"
#include "content/document_fixture.h"

namespace zvk {
namespace {

constexpr const char* kGolden = R"JSON({
  "coordinate_space": "pdf-user-space-origin-bottom-left-y-up",
  "coverage": {
    "complete": false,
    "english_body": 0,
    "kept_original": 0,
    "non_text": 0,
    "pending": 2,
    "rewritten": 0,
    "total": 2,
    "translated_pending_rewrite": 0,
    "unresolved_ids": [
      0,
      1
    ]
  },
  "diagnostics": [],
  "glyphs": [
    {
      "advance": [
        7.220001220703125,
        0.0
      ],
      "bbox": [
        72.0,
        698.0,
        79.22000122070312,
        708.0
      ],
      "char_code": [
        72
      ],
      "clip_uncertain": false,
      "clipped": false,
      "disposition": {
        "state": "pending"
      },
      "fill_color": {
        "components": [
          0.0,
          0.0,
          1.0
        ],
        "space": "DeviceRGB"
      },
      "font_name": "Custom",
      "font_object": "6 0",
      "font_resource": "F1",
      "font_size": 10.0,
      "gid": null,
      "id": 0,
      "invisible": false,
      "matrix": [
        10.0,
        0.0,
        0.0,
        10.0,
        72.0,
        700.0
      ],
      "page_index": 0,
      "render_mode": 0,
      "source": {
        "byte_end": 48,
        "byte_start": 41,
        "kind": "page_content",
        "object_id": "5 0",
        "operator_index": 5,
        "resource_name": null,
        "stream_index": 0
      },
      "stroke_color": {
        "components": [
          1.0,
          0.0,
          0.0
        ],
        "space": "DeviceRGB"
      },
      "unicode": "H",
      "unmapped": false,
      "vertical": false
    },
    {
      "advance": [
        2.779998779296875,
        0.0
      ],
      "bbox": [
        79.22000122070312,
        698.0,
        82.0,
        708.0
      ],
      "char_code": [
        105
      ],
      "clip_uncertain": false,
      "clipped": false,
      "disposition": {
        "state": "pending"
      },
      "fill_color": {
        "components": [
          0.0,
          0.0,
          1.0
        ],
        "space": "DeviceRGB"
      },
      "font_name": "Custom",
      "font_object": "6 0",
      "font_resource": "F1",
      "font_size": 10.0,
      "gid": null,
      "id": 1,
      "invisible": false,
      "matrix": [
        10.0,
        0.0,
        0.0,
        10.0,
        79.22000122070312,
        700.0
      ],
      "page_index": 0,
      "render_mode": 0,
      "source": {
        "byte_end": 48,
        "byte_start": 41,
        "kind": "page_content",
        "object_id": "5 0",
        "operator_index": 5,
        "resource_name": null,
        "stream_index": 0
      },
      "stroke_color": {
        "components": [
          1.0,
          0.0,
          0.0
        ],
        "space": "DeviceRGB"
      },
      "unicode": "i",
      "unmapped": false,
      "vertical": false
    }
  ],
  "pages": [
    {
      "index": 0,
      "media_box": [
        0.0,
        0.0,
        200.0,
        100.0
      ],
      "object_id": "3 0",
      "rotate": 0
    }
  ],
  "plain_text": "Hi",
  "regions": [
    {
      "bbox": [
        10.0,
        10.0,
        60.0,
        30.0
      ],
      "kind": "path",
      "page_index": 0
    }
  ]
})JSON";

TEST(ExtractionJson, GoldenPage) {
    // "Hi" in a font whose H is 722 and i 278 units wide, stroke red, fill
    // blue, and one filled rectangle.
    auto doc = test::extract_objects(test::one_page(
        "1 0 0 RG 0 0 1 rg BT /F1 10 Tf 72 700 Td (Hi) Tj ET 10 10 50 20 re f",
        "<< /Font << /F1 6 0 R >> >>",
        {"<< /Type /Font /Subtype /Type1 /BaseFont /Custom /FirstChar 72 /LastChar 105 "
         "/Widths [722 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 278] >>"},
        "/MediaBox [0 0 200 100]"));
    auto json = extracted_document_to_pretty_json(doc);
    ASSERT_TRUE(json.has_value());
    EXPECT_EQ(*json, kGolden);
}

TEST(ExtractionJson, EmptyDocument) {
    auto json = extracted_document_to_pretty_json(ExtractedDocument{});
    ASSERT_TRUE(json.has_value());
    EXPECT_EQ(*json,
              "{\n"
              "  \"coordinate_space\": \"pdf-user-space-origin-bottom-left-y-up\",\n"
              "  \"coverage\": {\n"
              "    \"complete\": true,\n"
              "    \"english_body\": 0,\n"
              "    \"kept_original\": 0,\n"
              "    \"non_text\": 0,\n"
              "    \"pending\": 0,\n"
              "    \"rewritten\": 0,\n"
              "    \"total\": 0,\n"
              "    \"translated_pending_rewrite\": 0,\n"
              "    \"unresolved_ids\": []\n"
              "  },\n"
              "  \"diagnostics\": [],\n"
              "  \"glyphs\": [],\n"
              "  \"pages\": [],\n"
              "  \"plain_text\": \"\",\n"
              "  \"regions\": []\n"
              "}");
}

}  // namespace
}  // namespace zvk
