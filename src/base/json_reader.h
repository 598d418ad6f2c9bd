// The strict reader of input JSON (options, service answers, checkpoint
// lines): nesting limit 128, errors in the form "{} at line {} column {}".
// Includes nlohmann/json, so keep it out of widely included headers.
#pragma once

#include <cstddef>
#include <expected>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace zvk {

inline constexpr std::size_t kJsonNestingLimit = 128;

// Parses the whole text as one JSON value (JSON white space around it allowed,
// trailing characters refused, at most kJsonNestingLimit levels of arrays and
// objects). The error is the reader's description, e.g. "expected value at
// line 1 column 1". Never throws.
std::expected<nlohmann::json, std::string> read_json(std::string_view text);

// "{what} at line {} column {}" for an error at byte index `index` of `text`:
// line is 1 + the line breaks before `index`, column the bytes since the last
// line break before `index` (so the byte at offset k is at column k + 1 of its
// line).
std::string json_error_at(std::string_view text, std::string_view what, std::size_t index);

}  // namespace zvk
