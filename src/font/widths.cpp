#include "font/widths.h"

#include "pdf/objects.h"

namespace zvk::font {

namespace {

// The elements of a W or W2 array, each resolved; empty when the entry is no array.
std::vector<pdf::Object> resolved_elements(const pdf::Document& doc, const pdf::Object& object) {
    std::vector<pdf::Object> elements;
    if (auto items = resolve_array(doc, object)) {
        elements.reserve(items->size());
        for (const auto& item : *items) elements.push_back(resolve_object(doc, item));
    }
    return elements;
}

}  // namespace

GlyphWidths parse_cid_widths(const pdf::Document& doc, const pdf::Object& w_object, float default_width) {
    GlyphWidths widths;
    widths.default_width = default_width;
    const std::vector<pdf::Object> elements = resolved_elements(doc, w_object);
    const std::size_t n = elements.size();
    std::size_t i = 0;
    while (i < n) {
        if (!elements[i].is_number()) {
            ++i;
            continue;
        }
        if (i + 1 >= n) break;
        if (elements[i + 1].is_array()) {
            // Every inner element uses up its CID, number or not, so a
            // bad entry never shifts the widths after it.
            std::uint32_t cid = number_to_u32(elements[i]);
            for (const auto& inner : elements[i + 1].array_items()) {
                if (auto width = number_value(resolve_object(doc, inner))) widths.map.insert_or_assign(cid, *width);
                ++cid;
            }
            i += 2;
            continue;
        }
        if (i + 2 >= n) break;
        if (elements[i + 1].is_number() && elements[i + 2].is_number()) {
            widths.ranges.push_back(
                {number_to_u32(elements[i]), number_to_u32(elements[i + 1]), *number_value(elements[i + 2])});
            i += 3;
        } else {
            ++i;
        }
    }
    widths.build_index();
    return widths;
}

VerticalMetrics parse_cid_vertical_metrics(const pdf::Document& doc, const std::optional<pdf::Object>& dw2_object,
                                           const std::optional<pdf::Object>& w2_object) {
    VerticalMetrics metrics;
    if (dw2_object) {
        if (auto dw2 = resolve_array(doc, *dw2_object)) {
            if (!dw2->empty()) {
                if (auto vy = number_value(resolve_object(doc, (*dw2)[0]))) metrics.dw2[0] = *vy;
            }
            if (dw2->size() >= 2) {
                if (auto w1y = number_value(resolve_object(doc, (*dw2)[1]))) metrics.dw2[1] = *w1y;
            }
        }
    }
    if (w2_object) {
        const std::vector<pdf::Object> elements = resolved_elements(doc, *w2_object);
        const std::size_t n = elements.size();
        std::size_t i = 0;
        while (i < n) {
            if (!elements[i].is_number()) {
                ++i;
                continue;
            }
            if (i + 1 >= n) break;
            std::uint32_t cid = number_to_u32(elements[i]);
            if (elements[i + 1].is_array()) {
                auto inner = elements[i + 1].array_items();
                for (std::size_t t = 0; t + 3 <= inner.size(); t += 3) {
                    // A non-number in a triple takes the font's own default.
                    VerticalMetric metric{
                        number_value(resolve_object(doc, inner[t])).value_or(metrics.dw2[1]),
                        number_value(resolve_object(doc, inner[t + 1])).value_or(0.0f),
                        number_value(resolve_object(doc, inner[t + 2])).value_or(metrics.dw2[0]),
                    };
                    metrics.map.insert_or_assign(cid, metric);
                    ++cid;
                }
                i += 2;
                continue;
            }
            if (i + 4 >= n) break;
            if (elements[i + 1].is_number() && elements[i + 2].is_number() && elements[i + 3].is_number() &&
                elements[i + 4].is_number()) {
                metrics.ranges.push_back({cid, number_to_u32(elements[i + 1]), *number_value(elements[i + 2]),
                                          *number_value(elements[i + 3]), *number_value(elements[i + 4])});
                i += 5;
            } else {
                ++i;
            }
        }
    }
    metrics.build_index();
    return metrics;
}

}  // namespace zvk::font
