// Builds small PDF documents from object bodies for the font tests, so each
// fixture shows only the objects its case is about.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "pdf/document.h"
#include "pdf/object.h"

namespace zvk::font::test {

struct FixtureObject {
    std::string body;                  // a dictionary "<< ... >>" for streams
    std::optional<std::string> stream;  // stream data; /Length is added
};

// Objects 1 (catalog) and 2 (empty page tree) are added; the caller's
// objects keep their numbers (3 and up), generation 0.
std::string make_pdf(const std::map<std::uint32_t, FixtureObject>& objects);

pdf::Document load_pdf(const std::map<std::uint32_t, FixtureObject>& objects);

// The entry `key` of the dictionary object `holder` as stored (usually a
// reference), the way a resource dictionary hands out font entries.
pdf::Object stored_entry(const pdf::Document& doc, std::uint32_t holder, const std::string& key);

// Hex-string helper: "4142" to the bytes "AB".
std::string hex_bytes(std::string_view hex);

}  // namespace zvk::font::test
