// Settings of a call: TranslateOptions for translate and save, LoadOptions and
// ExtractLimits for loading and interpreting a PDF, all read from the
// options_json text (and, for a few, the environment).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "api/core_error.h"

namespace zvk {

enum class BilingualLayout : std::uint8_t { SideBySide = 0, Alternating = 1, Overlay = 2 };

// Replace, or bilingual with a layout; held in one byte: 255 replace,
// otherwise the layout's value.
struct OutputMode {
    static constexpr std::uint8_t kReplace = 255;
    std::uint8_t value = kReplace;

    static OutputMode replace() { return {}; }
    static OutputMode bilingual(BilingualLayout layout) {
        return {static_cast<std::uint8_t>(layout)};
    }
    bool is_replace() const { return value == kReplace; }
    bool operator==(const OutputMode&) const = default;
};

struct TranslateOptions {
    std::string source_lang = "en";
    std::string target_lang = "zh";
    std::vector<std::pair<std::string, std::string>> glossary;
    std::optional<std::string> model;
    std::optional<std::string> base_url;
    std::optional<std::string> translator;
    std::optional<std::string> cjk_font;
    std::optional<std::string> cjk_sans;
    std::optional<std::uint32_t> max_tokens;
    std::uint64_t context_window = 2;
    std::uint64_t batch_size = 8;
    std::uint64_t jobs = 0;  // 0: not given
    std::uint64_t timeout_secs = 300;
    float temperature = 0.0f;
    float cjk_size_scale = 0.0f;
    float cjk_leading = 0.0f;
    bool skip_references = true;
    bool skip_figures = true;
    bool skip_tables = true;
    OutputMode output_mode;
};

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

struct LoadOptions {
    std::optional<std::string> password;
    std::uint64_t max_decompressed_size = 67108864;
    bool strict = false;
};

struct ExtractLimits {
    std::optional<std::uint32_t> max_pages;
    std::uint64_t max_stream_bytes = 33554432;
    std::uint32_t max_depth = 32;
};

Result<LoadOptions> parse_load_options(std::string_view options_json);
Result<ExtractLimits> parse_extract_limits(std::string_view options_json);

}  // namespace zvk
