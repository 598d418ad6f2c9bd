#include "pdf/edit.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <new>
#include <type_traits>

#include "pdf/document_impl.h"
#include "pdf/qpdf_access.h"

namespace zvk::pdf {

namespace {

// Runs one library call; its exceptions become a CoreError here, at the edge.
template <typename F>
auto guarded(F&& f) -> Result<decltype(f())> {
    try {
        if constexpr (std::is_void_v<decltype(f())>) {
            f();
            return {};
        } else {
            return f();
        }
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    } catch (const std::exception& e) {
        return fail(CoreError::pdf(e.what()));
    } catch (...) {
        return fail(CoreError::pdf("unknown error"));
    }
}

// The library has no error for some misuse (it warns and ignores it): check
// the kind first so that a wrong kind is never a silent no-op.
bool is_dictionary_like(const Object& o) {
    const auto k = o.kind();
    return k == Object::Kind::Dictionary || k == Object::Kind::Stream;
}

ObjectId id_of(const QPDFObjectHandle& h) {
    const auto og = h.getObjGen();
    return {static_cast<std::uint32_t>(og.getObj()), static_cast<std::uint16_t>(og.getGen())};
}

// A value to store: an indirect object is stored as a reference to it; a
// direct one as it is.
QPDFObjectHandle stored(const Object& value) {
    const QPDFObjectHandle& h = Object::Access::handle(value);
    return h.isInitialized() ? h : QPDFObjectHandle::newNull();
}

}  // namespace

std::string_view kind_name(Object::Kind kind) {
    switch (kind) {
    case Object::Kind::Null: return "Null";
    case Object::Kind::Boolean: return "Boolean";
    case Object::Kind::Integer: return "Integer";
    case Object::Kind::Real: return "Real";
    case Object::Kind::Name: return "Name";
    case Object::Kind::String: return "String";
    case Object::Kind::Array: return "Array";
    case Object::Kind::Dictionary: return "Dictionary";
    case Object::Kind::Stream: return "Stream";
    case Object::Kind::Reference: return "Reference";
    }
    return "Null";
}

std::string object_not_found_text(ObjectId id) {
    return "object ID " + std::to_string(id.number) + " " + std::to_string(id.generation) + " not found";
}

std::string wrong_type_text(std::string_view expected, Object::Kind found) {
    return "object has wrong type; expected type " + std::string(expected) + " but found type " +
           std::string(kind_name(found));
}

Object make_integer(std::int64_t value) {
    return Object::Access::make(QPDFObjectHandle::newInteger(value), true);
}

Object make_name(std::string_view name) {
    return Object::Access::make(QPDFObjectHandle::newName("/" + std::string(name)), true);
}

Object make_string(std::string bytes) {
    return Object::Access::make(QPDFObjectHandle::newString(bytes), true);
}

Object make_dictionary() { return Object::Access::make(QPDFObjectHandle::newDictionary(), true); }

Object make_array(const std::vector<Object>& items) {
    std::vector<QPDFObjectHandle> handles;
    handles.reserve(items.size());
    for (const Object& item : items) handles.push_back(stored(item));
    return Object::Access::make(QPDFObjectHandle::newArray(handles), true);
}

Object copy_container(const Object& object) {
    const auto k = object.kind();
    if (k == Object::Kind::Stream) return copy_container(object.stream_dict());
    if (k != Object::Kind::Dictionary && k != Object::Kind::Array) return object;
    auto copy = guarded([&] { QPDFObjectHandle h = Object::Access::handle(object); return h.shallowCopy(); });
    if (!copy) return object.kind() == Object::Kind::Array ? make_array({}) : make_dictionary();
    return Object::Access::make(std::move(*copy), true);
}

Result<void> set_entry(Object& dictionary, std::string_view key, const Object& value) {
    if (!is_dictionary_like(dictionary)) return fail(CoreError::pdf(wrong_type_text("Dictionary", dictionary.kind())));
    return guarded([&] {
        QPDFObjectHandle h = Object::Access::handle(dictionary);
        if (h.isStream()) h = h.getDict();
        h.replaceKey("/" + std::string(key), stored(value));
    });
}

Result<void> remove_entry(Object& dictionary, std::string_view key) {
    if (!is_dictionary_like(dictionary)) return fail(CoreError::pdf(wrong_type_text("Dictionary", dictionary.kind())));
    return guarded([&] {
        QPDFObjectHandle h = Object::Access::handle(dictionary);
        if (h.isStream()) h = h.getDict();
        h.removeKey("/" + std::string(key));
    });
}

Result<void> set_array_items(Object& array, const std::vector<Object>& items) {
    if (array.kind() != Object::Kind::Array) return fail(CoreError::pdf(wrong_type_text("Array", array.kind())));
    return guarded([&] {
        std::vector<QPDFObjectHandle> handles;
        handles.reserve(items.size());
        for (const Object& item : items) handles.push_back(stored(item));
        Object::Access::handle(array).setArrayFromVector(handles);
    });
}

Result<ObjectId> add_object(Document& doc, const Object& value) {
    return guarded([&] {
        QPDFObjectHandle h = doc.impl()->qpdf.makeIndirectObject(stored(value));
        return id_of(h);
    });
}

Result<ObjectId> add_stream(Document& doc, std::string bytes, const Object& dictionary) {
    if (!dictionary.is_null() && !dictionary.is_dictionary()) {
        return fail(CoreError::pdf(wrong_type_text("Dictionary", dictionary.kind())));
    }
    return guarded([&] {
        QPDFObjectHandle stream = QPDFObjectHandle::newStream(&doc.impl()->qpdf, bytes);
        if (dictionary.is_dictionary()) {
            QPDFObjectHandle dict = stream.getDict();
            QPDFObjectHandle given = Object::Access::handle(dictionary);  // a copy of the handle: the library is not const-correct
            for (const auto& key : given.getKeys()) {
                if (key == "/Length") continue;
                dict.replaceKey(key, given.getKey(key));
            }
        }
        return id_of(stream);
    });
}

Result<void> replace_stream_data(Object& stream, std::string bytes) {
    if (!stream.is_stream()) return fail(CoreError::pdf(wrong_type_text("Stream", stream.kind())));
    return guarded([&] {
        Object::Access::handle(stream).replaceStreamData(bytes, QPDFObjectHandle::newNull(),
                                                         QPDFObjectHandle::newNull());
    });
}

Result<void> require_minimum_version(Document& doc, std::string_view version) {
    Document::Impl& impl = *doc.impl();
    // Versions of the form "1.x" and "2.x" compare as text.
    if (impl.minimum_version.empty() || impl.minimum_version < version) impl.minimum_version = std::string(version);
    return {};
}

}  // namespace zvk::pdf

namespace zvk::pdf {

std::vector<ObjectId> all_object_ids(const Document& doc) {
    auto ids = guarded([&] {
        std::vector<ObjectId> out;
        for (const QPDFObjectHandle& h : doc.impl()->qpdf.getAllObjects()) {
            if (h.getObjectID() > 0) out.push_back(id_of(h));
        }
        std::sort(out.begin(), out.end());
        return out;
    });
    return ids ? std::move(*ids) : std::vector<ObjectId>{};
}

}  // namespace zvk::pdf
