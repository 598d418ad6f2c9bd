// libFuzzer target for the cmap tables of TrueType and OpenType programs. The
// input is read as a font program (single or collection) and, apart, as a
// bare cmap table, each within its work allowance, and the maps' promises are
// checked: code points are Unicode scalar values, glyph 0 is never mapped,
// each glyph's text is one scalar value, and the allowance is never passed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/utf8.h"
#include "font/sfnt.h"

namespace {

// Smaller than a real program's allowance so that each input stays quick;
// the same code stops at either.
constexpr std::uint64_t kFuzzCmapWork = 1u << 13;

void require(bool condition) {
    if (!condition) std::abort();
}

void check(const zvk::font::CmapMaps& maps, const zvk::font::CmapBudget& budget) {
    require(budget.remaining <= kFuzzCmapWork);
    require(maps.code_point_to_gid.size() <= kFuzzCmapWork);
    for (const auto& [code_point, glyph] : maps.code_point_to_gid) {
        require(code_point <= 0x10FFFF && !(code_point >= 0xD800 && code_point <= 0xDFFF));
        require(glyph != 0);
        require(maps.gid_to_text.contains(glyph));
    }
    for (const auto& [glyph, text] : maps.gid_to_text) {
        require(glyph != 0 && zvk::is_valid_utf8(text));
        std::size_t scalars = 0;
        for (auto step : zvk::Utf8Range(text)) scalars += step.valid ? 1 : 2;
        require(scalars == 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zvk::font;
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    {
        CmapBudget budget{kFuzzCmapWork};
        check(read_collection_cmap(data, budget), budget);
    }
    {
        CmapBudget budget{kFuzzCmapWork};
        check(choose_cmap_subtable(data, budget), budget);
    }
    return 0;
}
