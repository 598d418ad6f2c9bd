// Loading one font from a small fixture document: the font dictionary is
// object 10 (unless a case says otherwise) and the resource dictionary
// object 3 maps resource names to it, as a page's Font resources would.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "font/font.h"
#include "font/font_loader.h"
#include "font/pdf_fixture.h"

namespace zvk::font::test {

struct LoadedFixture {
    pdf::Document doc;
    PdfFont font;
};

// Loads the font entry `resource_name` of object 3; when `objects` has no
// object 3, one mapping the name to 10 0 R is added.
inline std::unique_ptr<LoadedFixture> load_fixture_font(std::map<std::uint32_t, FixtureObject> objects,
                                                        const std::string& resource_name = "F1") {
    if (!objects.contains(3)) objects[3] = {"<< /" + resource_name + " 10 0 R >>", std::nullopt};
    auto doc = load_pdf(objects);
    PdfFont font = load_font(doc, resource_name, stored_entry(doc, 3, resource_name));
    return std::make_unique<LoadedFixture>(LoadedFixture{std::move(doc), std::move(font)});
}

inline std::optional<std::string> text_of(const PdfFont& font, std::uint8_t code) {
    if (!font.simple_encoding) return std::nullopt;
    return (*font.simple_encoding)[code];
}

}  // namespace zvk::font::test
