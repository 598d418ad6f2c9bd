// Generic access to the object graph for the layers above: following
// references with a bound, names, numbers, arrays, dictionary entries, streams
// with a size bound, and resource dictionaries.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pdf/document.h"
#include "pdf/object.h"

namespace zvk {

// Reference chains are followed at most this many lookups, so a loop in the
// file costs a bounded number of lookups.
inline constexpr int kMaxResolveLookups = 16;
inline constexpr int kMaxStreamLookups = 15;

pdf::Object resolve_object(const pdf::Document& doc, const pdf::Object& object);
// A name's bytes as text, invalid UTF-8 replaced by U+FFFD; none for other kinds.
std::optional<std::string> object_as_name(const pdf::Object& object);
// The elements of the array the object resolves to, as stored; none otherwise.
std::optional<std::vector<pdf::Object>> resolve_array(const pdf::Document& doc,
                                                      const pdf::Object& object);
// The dictionary's entry, resolved (null when absent).
pdf::Object resolved_entry(const pdf::Document& doc, const pdf::Object& dictionary,
                           const std::string& key);

// An integer converted to f32 or a real kept; none for any other kind.
std::optional<float> number_value(const pdf::Object& resolved);

// A number converted to u32 by truncation with saturation: negative values
// and NaN give 0, values beyond the u32 range 4294967295. Other kinds give 0.
std::uint32_t number_to_u32(const pdf::Object& resolved);

struct LoadedStream {
    std::string data;
    bool by_reference = false;
    pdf::ObjectId object_id;  // meaningful only when by_reference
    pdf::Object dictionary;
};

struct ReachedStream {
    pdf::Object stream;
    bool by_reference = false;
    pdf::ObjectId object_id;  // of the reference just followed; meaningful only when by_reference
};

// The stream the object is, or leads to through at most kMaxStreamLookups
// references, without reading its data (images are never decoded: their
// dictionary is all we need, and most of their codecs are not ours).
std::optional<ReachedStream> reach_stream(const pdf::Document& doc, const pdf::Object& object);

// The stream the object is, or leads to through references, decoded through
// its filters with the output bounded by max_bytes. None when no stream is
// reached or its data cannot be decoded within the bound: undecodable data is
// never handed on as if it were the content.
std::optional<LoadedStream> load_stream_data(const pdf::Document& doc, const pdf::Object& object,
                                             std::uint64_t max_bytes);

// Resource name to object as stored (not resolved).
using ResourceMap = std::map<std::string, pdf::Object>;

struct ResourceMaps {
    ResourceMap fonts;
    ResourceMap xobjects;
    ResourceMap ext_gstates;
};

// Resources as content sees them while painting: a form's (or a glyph
// procedure's) own maps over those of the content that painted it. A name the
// inner maps define wins; the others stay visible from outside. Looking through
// the layers gives what copying the enclosing maps and inserting the inner
// entries would, without copying anything per paint.
struct ResourceScope {
    // Shared, so that a form painted many times reads its resources once.
    std::shared_ptr<const ResourceMaps> own;
    const ResourceScope* enclosing = nullptr;

    // The object as stored, or nullptr when no layer defines the name.
    const pdf::Object* find_font(const std::string& name) const;
    const pdf::Object* find_xobject(const std::string& name) const;
    const pdf::Object* find_ext_gstate(const std::string& name) const;
};

ResourceMap read_resource_category(const pdf::Document& doc, const pdf::Object& resources,
                                   const std::string& category);
ResourceMaps load_page_resources(const pdf::Document& doc, const pdf::Object& resources);

}  // namespace zvk
