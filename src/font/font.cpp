#include "font/font.h"

namespace zvk::font {

namespace {

// Shared empty parts, so that every record's never-null pointers have
// something to point at without an allocation per font.
const std::shared_ptr<const GlyphWidths>& no_widths() {
    static const auto value = std::make_shared<const GlyphWidths>();
    return value;
}
const std::shared_ptr<const VerticalMetrics>& default_vertical_metrics() {
    static const auto value = std::make_shared<const VerticalMetrics>();
    return value;
}
const std::shared_ptr<const CodePointToGid>& no_code_points() {
    static const auto value = std::make_shared<const CodePointToGid>();
    return value;
}
const std::shared_ptr<const GidToText>& no_glyph_texts() {
    static const auto value = std::make_shared<const GidToText>();
    return value;
}

}  // namespace

PdfFont::PdfFont()
    : widths(no_widths()),
      vertical_metrics(default_vertical_metrics()),
      code_point_to_gid(no_code_points()),
      gid_to_text(no_glyph_texts()) {}

float GlyphWidths::width_of(std::uint32_t key) const {
    if (auto it = map.find(key); it != map.end()) return it->second;
    if (auto index = index_.first_holding(key)) return ranges[*index].width;
    return default_width;
}

void GlyphWidths::build_index() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
    spans.reserve(ranges.size());
    for (const auto& range : ranges) spans.emplace_back(range.lo, range.hi);
    index_ = RangeIndex(spans);
}

std::optional<VerticalMetric> VerticalMetrics::explicit_metric(std::uint32_t cid) const {
    if (auto it = map.find(cid); it != map.end()) return it->second;
    if (auto index = index_.first_holding(cid)) {
        const auto& range = ranges[*index];
        return VerticalMetric{range.w1y, range.vx, range.vy};
    }
    return std::nullopt;
}

void VerticalMetrics::build_index() {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> spans;
    spans.reserve(ranges.size());
    for (const auto& range : ranges) spans.emplace_back(range.lo, range.hi);
    index_ = RangeIndex(spans);
}

FontKind font_kind_from_subtype(const std::optional<std::string>& subtype) {
    if (!subtype) return FontKind::Unknown;
    if (*subtype == "Type1" || *subtype == "MMType1") return FontKind::Type1;
    if (*subtype == "TrueType") return FontKind::TrueType;
    if (*subtype == "Type0") return FontKind::Type0;
    if (*subtype == "Type3") return FontKind::Type3;
    return FontKind::Unknown;
}

}  // namespace zvk::font
