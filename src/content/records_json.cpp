#include "content/records_json.h"

namespace zvk {

namespace {

template <std::size_t N>
void write_floats(JsonWriter& w, const std::array<float, N>& values) {
    w.begin_array();
    for (float v : values) w.f32(v);
    w.end_array();
}

void write_object_id(JsonWriter& w, const std::optional<ObjectId>& id) {
    if (id) {
        w.string(id->text());
    } else {
        w.null();
    }
}

void write_optional_text(JsonWriter& w, const std::optional<std::string>& text) {
    if (text) {
        w.string(*text);
    } else {
        w.null();
    }
}

}  // namespace

void write_color(JsonWriter& w, const Color& color) {
    w.begin_object();
    w.plain_key("components");
    w.begin_array();
    for (float v : color.components) w.f32(v);
    w.end_array();
    w.plain_member("space", color_space_word(color.space));
    w.end_object();
}

void write_glyph_source(JsonWriter& w, const GlyphSource& source) {
    w.begin_object();
    w.plain_key("byte_end");
    w.u64(source.byte_end);
    w.plain_key("byte_start");
    w.u64(source.byte_start);
    w.plain_member("kind", glyph_source_kind_word(source.kind));
    w.plain_key("object_id");
    write_object_id(w, source.object_id);
    w.plain_key("operator_index");
    w.u64(source.operator_index);
    w.plain_key("resource_name");
    write_optional_text(w, source.resource_name);
    w.plain_key("stream_index");
    w.u64(source.stream_index);
    w.end_object();
}

void write_glyph_disposition(JsonWriter& w, const GlyphDisposition& d) {
    w.begin_object();
    switch (d.state) {
    case DispositionState::Pending:
        w.plain_member("state", "pending");
        break;
    case DispositionState::TranslatedPendingRewrite:
    case DispositionState::Rewritten:
        w.plain_member("state", disposition_state_word(d.state));
        w.plain_member("text", d.payload);
        break;
    case DispositionState::KeptOriginal:
    case DispositionState::NonText:
        w.plain_member("reason", d.payload);
        w.plain_member("state", disposition_state_word(d.state));
        break;
    }
    w.end_object();
}

void write_glyph(JsonWriter& w, const Glyph& g) {
    w.begin_object();
    w.plain_key("advance");
    write_floats(w, g.advance);
    w.plain_key("bbox");
    write_floats(w, g.bbox);
    w.plain_key("char_code");
    w.begin_array();
    for (char c : g.char_code) w.u64(static_cast<unsigned char>(c));
    w.end_array();
    w.plain_key("clip_uncertain");
    w.boolean(g.clip_uncertain);
    w.plain_key("clipped");
    w.boolean(g.clipped);
    w.plain_key("disposition");
    write_glyph_disposition(w, g.disposition);
    w.plain_key("fill_color");
    write_color(w, g.fill_color);
    w.plain_member("font_name", g.font_name);
    w.plain_key("font_object");
    write_object_id(w, g.font_object);
    w.plain_member("font_resource", g.font_resource);
    w.plain_key("font_size");
    w.f32(g.font_size);
    w.plain_key("gid");
    if (g.gid) {
        w.u64(*g.gid);
    } else {
        w.null();
    }
    w.plain_key("id");
    w.u64(g.id);
    w.plain_key("invisible");
    w.boolean(g.invisible);
    w.plain_key("matrix");
    write_floats(w, g.matrix);
    w.plain_key("page_index");
    w.u64(g.page_index);
    w.plain_key("render_mode");
    w.u64(g.render_mode);
    w.plain_key("source");
    write_glyph_source(w, g.source);
    w.plain_key("stroke_color");
    write_color(w, g.stroke_color);
    w.plain_member("unicode", g.unicode);
    w.plain_key("unmapped");
    w.boolean(g.unmapped);
    w.plain_key("vertical");
    w.boolean(g.vertical);
    w.end_object();
}

void write_page_info(JsonWriter& w, const PageInfo& p) {
    w.begin_object();
    w.plain_key("index");
    w.u64(p.index);
    w.plain_key("media_box");
    write_floats(w, p.media_box);
    w.plain_member("object_id", p.object_id.text());
    w.plain_key("rotate");
    w.i64(p.rotate);
    w.end_object();
}

void write_region(JsonWriter& w, const Region& r) {
    w.begin_object();
    w.plain_key("bbox");
    write_floats(w, r.bbox);
    w.plain_member("kind", r.kind);
    w.plain_key("page_index");
    w.u64(r.page_index);
    w.end_object();
}

void write_diagnostic(JsonWriter& w, const Diagnostic& d) {
    w.begin_object();
    w.plain_member("message", d.message);
    w.plain_key("page_index");
    if (d.page_index) {
        w.u64(*d.page_index);
    } else {
        w.null();
    }
    w.end_object();
}

void write_glyphs(JsonWriter& w, const std::vector<Glyph>& glyphs) {
    w.begin_array();
    for (const auto& g : glyphs) write_glyph(w, g);
    w.end_array();
}

void write_pages(JsonWriter& w, const std::vector<PageInfo>& pages) {
    w.begin_array();
    for (const auto& p : pages) write_page_info(w, p);
    w.end_array();
}

void write_regions(JsonWriter& w, const std::vector<Region>& regions) {
    w.begin_array();
    for (const auto& r : regions) write_region(w, r);
    w.end_array();
}

void write_diagnostics(JsonWriter& w, const std::vector<Diagnostic>& diagnostics) {
    w.begin_array();
    for (const auto& d : diagnostics) write_diagnostic(w, d);
    w.end_array();
}

}  // namespace zvk
