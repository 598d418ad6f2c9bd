#include "base/mapped_buffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace zvk {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
// Whole huge pages: the system places such mappings on huge-page bounds.
constexpr std::size_t kFirstCapacity = kHugePage;

}  // namespace

void advise_huge_pages(void* data, std::size_t size) noexcept {
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
    if (end <= first) return;
    // A system without transparent huge pages refuses the advice, and the
    // memory works the same with small pages.
    (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

MappedBuffer::MappedBuffer(MappedBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

MappedBuffer& MappedBuffer::operator=(MappedBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void MappedBuffer::release() noexcept {
    if (data_ != nullptr) ::munmap(data_, capacity_);
    data_ = nullptr;
    size_ = 0;
    capacity_ = 0;
}

void MappedBuffer::grow(std::size_t needed) {
    std::size_t capacity = std::max(kFirstCapacity, capacity_);
    while (capacity < needed) {
        if (capacity > SIZE_MAX / 2) throw std::bad_alloc();
        capacity *= 2;
    }
    void* mapped = data_ == nullptr
                       ? ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                       // Moves the pages without copying them.
                       : ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    data_ = static_cast<char*>(mapped);
    capacity_ = capacity;
    advise_huge_pages(data_, capacity_);
}

void MappedBuffer::append(std::string_view bytes) {
    if (bytes.empty()) return;
    if (bytes.size() > capacity_ - size_) grow(size_ + bytes.size());
    std::memcpy(data_ + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
}

}  // namespace zvk
