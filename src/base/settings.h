// Settings that come from an option, an environment variable or a default:
// the environment reader and the resolvers that every layer shares (the LLM
// client resolves its model and base URL with them, the entry its job count).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/options.h"

namespace zvk {

// The default LLM endpoint: an HTTPS base URL whose path is /api/llm/v1.
extern const std::string_view kDefaultLlmBaseUrl;

// An environment variable, unset when missing or not valid UTF-8.
std::optional<std::string> read_environment(const char* name);

// The first of the option and the environment value that is not empty after
// trimming, trimmed; else the default.
std::string resolve_setting(const std::optional<std::string>& option,
                            const std::optional<std::string>& environment,
                            std::string_view default_value);

std::string resolve_llm_model(const TranslateOptions& options);
std::string resolve_llm_base_url(const TranslateOptions& options);

}  // namespace zvk
