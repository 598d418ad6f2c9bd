// What every translator receives: the system prompts, filled with the English
// names of the languages, and the compact JSON user message that lists the
// segments of a request with their neighbours as context.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/core_error.h"
#include "segment/segmentation.h"
#include "translate/placeholders.h"

namespace zvk {

// One segment of a user message.
struct PromptSegment {
    std::uint32_t id = 0;                     // the unit's segment id
    std::string text;                         // its protected text
    std::vector<std::string> context_before;  // protected texts just before it, in document order
    std::vector<std::string> context_after;   // and just after it
};

// The segment of the unit at `index`, with up to `context_window` protected
// texts on each side taken from the whole unit list. `protected_texts` is
// parallel to `units`.
PromptSegment build_prompt_segment(std::span<const Segment> units,
                                   std::span<const ProtectedText> protected_texts, std::size_t index,
                                   std::uint64_t context_window);

// {"segments":[{"context_after":[…],"context_before":[…],"id":N,"text":"…"},…]}
// with no white space; only '"', '\' and control characters are escaped.
Result<std::string> build_user_message(std::span<const PromptSegment> segments);

// "English", "Chinese (Simplified)", …; a code not in the table (compared
// byte for byte) stands for itself.
std::string language_display_name(std::string_view code);

// The batch system prompt for two language codes, with the hints added for a
// request that repeats one whose answer lost a placeholder or copied the
// English source (the placeholder hint first).
std::string build_system_prompt(std::string_view source_lang, std::string_view target_lang,
                                 bool placeholder_hint, bool copied_english_hint);

// The prompts of the single-unit repairs and retries, for the display name of
// the target language: a quality repair, an independent second translator,
// and a paragraph sent on its own.
std::string build_stricter_prompt(std::string_view target_name);
std::string build_independent_translator_prompt(std::string_view target_name);
std::string build_paragraph_alone_prompt(std::string_view target_name);

}  // namespace zvk
