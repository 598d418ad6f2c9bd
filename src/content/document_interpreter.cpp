#include "content/document_interpreter.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace zvk {

namespace {

float min_pass_nan(float a, float b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    return std::min(a, b);
}
float max_pass_nan(float a, float b) {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    return std::max(a, b);
}

// One walk up the page tree for an inheritable attribute; `take` tests the
// resolved entry and gives the value, or none to pass over it.
template <typename T, typename Take>
std::optional<T> inherited_attribute(const pdf::Document& doc, pdf::ObjectId page,
                                     const std::string& key, Take take) {
    std::set<pdf::ObjectId> visited;
    std::optional<pdf::ObjectId> id = page;
    while (id) {
        if (!visited.insert(*id).second) return std::nullopt;
        auto dict = doc.dictionary(*id);
        if (!dict) return std::nullopt;
        if (dict->has_key(key)) {
            if (auto value = take(dict->get(key).follow())) return value;
        }
        pdf::Object parent = dict->get("Parent");
        id = parent.is_reference() ? parent.object_id() : std::nullopt;
    }
    return std::nullopt;
}

std::optional<Box> take_media_box(const pdf::Object& value) {
    if (!value.is_array() || value.array_size() < 4) return std::nullopt;
    float v[4];
    for (int i = 0; i < 4; ++i) v[i] = value.array_at(static_cast<std::size_t>(i)).follow().as_f32();
    return Box{min_pass_nan(v[0], v[2]), min_pass_nan(v[1], v[3]), max_pass_nan(v[0], v[2]),
               max_pass_nan(v[1], v[3])};
}

std::optional<std::int32_t> take_rotate(const pdf::Object& value) {
    if (!value.is_integer()) return std::nullopt;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value.as_integer()));
}

}  // namespace

ExtractedDocument interpret_document(const pdf::Document& document, const ExtractLimits& limits) {
    ExtractedDocument out;
    auto pages = document.page_ids();
    if (pages.empty()) {
        out.diagnostics.push_back({std::nullopt, "document has no pages"});
        return out;
    }
    for (std::size_t i = 0; i < pages.size(); ++i) {
        auto index = static_cast<std::uint32_t>(i);
        if (limits.max_pages && index >= *limits.max_pages) break;
        PageInfo info;
        info.index = index;
        info.object_id = pages[i];
        info.media_box = inherited_attribute<Box>(document, pages[i], "MediaBox", take_media_box)
                             .value_or(Box{0, 0, 612, 792});
        info.rotate =
            inherited_attribute<std::int32_t>(document, pages[i], "Rotate", take_rotate).value_or(0);
        out.pages.push_back(info);
        // Content interpretation of the page comes here.
    }
    for (std::size_t i = 0; i < out.glyphs.size(); ++i) out.glyphs[i].id = static_cast<std::uint32_t>(i);
    return out;
}

}  // namespace zvk
