// What the bytes of a file that lost its end (an interrupted download) still
// say about its objects, read with no PDF library: object headers, the role
// of each object's dictionary, and the replacement trailer or
// cross-reference stream text that lets the reader load what remains.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvk::pdf {

struct ObjectRef {
    std::uint32_t number = 0;
    std::uint32_t generation = 0;
    bool operator==(const ObjectRef&) const = default;
};

// The objects a trailer names, told apart by their top-level entries:
// the catalog (/Type /Catalog), the document information (a dictionary with
// /Producer, /Creator, /CreationDate or /ModDate and nothing of a typed
// object, a page or an annotation), the encryption dictionary (/Filter
// /Standard), and object streams (a stream of /Type /ObjStm), which hold
// objects the bytes cannot show.
enum class ObjectRole { None, Catalog, Info, Encrypt, ObjectStream };

// Where a definition stands in the file: its byte offset, and for an object
// inside an object stream the stream's offset and the object's index + 1.
// A later definition of the same object replaces an earlier one.
using Position = std::pair<std::uint64_t, std::uint64_t>;

struct Candidate {
    ObjectRef ref;
    Position position;
    ObjectRole role = ObjectRole::None;
};

// The role of the object whose value starts at `text` (just past `obj`, or
// an object inside an object stream). None when it is not a dictionary, its
// dictionary is malformed or cut short, or it is a stream of another kind.
ObjectRole classify_object(std::string_view text);

struct ObjectScan {
    // The newest definition of each object that has a role, unless a later
    // header with the same number and generation replaced it.
    std::vector<Candidate> candidates;
    // The highest object number seen in a header.
    std::uint32_t highest = 0;
};

// One pass over `bytes` for `N G obj` headers. Time is linear in the size of
// the bytes; memory grows only with the number of objects that have a role.
ObjectScan scan_objects(std::string_view bytes);

// The newest of the candidates with this role, by position.
std::optional<Candidate> newest(const std::vector<Candidate>& candidates, ObjectRole role);

struct TrailerEntries {
    std::optional<ObjectRef> root;
    std::optional<ObjectRef> info;
    std::optional<ObjectRef> encrypt;
};

// A classic trailer for the reader's reconstruction to find: it starts a
// line of its own, whatever the last byte kept was.
std::string trailer_text(const TrailerEntries& entries, std::uint64_t size);

struct XrefEntry {
    std::uint32_t number = 0;
    // 1: in the file at `field2` with generation `field3`;
    // 2: in object stream `field2` at index `field3`.
    std::uint8_t type = 1;
    std::uint64_t field2 = 0;
    std::uint64_t field3 = 0;
};

// A cross-reference stream, object `number` (higher than every entry's),
// with the trailer's entries and `startxref`, for text appended at byte
// `offset` of the file. `entries` are sorted by number without repeats.
std::string xref_stream_text(const std::vector<XrefEntry>& entries, const TrailerEntries& trailer,
                             std::uint32_t number, std::uint64_t offset);

}  // namespace zvk::pdf
