// The one error type of the core and the Result alias every fallible
// operation returns; nothing throws across a subsystem boundary.
#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <vector>

namespace zvk {

class CoreError {
public:
    enum class Kind : std::uint8_t {
        Pdf,
        InvalidOptions,
        GlyphNotFound,
        GlyphAlreadyFinal,
        CoverageIncomplete,
        Translation,
        Message,
        OutOfMemory,
    };

    static CoreError pdf(std::string text);
    static CoreError invalid_options(std::string text);
    static CoreError glyph_not_found(std::uint32_t id);
    static CoreError glyph_already_final(std::uint32_t id, std::string state_word);
    static CoreError coverage_incomplete(std::vector<std::uint32_t> unresolved_ids,
                                         std::uint64_t unresolved, std::uint64_t english_body);
    static CoreError translation(std::string text);
    static CoreError message(std::string text);
    // Memory ran out (std::bad_alloc). It is the one exception allowed to
    // unwind through the core, from wherever an allocation fails up to the
    // operation's entry, which returns this; layers that turn a library's
    // failure into "unreadable" let it pass, so it is never mistaken for a
    // fault of the file. Python sees MemoryError.
    static CoreError out_of_memory();

    Kind kind() const { return kind_; }
    // The payload text (Pdf, InvalidOptions, Translation, Message; the state
    // word of GlyphAlreadyFinal).
    const std::string& text() const { return text_; }
    std::uint32_t glyph_id() const { return glyph_id_; }
    const std::vector<std::uint32_t>& unresolved_ids() const { return unresolved_ids_; }

    // The display text, from the variant's fixed template.
    std::string display() const;

private:
    CoreError(Kind kind, std::string text) : kind_(kind), text_(std::move(text)) {}

    Kind kind_;
    std::string text_;
    std::uint32_t glyph_id_ = 0;
    std::vector<std::uint32_t> unresolved_ids_;
    std::uint64_t count_a_ = 0;
    std::uint64_t count_b_ = 0;
};

// Readies the calling thread for exceptions while memory is still there. In a
// library loaded at run time (a Python module) the C++ runtime's per-thread
// exception state and our thread-local storage are allocated on first use, and
// should that first use be the throw of std::bad_alloc with memory gone, the
// loader aborts the process. Called at the start of every call into the core
// and of every thread it starts.
//
// The allocation cannot be attempted safely: when memory is gone the loader
// ends the process instead of failing. So room is first tried for with an
// ordinary allocation, given back at once; false means there was none and
// the thread-local blocks were left alone. The thread must then not throw
// or run anything that may: it hands its work back or reports no memory.
[[nodiscard]] bool ready_thread_for_exceptions();

template <typename T>
using Result = std::expected<T, CoreError>;

// Shorthand for returning an error from a function that returns Result<T>.
inline std::unexpected<CoreError> fail(CoreError error) { return std::unexpected(std::move(error)); }

}  // namespace zvk
