// The value readers of the options parsers over the strict JSON reader.
// Internal: includes nlohmann/json, so keep it out of widely included headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/json_reader.h"

namespace zvk {

// A JSON number written without fraction or exponent in 0..2^64-1.
std::optional<std::uint64_t> read_non_negative_integer(const nlohmann::json& value);

// An unsigned decimal: an optional single "+", then ASCII digits only, fitting
// in 64 bits. No trimming here.
std::optional<std::uint64_t> parse_unsigned_decimal(std::string_view text);

// A decimal floating-point text (optional sign, digits with an optional point
// and fraction, at least one digit, optional exponent; or inf, infinity, nan in
// any case), as the nearest 32-bit float. No trimming here. Non-finite values
// are returned as they are; callers that need a finite value check.
std::optional<float> parse_float_text(std::string_view text);

// The 32-bit float nearest to a JSON number, or unset when the value is not a
// number or its nearest float is not finite.
std::optional<float> read_finite_f32(const nlohmann::json& value);

// The first of key and alias (when given) whose value is a JSON string that is
// not empty after trimming White_Space, trimmed.
std::optional<std::string> read_string_option(const nlohmann::json& object, std::string_view key,
                                              std::optional<std::string_view> alias);

// A JSON number, or a JSON string holding a decimal floating-point number after
// trimming, under key, else under alias, as a finite 32-bit float. A
// non-finite value is not accepted.
std::optional<float> read_float_option(const nlohmann::json& object, std::string_view key,
                                       std::optional<std::string_view> alias);

// The member `key` of a JSON object, or null when absent or not an object.
const nlohmann::json* find_member(const nlohmann::json& object, std::string_view key);

using GlossaryPair = std::pair<std::string, std::string>;

// One element of the array form: source from "source" else "from", target from
// "target" else "to" (JSON strings, texts exact); unset unless both are found
// and the source is not empty.
std::optional<GlossaryPair> parse_glossary_entry(const nlohmann::json& value);
std::vector<GlossaryPair> collect_glossary_array(const nlohmann::json& array);
// The object form: members with a string value and a non-empty name, in byte
// order of the names.
std::vector<GlossaryPair> collect_glossary_map(const nlohmann::json& object);

}  // namespace zvk
