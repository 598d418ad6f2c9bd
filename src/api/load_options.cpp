// Load options and extraction limits: the options_json keys of
// the PDF reader and of content interpretation. No aliases; a value of any
// other form leaves the default.
#include <algorithm>
#include <exception>
#include <new>

#include "api/options.h"
#include "api/options_json.h"
#include "base/checked.h"
#include "base/text.h"

namespace zvk {

namespace {

using nlohmann::json;

std::optional<std::uint64_t> read_integer(const json& object, std::string_view key) {
    const json* member = find_member(object, key);
    if (member == nullptr) return std::nullopt;
    return read_non_negative_integer(*member);
}

// Parses options_json and hands the object (or null for any other JSON value)
// to `read`; empty or blank text leaves `result` at its defaults.
template <typename T, typename Read>
Result<T> parse_with(std::string_view options_json, Read read) {
    T result{};
    if (trim_white_space(options_json).empty()) return result;
    try {
        auto value = read_json(options_json);
        if (!value) return fail(CoreError::invalid_options(std::move(value.error())));
        if (value->is_object()) read(*value, result);
        return result;
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    } catch (const std::exception& e) {
        return fail(CoreError::invalid_options(e.what()));
    }
}

}  // namespace

Result<LoadOptions> parse_load_options(std::string_view options_json) {
    return parse_with<LoadOptions>(options_json, [](const json& object, LoadOptions& o) {
        if (const json* password = find_member(object, "password"); password && password->is_string())
            o.password = password->get<std::string>();  // exact: "" is a password
        if (auto v = read_integer(object, "max_decompressed_size")) o.max_decompressed_size = *v;
        if (const json* strict = find_member(object, "strict"); strict && strict->is_boolean())
            o.strict = strict->get<bool>();
    });
}

Result<ExtractLimits> parse_extract_limits(std::string_view options_json) {
    return parse_with<ExtractLimits>(options_json, [](const json& object, ExtractLimits& l) {
        // Fields of 32 bits saturate: a value beyond 4294967295 is 4294967295,
        // never its low 32 bits (wrapping would turn a huge limit such as
        // 4294967298 into a tiny one, 2).
        if (auto v = read_integer(object, "max_pages")) l.max_pages = saturate_cast<std::uint32_t>(*v);
        if (auto v = read_integer(object, "max_stream_bytes")) l.max_stream_bytes = *v;
        if (auto v = read_integer(object, "max_depth")) l.max_depth = saturate_cast<std::uint32_t>(*v);
    });
}

}  // namespace zvk
