// The records of an extraction: one Glyph per shown character code with its
// source and disposition, the pages, painted regions, diagnostics and colours,
// and the ExtractedDocument that holds them. Every later stage reads these.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/geometry.h"
#include "pdf/object.h"

namespace zvk {

using pdf::ObjectId;

enum class ColorSpace : std::uint8_t { DeviceGray, DeviceRGB, DeviceCMYK, Unknown };

// "DeviceGray", "DeviceRGB", "DeviceCMYK" or "unknown".
std::string_view color_space_word(ColorSpace space);

struct Color {
    ColorSpace space = ColorSpace::DeviceGray;
    std::vector<float> components;

    bool operator==(const Color&) const = default;
};

Color make_gray_color(float g);
Color make_rgb_color(float r, float g, float b);
Color make_cmyk_color(float c, float m, float y, float k);
// DeviceGray 0: the initial fill and stroke colour of every graphics state.
Color make_black_color();

enum class GlyphSourceKind : std::uint8_t {
    PageContent = 0,
    FormXObject = 1,
    AnnotationAppearance = 2,
    Type3CharProc = 3,
};

// "page_content", "form_x_object", "annotation_appearance", "type3_char_proc".
std::string_view glyph_source_kind_word(GlyphSourceKind kind);

struct GlyphSource {
    GlyphSourceKind kind = GlyphSourceKind::PageContent;
    std::optional<ObjectId> object_id;
    std::uint32_t stream_index = 0;
    std::uint32_t operator_index = 0;
    std::uint64_t byte_start = 0;
    std::uint64_t byte_end = 0;
    std::optional<std::string> resource_name;
};

enum class DispositionState : std::uint8_t {
    Pending = 0,
    TranslatedPendingRewrite = 1,
    Rewritten = 2,
    KeptOriginal = 3,
    NonText = 4,
};

// "pending", "translated_pending_rewrite", "rewritten", "kept_original", "non_text".
std::string_view disposition_state_word(DispositionState state);

// A tagged value: the payload is the text (translated_pending_rewrite,
// rewritten) or the reason (kept_original, non_text); pending has none.
struct GlyphDisposition {
    DispositionState state = DispositionState::Pending;
    std::string payload;

    static GlyphDisposition pending() { return {}; }
    static GlyphDisposition translated_pending_rewrite(std::string text) {
        return {DispositionState::TranslatedPendingRewrite, std::move(text)};
    }
    static GlyphDisposition rewritten(std::string text) {
        return {DispositionState::Rewritten, std::move(text)};
    }
    static GlyphDisposition kept_original(std::string reason) {
        return {DispositionState::KeptOriginal, std::move(reason)};
    }
    static GlyphDisposition non_text(std::string reason) {
        return {DispositionState::NonText, std::move(reason)};
    }

    // Rewritten, kept_original and non_text never change again.
    bool is_final() const {
        return state == DispositionState::Rewritten || state == DispositionState::KeptOriginal ||
               state == DispositionState::NonText;
    }

    bool operator==(const GlyphDisposition&) const = default;
};

struct Glyph {
    std::uint32_t id = 0;
    std::uint32_t page_index = 0;
    std::string unicode;
    bool unmapped = false;
    std::string char_code;  // the code's bytes as they stood in the string
    std::optional<std::uint32_t> gid;
    std::string font_resource = "unknown";
    std::string font_name = "unknown";
    std::optional<ObjectId> font_object;
    float font_size = 0.0f;
    Matrix matrix{1, 0, 0, 1, 0, 0};
    Box bbox{0, 0, 0, 0};
    std::array<float, 2> advance{0, 0};
    Color fill_color = make_black_color();
    Color stroke_color = make_black_color();
    std::uint8_t render_mode = 0;
    bool invisible = false;
    bool clipped = false;
    bool clip_uncertain = false;
    bool vertical = false;
    GlyphDisposition disposition;
    GlyphSource source;
};

struct PageInfo {
    std::uint32_t index = 0;
    ObjectId object_id;
    Box media_box{0, 0, 612, 792};
    std::int32_t rotate = 0;
};

struct Region {
    std::uint32_t page_index = 0;
    Box bbox{0, 0, 0, 0};
    std::string kind;  // "path" or "image"
};

struct Diagnostic {
    std::optional<std::uint32_t> page_index;
    std::string message;
};

inline constexpr std::string_view kCoordinateSpace = "pdf-user-space-origin-bottom-left-y-up";

struct ExtractedDocument {
    std::string coordinate_space{kCoordinateSpace};
    std::vector<PageInfo> pages;
    std::vector<Glyph> glyphs;
    std::vector<Region> regions;
    std::vector<Diagnostic> diagnostics;
};

}  // namespace zvk
