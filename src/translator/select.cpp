#include "translator/select.h"

#include "base/ascii.h"
#include "base/settings.h"
#include "base/text.h"

namespace zvk {

namespace {

// "https://" + 14-byte host + "/v1": 25 bytes.
constexpr std::string_view kOpenAiBaseUrl = "https://api.openai.com/v1";
constexpr std::string_view kOpenAiModel = "gpt-4o-mini";

// The Google clients are not part of this build yet: choosing one, by kind or
// by the automatic rules, ends the call here without sending anything.
CoreError google_unavailable(std::string_view kind_word) {
    return CoreError::translation("Google Translate (" + std::string(kind_word) +
                                  ") is not available yet; use the tervox or openai translator");
}

bool option_is_set(const std::optional<std::string>& option) {
    return option.has_value() && !string_is_blank(*option);
}

Result<TranslatorBackend> build_llm(const TranslateOptions& options, LlmClientHooks hooks) {
    auto llm = new_llm_translator(options, std::move(hooks));
    if (!llm) return fail(std::move(llm.error()));
    return TranslatorBackend(std::move(*llm));
}

// The OpenAI presets fill only what neither the options nor the environment
// set, so ZVK_LLM_BASE_URL and ZVK_LLM_MODEL still win over them.
TranslateOptions with_openai_presets(const TranslateOptions& options) {
    TranslateOptions copy = options;
    if (!option_is_set(copy.base_url) && !env_var_is_set("ZVK_LLM_BASE_URL"))
        copy.base_url = std::string(kOpenAiBaseUrl);
    if (!option_is_set(copy.model) && !env_var_is_set("ZVK_LLM_MODEL"))
        copy.model = std::string(kOpenAiModel);
    return copy;
}

}  // namespace

const LlmTranslator* TranslatorBackend::llm() const {
    return std::get<std::unique_ptr<LlmTranslator>>(backend_).get();
}

bool string_is_blank(std::string_view text) { return trim_white_space(text).empty(); }

bool env_var_is_set(const char* name) {
    std::optional<std::string> value = read_environment(name);
    return value.has_value() && !string_is_blank(*value);
}

Result<TranslatorBackend> select_translator(const TranslateOptions& options,
                                            LlmClientHooks hooks) {
    std::optional<std::string> word;
    if (option_is_set(options.translator)) {
        word = std::string(trim_white_space(*options.translator));
    } else if (std::optional<std::string> env = read_environment("ZVK_TRANSLATOR");
               env && !string_is_blank(*env)) {
        word = std::string(trim_white_space(*env));
    }

    if (word) {
        std::string kind = ascii_lower(*word);
        if (kind == "llm" || kind == "tervox") return build_llm(options, std::move(hooks));
        if (kind == "openai") return build_llm(with_openai_presets(options), std::move(hooks));
        if (kind == "google" || kind == "google-v2") return fail(google_unavailable("google-v2"));
        if (kind == "google-v3") return fail(google_unavailable("google-v3"));
        if (kind == "google-web" || kind == "google-unofficial")
            return fail(google_unavailable("google-unofficial"));
        return fail(CoreError::translation(
            "unknown translator `" + kind +
            "`; expected tervox, openai, google-v2, google-v3, or google-unofficial"));
    }

    if (env_var_is_set("ZVK_LLM_API_KEY") || env_var_is_set("ZVK_LLM_BASE_URL") ||
        env_var_is_set("ZVK_LLM_MODEL") || option_is_set(options.model) ||
        option_is_set(options.base_url))
        return build_llm(options, std::move(hooks));
    if (env_var_is_set("ZVK_GOOGLE_API_KEY")) return fail(google_unavailable("google-v2"));
    if (env_var_is_set("ZVK_GOOGLE_ACCESS_TOKEN") || env_var_is_set("ZVK_GOOGLE_CREDENTIALS") ||
        env_var_is_set("ZVK_GOOGLE_CREDENTIALS_JSON"))
        return fail(google_unavailable("google-v3"));
    // The keyless endpoint would be probed here; without its client no probe
    // is sent.
    return fail(CoreError::translation(
        "no translator is configured and Google Translate is not available yet; set "
        "ZVK_LLM_API_KEY or ZVK_TRANSLATOR"));
}

Result<std::string> translate_prompt(const TranslatorBackend& translator,
                                     std::string_view system_prompt,
                                     std::string_view user_message) {
    return llm_translate(*translator.llm(), system_prompt, user_message);
}

std::string translator_backend_name(const TranslatorBackend& translator) {
    std::string_view base_url = translator.llm()->base_url();
    while (!base_url.empty() && base_url.back() == '/') base_url.remove_suffix(1);
    return base_url == kDefaultLlmBaseUrl ? "tervox" : "openai";
}

TranslatorSummary translator_summary(const TranslatorBackend& translator) {
    return {translator_backend_name(translator), translator.llm()->model()};
}

}  // namespace zvk
