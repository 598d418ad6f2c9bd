#include "font/font_objects.h"

#include <cmath>

#include "content/objects.h"
#include "font/font.h"

namespace zvk::font {

std::optional<float> number_value(const pdf::Object& resolved) {
    if (resolved.is_integer()) return static_cast<float>(resolved.as_integer());
    if (resolved.is_real()) return resolved.as_real();
    return std::nullopt;
}

std::uint32_t number_to_u32(const pdf::Object& resolved) {
    if (resolved.is_integer()) {
        std::int64_t value = resolved.as_integer();
        if (value < 0) return 0;
        if (value > std::int64_t{UINT32_MAX}) return UINT32_MAX;
        return static_cast<std::uint32_t>(value);
    }
    if (resolved.is_real()) {
        float value = resolved.as_real();
        if (std::isnan(value) || value <= 0.0f) return 0;
        if (value >= 4294967296.0f) return UINT32_MAX;
        return static_cast<std::uint32_t>(value);
    }
    return 0;
}

pdf::Object resolved_entry(const pdf::Document& doc, const pdf::Object& dictionary,
                           const std::string& key) {
    return resolve_object(doc, dictionary.get(key));
}

std::optional<std::string> load_font_stream(const pdf::Document& doc, const pdf::Object& object) {
    auto loaded = load_stream_data(doc, object, kMaxFontStreamBytes);
    if (!loaded) return std::nullopt;
    return std::move(loaded->data);
}

}  // namespace zvk::font
