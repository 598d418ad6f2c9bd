// The client of an OpenAI-style chat-completions service: one request per
// attempt on a thread of its own, up to four attempts with growing pauses, an
// answer cache for the call, and no secret in any error text.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "base/core_error.h"
#include "base/options.h"
#include "translator/http_client.h"

namespace zvk {

// The pause between attempts. The run injects its own (tests pass one that
// records instead of sleeping); the default sleeps in short slices and ends
// early when the stop flag is raised.
using RetrySleeper = std::function<void(std::chrono::seconds)>;

// What the C++ side hands the client beyond the options; nothing here is
// reachable from options_json or the environment.
struct LlmClientHooks {
    RetrySleeper sleeper;
    // Raised when the run is stopped (Ctrl-C): waits and pauses end at once.
    std::shared_ptr<const std::atomic<bool>> stop;
    // Roots trusted in place of the system bundle (the tests' own).
    std::string trusted_roots_pem;
};

inline constexpr std::string_view kLlmStoppedMessage = "the translation run was stopped";

class LlmTranslator {
public:
    LlmTranslator(std::string base_url, std::string model, std::string api_key,
                  std::optional<std::uint32_t> max_tokens, std::uint64_t timeout_secs,
                  float temperature, LlmClientHooks hooks);

    const std::string& base_url() const { return base_url_; }
    const std::string& model() const { return model_; }
    std::uint64_t timeout_secs() const { return timeout_secs_; }

    // The translate_prompt of an LLM translator; safe on several threads at once.
    Result<std::string> translate(std::string_view system_prompt,
                                  std::string_view user_message) const;

private:
    Result<std::string> run_attempt(const std::string& url, const std::string& body) const;
    bool stopped() const;
    void pause(std::chrono::seconds length) const;

    std::string base_url_;
    std::string model_;
    std::string api_key_;
    std::optional<std::uint32_t> max_tokens_;
    std::uint64_t timeout_secs_;
    float temperature_;
    HttpClient http_client_;
    LlmClientHooks hooks_;
    mutable std::mutex cache_mutex_;
    mutable std::map<std::pair<std::string, std::string>, std::string> answer_cache_;
};

// Reads ZVK_LLM_API_KEY and resolves the settings; fails before anything is
// sent when the key is missing, blank or unsendable.
Result<std::unique_ptr<LlmTranslator>> new_llm_translator(const TranslateOptions& options,
                                                          LlmClientHooks hooks = {});

Result<std::string> llm_translate(const LlmTranslator& translator,
                                  std::string_view system_prompt, std::string_view user_message);

// One request, no retry: the answer's trimmed /choices/0/message/content.
Result<std::string> send_chat_completion(const HttpClient& client, const std::string& url,
                                         const std::string& api_key, const std::string& body);

// base_url without its trailing slashes, then "/chat/completions".
std::string chat_completions_url(std::string_view base_url);

// The request body, pretty-printed, members in byte order.
std::string build_chat_completion_body(std::string_view system_prompt,
                                       std::string_view user_message, std::string_view model,
                                       float temperature, std::optional<std::uint32_t> max_tokens);

// Every occurrence of the secret, then every token after "Bearer ", becomes
// "[redacted]".
std::string redact_secret(std::string_view text, std::string_view secret);

bool is_transient_transport_error(std::string_view text);
// The retry test shared with the keyless Google client; reads an error's
// display text.
bool is_retryable_backend_error(std::string_view display_text);

}  // namespace zvk
