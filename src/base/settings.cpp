#include "base/settings.h"

#include <cstdlib>

#include "base/text.h"
#include "base/utf8.h"

namespace zvk {

// "https://" + 16-byte host + "/api/llm/v1": 35 bytes. The translator's backend
// name compares base URLs with this exact text.
const std::string_view kDefaultLlmBaseUrl = "https://llm.tervox.cloud/api/llm/v1";

std::optional<std::string> read_environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || !is_valid_utf8(value)) return std::nullopt;
    return std::string(value);
}

std::string resolve_setting(const std::optional<std::string>& option,
                            const std::optional<std::string>& environment,
                            std::string_view default_value) {
    for (const std::optional<std::string>* candidate : {&option, &environment}) {
        if (!candidate->has_value()) continue;
        std::string_view trimmed = trim_white_space(**candidate);
        if (!trimmed.empty()) return std::string(trimmed);
    }
    return std::string(default_value);
}

std::string resolve_llm_model(const TranslateOptions& options) {
    return resolve_setting(options.model, read_environment("ZVK_LLM_MODEL"), "auto");
}

std::string resolve_llm_base_url(const TranslateOptions& options) {
    return resolve_setting(options.base_url, read_environment("ZVK_LLM_BASE_URL"),
                           kDefaultLlmBaseUrl);
}

}  // namespace zvk
