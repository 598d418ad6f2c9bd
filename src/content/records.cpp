#include "content/records.h"

namespace zvk {

std::string_view color_space_word(ColorSpace space) {
    switch (space) {
    case ColorSpace::DeviceGray: return "DeviceGray";
    case ColorSpace::DeviceRGB: return "DeviceRGB";
    case ColorSpace::DeviceCMYK: return "DeviceCMYK";
    case ColorSpace::Unknown: return "unknown";
    }
    return "unknown";
}

Color make_gray_color(float g) { return {ColorSpace::DeviceGray, {g}}; }
Color make_rgb_color(float r, float g, float b) { return {ColorSpace::DeviceRGB, {r, g, b}}; }
Color make_cmyk_color(float c, float m, float y, float k) {
    return {ColorSpace::DeviceCMYK, {c, m, y, k}};
}
Color make_black_color() { return make_gray_color(0.0f); }

std::string_view glyph_source_kind_word(GlyphSourceKind kind) {
    switch (kind) {
    case GlyphSourceKind::PageContent: return "page_content";
    case GlyphSourceKind::FormXObject: return "form_x_object";
    case GlyphSourceKind::AnnotationAppearance: return "annotation_appearance";
    case GlyphSourceKind::Type3CharProc: return "type3_char_proc";
    }
    return "page_content";
}

std::string_view disposition_state_word(DispositionState state) {
    switch (state) {
    case DispositionState::Pending: return "pending";
    case DispositionState::TranslatedPendingRewrite: return "translated_pending_rewrite";
    case DispositionState::Rewritten: return "rewritten";
    case DispositionState::KeptOriginal: return "kept_original";
    case DispositionState::NonText: return "non_text";
    }
    return "pending";
}

}  // namespace zvk
