#include "content/xobjects.h"

#include <algorithm>

namespace zvk {

namespace {

enum class XObjectKind { Image, Form, Other };

// The region of an image: the unit square mapped through the ctm.
Box image_region(const Matrix& m) {
    const float a = m[0], b = m[1], c = m[2], d = m[3], e = m[4], f = m[5];
    const Point corners[4] = {{e, f}, {a + e, b + f}, {c + e, d + f}, {a + c + e, b + d + f}};
    Box box = empty_bounds();
    for (const Point& p : corners) box = grow_box(box, p);
    return box;
}

void clip_to_form_box(GraphicsState& gs, const Box& bbox) {
    const Box mapped = map_box(bbox, gs.ctm, false);
    if (gs.clip == ClipState::None) {
        gs.clip = ClipState::Rect;
        gs.clip_box = mapped;
    } else if (gs.clip == ClipState::Rect) {
        const Box& c = gs.clip_box;
        Box meet{max_pass_nan(c[0], mapped[0]), max_pass_nan(c[1], mapped[1]),
                 min_pass_nan(c[2], mapped[2]), min_pass_nan(c[3], mapped[3])};
        if (meet[2] < meet[0] || meet[3] < meet[1]) {
            gs.clip = ClipState::Empty;
        } else {
            gs.clip_box = meet;
        }
    }
}

// Paints a form already allowed by may_paint_form.
void paint_allowed_form(ContentInterpreter& interp, const FormPaint& form) {
    if (form.form_id) interp.form_ids.push_back(*form.form_id);
    ++interp.depth;
    {
        NestedContentScope scope(interp);
        ResourceScope form_resources;
        pdf::Object resources = resolve_object(interp.document, form.dictionary.get("Resources"));
        if (resources.is_dictionary()) {
            form_resources.own = load_page_resources(interp.document, resources);
            form_resources.enclosing = interp.resources;
            interp.resources = &form_resources;
        }
        GraphicsState& gs = interp.state;
        if (form.from_initial_state) gs = initial_graphics_state();
        if (form.matrix) {
            gs.ctm = *form.matrix;
        } else if (auto m = read_matrix_entry(form.dictionary)) {
            gs.ctm = multiply(*m, gs.ctm);
        }
        if (auto bbox = read_rect_entry(form.dictionary, "BBox")) clip_to_form_box(gs, *bbox);
        interp.text_matrix = kIdentityMatrix;
        interp.text_line_matrix = kIdentityMatrix;
        interp.path.kind = PathKind::None;
        interp.in_text_object = false;
        interpret_self_contained_stream(interp, form.data,
                                        {form.kind, form.form_id, 0, form.resource_name});
    }
    --interp.depth;
    if (form.form_id) interp.form_ids.pop_back();
}

XObjectKind xobject_kind(ContentInterpreter& interp, const std::string& name,
                         const pdf::Object& dictionary) {
    pdf::Object subtype = resolve_object(interp.document, dictionary.get("Subtype"));
    if (auto word = object_as_name(subtype)) {
        if (*word == "Image") return XObjectKind::Image;
        if (*word == "Form") return XObjectKind::Form;
        push_diagnostic(interp, "XObject /" + name + " subtype /" + *word + " ignored");
        return XObjectKind::Other;
    }
    return dictionary.has_key("Width") && dictionary.has_key("Height") ? XObjectKind::Image
                                                                        : XObjectKind::Form;
}

}  // namespace

bool may_paint_form(ContentInterpreter& interp, const std::optional<ObjectId>& form_id,
                    const std::string& resource_name) {
    if (interp.budget_exhausted) return false;
    if (interp.depth >= interp.max_depth) {
        push_diagnostic(interp, "recursion limit while painting /" + resource_name);
        return false;
    }
    if (form_id && std::find(interp.form_ids.begin(), interp.form_ids.end(), *form_id) !=
                       interp.form_ids.end()) {
        push_diagnostic(interp, "cycle in form /" + resource_name);
        return false;
    }
    return true;
}

void paint_form_xobject(ContentInterpreter& interp, const FormPaint& form) {
    if (!may_paint_form(interp, form.form_id, form.resource_name)) return;
    paint_allowed_form(interp, form);
}

void paint_xobject(ContentInterpreter& interp, const std::string& name) {
    const pdf::Object* entry = interp.resources->find_xobject(name);
    if (!entry) {
        push_diagnostic(interp, "XObject /" + name + " not found");
        return;
    }
    auto reached = reach_stream(interp.document, *entry);
    if (!reached) {
        push_diagnostic(interp, "XObject /" + name + " is not a stream");
        return;
    }
    pdf::Object dictionary = reached->stream.stream_dict();
    switch (xobject_kind(interp, name, dictionary)) {
    case XObjectKind::Other: return;
    case XObjectKind::Image: return push_region(interp, image_region(interp.state.ctm), "image");
    case XObjectKind::Form: break;
    }
    std::optional<ObjectId> form_id;
    if (reached->by_reference) form_id = reached->object_id;
    // Refuse before decoding: a form past the depth limit or in a cycle costs nothing.
    if (!may_paint_form(interp, form_id, name)) return;
    auto data = interp.document.decode_stream(reached->stream, interp.max_stream_bytes);
    if (!data) {
        push_diagnostic(interp, "unreadable form XObject /" + name);
        return;
    }
    paint_allowed_form(interp, {form_id, *data, dictionary, name, GlyphSourceKind::FormXObject,
                                std::nullopt, false});
}

}  // namespace zvk
