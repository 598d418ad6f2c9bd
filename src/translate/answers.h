// Reading a translator's answer: JSON carrying one translation per segment id,
// in the shape the prompts ask for or in the variants models write instead
// (a fenced block, prose around the object, a bare array, item objects one
// after another, a remark after the JSON).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/core_error.h"

namespace zvk {

// One item of an answer. The id is kept as written (up to 2^64 - 1), so an
// id beyond the 32-bit segment ids matches no segment rather than one whose
// id shares its low bits.
struct AnswerItem {
    std::uint64_t id = 0;
    std::string text;
    bool operator==(const AnswerItem&) const = default;
};

// The items in answer order, or a Translation error with one of the messages
// "model response did not contain a JSON translation object", "invalid
// translation JSON: {}", "translation JSON has no translations array",
// "translation item missing id", "translation item {} missing text".
// Items are not matched with the request here.
Result<std::vector<AnswerItem>> parse_translation_answer(std::string_view answer);

}  // namespace zvk
