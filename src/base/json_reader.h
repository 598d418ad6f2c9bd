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

// A parsed value that is taken apart from its leaves up when it goes, so that
// going never allocates. The library's own destructor gathers a container's
// elements into a new vector first; when that runs while unwinding from
// std::bad_alloc it cannot get the memory, and the process is terminated.
class ParsedJson : public nlohmann::json {
public:
    ParsedJson() = default;
    ParsedJson(ParsedJson&&) noexcept = default;
    ParsedJson& operator=(ParsedJson&&) = delete;
    ~ParsedJson();
};

// Parses the whole text as one JSON value (JSON white space around it allowed,
// trailing characters refused, at most kJsonNestingLimit levels of arrays and
// objects). The error is the reader's description, e.g. "expected value at
// line 1 column 1". Throws nothing but std::bad_alloc, which is no fault of the
// text (a value half built is taken apart as above).
std::expected<ParsedJson, std::string> read_json(std::string_view text);

// "{what} at line {} column {}" for an error at byte index `index` of `text`:
// line is 1 + the line breaks before `index`, column the bytes since the last
// line break before `index` (so the byte at offset k is at column k + 1 of its
// line).
std::string json_error_at(std::string_view text, std::string_view what, std::size_t index);

}  // namespace zvk
