#include "content/text_showing.h"

#include <cmath>
#include <memory>
#include <optional>

#include "content/geometry.h"
#include "font/decode.h"

namespace zvk {

namespace {

// Th, the horizontal scaling as a factor.
float horizontal_factor(const GraphicsState& gs) { return gs.horizontal_scaling / 100.0f; }

// A code shown with no current font: its single byte, no text, half an em.
font::DecodedChar no_font_decoding(unsigned char byte) {
    font::DecodedChar d;
    d.code_bytes = std::string(1, static_cast<char>(byte));
    d.code = byte;
    d.advance = 0.5f;
    return d;
}

// The glyph box reaches 0.2 em below the baseline and 0.8 em above it,
// whatever the font's real metrics: fonts rarely carry trustworthy ones.
constexpr float kBoxDescent = -0.2f;
constexpr float kBoxAscent = 0.8f;
// A rendering matrix flatter than this has no usable size of its own.
constexpr float kMinRenderedSize = 0.01f;
// Clip tests forgive rounding at the clip's edge.
constexpr float kClipTolerance = 0.01f;

void set_clip_flags(const GraphicsState& gs, Glyph& g) {
    switch (gs.clip) {
    case ClipState::None:
        break;
    case ClipState::Rect: {
        const Box& b = g.bbox;
        const Box& c = gs.clip_box;
        const bool overlaps = b[2] >= c[0] - kClipTolerance && b[0] - kClipTolerance <= c[2] &&
                              b[1] - kClipTolerance <= c[3] && b[3] >= c[1] - kClipTolerance;
        g.clipped = !overlaps;
        break;
    }
    case ClipState::Empty:
        g.clipped = true;
        break;
    case ClipState::Uncertain:
        g.clip_uncertain = true;
        break;
    }
}

bool paints_nothing(const GraphicsState& gs) {
    if (gs.render_mode == 3 || gs.render_mode == 7) return true;
    return gs.fill_alpha <= 0.0f && (gs.render_mode == 0 || gs.render_mode == 4);
}

// Glyph procedures are small and run once per glyph of their code, so their
// operations are kept; large ones are lexed afresh each time, and the cache
// of a page never holds operations of more than this many procedure bytes.
constexpr std::size_t kMaxCachedProcedureBytes = 64 * 1024;
constexpr std::size_t kProcedureCacheBytes = 8u << 20;

const LexedContent* cached_procedure(ContentInterpreter& interp,
                                     const std::shared_ptr<const std::string>& procedure) {
    auto found = interp.procedure_cache.find(procedure.get());
    if (found != interp.procedure_cache.end()) return found->second.lexed.get();
    if (procedure->size() > kMaxCachedProcedureBytes ||
        interp.procedure_cache_bytes + procedure->size() > kProcedureCacheBytes) {
        return nullptr;
    }
    auto lexed = std::make_shared<const LexedContent>(lex_content_stream(*procedure));
    interp.procedure_cache_bytes += procedure->size();
    ContentInterpreter::CachedProcedure entry{procedure, std::move(lexed)};
    return interp.procedure_cache.emplace(procedure.get(), std::move(entry)).first->second.lexed.get();
}

// Runs the Type3 glyph procedure of a code in place: its own resources over
// the enclosing ones, the glyph space mapped onto the page, no regions, and
// the state of the showing content put back afterwards whatever the
// procedure's q and Q did.
void run_glyph_procedure(ContentInterpreter& interp, const font::PdfFont& font,
                         const std::shared_ptr<const std::string>& procedure,
                         const ContentSource& source) {
    if (interp.depth >= interp.max_depth) {
        push_diagnostic_text(interp, "Type3 charproc recursion limit");
        return;
    }
    const GraphicsState& gs = interp.state;
    const float tfs = gs.font_size;
    const Matrix p = multiply(
        multiply(multiply(font.font_matrix, Matrix{tfs * horizontal_factor(gs), 0, 0, tfs, 0, gs.rise}),
                 interp.text_matrix),
        gs.ctm);

    ++interp.depth;
    {
        NestedContentScope scope(interp);
        interp.record_regions = false;
        // The font's resources are shared with the font, not copied per glyph.
        ResourceScope layered{std::shared_ptr<const ResourceMaps>(font.type3, &font.type3->resources),
                              interp.resources};
        interp.resources = &layered;
        interp.state.ctm = p;
        interp.text_matrix = kIdentityMatrix;
        interp.text_line_matrix = kIdentityMatrix;
        interp.path = PathBounds{};
        interp.in_text_object = false;
        ContentSource inner{GlyphSourceKind::Type3CharProc, source.object_id, source.stream_index,
                            source.resource_name};
        if (const LexedContent* lexed = cached_procedure(interp, procedure)) {
            interpret_lexed_stream(interp, *lexed, procedure->size(), inner);
        } else {
            interpret_self_contained_stream(interp, *procedure, inner);
        }
    }
    --interp.depth;
}

// Shows one string; gives the position in the glyph list of the last glyph
// this string put there itself (not one of a glyph procedure), if any.
std::optional<std::size_t> show_string(ContentInterpreter& interp, const std::string& bytes,
                                       const OperationPlace& place, const ContentSource& source) {
    if (!interp.in_text_object && !interp.outside_text_warned) {
        interp.outside_text_warned = true;
        push_diagnostic_text(interp, "text showing operator outside BT/ET; recording it anyway");
    }
    std::optional<std::size_t> last;
    if (!interp.state.font) {
        static const std::string kUnknown = "unknown";
        for (unsigned char byte : bytes) {
            if (!charge_glyph(interp)) return last;
            font::DecodedChar decoded = no_font_decoding(byte);
            emit_glyph(interp, decoded, kUnknown, kUnknown, std::nullopt, place, source);
            const std::size_t index = interp.glyphs.size() - 1;
            interp.glyphs[index].advance = advance_text_position(interp, decoded);
            last = index;
        }
        return last;
    }

    // The selection is copied: a glyph procedure may select other fonts.
    const std::shared_ptr<const font::PdfFont> font = interp.state.font->font;
    const std::vector<font::CharCode> codes = font::split_shown_string(*font, bytes);
    for (const font::CharCode& c : codes) {
        if (!charge_glyph(interp)) return last;
        font::DecodedChar decoded =
            font::decode_char_code(*font, c.code, bytes.substr(c.position, c.byte_length));
        emit_glyph(interp, decoded, font->resource_name, font->base_font, font->object_id, place,
                   source);
        const std::size_t index = interp.glyphs.size() - 1;
        if (font->type3) {
            auto proc = font->type3->char_procs.find(decoded.code);
            if (proc != font->type3->char_procs.end() && proc->second) {
                run_glyph_procedure(interp, *font, proc->second, source);
            }
        }
        interp.glyphs[index].advance = advance_text_position(interp, decoded);
        last = index;
    }
    // Text painted in modes 4 to 7 adds itself to the clip, a shape we do not
    // follow.
    if (interp.state.render_mode >= 4) interp.state.clip = ClipState::Uncertain;
    return last;
}

}  // namespace

std::array<float, 2> text_origin_displacement(const ContentInterpreter& interp,
                                              const Matrix& tm_before) {
    const Matrix& ctm = interp.state.ctm;
    Point before = transform_point(ctm, tm_before[4], tm_before[5]);
    Point after = transform_point(ctm, interp.text_matrix[4], interp.text_matrix[5]);
    return {after.x - before.x, after.y - before.y};
}

void emit_glyph(ContentInterpreter& interp, const font::DecodedChar& decoded,
                const std::string& font_resource, const std::string& font_name,
                const std::optional<ObjectId>& font_object, const OperationPlace& place,
                const ContentSource& source) {
    const GraphicsState& gs = interp.state;
    const float tfs = gs.font_size;
    const float th = horizontal_factor(gs);
    Matrix g_matrix{tfs * th, 0, 0, tfs, 0, gs.rise};
    if (decoded.vertical) {
        // The vertical origin lies the position vector away from the
        // horizontal one; the glyph is drawn from there.
        g_matrix[4] = -decoded.vertical->vx * tfs * th;
        g_matrix[5] = gs.rise - decoded.vertical->vy * tfs;
    }
    const Matrix r = multiply(multiply(g_matrix, interp.text_matrix), gs.ctm);

    // Made in its place in the page's list: a glyph is costly to move.
    Glyph& g = interp.glyphs.emplace_back();
    g.page_index = interp.page_index;
    g.unmapped = !decoded.unicode.has_value();
    if (decoded.unicode) g.unicode = *decoded.unicode;
    g.char_code = decoded.code_bytes;
    g.gid = decoded.gid;
    g.font_resource = font_resource;
    g.font_name = font_name;
    g.font_object = font_object;
    const float w = (decoded.advance < 0.0f || std::isnan(decoded.advance)) ? 0.0f : decoded.advance;
    g.bbox = map_box(Box{0.0f, kBoxDescent, w, kBoxAscent}, r, true);
    const float rendered = std::sqrt(r[2] * r[2] + r[3] * r[3]);
    g.font_size = rendered > kMinRenderedSize ? rendered : tfs;
    g.matrix = r;
    g.fill_color = gs.fill_color;
    g.stroke_color = gs.stroke_color;
    g.render_mode = gs.render_mode;
    g.invisible = paints_nothing(gs);
    set_clip_flags(gs, g);
    g.vertical = decoded.vertical.has_value();
    g.source.kind = source.kind;
    g.source.object_id = source.object_id;
    g.source.stream_index = source.stream_index;
    g.source.operator_index = place.operator_index;
    g.source.byte_start = place.byte_start;
    g.source.byte_end = place.byte_end;
    g.source.resource_name = source.resource_name;
}

std::array<float, 2> advance_text_position(ContentInterpreter& interp,
                                           const font::DecodedChar& decoded) {
    const GraphicsState& gs = interp.state;
    const float tfs = gs.font_size;
    float s = gs.char_spacing;
    // Word spacing applies to the single-byte code 32 only, not to a space
    // inside a two-byte code.
    if (decoded.code_bytes.size() == 1 && decoded.code_bytes[0] == ' ') s += gs.word_spacing;
    float tx = 0.0f;
    float ty = 0.0f;
    if (decoded.vertical) {
        ty = decoded.vertical->w1 * tfs + s;
    } else {
        tx = (decoded.advance * tfs + s) * horizontal_factor(gs);
    }
    const Matrix before = interp.text_matrix;
    interp.text_matrix = multiply(translate_matrix(tx, ty), interp.text_matrix);
    return text_origin_displacement(interp, before);
}

void show_text(ContentInterpreter& interp, const std::string& bytes, const OperationPlace& place,
               const ContentSource& source) {
    show_string(interp, bytes, place, source);
}

void show_text_array(ContentInterpreter& interp, const std::vector<Operand>& elements,
                     const OperationPlace& place, const ContentSource& source) {
    // A number adjusts the last glyph this very operation showed: never a
    // glyph of an earlier operation, nor one a glyph procedure showed.
    std::optional<std::size_t> last_own;
    for (const Operand& element : elements) {
        if (interp.budget_exhausted) return;
        if (const std::string* bytes = element.string()) {
            if (auto last = show_string(interp, *bytes, place, source)) last_own = last;
        } else if (const float* n = element.number()) {
            const GraphicsState& gs = interp.state;
            const float d = -*n / 1000.0f * gs.font_size;
            float tx = d * horizontal_factor(gs);
            float ty = 0.0f;
            if (gs.font && gs.font->font->vertical) {
                tx = 0.0f;
                ty = d;
            }
            const Matrix before = interp.text_matrix;
            interp.text_matrix = multiply(translate_matrix(tx, ty), interp.text_matrix);
            if (last_own) {
                auto delta = text_origin_displacement(interp, before);
                Glyph& glyph = interp.glyphs[*last_own];
                glyph.advance[0] += delta[0];
                glyph.advance[1] += delta[1];
            }
        } else {
            push_diagnostic_text(interp, "TJ array entry is neither a string nor a number");
        }
    }
}

}  // namespace zvk
