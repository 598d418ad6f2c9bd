// A pipeline stage that collects decoded stream bytes and stops the decoding
// as soon as they would pass a byte limit, so a small compressed stream can
// never expand into unbounded memory.
#pragma once

#include <qpdf/Pipeline.hh>

#include <cstdint>
#include <string>

namespace zvk::pdf {

class Pl_Bounded final : public Pipeline {
public:
    // Thrown through the library's decoder when the limit is passed; the
    // caller catches it and reports the stream as unreadable.
    struct LimitExceeded {};
    // Memory running out while collecting, thrown as no standard exception:
    // the library's decoder turns every std::exception into a warning and a
    // failed decode, which would report exhaustion as an unreadable stream.
    struct OutOfMemory {};

    Pl_Bounded(std::string& out, std::uint64_t limit);
    void write(unsigned char const* data, size_t len) override;
    void finish() override {}

private:
    std::string& out_;
    std::uint64_t limit_;
};

}  // namespace zvk::pdf
