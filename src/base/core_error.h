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
    };

    static CoreError pdf(std::string text);
    static CoreError invalid_options(std::string text);
    static CoreError glyph_not_found(std::uint32_t id);
    static CoreError glyph_already_final(std::uint32_t id, std::string state_word);
    static CoreError coverage_incomplete(std::vector<std::uint32_t> unresolved_ids,
                                         std::uint64_t unresolved, std::uint64_t english_body);
    static CoreError translation(std::string text);
    static CoreError message(std::string text);

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

template <typename T>
using Result = std::expected<T, CoreError>;

// Shorthand for returning an error from a function that returns Result<T>.
inline std::unexpected<CoreError> fail(CoreError error) { return std::unexpected(std::move(error)); }

}  // namespace zvk
