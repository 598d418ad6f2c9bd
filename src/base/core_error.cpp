#include "base/core_error.h"

#include <cstdlib>
#include <exception>
#include <string>

namespace zvk {

CoreError CoreError::pdf(std::string text) { return {Kind::Pdf, std::move(text)}; }

CoreError CoreError::invalid_options(std::string text) {
    return {Kind::InvalidOptions, std::move(text)};
}

CoreError CoreError::glyph_not_found(std::uint32_t id) {
    CoreError e(Kind::GlyphNotFound, {});
    e.glyph_id_ = id;
    return e;
}

CoreError CoreError::glyph_already_final(std::uint32_t id, std::string state_word) {
    CoreError e(Kind::GlyphAlreadyFinal, std::move(state_word));
    e.glyph_id_ = id;
    return e;
}

CoreError CoreError::coverage_incomplete(std::vector<std::uint32_t> unresolved_ids,
                                         std::uint64_t unresolved, std::uint64_t english_body) {
    CoreError e(Kind::CoverageIncomplete, {});
    e.unresolved_ids_ = std::move(unresolved_ids);
    e.count_a_ = unresolved;
    e.count_b_ = english_body;
    return e;
}

CoreError CoreError::translation(std::string text) { return {Kind::Translation, std::move(text)}; }

CoreError CoreError::message(std::string text) { return {Kind::Message, std::move(text)}; }

CoreError CoreError::out_of_memory() { return {Kind::OutOfMemory, {}}; }

namespace {
// Any thread-local variable of ours: touching one allocates the block that
// holds them all.
thread_local volatile int thread_ready = 0;
}  // namespace

bool ready_thread_for_exceptions() {
    // Far more than the blocks take: with this much given back just now, the
    // few hundred bytes they need are there.
    constexpr std::size_t kProbe = std::size_t{1} << 20;
    void* probe = std::malloc(kProbe);
    if (probe == nullptr) return false;
    std::free(probe);
    // The runtime's state is what uncaught_exceptions reads; the result is
    // stored so that the (pure) call is made.
    thread_ready = std::uncaught_exceptions();
    return true;
}

std::string CoreError::display() const {
    switch (kind_) {
    case Kind::Pdf:
        return "failed to open PDF: " + text_;
    case Kind::InvalidOptions:
        return "invalid options: " + text_;
    case Kind::GlyphNotFound:
        return "glyph " + std::to_string(glyph_id_) + " not found";
    case Kind::GlyphAlreadyFinal:
        return "glyph " + std::to_string(glyph_id_) + " already has a final disposition (" + text_ + ")";
    case Kind::CoverageIncomplete:
        return "coverage incomplete: " + std::to_string(count_a_) + " glyphs unresolved, " +
               std::to_string(count_b_) + " left in an English body paragraph";
    case Kind::Translation:
        return "translation failed: " + text_;
    case Kind::Message:
        return text_;
    case Kind::OutOfMemory:
        return "out of memory";
    }
    return text_;
}

}  // namespace zvk
