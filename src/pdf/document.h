// A loaded PDF document: loading from a file or from memory with the load
// settings, page and object lookup, bounded stream decoding, and writing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/core_error.h"
#include "pdf/object.h"

namespace zvk::pdf {

// What the PDF reader is given: password (none and "" are told apart here, but
// the library treats both as the empty password), strictness (no recovery of
// damaged cross-reference data), and the bound on any decoded stream.
struct LoadSettings {
    std::optional<std::string> password;
    bool strict = false;
    std::uint64_t max_decompressed_size = 67108864;
};

class Document {
public:
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;
    ~Document();

    // Parse a whole PDF held in memory.
    static Result<Document> from_bytes(std::string bytes, const LoadSettings& settings);

    // Page object ids in page order (page number 1 first). A page tree the
    // library cannot walk gives no pages.
    std::vector<ObjectId> page_ids() const;
    // The object with this id, followed (null when missing).
    Object object(ObjectId id) const;
    // The object's dictionary (for a stream, its dictionary); none when the
    // object is missing or is neither.
    std::optional<Object> dictionary(ObjectId id) const;
    // The stream's data decoded through its filters, bounded by the smaller of
    // max_bytes and the document's decompression limit. None when the object is
    // not a stream, a filter is unsupported or fails, or the bound is passed.
    std::optional<std::string> decode_stream(const Object& stream, std::uint64_t max_bytes) const;

    std::uint64_t max_decompressed_size() const;
    // The size in bytes of the file the document was read from: what the
    // work of extracting it may be weighed against.
    std::uint64_t input_size() const;
    // Whether memory ran out inside the library while it read an object: it
    // reports that as a damaged object (null, or missing from the page tree),
    // which would pass for a fault of the file. Once true, stays true.
    bool memory_ran_out() const;

    // Write the whole document to `path` (classic cross-reference table, input
    // streams copied as stored, streams we add or replace uncompressed). The
    // file is written beside `path` under a temporary name and renamed over it,
    // so a failure never leaves a partial file or destroys an existing one.
    Result<void> save(const std::string& path);

    struct Impl;
    // For the units inside src/pdf/.
    Impl* impl() const { return impl_.get(); }

private:
    explicit Document(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace zvk::pdf
