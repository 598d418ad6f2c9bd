// libFuzzer target for whole-document extraction from bytes: the input is
// loaded as a PDF, every page interpreted and the result written as JSON, and
// the extraction's promises are checked: pages in order, glyph ids dense,
// every record on a listed page, text valid UTF-8, diagnostics within their
// cap, and the JSON valid UTF-8.
//
// The PDF library is not instrumented (its headers do not compile under
// clang, so its units are compiled by g++ and linked in); what it hands to
// our code is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "api/result_json.h"
#include "base/utf8.h"
#include "content/document_interpreter.h"
#include "pdf/document.h"

namespace {

// Smaller than the defaults so that each input stays quick; the bounds are
// enforced by the same code whatever their values.
constexpr std::uint64_t kFuzzDecompressedBytes = 4u << 20;
constexpr std::uint32_t kFuzzPages = 16;
constexpr zvk::PageBudgetLimits kFuzzPageBudget{200'000, 100'000, 16u << 20};

void require(bool condition) {
    if (!condition) std::abort();
}

void check(const zvk::ExtractedDocument& doc) {
    require(doc.pages.size() <= kFuzzPages);
    for (std::size_t i = 0; i < doc.pages.size(); ++i) require(doc.pages[i].index == i);
    std::vector<std::size_t> per_page(doc.pages.size(), 0);
    for (const auto& d : doc.diagnostics) {
        require(zvk::is_valid_utf8(d.message));
        if (!d.page_index) continue;
        require(*d.page_index < doc.pages.size());
        require(++per_page[*d.page_index] <= zvk::kMaxDiagnosticsPerPage);
    }
    for (std::size_t i = 0; i < doc.glyphs.size(); ++i) {
        const auto& g = doc.glyphs[i];
        require(g.id == i && g.page_index < doc.pages.size());
        require(zvk::is_valid_utf8(g.unicode) && zvk::is_valid_utf8(g.font_resource) &&
                zvk::is_valid_utf8(g.font_name));
        require(g.char_code.size() >= 1 && g.char_code.size() <= 4);
    }
    for (const auto& r : doc.regions) {
        require(r.page_index < doc.pages.size());
        require(r.kind == "path" || r.kind == "image");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    zvk::pdf::LoadSettings settings;
    settings.max_decompressed_size = kFuzzDecompressedBytes;
    auto doc = zvk::pdf::Document::from_bytes(std::string(reinterpret_cast<const char*>(bytes), size), settings);
    if (!doc) return 0;
    zvk::ExtractLimits limits;
    limits.max_pages = kFuzzPages;
    const zvk::ExtractedDocument extraction = zvk::interpret_document(*doc, limits, kFuzzPageBudget);
    check(extraction);
    auto json = zvk::extracted_document_to_pretty_json(extraction);
    if (json) require(zvk::is_valid_utf8(*json));
    return 0;
}
