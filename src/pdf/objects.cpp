#include "pdf/objects.h"

#include <algorithm>
#include <cmath>

#include "base/checked.h"
#include "base/utf8.h"

namespace zvk {

pdf::Object resolve_object(const pdf::Document&, const pdf::Object& object) {
    pdf::Object current = object;
    for (int i = 0; i < kMaxResolveLookups && current.is_reference(); ++i) {
        current = current.follow();
    }
    return current;
}

std::optional<std::string> object_as_name(const pdf::Object& object) {
    if (!object.is_name()) return std::nullopt;
    return utf8_lossy(object.name_bytes());
}

std::optional<std::vector<pdf::Object>> resolve_array(const pdf::Document& doc,
                                                      const pdf::Object& object) {
    pdf::Object resolved = resolve_object(doc, object);
    if (!resolved.is_array()) return std::nullopt;
    return resolved.array_items();
}

pdf::Object resolved_entry(const pdf::Document& doc, const pdf::Object& dictionary,
                           const std::string& key) {
    return resolve_object(doc, dictionary.get(key));
}

std::optional<float> number_value(const pdf::Object& resolved) {
    if (resolved.is_integer()) return static_cast<float>(resolved.as_integer());
    if (resolved.is_real()) return resolved.as_real();
    return std::nullopt;
}

std::uint32_t number_to_u32(const pdf::Object& resolved) {
    if (resolved.is_integer()) return saturate_cast<std::uint32_t>(resolved.as_integer());
    if (resolved.is_real()) return saturate_from_float<std::uint32_t>(resolved.as_real());
    return 0;
}

std::optional<ReachedStream> reach_stream(const pdf::Document&, const pdf::Object& object) {
    if (object.is_stream()) return ReachedStream{object, false, {}};
    if (!object.is_reference()) return std::nullopt;
    pdf::Object current = object;
    for (int i = 0; i < kMaxStreamLookups && current.is_reference(); ++i) {
        auto id = current.object_id();
        current = current.follow();
        if (current.is_stream()) {
            ReachedStream reached{current, true, {}};
            if (id) reached.object_id = *id;
            return reached;
        }
    }
    return std::nullopt;
}

std::optional<LoadedStream> load_stream_data(const pdf::Document& doc, const pdf::Object& object,
                                             std::uint64_t max_bytes) {
    auto reached = reach_stream(doc, object);
    if (!reached) return std::nullopt;
    auto data = doc.decode_stream(reached->stream, max_bytes);
    if (!data) return std::nullopt;
    LoadedStream loaded;
    loaded.data = std::move(*data);
    loaded.by_reference = reached->by_reference;
    loaded.object_id = reached->object_id;
    loaded.dictionary = reached->stream.stream_dict();
    return loaded;
}

namespace {

const pdf::Object* find_in_layers(const ResourceScope* scope, ResourceMap ResourceMaps::*category,
                                  const std::string& name) {
    for (; scope; scope = scope->enclosing) {
        if (!scope->own) continue;
        const ResourceMap& map = (*scope->own).*category;
        auto it = map.find(name);
        if (it != map.end()) return &it->second;
    }
    return nullptr;
}

}  // namespace

const pdf::Object* ResourceScope::find_font(const std::string& name) const {
    return find_in_layers(this, &ResourceMaps::fonts, name);
}
const pdf::Object* ResourceScope::find_xobject(const std::string& name) const {
    return find_in_layers(this, &ResourceMaps::xobjects, name);
}
const pdf::Object* ResourceScope::find_ext_gstate(const std::string& name) const {
    return find_in_layers(this, &ResourceMaps::ext_gstates, name);
}

ResourceMap read_resource_category(const pdf::Document& doc, const pdf::Object& resources,
                                   const std::string& category) {
    ResourceMap map;
    if (!resources.has_key(category)) return map;
    pdf::Object dict = resolve_object(doc, resources.get(category));
    if (!dict.is_dictionary()) return map;
    for (const auto& key : dict.dict_keys()) map.insert_or_assign(utf8_lossy(key), dict.get(key));
    return map;
}

ResourceMaps load_page_resources(const pdf::Document& doc, const pdf::Object& resources) {
    return {read_resource_category(doc, resources, "Font"),
            read_resource_category(doc, resources, "XObject"),
            read_resource_category(doc, resources, "ExtGState")};
}

}  // namespace zvk
