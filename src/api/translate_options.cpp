// Translate options: the options_json keys of translate and save,
// the output-mode words, and the resolver of the worker count (the LLM
// settings resolve in base/settings.cpp).
#include <algorithm>
#include <cstdlib>
#include <exception>
#include <new>

#include "api/options.h"
#include "api/options_json.h"
#include "base/ascii.h"
#include "base/checked.h"
#include "base/settings.h"
#include "base/text.h"
#include "base/utf8.h"

namespace zvk {

namespace {

using nlohmann::json;

constexpr std::uint64_t kMaxJobs = 8;
constexpr std::uint64_t kDefaultJobs = 4;

// A JSON true or false under `key`.
std::optional<bool> read_bool(const json& object, std::string_view key) {
    const json* member = find_member(object, key);
    if (member == nullptr || !member->is_boolean()) return std::nullopt;
    return member->get<bool>();
}

std::optional<std::uint64_t> read_integer(const json& object, std::string_view key) {
    const json* member = find_member(object, key);
    if (member == nullptr) return std::nullopt;
    return read_non_negative_integer(*member);
}

// One worker-count member: a non-negative JSON integer, or a string holding an
// unsigned decimal after trimming.
std::optional<std::uint64_t> read_jobs_value(const json& object, std::string_view key) {
    const json* member = find_member(object, key);
    if (member == nullptr) return std::nullopt;
    if (member->is_string())
        return parse_unsigned_decimal(trim_white_space(member->get_ref<const std::string&>()));
    return read_non_negative_integer(*member);
}

Result<ParsedTranslateOptions> parse_object(const json& object) {
    ParsedTranslateOptions parsed;
    TranslateOptions& o = parsed.options;
    if (!object.is_object()) return parsed;

    for (std::string_view key : {"api_key", "apiKey", "google_api_key"}) {
        if (find_member(object, key) != nullptr) {
            parsed.warnings.emplace_back(kApiKeyWarning);
            break;
        }
    }

    if (auto v = read_string_option(object, "source_lang", "from")) o.source_lang = std::move(*v);
    if (auto v = read_string_option(object, "target_lang", "to")) o.target_lang = std::move(*v);
    if (auto v = read_string_option(object, "model", std::nullopt)) o.model = std::move(*v);
    if (auto v = read_string_option(object, "base_url", "baseUrl")) o.base_url = std::move(*v);
    if (auto v = read_string_option(object, "translator", "backend")) o.translator = std::move(*v);
    if (auto v = read_integer(object, "context_window")) o.context_window = *v;
    if (auto v = read_integer(object, "batch_size")) o.batch_size = *v;

    std::optional<std::uint64_t> jobs = read_jobs_value(object, "jobs");
    if (!jobs) jobs = read_jobs_value(object, "translate_jobs");
    if (jobs) {
        if (*jobs == 0) return fail(CoreError::invalid_options("jobs must be at least 1"));
        o.jobs = *jobs;
    }

    // Any JSON number, as the nearest float; one whose float is not finite is
    // not accepted (the temperature stays 0).
    if (const json* member = find_member(object, "temperature")) {
        if (auto v = read_finite_f32(*member)) o.temperature = *v;
    }
    if (auto v = read_integer(object, "timeout_secs")) o.timeout_secs = *v;
    // Saturates: 4294967297 is 4294967295, not its low 32 bits (1).
    if (auto v = read_integer(object, "max_tokens"))
        o.max_tokens = saturate_cast<std::uint32_t>(*v);
    if (auto v = read_bool(object, "skip_references")) o.skip_references = *v;
    if (auto v = read_bool(object, "skip_figures")) o.skip_figures = *v;
    if (auto v = read_bool(object, "skip_tables")) o.skip_tables = *v;
    if (auto v = read_string_option(object, "cjk_font", "cjk_serif")) o.cjk_font = std::move(*v);
    if (auto v = read_string_option(object, "cjk_sans", std::nullopt)) o.cjk_sans = std::move(*v);
    if (auto v = read_float_option(object, "cjk_size_scale", "cjkSizeScale")) o.cjk_size_scale = *v;
    if (auto v = read_float_option(object, "cjk_leading", "cjkLeading")) o.cjk_leading = *v;

    std::optional<std::string> layout_word = read_string_option(object, "bilingual_layout", "layout");
    std::optional<std::string> mode_word = read_string_option(object, "output_mode", "mode");
    std::optional<std::string_view> layout_view;
    if (layout_word) layout_view = *layout_word;
    if (mode_word) {
        auto mode = parse_output_mode(*mode_word, layout_view);
        if (!mode) return fail(mode.error());
        o.output_mode = *mode;
    } else if (const json* bilingual = find_member(object, "bilingual");
               bilingual != nullptr && bilingual->is_boolean() && bilingual->get<bool>()) {
        auto mode = parse_output_mode("bilingual", layout_view);
        if (!mode) return fail(mode.error());
        o.output_mode = *mode;
    }

    if (const json* glossary = find_member(object, "glossary")) {
        if (glossary->is_array()) o.glossary = collect_glossary_array(*glossary);
        else if (glossary->is_object()) o.glossary = collect_glossary_map(*glossary);
    }

    if (o.batch_size == 0) return fail(CoreError::invalid_options("batch_size must be at least 1"));
    return parsed;
}

}  // namespace

TranslateOptions default_translate_options() { return TranslateOptions{}; }

Result<ParsedTranslateOptions> parse_translate_options(std::string_view options_json) {
    if (trim_white_space(options_json).empty()) return ParsedTranslateOptions{};
    try {
        auto value = read_json(options_json);
        if (!value) return fail(CoreError::invalid_options(std::move(value.error())));
        return parse_object(*value);
    } catch (const std::bad_alloc&) {
        return fail(CoreError::out_of_memory());
    } catch (const std::exception& e) {
        return fail(CoreError::invalid_options(e.what()));
    }
}

std::string normalize_mode_word(std::string_view word) {
    std::string out(trim_white_space(word));
    for (char& c : out) {
        c = c == '_' ? '-' : ascii_lower_char(c);
    }
    return out;
}

namespace {

std::optional<BilingualLayout> layout_of_word(std::string_view normalized) {
    if (normalized == "side-by-side" || normalized == "sidebyside" || normalized == "parallel")
        return BilingualLayout::SideBySide;
    if (normalized == "alternate" || normalized == "alternating" || normalized == "interleaved")
        return BilingualLayout::Alternating;
    if (normalized == "overlay") return BilingualLayout::Overlay;
    return std::nullopt;
}

}  // namespace

Result<BilingualLayout> parse_bilingual_layout(std::string_view layout_word) {
    std::string word = normalize_mode_word(layout_word);
    if (auto layout = layout_of_word(word)) return *layout;
    return fail(CoreError::invalid_options("unknown bilingual layout `" + word +
                                           "`; use side-by-side, alternating, or overlay"));
}

Result<OutputMode> parse_output_mode(std::string_view mode_word,
                                     std::optional<std::string_view> layout_word) {
    std::string word = normalize_mode_word(mode_word);
    if (word == "replace" || word == "mono" || word == "translation") return OutputMode::replace();
    // The layout words that are also mode words ignore the layout word.
    if (auto layout = layout_of_word(word)) return OutputMode::bilingual(*layout);
    if (word == "bilingual" || word == "bi") {
        auto layout = parse_bilingual_layout(layout_word.value_or("side-by-side"));
        if (!layout) return fail(layout.error());
        return OutputMode::bilingual(*layout);
    }
    return fail(CoreError::invalid_options(
        "unknown output mode `" + word +
        "`; use replace, side-by-side, alternating, or overlay"));
}

Result<std::uint32_t> resolve_job_count(const TranslateOptions& options) {
    std::uint64_t jobs = options.jobs;
    if (jobs == 0) {
        std::optional<std::string> env = read_environment("ZVK_TRANSLATE_JOBS");
        std::string_view trimmed = env ? trim_white_space(*env) : std::string_view();
        if (trimmed.empty()) {
            jobs = kDefaultJobs;
        } else {
            std::optional<std::uint64_t> value = parse_unsigned_decimal(trimmed);
            if (!value || *value == 0)
                return fail(CoreError::invalid_options(
                    "ZVK_TRANSLATE_JOBS must be a positive integer, got `" + std::string(trimmed) +
                    "`"));
            jobs = *value;
        }
    }
    return static_cast<std::uint32_t>(std::min(jobs, kMaxJobs));
}

}  // namespace zvk
