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

namespace zvk {

struct ParsedTranslateOptions {
    TranslateOptions options;
    std::vector<std::string> warnings;
};

inline constexpr std::string_view kApiKeyWarning =
    "api keys in options JSON are ignored; set ZVK_LLM_API_KEY or ZVK_GOOGLE_API_KEY in the "
    "environment";

// The default LLM endpoint: an HTTPS base URL whose path is /api/llm/v1.
extern const std::string_view kDefaultLlmBaseUrl;

TranslateOptions default_translate_options();
Result<ParsedTranslateOptions> parse_translate_options(std::string_view options_json);

std::string normalize_mode_word(std::string_view word);
Result<OutputMode> parse_output_mode(std::string_view mode_word,
                                     std::optional<std::string_view> layout_word);
Result<BilingualLayout> parse_bilingual_layout(std::string_view layout_word);

// The first of the option and the environment value that is not empty after
// trimming, trimmed; else the default.
std::string resolve_setting(const std::optional<std::string>& option,
                            const std::optional<std::string>& environment,
                            std::string_view default_value);
// Worker count, 1 to 8.
Result<std::uint32_t> resolve_job_count(const TranslateOptions& options);
std::string resolve_llm_model(const TranslateOptions& options);
std::string resolve_llm_base_url(const TranslateOptions& options);

// An environment variable, unset when missing or not valid UTF-8.
std::optional<std::string> read_environment(const char* name);

Result<LoadOptions> parse_load_options(std::string_view options_json);
Result<ExtractLimits> parse_extract_limits(std::string_view options_json);

}  // namespace zvk
