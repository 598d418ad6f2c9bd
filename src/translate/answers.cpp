#include "translate/answers.h"

#include <optional>
#include <utility>

#include "base/json_reader.h"
#include "base/text.h"

namespace zvk {

namespace {

constexpr std::string_view kFence = "```";

CoreError answer_error(std::string message) { return CoreError::translation(std::move(message)); }

// A fenced answer loses its fence, its "json" tag and the line break after it.
std::string_view strip_fence(std::string_view text) {
    if (!text.starts_with(kFence)) return text;
    const std::size_t whole = text.size();
    text.remove_prefix(kFence.size());
    if (whole >= 7 && (text.starts_with("json") || text.starts_with("JSON"))) text.remove_prefix(4);
    while (!text.empty() && (text.front() == '\r' || text.front() == '\n')) text.remove_prefix(1);
    if (text.size() > 2 && text.ends_with(kFence)) text.remove_suffix(kFence.size());
    return trim_white_space(text);
}

// From the first "{" or "[" to the last closing character of its kind, when
// the text does not already begin with one.
Result<std::string_view> cut_to_json(std::string_view text) {
    if (!text.empty() && (text.front() == '{' || text.front() == '[')) return text;
    const std::size_t start = text.find_first_of("{[");
    if (start == std::string_view::npos)
        return fail(answer_error("model response did not contain a JSON translation object"));
    const char close = text[start] == '{' ? '}' : ']';
    const std::size_t last = text.rfind(close);
    if (last == std::string_view::npos || last < start)
        return fail(answer_error("model response did not contain a JSON translation object"));
    return text.substr(start, last - start + 1);
}

// The items array a value carries, if any: its member "translations" when that
// is an array, or the value itself when it is an array.
const nlohmann::json* items_array(const nlohmann::json& value) {
    if (value.is_object()) {
        auto found = value.find("translations");
        if (found != value.end() && found->is_array()) return &*found;
    }
    if (value.is_array()) return &value;
    return nullptr;
}

bool has_id_member(const nlohmann::json& value) { return value.is_object() && value.contains("id"); }

Result<AnswerItem> read_item(const nlohmann::json& item) {
    if (!item.is_object()) return fail(answer_error("translation item missing id"));
    auto id = item.find("id");
    // A non-negative integer as written: not a string, not negative, no
    // fraction or exponent. An integer past 2^64 - 1 is a float to the
    // reader and is refused with the rest.
    if (id == item.end() || !id->is_number_unsigned()) return fail(answer_error("translation item missing id"));
    AnswerItem out;
    out.id = id->get<std::uint64_t>();
    for (const char* member : {"text", "translation"}) {
        auto text = item.find(member);
        if (text != item.end() && text->is_string()) {
            out.text = text->get<std::string>();
            return out;
        }
    }
    return fail(answer_error("translation item " + std::to_string(out.id) + " missing text"));
}

Result<std::vector<AnswerItem>> read_items(const nlohmann::json& array) {
    std::vector<AnswerItem> items;
    items.reserve(array.size());
    for (const nlohmann::json& element : array) {
        Result<AnswerItem> item = read_item(element);
        if (!item) return fail(std::move(item.error()));
        items.push_back(std::move(*item));
    }
    return items;
}

}  // namespace

Result<std::vector<AnswerItem>> parse_translation_answer(std::string_view answer) {
    const std::string_view fenced = strip_fence(trim_white_space(answer));
    Result<std::string_view> cut = cut_to_json(fenced);
    if (!cut) return fail(std::move(cut.error()));
    const std::string_view text = *cut;

    // The values are read one at a time and dropped: the first that carries an
    // items array ends the reading, and of the others only what the fallback
    // of bare item objects needs is kept, so a flood of small values never
    // becomes a list of trees.
    bool all_have_id = true;
    std::vector<AnswerItem> loose_items;
    std::optional<CoreError> loose_error;
    bool any_value = false;
    std::size_t pos = 0;
    for (;;) {
        pos = skip_json_white_space(text, pos);
        if (pos >= text.size()) break;
        auto read = read_json_value_at(text, pos);
        if (!read) {
            if (!any_value) return fail(answer_error("invalid translation JSON: " + read.error()));
            break;  // a remark after the JSON
        }
        any_value = true;
        pos = read->end;
        if (const nlohmann::json* array = items_array(read->value)) return read_items(*array);
        if (!all_have_id) continue;
        if (!has_id_member(read->value)) {
            all_have_id = false;
            loose_items.clear();
            loose_items.shrink_to_fit();
            continue;
        }
        if (loose_error) continue;
        Result<AnswerItem> item = read_item(read->value);
        if (item) loose_items.push_back(std::move(*item));
        else loose_error = std::move(item.error());
    }
    if (!all_have_id) return fail(answer_error("translation JSON has no translations array"));
    if (loose_error) return fail(std::move(*loose_error));
    return loose_items;
}

}  // namespace zvk
