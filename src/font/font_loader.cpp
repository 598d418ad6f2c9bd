#include "font/font_loader.h"

#include <bit>

#include "font/font_streams.h"
#include "font/predefined_cids.h"
#include "font/sfnt.h"
#include "font/simple_font.h"
#include "font/widths.h"
#include "pdf/objects.h"

namespace zvk::font {

namespace {

struct LoadedFont {
    PdfFont font;
    bool base_font_is_resource_name = false;
};

struct TypeZeroEncoding {
    std::shared_ptr<const ParsedCMap> cmap;
    std::optional<PredefinedCMap> predefined;
    std::shared_ptr<const PredefinedCids> predefined_cids;
    bool identity = false;
    bool vertical = false;
};

TypeZeroEncoding read_type0_encoding(const pdf::Document& doc, const pdf::Object& type0, FontStreamParts* parts) {
    TypeZeroEncoding result;
    pdf::Object encoding = resolved_entry(doc, type0, "Encoding");
    if (encoding.is_null()) {
        result.identity = true;
    } else if (auto name = object_as_name(encoding)) {
        if (*name == "Identity-H" || *name == "Identity-V") {
            result.identity = true;
            result.vertical = *name == "Identity-V";
        } else if (auto predefined = parse_predefined_cmap_name(*name)) {
            result.vertical = predefined->vertical;
            result.predefined = predefined;
            result.predefined_cids = load_predefined_cids(*predefined);
        } else {
            result.identity = true;
        }
    } else if (CMapStream stream = read_cmap_stream(doc, encoding, parts); stream.readable) {
        result.vertical = stream.vertical;
        result.cmap = std::move(stream.cmap);
    }
    return result;
}

CidToGid read_cid_to_gid(const pdf::Document& doc, const pdf::Object& descendant, FontStreamParts* parts) {
    CidToGid map;
    if (!descendant.has_key("CIDToGIDMap")) {
        auto subtype = object_as_name(resolved_entry(doc, descendant, "Subtype"));
        if (subtype == "CIDFontType2") map.kind = CidToGid::Kind::Identity;
        return map;
    }
    pdf::Object entry = resolved_entry(doc, descendant, "CIDToGIDMap");
    if (object_as_name(entry) == "Identity") {
        map.kind = CidToGid::Kind::Identity;
    } else if (auto table = read_cid_to_gid_table(doc, entry, parts)) {
        map.kind = CidToGid::Kind::Table;
        map.table = std::move(table);
    }
    return map;
}

PdfFont load_type0_font(const pdf::Document& doc, const std::string& resource_name,
                        const pdf::Object& type0, std::string base_font, FontStreamParts* parts) {
    PdfFont font;
    font.resource_name = resource_name;
    font.to_unicode = load_to_unicode(doc, type0, parts);
    TypeZeroEncoding encoding = read_type0_encoding(doc, type0, parts);
    font.encoding_cmap = std::move(encoding.cmap);
    font.predefined_cmap = encoding.predefined;
    font.predefined_cids = std::move(encoding.predefined_cids);
    font.identity = encoding.identity;
    font.vertical = encoding.vertical;

    std::optional<pdf::Object> descendant;
    if (auto descendants = resolve_array(doc, type0.get("DescendantFonts")); descendants && !descendants->empty()) {
        pdf::Object first = resolve_object(doc, descendants->front());
        if (first.is_dictionary()) descendant = first;
    }
    GlyphWidths widths;
    widths.default_width = 1000.0f;
    if (descendant) {
        const pdf::Object& d = *descendant;
        if (auto name = object_as_name(resolved_entry(doc, d, "BaseFont"))) base_font = *name;
        const float dw = number_value(resolved_entry(doc, d, "DW")).value_or(1000.0f);
        if (d.has_key("W")) {
            widths = parse_cid_widths(doc, d.get("W"), dw);
        } else {
            widths.default_width = dw;
        }
        auto stored = [&](const char* key) { return d.has_key(key) ? std::optional(d.get(key)) : std::nullopt; };
        font.vertical_metrics =
            std::make_shared<const VerticalMetrics>(parse_cid_vertical_metrics(doc, stored("DW2"), stored("W2")));
        font.cid_to_gid = read_cid_to_gid(doc, d, parts);
        pdf::Object descriptor = resolved_entry(doc, d, "FontDescriptor");
        if (descriptor.is_dictionary()) {
            ProgramMaps maps = find_embedded_program_maps(doc, descriptor, parts);
            font.code_point_to_gid = std::move(maps.code_point_to_gid);
            font.gid_to_text = std::move(maps.gid_to_text);
        }
    }
    font.widths = std::make_shared<const GlyphWidths>(std::move(widths));
    font.base_font = std::move(base_font);
    font.cid_keyed = true;
    font.kind = FontKind::Type0;
    return font;
}

LoadedFont load_font_body(const pdf::Document& doc, const std::string& resource_name, const pdf::Object& font_entry,
                          FontStreamParts* parts) {
    std::optional<ObjectId> object_id;
    if (font_entry.is_reference()) object_id = font_entry.object_id();
    pdf::Object dictionary = resolve_object(doc, font_entry);
    if (!dictionary.is_dictionary()) return {make_fallback_font(resource_name, object_id), true};

    FontKind kind = font_kind_from_subtype(object_as_name(resolved_entry(doc, dictionary, "Subtype")));
    auto named = object_as_name(resolved_entry(doc, dictionary, "BaseFont"));
    std::string base_font = named ? *named : resource_name;
    LoadedFont loaded;
    loaded.base_font_is_resource_name = !named.has_value();
    if (kind == FontKind::Type0) {
        loaded.font = load_type0_font(doc, resource_name, dictionary, base_font, parts);
    } else {
        loaded.font = load_simple_font(doc, resource_name, object_id, dictionary, kind, base_font, parts);
    }
    loaded.font.object_id = object_id;
    return loaded;
}

// Writes a direct object's contents as a cache key; references are written
// by id, never followed. False when the object is too deep or too large to
// serve as a key.
bool append_identity(const pdf::Object& object, std::size_t depth, std::string& key) {
    if (depth > kMaxDirectFontKeyDepth || key.size() > kMaxDirectFontKeyBytes) return false;
    auto counted = [&](char tag, const std::string& bytes) {
        key += tag;
        key += std::to_string(bytes.size());
        key += ':';
        key += bytes;
    };
    switch (object.kind()) {
    case pdf::Object::Kind::Null: key += 'n'; return true;
    case pdf::Object::Kind::Boolean: key += object.as_bool() ? 't' : 'f'; return true;
    case pdf::Object::Kind::Integer: key += 'i' + std::to_string(object.as_integer()) + ';'; return true;
    case pdf::Object::Kind::Real:
        // Reals are only ever read as f32: equal f32 values load equally.
        key += 'r' + std::to_string(std::bit_cast<std::uint32_t>(object.as_real())) + ';';
        return true;
    case pdf::Object::Kind::Name: counted('N', object.name_bytes()); return true;
    case pdf::Object::Kind::String: counted('S', object.string_bytes()); return true;
    case pdf::Object::Kind::Reference: {
        auto id = object.object_id();
        if (!id) return false;
        key += 'R' + id->text() + ';';
        return true;
    }
    case pdf::Object::Kind::Array:
        key += '[';
        for (const auto& item : object.array_items()) {
            if (!append_identity(item, depth + 1, key)) return false;
        }
        key += ']';
        return key.size() <= kMaxDirectFontKeyBytes;
    case pdf::Object::Kind::Dictionary:
        key += '<';
        for (const auto& name : object.dict_keys()) {
            counted('K', name);
            if (!append_identity(object.get(name), depth + 1, key)) return false;
        }
        key += '>';
        return key.size() <= kMaxDirectFontKeyBytes;
    case pdf::Object::Kind::Stream:
        return false;
    }
    return false;
}

std::optional<std::string> entry_identity(const pdf::Object& font_entry) {
    if (font_entry.is_reference()) {
        auto id = font_entry.object_id();
        if (!id) return std::nullopt;
        return "R" + id->text();
    }
    std::string key = "D";
    if (!append_identity(font_entry, 0, key)) return std::nullopt;
    return key;
}

}  // namespace

PdfFont make_fallback_font(const std::string& resource_name, std::optional<ObjectId> object_id) {
    PdfFont font;
    font.resource_name = resource_name;
    font.base_font = resource_name;
    auto widths = std::make_shared<GlyphWidths>();
    widths->default_width = 1000.0f;
    font.widths = std::move(widths);
    font.object_id = object_id;
    font.kind = FontKind::Unknown;
    return font;
}

std::shared_ptr<const ParsedCMap> load_to_unicode(const pdf::Document& doc, const pdf::Object& font_dictionary,
                                                  FontStreamParts* parts) {
    if (!font_dictionary.has_key("ToUnicode")) return nullptr;
    return read_cmap_stream(doc, font_dictionary.get("ToUnicode"), parts).cmap;
}

PdfFont load_font(const pdf::Document& doc, const std::string& resource_name, const pdf::Object& font_entry) {
    return load_font_body(doc, resource_name, font_entry, nullptr).font;
}

std::shared_ptr<const PdfFont> FontCache::font_for(const pdf::Document& doc, const std::string& resource_name,
                                                   const pdf::Object& font_entry) {
    // A direct font is selected through the same stored object at every Tf
    // that names it: finding it by that object spares writing its content
    // key each time (a page may select it a million times), and is the only
    // thing that keeps a font whose contents make too long a key from being
    // parsed again at every selection. The identity is fixed-width, so
    // identity and name never collide with another pair.
    std::optional<std::string> stored_key;
    if (!font_entry.is_reference()) {
        if (auto identity = font_entry.identity()) {
            stored_key.emplace(reinterpret_cast<const char*>(&*identity), sizeof *identity);
            *stored_key += resource_name;
            if (auto it = by_stored_object_.find(*stored_key); it != by_stored_object_.end()) {
                return it->second.font;
            }
        }
    }
    std::shared_ptr<const PdfFont> font = font_by_contents(doc, resource_name, font_entry);
    if (stored_key) by_stored_object_.emplace(std::move(*stored_key), StoredSelection{font_entry, font});
    return font;
}

std::shared_ptr<const PdfFont> FontCache::font_by_contents(const pdf::Document& doc, const std::string& resource_name,
                                                           const pdf::Object& font_entry) {
    auto identity = entry_identity(font_entry);
    if (!identity) {
        ++parses_;
        return std::make_shared<const PdfFont>(load_font_body(doc, resource_name, font_entry, &parts_).font);
    }

    // Identity keys are prefix-free (lengths before bytes, closing marks),
    // so key, NUL and name never collide with another key.
    std::string named_key = *identity + '\0' + resource_name;
    std::shared_ptr<const PdfFont> body;
    if (auto it = bodies_.find(*identity); it != bodies_.end()) {
        body = it->second;
    } else if (auto named = bodies_.find(named_key); named != bodies_.end()) {
        return named->second;
    } else {
        ++parses_;
        LoadedFont loaded = load_font_body(doc, resource_name, font_entry, &parts_);
        auto font = std::make_shared<const PdfFont>(std::move(loaded.font));
        bodies_.emplace(loaded.base_font_is_resource_name ? named_key : *identity, font);
        return font;
    }
    if (body->resource_name == resource_name) return body;
    auto& selected = selections_[named_key];
    if (!selected) {
        auto copy = std::make_shared<PdfFont>(*body);
        copy->resource_name = resource_name;
        selected = std::move(copy);
    }
    return selected;
}

}  // namespace zvk::font
