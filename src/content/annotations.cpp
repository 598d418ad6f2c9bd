#include "content/annotations.h"

#include <cmath>
#include <string>

#include "content/geometry.h"
#include "content/xobjects.h"

namespace zvk {

namespace {

// Extents below this are treated as zero: fitting would divide by nothing.
constexpr float kMinAppearanceExtent = 0.000001f;

// The appearance an annotation shows normally: its N entry, or for a
// dictionary of states the entry its AS names (the first entry otherwise).
// The result is as stored, so that a reference still tells its id.
std::optional<pdf::Object> normal_appearance(const pdf::Document& doc,
                                             const pdf::Object& annotation) {
    pdf::Object ap = resolve_object(doc, annotation.get("AP"));
    if (!ap.is_dictionary()) return std::nullopt;
    pdf::Object normal = resolve_object(doc, ap.get("N"));
    if (normal.is_stream()) return normal;
    if (!normal.is_dictionary()) return std::nullopt;
    pdf::Object state = resolve_object(doc, annotation.get("AS"));
    if (state.is_name()) {
        // The state name as the file spells it (its text form may have
        // replaced invalid bytes).
        std::string key = state.name_bytes();
        if (normal.has_key(key)) return normal.get(key);
    }
    // The library keeps a dictionary's keys in byte order, not in file order.
    auto keys = normal.dict_keys();
    if (keys.empty()) return std::nullopt;
    return normal.get(keys.front());
}

void paint_annotation(ContentInterpreter& interp, const pdf::Object& element, std::size_t index) {
    const pdf::Document& doc = interp.document;
    const std::string number = std::to_string(index);
    std::optional<ObjectId> form_id;
    if (element.is_reference()) form_id = element.object_id();
    pdf::Object annotation = resolve_object(doc, element);
    if (!annotation.is_dictionary()) {
        push_diagnostic(interp, "annotation " + number + " is not a dictionary");
        return;
    }
    auto appearance = normal_appearance(doc, annotation);
    if (!appearance) return;
    auto reached = reach_stream(doc, *appearance);
    std::optional<std::string> data;
    if (reached) data = doc.decode_stream(reached->stream, interp.max_stream_bytes);
    if (!data) {
        push_diagnostic(interp, "annotation " + number + " appearance is unreadable");
        return;
    }
    if (reached->by_reference) form_id = reached->object_id;
    pdf::Object dictionary = reached->stream.stream_dict();
    Matrix matrix = read_matrix_entry(dictionary).value_or(kIdentityMatrix);
    Box bbox = read_rect_entry(dictionary, "BBox").value_or(Box{0, 0, 1, 1});
    Matrix placed = fit_appearance_matrix(matrix, bbox, read_rect_entry(annotation, "Rect"));
    paint_form_xobject(interp, {form_id, *data, dictionary, "Annot" + number,
                                GlyphSourceKind::AnnotationAppearance, placed, true});
}

}  // namespace

Matrix fit_appearance_matrix(const Matrix& m, const Box& bbox, const std::optional<Box>& rect) {
    if (!rect) return m;
    const Box t = map_box(bbox, m, false);
    const Box& r = *rect;
    float sx = 1.0f;
    float sy = 1.0f;
    if (!(std::fabs(t[2] - t[0]) < kMinAppearanceExtent)) sx = (r[2] - r[0]) / (t[2] - t[0]);
    if (!(std::fabs(t[3] - t[1]) < kMinAppearanceExtent)) sy = (r[3] - r[1]) / (t[3] - t[1]);
    return {m[0] * sx, m[1] * sy, m[2] * sx, m[3] * sy, (m[4] - t[0]) * sx + r[0],
            (m[5] - t[1]) * sy + r[1]};
}

void paint_annotations(ContentInterpreter& interp, const pdf::Object& page_dictionary) {
    if (!page_dictionary.has_key("Annots")) return;
    auto elements = resolve_array(interp.document, page_dictionary.get("Annots"));
    if (!elements) return;
    for (std::size_t i = 0; i < elements->size() && !interp.budget_exhausted; ++i) {
        paint_annotation(interp, (*elements)[i], i);
    }
}

}  // namespace zvk
