// A growable byte buffer in an anonymous mapping of its own. Large texts
// that are written, read once and dropped (the pieces of the extraction JSON)
// live here rather than on the heap, so that dropping one gives its memory
// back to the system at once: heap blocks of a few megabytes are kept by the
// allocator for reuse and would hold the process's peak at the sum of all
// pieces.
#pragma once

#include <cstddef>
#include <string_view>

namespace zvk {

// Asks the system to back the whole huge pages inside a large buffer that is
// about to be written for the first time with huge pages: a few faults
// instead of one every 4 KB. Advice only; nothing changes where it is not
// followed.
void advise_huge_pages(void* data, std::size_t size) noexcept;

class MappedBuffer {
public:
    MappedBuffer() = default;
    MappedBuffer(const MappedBuffer&) = delete;
    MappedBuffer& operator=(const MappedBuffer&) = delete;
    MappedBuffer(MappedBuffer&& other) noexcept;
    MappedBuffer& operator=(MappedBuffer&& other) noexcept;
    ~MappedBuffer() { release(); }

    // Throws std::bad_alloc when the system gives no more memory.
    void append(std::string_view bytes);
    std::string_view view() const { return {data_, size_}; }
    std::size_t size() const { return size_; }
    // Unmaps the memory; the buffer is empty again.
    void release() noexcept;

private:
    void grow(std::size_t needed);

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace zvk
