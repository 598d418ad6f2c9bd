// Choosing the translator of a call from its options and the environment, and
// the one operation through which translation reaches whichever service it is.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "base/core_error.h"
#include "base/options.h"
#include "translator/google_client.h"
#include "translator/llm_client.h"

namespace zvk {

// The translator of one call. Shared by the run's worker threads (its
// operation is reentrant); dropped when the call ends.
class TranslatorBackend {
public:
    explicit TranslatorBackend(std::unique_ptr<LlmTranslator> llm) : backend_(std::move(llm)) {}
    explicit TranslatorBackend(GoogleTranslatorPtr google) : backend_(std::move(google)) {}

    // The LLM client, or null for another kind of service.
    const LlmTranslator* llm() const;
    // The Google client (v2, v3 or keyless), or null.
    const GoogleTranslator* google() const;

private:
    // One alternative per family of service.
    std::variant<std::unique_ptr<LlmTranslator>, GoogleTranslatorPtr> backend_;
};

// Reads the environment. Every failure is a translation error. Only when
// nothing is configured does it send one request: the keyless probe.
Result<TranslatorBackend> select_translator(const TranslateOptions& options,
                                            LlmClientHooks hooks = {},
                                            const GoogleClientHooks& google_hooks = {});

Result<GoogleTranslatorPtr> configure_google_v2(const TranslateOptions& options,
                                                const GoogleClientHooks& hooks = {});
Result<GoogleTranslatorPtr> configure_google_v3(const TranslateOptions& options,
                                                const GoogleClientHooks& hooks = {});

// A system prompt and a user message in, the service's answer text out.
Result<std::string> translate_prompt(const TranslatorBackend& translator,
                                     std::string_view system_prompt,
                                     std::string_view user_message);

// "tervox" for the default LLM endpoint, "openai" for any other LLM base URL,
// the kind word for a Google translator.
std::string translator_backend_name(const TranslatorBackend& translator);

// The result's `translator` summary: the backend name and the model as the
// translator resolved it at construction (a Google translator's kind word).
struct TranslatorSummary {
    std::string backend;
    std::string model;
};
TranslatorSummary translator_summary(const TranslatorBackend& translator);

// The variable exists, is valid UTF-8 and is not blank.
bool env_var_is_set(const char* name);
bool string_is_blank(std::string_view text);

}  // namespace zvk
