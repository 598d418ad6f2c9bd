#include "pdf/bounded_pipeline.h"

#include <new>

namespace zvk::pdf {

Pl_Bounded::Pl_Bounded(std::string& out, std::uint64_t limit)
    : Pipeline("bounded", nullptr), out_(out), limit_(limit) {}

void Pl_Bounded::write(unsigned char const* data, size_t len) {
    if (len > limit_ - out_.size()) throw LimitExceeded{};
    try {
        out_.append(reinterpret_cast<const char*>(data), len);
    } catch (const std::bad_alloc&) {
        throw OutOfMemory{};
    }
}

}  // namespace zvk::pdf
