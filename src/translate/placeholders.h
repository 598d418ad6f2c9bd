// Placeholder protection: the spans of a unit text that must come back
// verbatim (tokens, URLs, addresses, brace spans, citations, numbers, glossary
// terms) travel to the translator as numbered "⟦N⟧" tokens and are put back
// into its answer. Pure functions; every one is linear in its text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvk {

// (term, target text), as in TranslateOptions::glossary.
using GlossaryEntry = std::pair<std::string, std::string>;

struct ProtectedText {
    // The unit text with every claimed span replaced by its token; tokens in
    // ascending index order, each index once.
    std::string text;
    // What token N stands for: the span itself, or a glossary term's target.
    std::vector<std::string> originals;
};

// [start, end) in bytes, both on character boundaries.
struct ProtectedRange {
    std::size_t start = 0;
    std::size_t end = 0;
    bool operator==(const ProtectedRange&) const = default;
};

ProtectedText protect_text(std::string_view text, const std::vector<GlossaryEntry>& glossary);

// The translated text with every token replaced by its original, or the
// failure's message: "unknown placeholder ⟦N⟧" (the first out-of-range index in
// text order), "missing placeholder ⟦N⟧" (the lowest index never seen), or,
// when tokens repeated over and over would make the result larger than
// restored_text_limit, a message of its own.
std::expected<std::string, std::string> restore_placeholders(
    std::string_view translated, const std::vector<std::string>& originals);

// The answer may repeat a token, but a few kilobytes of "⟦0⟧" against a long
// URL must not restore to gigabytes: the answer's own length plus eight times
// the originals' total (saturating).
std::uint64_t restored_text_limit(std::string_view translated,
                                  const std::vector<std::string>& originals);

// The spans protect_text would claim without a glossary, ascending, disjoint.
// Text layout keeps line breaks out of them.
std::vector<ProtectedRange> protected_ranges(std::string_view text);

// The span matchers: given a character boundary `at`, the end of the span
// that starts there, or nothing.
std::optional<std::size_t> match_placeholder_token_at(std::string_view text, std::size_t at);
std::optional<std::size_t> match_url_at(std::string_view text, std::size_t at);
std::optional<std::size_t> match_email_at(std::string_view text, std::size_t at);
std::optional<std::size_t> match_brace_span_at(std::string_view text, std::size_t at);
std::optional<std::size_t> match_citation_at(std::string_view text, std::size_t at);
std::optional<std::size_t> match_number_at(std::string_view text, std::size_t at);

// The longest name-like prefix of the text (a capital, then letters,
// apostrophes and hyphens), or nothing; a lone capital is no name.
std::optional<std::string_view> is_name_like_word(std::string_view text);
// Capitalised words that start captions and references, never a citation's author.
bool is_excluded_capitalized_word(std::string_view word);

}  // namespace zvk
