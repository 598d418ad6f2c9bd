// Reading the settings of a call (the records are in base/options.h) from the
// options_json text and, for a few, the environment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/core_error.h"
#include "base/options.h"
// The environment reader and the shared resolvers, for this layer's callers.
#include "base/settings.h"

namespace zvk {

struct ParsedTranslateOptions {
    TranslateOptions options;
    std::vector<std::string> warnings;
};

inline constexpr std::string_view kApiKeyWarning =
    "api keys in options JSON are ignored; set ZVK_LLM_API_KEY or ZVK_GOOGLE_API_KEY in the "
    "environment";

TranslateOptions default_translate_options();
Result<ParsedTranslateOptions> parse_translate_options(std::string_view options_json);

std::string normalize_mode_word(std::string_view word);
Result<OutputMode> parse_output_mode(std::string_view mode_word,
                                     std::optional<std::string_view> layout_word);
Result<BilingualLayout> parse_bilingual_layout(std::string_view layout_word);

// Worker count, 1 to 8.
Result<std::uint32_t> resolve_job_count(const TranslateOptions& options);

Result<LoadOptions> parse_load_options(std::string_view options_json);
Result<ExtractLimits> parse_extract_limits(std::string_view options_json);

}  // namespace zvk
