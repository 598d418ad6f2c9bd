// libFuzzer target for the cmap tables of TrueType and OpenType programs. The
// input is read as a font program (single or collection) and, apart, as a
// bare cmap table, each within its work allowance. The program's maps must
// keep their promises: code points are Unicode scalar values, glyph 0 is
// never mapped, every mapped glyph has a text, the runs are sorted and
// disjoint, and the allowance is never passed. The table's maps must equal,
// entry for entry and unit for unit, a reading that enters one code at a
// time into ordered maps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "base/utf8.h"
#include "font/cmap_reference.h"
#include "font/sfnt.h"

namespace {

// Smaller than a real document's allowance so that each input stays quick;
// the same code stops at either.
constexpr std::uint64_t kFuzzCmapWork = 1u << 13;

void require(bool condition) {
    if (!condition) std::abort();
}

void require_sorted_runs(const zvk::font::RunMap& map) {
    const auto& runs = map.runs();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        require(runs[i].first <= runs[i].last);
        require(i == 0 || runs[i].first > runs[i - 1].last);
    }
}

void check(const zvk::font::CmapMaps& maps, const zvk::font::CmapBudget& budget) {
    require(budget.remaining <= kFuzzCmapWork);
    require(maps.code_point_to_gid.size() <= kFuzzCmapWork);
    require_sorted_runs(maps.code_point_to_gid);
    require_sorted_runs(maps.gid_to_text);
    const auto listed = zvk::font::reference::expand(maps);
    for (const auto& [code_point, glyph] : listed.glyph_of) {
        require(zvk::is_scalar_value(code_point));
        require(glyph != 0);
        require(maps.gid_to_text.find(glyph).has_value());
    }
    for (const auto& [glyph, code_point] : listed.code_point_of) {
        require(glyph != 0);
        require(zvk::is_scalar_value(code_point));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zvk::font;
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    {
        CmapBudget budget{kFuzzCmapWork};
        check(*read_collection_cmap(data, budget), budget);
    }
    {
        CmapBudget budget{kFuzzCmapWork};
        const SharedCmapMaps maps = choose_cmap_subtable(data, budget);
        check(*maps, budget);
        CmapBudget expected_budget{kFuzzCmapWork};
        require(reference::expand(*maps) == reference::choose(data, expected_budget));
        require(budget.remaining == expected_budget.remaining);
    }
    return 0;
}
