// Recognises a source sentence that is really a list of short comma-separated
// items (tools, keywords, languages, names) and tells whether its translation
// lost items or technical terms that must stay as they are. The answer
// judging, the checkpoint cache and the rewrite driver rely on it.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zvk {

// The CJK characters of answer judging: CJK symbols and punctuation, kana,
// ideographs with extension A, compatibility ideographs, half-width and
// full-width forms (U+3000-U+30FF, U+3400-U+9FFF, U+F900-U+FAFF,
// U+FF00-U+FFEF). A translation holding one is taken for Chinese output.
constexpr bool is_cjk_character(char32_t c) {
    return (c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF00 && c <= 0xFFEF);
}

// The source is a comma list (6 or more commas and items, at most one
// sentence break, mostly short items, not mostly numbers) and the translation,
// which holds CJK characters, has at least 2 items fewer or lacks one of the
// source's technical terms.
bool list_items_lost(std::string_view source, std::string_view translation);

// The pieces of the text between any of the separators, each trimmed of
// White_Space, empty ones left out; views into `text`, in order.
std::vector<std::string_view> split_trimmed(std::string_view text, std::u32string_view separators);

// The token without commas, full stops, colons and semicolons at its ends,
// when that is a technical term that a translation must keep (Go, Node.js,
// TCP/IP, COVID-19, GPT4, PyTorch, …); nothing otherwise.
std::optional<std::string> verbatim_term_of(std::string_view token);

// The term occurs in the text (its ligatures expanded) with no ASCII letter or
// digit directly before or after it. The empty term is always contained.
bool contains_term(std::string_view text, std::string_view term);

// Some term, looked at in order, is not contained in the text. The text is
// expanded once for all terms.
bool any_term_missing(std::span<const std::string> terms, std::string_view text);

// The text with the Latin ligatures U+FB00-U+FB04 spelt out (ff, fi, fl, ffi,
// ffl); everything else copied unchanged.
std::string expand_ligatures(std::string_view text);

}  // namespace zvk
