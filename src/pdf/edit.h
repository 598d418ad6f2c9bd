// Changing a loaded document: new direct values, new indirect objects and
// streams, dictionary and array edits, stream data replaced by plain bytes,
// and a floor on the file version written. Every library failure comes back
// as CoreError::Pdf (or out of memory); nothing here throws.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/core_error.h"
#include "pdf/document.h"
#include "pdf/object.h"

namespace zvk::pdf {

// Direct values, not yet part of any document.
Object make_integer(std::int64_t value);
Object make_name(std::string_view name);  // without the '/'
Object make_string(std::string bytes);
Object make_dictionary();
Object make_array(const std::vector<Object>& items);
// A shallow copy of a dictionary or array (a stream: of its dictionary): its
// entries are shared, the container is new, so editing it leaves the
// original alone. Other kinds are returned as they are.
Object copy_container(const Object& object);

// Sets (a new key is added) or removes a dictionary entry; on a stream these
// edit its dictionary. An object stored in the document is changed in place.
// A value that is an indirect object is stored as a reference to it.
Result<void> set_entry(Object& dictionary, std::string_view key, const Object& value);
Result<void> remove_entry(Object& dictionary, std::string_view key);
// Replaces all the elements of an array.
Result<void> set_array_items(Object& array, const std::vector<Object>& items);

// Adds a direct value as a new indirect object under the next free number,
// generation 0.
Result<ObjectId> add_object(Document& doc, const Object& value);
// Adds a stream holding exactly `bytes`, uncompressed; its dictionary holds
// the entries of `dictionary` (a dictionary, or null for none) and the Length
// the writer sets.
Result<ObjectId> add_stream(Document& doc, std::string bytes, const Object& dictionary);
// Replaces a stream's data by plain bytes: Filter and DecodeParms go.
Result<void> replace_stream_data(Object& stream, std::string bytes);
// The written file's version is at least this ("1.6"); the highest asked wins.
Result<void> require_minimum_version(Document& doc, std::string_view version);

// The library's texts for a failed lookup, for callers that must report one.
std::string object_not_found_text(ObjectId id);
std::string wrong_type_text(std::string_view expected, Object::Kind found);
std::string_view kind_name(Object::Kind kind);

}  // namespace zvk::pdf

namespace zvk::pdf {

// The ids of every object the document has recorded, ascending.
std::vector<ObjectId> all_object_ids(const Document& doc);

}  // namespace zvk::pdf
