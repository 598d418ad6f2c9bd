// Settings of a call as plain records: TranslateOptions for translate and
// save, LoadOptions and ExtractLimits for loading and interpreting a PDF. The
// layers below the entry read them; api/options.h parses them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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

}  // namespace zvk
