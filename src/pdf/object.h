// Our view of PDF objects: a small value handle over the PDF library's
// objects, so that nothing outside src/pdf/ includes the library's headers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvk::pdf {

struct ObjectId {
    std::uint32_t number = 0;
    std::uint16_t generation = 0;

    auto operator<=>(const ObjectId&) const = default;
    // "{number} {generation}", as ids are written in the extraction.
    std::string text() const;
};

class Document;

// A handle to one PDF object of a loaded document. A handle must not outlive
// its document. Copying is cheap (a shared reference).
//
// An entry of a dictionary or array that is stored as an indirect reference
// has kind Reference until it is followed with `follow()`; objects looked up
// by id are already followed.
class Object {
public:
    enum class Kind : std::uint8_t {
        Null,
        Boolean,
        Integer,
        Real,
        Name,
        String,
        Array,
        Dictionary,
        Stream,
        Reference,
    };

    Object();
    Object(const Object& other);
    Object(Object&& other) noexcept;
    Object& operator=(const Object& other);
    Object& operator=(Object&& other) noexcept;
    ~Object();

    Kind kind() const;
    bool is_null() const { return kind() == Kind::Null; }
    bool is_reference() const { return kind() == Kind::Reference; }
    bool is_dictionary() const { return kind() == Kind::Dictionary; }
    bool is_stream() const { return kind() == Kind::Stream; }
    bool is_array() const { return kind() == Kind::Array; }
    bool is_name() const { return kind() == Kind::Name; }
    bool is_integer() const { return kind() == Kind::Integer; }
    bool is_real() const { return kind() == Kind::Real; }
    bool is_number() const { return is_integer() || is_real(); }

    // The id of the indirect object this handle stands for (a reference, or an
    // object reached through one); none for a direct object.
    std::optional<ObjectId> object_id() const;
    // The stored object this handle shares with every other handle to it: a
    // direct dictionary read twice from one parent gives the same identity,
    // two equal dictionaries stored apart give two. Not a comparison of
    // contents. Valid while some handle to the object lives (keep one to
    // stop the address being reused); none for an empty handle.
    std::optional<std::uintptr_t> identity() const;
    // One lookup through a reference; any other object is returned unchanged.
    // A reference to a missing object gives null.
    Object follow() const;

    bool as_bool() const;              // false unless Boolean
    std::int64_t as_integer() const;   // 0 unless Integer
    float as_real() const;             // the real as a 32-bit float; 0 unless Real
    // Integer converted to f32, Real unchanged, anything else 0.
    float as_f32() const;
    std::string name_bytes() const;    // the name without its '/'; empty unless Name
    std::string string_bytes() const;  // the string's bytes; empty unless String

    std::size_t array_size() const;            // 0 unless Array
    Object array_at(std::size_t index) const;  // null when out of range
    std::vector<Object> array_items() const;

    // Dictionary access; for a stream these read its dictionary.
    std::vector<std::string> dict_keys() const;
    bool has_key(const std::string& key) const;
    Object get(const std::string& key) const;  // null when absent

    // For a stream: its dictionary as a dictionary object.
    Object stream_dict() const;
    // For a stream: whether its dictionary names any filter.
    bool stream_has_filter() const;
    // For a stream: its bytes as stored in the file (after decryption).
    std::optional<std::string> stream_raw_data() const;

    // The library's own handle, for the units inside src/pdf/.
    struct Access;

private:
    friend struct Access;
    alignas(8) unsigned char storage_[16];
    bool followed_ = false;
};

}  // namespace zvk::pdf
