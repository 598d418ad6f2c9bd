#include "translator/select.h"

#include "base/ascii.h"
#include "base/settings.h"
#include "base/text.h"

namespace zvk {

namespace {

// "https://" + 14-byte host + "/v1": 25 bytes.
constexpr std::string_view kOpenAiBaseUrl = "https://api.openai.com/v1";
constexpr std::string_view kOpenAiModel = "gpt-4o-mini";

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

Result<TranslatorBackend> build_google(Result<GoogleTranslatorPtr> google) {
    if (!google) return fail(std::move(google.error()));
    return TranslatorBackend(std::move(*google));
}

// ZVK_GOOGLE_BASE_URL, as read, in place of the v2 and v3 default.
void apply_google_base_url(GoogleTranslator& translator) {
    std::optional<std::string> base = read_environment("ZVK_GOOGLE_BASE_URL");
    if (base && !string_is_blank(*base)) translator.base_url = std::move(*base);
}

}  // namespace

const LlmTranslator* TranslatorBackend::llm() const {
    const auto* llm = std::get_if<std::unique_ptr<LlmTranslator>>(&backend_);
    return llm != nullptr ? llm->get() : nullptr;
}

const GoogleTranslator* TranslatorBackend::google() const {
    const auto* google = std::get_if<GoogleTranslatorPtr>(&backend_);
    return google != nullptr ? google->get() : nullptr;
}

bool string_is_blank(std::string_view text) { return trim_white_space(text).empty(); }

bool env_var_is_set(const char* name) {
    std::optional<std::string> value = read_environment(name);
    return value.has_value() && !string_is_blank(*value);
}

Result<GoogleTranslatorPtr> configure_google_v2(const TranslateOptions& options,
                                                const GoogleClientHooks& hooks) {
    std::optional<std::string> key = read_environment("ZVK_GOOGLE_API_KEY");
    if (!key)
        return fail(CoreError::translation(
            "ZVK_GOOGLE_API_KEY is not set; the Google API key is accepted only from that "
            "environment variable"));
    auto translator =
        new_google_v2_translator(options.source_lang, options.target_lang, std::move(*key), hooks);
    if (translator) apply_google_base_url(**translator);
    return translator;
}

Result<GoogleTranslatorPtr> configure_google_v3(const TranslateOptions& options,
                                                const GoogleClientHooks& hooks) {
    std::string project = read_environment("ZVK_GOOGLE_PROJECT").value_or("");
    std::string location = read_environment("ZVK_GOOGLE_LOCATION").value_or("global");
    auto finish = [](Result<GoogleTranslatorPtr> translator) {
        if (translator) apply_google_base_url(**translator);
        return translator;
    };
    if (std::optional<std::string> token = read_environment("ZVK_GOOGLE_ACCESS_TOKEN");
        token && !string_is_blank(*token))
        return finish(new_google_v3_with_token(options.source_lang, options.target_lang,
                                               std::move(project), std::move(location),
                                               std::move(*token), hooks));

    const CoreError needs_credentials = CoreError::translation(
        "Google Translation v3 needs ZVK_GOOGLE_ACCESS_TOKEN or ZVK_GOOGLE_CREDENTIALS");
    std::optional<std::string> json = read_environment("ZVK_GOOGLE_CREDENTIALS_JSON");
    if (json) {
        // A present but blank variable does not fall back on the file.
        if (string_is_blank(*json)) return fail(needs_credentials);
    } else if (std::optional<std::string> path = read_environment("ZVK_GOOGLE_CREDENTIALS");
               path && !string_is_blank(*path)) {
        auto text = read_credentials_file(*path);
        if (!text) return fail(CoreError::translation("read ZVK_GOOGLE_CREDENTIALS: " + text.error()));
        json = std::move(*text);
    }
    if (!json || json->empty()) return fail(needs_credentials);
    return finish(new_google_v3_with_service_account(options.source_lang, options.target_lang,
                                                     std::move(project), std::move(location),
                                                     *json, hooks));
}

Result<TranslatorBackend> select_translator(const TranslateOptions& options,
                                            LlmClientHooks hooks,
                                            const GoogleClientHooks& google_hooks) {
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
        if (kind == "google" || kind == "google-v2")
            return build_google(configure_google_v2(options, google_hooks));
        if (kind == "google-v3") return build_google(configure_google_v3(options, google_hooks));
        // No probe, and ZVK_GOOGLE_BASE_URL does not apply.
        if (kind == "google-web" || kind == "google-unofficial")
            return TranslatorBackend(new_keyless_google_translator(
                options.source_lang, options.target_lang, google_hooks));
        return fail(CoreError::translation(
            "unknown translator `" + kind +
            "`; expected tervox, openai, google-v2, google-v3, or google-unofficial"));
    }

    if (env_var_is_set("ZVK_LLM_API_KEY") || env_var_is_set("ZVK_LLM_BASE_URL") ||
        env_var_is_set("ZVK_LLM_MODEL") || option_is_set(options.model) ||
        option_is_set(options.base_url))
        return build_llm(options, std::move(hooks));
    if (env_var_is_set("ZVK_GOOGLE_API_KEY"))
        return build_google(configure_google_v2(options, google_hooks));
    if (env_var_is_set("ZVK_GOOGLE_ACCESS_TOKEN") || env_var_is_set("ZVK_GOOGLE_CREDENTIALS") ||
        env_var_is_set("ZVK_GOOGLE_CREDENTIALS_JSON"))
        return build_google(configure_google_v3(options, google_hooks));
    if (GoogleTranslatorPtr keyless =
            probe_keyless_google(options.source_lang, options.target_lang, google_hooks))
        return TranslatorBackend(std::move(keyless));
    return fail(CoreError::translation(
        "no translator is configured and Google Translate is unreachable; set ZVK_LLM_API_KEY "
        "or ZVK_TRANSLATOR"));
}

Result<std::string> translate_prompt(const TranslatorBackend& translator,
                                     std::string_view system_prompt,
                                     std::string_view user_message) {
    if (const GoogleTranslator* google = translator.google())
        return google_translate_payload(*google, user_message);
    return llm_translate(*translator.llm(), system_prompt, user_message);
}

std::string translator_backend_name(const TranslatorBackend& translator) {
    if (const GoogleTranslator* google = translator.google())
        return std::string(google_kind_word(google->api_kind));
    std::string_view base_url = translator.llm()->base_url();
    while (!base_url.empty() && base_url.back() == '/') base_url.remove_suffix(1);
    return base_url == kDefaultLlmBaseUrl ? "tervox" : "openai";
}

TranslatorSummary translator_summary(const TranslatorBackend& translator) {
    if (const GoogleTranslator* google = translator.google())
        return {std::string(google_kind_word(google->api_kind)),
                std::string(google_kind_word(google->api_kind))};
    return {translator_backend_name(translator), translator.llm()->model()};
}

}  // namespace zvk
