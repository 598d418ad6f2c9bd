// XObjects painted by Do: images become regions, forms are painted as nested
// content; form painting is shared with annotation appearances.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "content/interpreter.h"

namespace zvk {

// One form to paint.
struct FormPaint {
    std::optional<ObjectId> form_id;
    std::string_view data;
    pdf::Object dictionary;      // the form stream's dictionary
    std::string resource_name;   // for messages and the glyph sources
    GlyphSourceKind kind = GlyphSourceKind::FormXObject;
    // When given, replaces the ctm instead of the form's own Matrix applying.
    std::optional<Matrix> matrix;
    // Appearances are drawn by viewers from the initial graphics state, not
    // in whatever state the page content left behind.
    bool from_initial_state = false;
};

// Do with its operand name.
void paint_xobject(ContentInterpreter& interp, const std::string& name);

// Whether a form may be painted now: not past the depth limit and not already
// being painted (with the message when not).
bool may_paint_form(ContentInterpreter& interp, const std::optional<ObjectId>& form_id,
                    const std::string& resource_name);
void paint_form_xobject(ContentInterpreter& interp, const FormPaint& form);

// The state a form's content starts in: the ctm from the given matrix or the
// form's Matrix, the clip met with the mapped BBox, the text matrices reset
// and no path; an appearance starts from the initial graphics state.
void enter_form_state(ContentInterpreter& interp, const FormPaint& form);

}  // namespace zvk
