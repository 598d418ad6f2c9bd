// The graphics state that q saves and Q restores, what is known of the clip,
// and the bounds of the current path.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "content/geometry.h"
#include "content/records.h"
#include "pdf/object.h"

namespace zvk {

namespace font {
struct PdfFont;
}

enum class ClipState : std::uint8_t {
    None = 0,       // no clip has been set
    Rect = 1,       // the clip is the clip box, axis-aligned in page space
    Empty = 2,      // rectangle clips intersected to nothing
    Uncertain = 3,  // a clip of a shape the interpreter does not follow
};

enum class PathKind : std::uint8_t { None = 0, SingleRectangle = 1, General = 2 };

// The current path as far as regions and clips need it: its kind and a box in
// user space (before the ctm) holding every point added so far.
struct PathBounds {
    PathKind kind = PathKind::None;
    Box box{0, 0, 0, 0};
};

// The font that Tf or a graphics-state Font entry selected: the name it was
// selected under, the font object as it stood in the resources (or in the
// graphics-state array), and the font loaded from it (never null).
struct FontSelection {
    std::string resource_name;
    pdf::Object entry;
    std::shared_ptr<const font::PdfFont> font;
};

struct GraphicsState {
    std::optional<FontSelection> font;
    Color fill_color = make_black_color();
    Color stroke_color = make_black_color();
    Matrix ctm = kIdentityMatrix;
    ClipState clip = ClipState::None;
    Box clip_box{0, 0, 0, 0};  // meaningful only when clip is Rect
    float fill_alpha = 1.0f;
    float stroke_alpha = 1.0f;
    float char_spacing = 0.0f;        // Tc
    float word_spacing = 0.0f;        // Tw
    float horizontal_scaling = 100.0f;  // Tz, percent
    float leading = 0.0f;             // TL
    float rise = 0.0f;                // Ts
    float font_size = 0.0f;           // Tfs
    std::uint8_t render_mode = 0;     // Tr
};

}  // namespace zvk
