#include "content/text_showing.h"

namespace zvk {

std::array<float, 2> text_origin_displacement(const ContentInterpreter& interp,
                                              const Matrix& tm_before) {
    const Matrix& ctm = interp.state.ctm;
    Point before = transform_point(ctm, tm_before[4], tm_before[5]);
    Point after = transform_point(ctm, interp.text_matrix[4], interp.text_matrix[5]);
    return {after.x - before.x, after.y - before.y};
}

void show_text(ContentInterpreter& interp, const std::string& bytes, const OperationPlace& place,
               const ContentSource& source) {
    (void)bytes;
    (void)place;
    (void)source;
    if (!interp.in_text_object && !interp.outside_text_warned) {
        interp.outside_text_warned = true;
        push_diagnostic_text(interp, "text showing operator outside BT/ET; recording it anyway");
    }
    // Glyph emission hooks in here once fonts load: split `bytes` into codes
    // by the current font, decode them, and for each code charge_glyph(),
    // emit the Glyph with `place` and `source`, run a Type3 glyph procedure,
    // and advance Tm. With no current font each byte becomes an unmapped glyph.
    if (!interp.state.font) return;
    // Text painted in modes 4 to 7 adds itself to the clip, a shape we do not
    // follow.
    if (interp.state.render_mode >= 4) interp.state.clip = ClipState::Uncertain;
}

void show_text_array(ContentInterpreter& interp, const std::vector<Operand>& elements,
                     const OperationPlace& place, const ContentSource& source) {
    // Only glyphs shown by this very operation take the displacement of a
    // number; a number at the start of the array moves nothing shown before.
    const std::size_t first_glyph = interp.glyphs.size();
    for (const Operand& element : elements) {
        if (const std::string* bytes = element.string()) {
            show_text(interp, *bytes, place, source);
        } else if (const float* n = element.number()) {
            const GraphicsState& gs = interp.state;
            const float d = -*n / 1000.0f * gs.font_size;
            const float th = gs.horizontal_scaling / 100.0f;
            // A vertical font (known once fonts load) moves along y instead.
            const Matrix before = interp.text_matrix;
            interp.text_matrix = multiply(translate_matrix(d * th, 0.0f), interp.text_matrix);
            if (interp.glyphs.size() > first_glyph) {
                Glyph& last = interp.glyphs.back();
                if (last.source.operator_index == place.operator_index &&
                    last.page_index == interp.page_index) {
                    auto delta = text_origin_displacement(interp, before);
                    last.advance[0] += delta[0];
                    last.advance[1] += delta[1];
                }
            }
        } else {
            push_diagnostic_text(interp, "TJ array entry is neither a string nor a number");
        }
    }
}

}  // namespace zvk
