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

// One value of a text that holds several in a row (a service answer may
// write item objects one after another, or add a remark after its JSON).
struct JsonValueRead {
    ParsedJson value;
    std::size_t end = 0;  // offset just past the value
};

// Reads the one value that starts at `offset` (JSON white space before it
// skipped) with the checks of read_json, and stops right after it: what
// follows is not looked at. Error positions count from the start of `text`.
std::expected<JsonValueRead, std::string> read_json_value_at(std::string_view text, std::size_t offset);

// The offset of the first byte at or after `offset` that is not JSON white
// space (space, tab, line feed, carriage return).
std::size_t skip_json_white_space(std::string_view text, std::size_t offset);

// "{what} at line {} column {}" for an error at byte index `index` of `text`:
// line is 1 + the line breaks before `index`, column the bytes since the last
// line break before `index` (so the byte at offset k is at column k + 1 of its
// line).
std::string json_error_at(std::string_view text, std::string_view what, std::size_t index);

}  // namespace zvk
