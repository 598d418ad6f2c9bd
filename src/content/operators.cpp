// The operators of content streams and their effect on the interpreter.
#include <cmath>

#include "content/interpreter.h"
#include "content/operand_readers.h"
#include "content/text_showing.h"
#include "content/xobjects.h"
#include "font/font_loader.h"

namespace zvk {

namespace {

using Op = OperatorCode;

// The message of an operation that cannot run.
void skip_operation(ContentInterpreter& interp, OperatorCode code, const std::string& why) {
    if (diagnostics_full(interp)) return;
    push_diagnostic(interp, "operator '" + std::string(operator_name(code)) + "' skipped: " + why);
}

// --- graphics state -------------------------------------------------------

void save_state(ContentInterpreter& interp) {
    if (interp.saved_states.size() >= kMaxSavedStates) {
        if (!interp.save_limit_reported) {
            interp.save_limit_reported = true;
            push_diagnostic(interp, "more than " + std::to_string(kMaxSavedStates) +
                                        " saved graphics states; further q and their Q ignored");
        }
        ++interp.surplus_saves;
        return;
    }
    interp.saved_states.push_back(snapshot_graphics_state(interp));
}

// Whether a saved state was there to restore.
bool restore_state(ContentInterpreter& interp) {
    if (interp.surplus_saves > 0) {
        --interp.surplus_saves;
        return true;
    }
    if (interp.saved_states.size() <= interp.saved_floor) return false;
    interp.state = std::move(interp.saved_states.back());
    interp.saved_states.pop_back();
    return true;
}

// --- colours --------------------------------------------------------------

void set_color(ContentInterpreter& interp, bool stroke, Color color) {
    (stroke ? interp.state.stroke_color : interp.state.fill_color) = std::move(color);
}

// sc, scn, SC, SCN: the space follows from the number of components.
void set_color_components(ContentInterpreter& interp, OperatorCode code, bool stroke,
                          const OperandList& operands) {
    NumberOperands numbers = collect_number_operands(operands);
    const std::vector<float>& v = numbers.numbers;
    switch (numbers.count) {
    case 0: return;
    case 1: set_color(interp, stroke, make_gray_color(v[0])); return;
    case 3: set_color(interp, stroke, make_rgb_color(v[0], v[1], v[2])); return;
    case 4: set_color(interp, stroke, make_cmyk_color(v[0], v[1], v[2], v[3])); return;
    default: break;
    }
    if (numbers.count > kMaxColorComponents) {
        push_diagnostic(interp, "operator '" + std::string(operator_name(code)) + "' has " +
                                    std::to_string(numbers.count) + " colour components; only the first " +
                                    std::to_string(kMaxColorComponents) + " are kept");
    }
    set_color(interp, stroke, Color{ColorSpace::Unknown, v});
}

// --- paths and clips ------------------------------------------------------

void add_path_points(ContentInterpreter& interp, std::initializer_list<Point> points) {
    Box box = interp.path.kind == PathKind::None ? empty_bounds() : interp.path.box;
    for (Point p : points) box = grow_box(box, Point{clamp_finite(p.x), clamp_finite(p.y)});
    interp.path.box = box;
    interp.path.kind = PathKind::General;
}

void add_rectangle(ContentInterpreter& interp, float x, float y, float w, float h) {
    const float x1 = x + w;
    const float y1 = y + h;
    Box rect = normalized_box(x, y, x1, y1);
    if (interp.path.kind == PathKind::None) {
        interp.path = {PathKind::SingleRectangle, rect};
    } else {
        interp.path.box = grow_box(interp.path.box, rect);
        interp.path.kind = PathKind::General;
    }
}

void paint_path(ContentInterpreter& interp) {
    if (interp.path.kind != PathKind::None) {
        push_region(interp, map_box(interp.path.box, interp.state.ctm, true), "path");
    }
    interp.path.kind = PathKind::None;
}

void clip_path(ContentInterpreter& interp) {
    GraphicsState& gs = interp.state;
    switch (interp.path.kind) {
    case PathKind::None: push_diagnostic_text(interp, "clip with an empty path"); return;
    case PathKind::General: gs.clip = ClipState::Uncertain; return;
    case PathKind::SingleRectangle: break;
    }
    const Box device = map_box(interp.path.box, gs.ctm, true);
    if (gs.clip == ClipState::None) {
        gs.clip = ClipState::Rect;
        gs.clip_box = device;
    } else if (gs.clip == ClipState::Rect) {
        const Box& c = gs.clip_box;
        Box meet{max_pass_nan(c[0], device[0]), max_pass_nan(c[1], device[1]),
                 min_pass_nan(c[2], device[2]), min_pass_nan(c[3], device[3])};
        if (meet[0] <= meet[2] && meet[1] <= meet[3]) {
            gs.clip_box = meet;
        } else {
            gs.clip = ClipState::Empty;
        }
    }
}

// --- graphics-state parameter dictionaries and fonts ----------------------

// Makes a font current. Loading the font program from the entry is the font
// subsystem's; the selection keeps what it needs.
void make_font_current(ContentInterpreter& interp, const std::string& resource_name,
                       const pdf::Object& entry, float size) {
    interp.state.font_size = size;
    std::shared_ptr<const font::PdfFont> loaded =
        interp.fonts != nullptr
            ? interp.fonts->font_for(interp.document, resource_name, entry)
            : std::make_shared<const font::PdfFont>(font::load_font(interp.document, resource_name, entry));
    interp.state.font = FontSelection{resource_name, entry, std::move(loaded)};
}

void select_font(ContentInterpreter& interp, const std::string& name, float size) {
    interp.state.font_size = size;
    if (const pdf::Object* entry = interp.resources->find_font(name)) {
        make_font_current(interp, name, *entry, size);
        return;
    }
    push_diagnostic(interp, "font /" + name + " is not in the resource dictionary");
    interp.state.font.reset();
}

std::optional<float> resolved_number(const pdf::Document& doc, const pdf::Object& object) {
    pdf::Object v = resolve_object(doc, object);
    if (!v.is_number()) return std::nullopt;
    return v.as_f32();
}

std::optional<std::string> apply_ext_gstate(ContentInterpreter& interp, const std::string& name) {
    const pdf::Object* entry = interp.resources->find_ext_gstate(name);
    if (!entry) return "ExtGState /" + name + " not found";
    const pdf::Document& doc = interp.document;
    pdf::Object dict = resolve_object(doc, *entry);
    if (!dict.is_dictionary()) return "ExtGState /" + name + " is not a dictionary";
    if (dict.has_key("ca")) {
        if (auto v = resolved_number(doc, dict.get("ca"))) interp.state.fill_alpha = *v;
    }
    if (dict.has_key("CA")) {
        if (auto v = resolved_number(doc, dict.get("CA"))) interp.state.stroke_alpha = *v;
    }
    if (dict.has_key("Font")) {
        pdf::Object font = resolve_object(doc, dict.get("Font"));
        if (font.is_array() && font.array_size() >= 2) {
            float size = resolved_number(doc, font.array_at(1)).value_or(interp.state.font_size);
            pdf::Object first = font.array_at(0);
            pdf::Object first_resolved = resolve_object(doc, first);
            if (auto font_name = object_as_name(first_resolved)) {
                select_font(interp, *font_name, size);
            } else {
                make_font_current(interp, name, first, size);
            }
        }
    }
    return std::nullopt;
}

// --- text -----------------------------------------------------------------

void translate_text_line(ContentInterpreter& interp, float tx, float ty) {
    Matrix& m = interp.text_line_matrix;
    m[4] = tx * m[0] + ty * m[2] + m[4];
    m[5] = tx * m[1] + ty * m[3] + m[5];
    interp.text_matrix = m;
}

void next_line(ContentInterpreter& interp) { translate_text_line(interp, 0.0f, -interp.state.leading); }

std::uint8_t render_mode_from(float v) {
    if (std::isnan(v) || v <= 0.0f) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<std::uint8_t>(v);
}

// ' : next line, then show operand 0.
void next_line_show_text(ContentInterpreter& interp, const ContentOperation& op,
                         const OperationPlace& place, const ContentSource& source) {
    next_line(interp);
    auto text = operand_string(op.operands, 0);
    if (!text) return skip_operation(interp, op.op, text.error());
    show_text(interp, **text, place, source);
}

// " : word spacing, character spacing, next line, then show operand 2; each
// step checks its operand when it comes to it.
void spaced_next_line_show_text(ContentInterpreter& interp, const ContentOperation& op,
                                const OperationPlace& place, const ContentSource& source) {
    auto word = operand_number(op.operands, 0);
    if (!word) return skip_operation(interp, op.op, word.error());
    interp.state.word_spacing = *word;
    auto character = operand_number(op.operands, 1);
    if (!character) return skip_operation(interp, op.op, character.error());
    interp.state.char_spacing = *character;
    next_line(interp);
    auto text = operand_string(op.operands, 2);
    if (!text) return skip_operation(interp, op.op, text.error());
    show_text(interp, **text, place, source);
}

// Runs an operator whose operands are the last N numbers.
template <std::size_t N, typename F>
void with_numbers(ContentInterpreter& interp, const ContentOperation& op, F&& effect) {
    auto v = operand_numbers<N>(op.operands);
    if (!v) return skip_operation(interp, op.op, v.error());
    effect(*v);
}

}  // namespace

void run_operation(ContentInterpreter& interp, const ContentOperation& op,
                   const OperationPlace& place, const ContentSource& source) {
    GraphicsState& gs = interp.state;
    switch (op.op) {
    // Operators without effect on what is extracted; their operands are not checked.
    case Op::w: case Op::J: case Op::j: case Op::M: case Op::d: case Op::ri: case Op::i:
    case Op::h: case Op::CS: case Op::cs: case Op::d0: case Op::d1: case Op::BI: case Op::ID:
    case Op::EI: case Op::BX: case Op::EX: case Op::MP: case Op::DP: case Op::BMC: case Op::BDC:
    case Op::EMC: case Op::sh:
        return;

    case Op::q: return save_state(interp);
    case Op::Q:
        if (!restore_state(interp)) skip_operation(interp, op.op, "Q without q");
        return;
    case Op::cm:
        return with_numbers<6>(interp, op, [&](const std::array<float, 6>& m) {
            gs.ctm = multiply(m, gs.ctm);
        });
    case Op::gs: {
        auto name = operand_name(op.operands);
        if (!name) return skip_operation(interp, op.op, name.error());
        if (auto problem = apply_ext_gstate(interp, **name)) skip_operation(interp, op.op, *problem);
        return;
    }

    case Op::g: case Op::G:
        return with_numbers<1>(interp, op, [&](const std::array<float, 1>& v) {
            set_color(interp, op.op == Op::G, make_gray_color(v[0]));
        });
    case Op::rg: case Op::RG:
        return with_numbers<3>(interp, op, [&](const std::array<float, 3>& v) {
            set_color(interp, op.op == Op::RG, make_rgb_color(v[0], v[1], v[2]));
        });
    case Op::k: case Op::K:
        return with_numbers<4>(interp, op, [&](const std::array<float, 4>& v) {
            set_color(interp, op.op == Op::K, make_cmyk_color(v[0], v[1], v[2], v[3]));
        });
    case Op::sc: case Op::scn: return set_color_components(interp, op.op, false, op.operands);
    case Op::SC: case Op::SCN: return set_color_components(interp, op.op, true, op.operands);

    case Op::m: case Op::l:
        return with_numbers<2>(interp, op, [&](const std::array<float, 2>& v) {
            add_path_points(interp, {{v[0], v[1]}});
        });
    case Op::c:
        return with_numbers<6>(interp, op, [&](const std::array<float, 6>& v) {
            add_path_points(interp, {{v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}});
        });
    case Op::v: case Op::y:
        return with_numbers<4>(interp, op, [&](const std::array<float, 4>& v) {
            add_path_points(interp, {{v[0], v[1]}, {v[2], v[3]}});
        });
    case Op::re:
        return with_numbers<4>(interp, op, [&](const std::array<float, 4>& v) {
            add_rectangle(interp, v[0], v[1], v[2], v[3]);
        });
    case Op::n: interp.path.kind = PathKind::None; return;
    case Op::S: case Op::s: case Op::f: case Op::F: case Op::f_star: case Op::B: case Op::B_star:
    case Op::b: case Op::b_star:
        return paint_path(interp);
    case Op::W: case Op::W_star: return clip_path(interp);

    case Op::BT:
        interp.text_matrix = kIdentityMatrix;
        interp.text_line_matrix = kIdentityMatrix;
        interp.in_text_object = true;
        return;
    case Op::ET: interp.in_text_object = false; return;
    case Op::Tc:
        return with_numbers<1>(interp, op, [&](const std::array<float, 1>& v) { gs.char_spacing = v[0]; });
    case Op::Tw:
        return with_numbers<1>(interp, op, [&](const std::array<float, 1>& v) { gs.word_spacing = v[0]; });
    case Op::Tz:
        return with_numbers<1>(interp, op,
                               [&](const std::array<float, 1>& v) { gs.horizontal_scaling = v[0]; });
    case Op::TL:
        return with_numbers<1>(interp, op, [&](const std::array<float, 1>& v) { gs.leading = v[0]; });
    case Op::Ts:
        return with_numbers<1>(interp, op, [&](const std::array<float, 1>& v) { gs.rise = v[0]; });
    case Op::Tr:
        return with_numbers<1>(interp, op,
                               [&](const std::array<float, 1>& v) { gs.render_mode = render_mode_from(v[0]); });
    case Op::Tf: {
        auto name = operand_name(op.operands, 0);
        if (!name) return skip_operation(interp, op.op, name.error());
        auto size = operand_number(op.operands, 1);
        if (!size) return skip_operation(interp, op.op, size.error());
        return select_font(interp, **name, *size);
    }
    case Op::Td:
        return with_numbers<2>(interp, op, [&](const std::array<float, 2>& v) {
            translate_text_line(interp, v[0], v[1]);
        });
    case Op::TD:
        return with_numbers<2>(interp, op, [&](const std::array<float, 2>& v) {
            gs.leading = -v[1];
            translate_text_line(interp, v[0], v[1]);
        });
    case Op::Tm:
        return with_numbers<6>(interp, op, [&](const std::array<float, 6>& v) {
            interp.text_matrix = v;
            interp.text_line_matrix = v;
        });
    case Op::T_star: return next_line(interp);

    case Op::Tj: {
        auto text = operand_string(op.operands);
        if (!text) return skip_operation(interp, op.op, text.error());
        return show_text(interp, **text, place, source);
    }
    case Op::TJ: {
        auto elements = operand_array(op.operands);
        if (!elements) return skip_operation(interp, op.op, elements.error());
        return show_text_array(interp, **elements, place, source);
    }
    case Op::quote: return next_line_show_text(interp, op, place, source);
    case Op::double_quote: return spaced_next_line_show_text(interp, op, place, source);

    case Op::Do: {
        auto name = operand_name(op.operands);
        if (!name) return skip_operation(interp, op.op, name.error());
        return paint_xobject(interp, **name);
    }
    }
    // Operations carry typed operator codes, so no unknown operator reaches here.
}

}  // namespace zvk
