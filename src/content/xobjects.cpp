#include "content/xobjects.h"

#include <algorithm>
#include <memory>

#include "content/geometry.h"

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

std::shared_ptr<const ResourceMaps> read_form_resources(const pdf::Document& doc,
                                                        const pdf::Object& dictionary) {
    pdf::Object resources = resolve_object(doc, dictionary.get("Resources"));
    if (!resources.is_dictionary()) return nullptr;
    return std::make_shared<const ResourceMaps>(load_page_resources(doc, resources));
}

// Paints a form already allowed by may_paint_form, with its own resources
// (null when it has none) layered over those in use.
void paint_allowed_form(ContentInterpreter& interp, const FormPaint& form,
                        const std::shared_ptr<const ResourceMaps>& own_resources) {
    if (form.form_id) interp.form_ids.push_back(*form.form_id);
    ++interp.depth;
    {
        NestedContentScope scope(interp);
        ResourceScope form_resources{own_resources, interp.resources};
        if (own_resources) interp.resources = &form_resources;
        enter_form_state(interp, form);
        interpret_self_contained_stream(interp, form.data,
                                        {form.kind, form.form_id, 0, form.resource_name});
    }
    --interp.depth;
    if (form.form_id) interp.form_ids.pop_back();
}

// The form behind a stream, from the page's cache when it was loaded before.
std::shared_ptr<const LoadedForm> load_form(ContentInterpreter& interp, const ReachedStream& reached) {
    if (reached.by_reference) {
        auto hit = interp.form_cache.find(reached.object_id);
        if (hit != interp.form_cache.end()) return hit->second;
    }
    auto form = std::make_shared<LoadedForm>();
    form->dictionary = reached.stream.stream_dict();
    form->data = interp.document.decode_stream(reached.stream, interp.max_stream_bytes);
    if (form->data) form->resources = read_form_resources(interp.document, form->dictionary);
    const std::size_t size = form->data ? form->data->size() : 0;
    if (reached.by_reference && size <= kMaxCachedFormBytes &&
        interp.form_cache_bytes + size <= kFormCacheBytes) {
        interp.form_cache.emplace(reached.object_id, form);
        interp.form_cache_bytes += size;
    }
    return form;
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

void enter_form_state(ContentInterpreter& interp, const FormPaint& form) {
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
}

bool may_paint_form(ContentInterpreter& interp, const std::optional<ObjectId>& form_id,
                    const std::string& resource_name) {
    if (interp.budget_exhausted) return false;
    if (interp.depth >= interp.max_depth) {
        if (!diagnostics_full(interp)) {
            push_diagnostic(interp, "recursion limit while painting /" + resource_name);
        }
        return false;
    }
    if (form_id && std::find(interp.form_ids.begin(), interp.form_ids.end(), *form_id) !=
                       interp.form_ids.end()) {
        if (!diagnostics_full(interp)) push_diagnostic(interp, "cycle in form /" + resource_name);
        return false;
    }
    return true;
}

void paint_form_xobject(ContentInterpreter& interp, const FormPaint& form) {
    if (!may_paint_form(interp, form.form_id, form.resource_name)) return;
    paint_allowed_form(interp, form, read_form_resources(interp.document, form.dictionary));
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
    switch (xobject_kind(interp, name, reached->stream.stream_dict())) {
    case XObjectKind::Other: return;
    case XObjectKind::Image: return push_region(interp, image_region(interp.state.ctm), "image");
    case XObjectKind::Form: break;
    }
    std::optional<ObjectId> form_id;
    if (reached->by_reference) form_id = reached->object_id;
    // Refuse before decoding: a form past the depth limit or in a cycle costs nothing.
    if (!may_paint_form(interp, form_id, name)) return;
    std::shared_ptr<const LoadedForm> form = load_form(interp, *reached);
    if (!form->data) {
        push_diagnostic(interp, "unreadable form XObject /" + name);
        return;
    }
    paint_allowed_form(interp,
                       {form_id, *form->data, form->dictionary, name, GlyphSourceKind::FormXObject,
                        std::nullopt, false},
                       form->resources);
}

}  // namespace zvk
