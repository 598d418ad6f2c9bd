#include "translator/llm_client.h"

#include <condition_variable>
#include <exception>
#include <new>
#include <thread>

#include "base/ascii.h"
#include "base/json_reader.h"
#include "base/json_writer.h"
#include "base/settings.h"
#include "base/text.h"
#include "base/utf8.h"

namespace zvk {

namespace {

constexpr int kMaxAttempts = 4;
// The pause after attempt 1, 2 and 3.
constexpr std::chrono::seconds kRetryPauses[] = {std::chrono::seconds(2), std::chrono::seconds(4),
                                                 std::chrono::seconds(8)};
// How often a wait or a pause looks at the stop flag: short enough that Ctrl-C
// ends a run without a noticeable delay.
constexpr std::chrono::milliseconds kStopCheckSlice(100);

constexpr std::string_view kEmptyContentMessage =
    "LLM response had empty message.content (reasoning tokens are ignored)";

// The hand-over between an attempt's thread and the caller waiting for it.
// Shared by both, so whichever ends last frees it.
struct AttemptChannel {
    std::mutex mutex;
    std::condition_variable ready;
    std::optional<Result<std::string>> result;
    bool finished = false;  // the thread is done, with or without a result
};

// The body of an attempt's thread. It owns copies of everything it reads and
// catches everything: it may outlive the call that started it, and an
// exception escaping it would end the process.
void run_llm_request_thread(HttpClient client, std::string url, std::string api_key,
                            std::string body, std::shared_ptr<AttemptChannel> channel) noexcept {
    std::optional<Result<std::string>> result;
    try {
        if (ready_thread_for_exceptions()) result = send_chat_completion(client, url, api_key, body);
    } catch (...) {
        result.reset();  // the waiter reports "LLM request failed"
    }
    try {
        std::lock_guard<std::mutex> guard(channel->mutex);
        channel->result = std::move(result);
        channel->finished = true;
    } catch (...) {
        // A lock that cannot be taken leaves the waiter to its time limit.
        return;
    }
    channel->ready.notify_all();
}

// The string at /choices/0/message/content, if there is one.
const nlohmann::json* find_message_content(const nlohmann::json& answer) {
    if (!answer.is_object()) return nullptr;
    auto choices = answer.find("choices");
    if (choices == answer.end() || !choices->is_array() || choices->empty()) return nullptr;
    const nlohmann::json& first = (*choices)[0];
    if (!first.is_object()) return nullptr;
    auto message = first.find("message");
    if (message == first.end() || !message->is_object()) return nullptr;
    auto content = message->find("content");
    if (content == message->end() || !content->is_string()) return nullptr;
    return &*content;
}

}  // namespace

LlmTranslator::LlmTranslator(std::string base_url, std::string model, std::string api_key,
                             std::optional<std::uint32_t> max_tokens, std::uint64_t timeout_secs,
                             float temperature, LlmClientHooks hooks)
    : base_url_(std::move(base_url)),
      model_(std::move(model)),
      api_key_(std::move(api_key)),
      max_tokens_(max_tokens),
      timeout_secs_(clamp_timeout_secs(timeout_secs)),
      temperature_(temperature),
      http_client_(HttpClientSettings{timeout_secs_, kDefaultHttpBodyLimit,
                                      std::move(hooks.trusted_roots_pem), hooks.stop}),
      hooks_(std::move(hooks)) {}

bool LlmTranslator::stopped() const {
    return hooks_.stop != nullptr && hooks_.stop->load(std::memory_order_relaxed);
}

void LlmTranslator::pause(std::chrono::seconds length) const {
    if (hooks_.sleeper) {
        hooks_.sleeper(length);
        return;
    }
    auto end = std::chrono::steady_clock::now() + length;
    while (!stopped()) {
        auto now = std::chrono::steady_clock::now();
        if (now >= end) return;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
            end - now, kStopCheckSlice));
    }
}

Result<std::string> LlmTranslator::run_attempt(const std::string& url,
                                               const std::string& body) const {
    auto channel = std::make_shared<AttemptChannel>();
    try {
        std::thread(run_llm_request_thread, http_client_, url, api_key_, body, channel).detach();
    } catch (const std::system_error&) {
        // No thread: end with an error rather than wait for nothing.
        return fail(CoreError::translation("LLM request failed"));
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_secs_);
    std::unique_lock<std::mutex> lock(channel->mutex);
    while (!channel->finished) {
        if (stopped()) return fail(CoreError::translation(std::string(kLlmStoppedMessage)));
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return fail(CoreError::translation("timeout: global"));
        channel->ready.wait_until(lock, std::min(deadline, now + kStopCheckSlice));
    }
    // A thread that finished without a result failed abnormally.
    if (!channel->result) return fail(CoreError::translation("LLM request failed"));
    return std::move(*channel->result);
}

Result<std::string> LlmTranslator::translate(std::string_view system_prompt,
                                             std::string_view user_message) const {
    auto key = std::make_pair(std::string(system_prompt), std::string(user_message));
    {
        std::lock_guard<std::mutex> guard(cache_mutex_);
        auto hit = answer_cache_.find(key);
        if (hit != answer_cache_.end()) return hit->second;
    }
    std::optional<CoreError> last_error;
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
        if (stopped()) return fail(CoreError::translation(std::string(kLlmStoppedMessage)));
        std::string url = chat_completions_url(base_url_);
        std::string body = build_chat_completion_body(system_prompt, user_message, model_,
                                                      temperature_, max_tokens_);
        Result<std::string> answer = run_attempt(url, body);
        if (answer) {
            std::lock_guard<std::mutex> guard(cache_mutex_);
            answer_cache_.insert_or_assign(std::move(key), *answer);
            return answer;
        }
        if (attempt == kMaxAttempts || !is_retryable_backend_error(answer.error().display()))
            return answer;
        last_error = std::move(answer.error());
        pause(kRetryPauses[attempt - 1]);
    }
    return fail(std::move(*last_error));  // not reached: the last attempt returns
}

Result<std::unique_ptr<LlmTranslator>> new_llm_translator(const TranslateOptions& options,
                                                          LlmClientHooks hooks) {
    std::optional<std::string> api_key = read_environment("ZVK_LLM_API_KEY");
    if (!api_key)
        return fail(CoreError::translation(
            "ZVK_LLM_API_KEY is not set; the API key is accepted only from that environment "
            "variable"));
    if (trim_white_space(*api_key).empty())
        return fail(CoreError::translation("ZVK_LLM_API_KEY is empty"));
    // Sent as read; a line break in it would end the Authorization header and
    // let the rest of the variable write headers of its own. Never quoted.
    if (!is_sendable_header_value(*api_key))
        return fail(CoreError::translation(
            "ZVK_LLM_API_KEY holds a control character (a line break?); it cannot be sent "
            "in a header"));
    return std::make_unique<LlmTranslator>(resolve_llm_base_url(options),
                                           resolve_llm_model(options), std::move(*api_key),
                                           options.max_tokens, options.timeout_secs,
                                           options.temperature, std::move(hooks));
}

Result<std::string> llm_translate(const LlmTranslator& translator,
                                  std::string_view system_prompt, std::string_view user_message) {
    return translator.translate(system_prompt, user_message);
}

Result<std::string> send_chat_completion(const HttpClient& client, const std::string& url,
                                         const std::string& api_key, const std::string& body) {
    std::vector<HttpHeader> headers = {{"Authorization", "Bearer " + api_key},
                                       {"Content-Type", "application/json"}};
    HttpResult response = client.post(url, headers, body);
    if (!response) {
        const HttpFailure& failure = response.error();
        if (failure.status != 0)
            return fail(CoreError::translation("LLM HTTP status " + std::to_string(failure.status)));
        return fail(CoreError::translation(redact_secret(failure.text, api_key)));
    }
    auto answer = read_json(*response);
    if (!answer) return fail(CoreError::translation(redact_secret("json: " + answer.error(), api_key)));
    const nlohmann::json* content = find_message_content(*answer);
    if (content == nullptr) return fail(CoreError::translation(std::string(kEmptyContentMessage)));
    std::string_view trimmed = trim_white_space(content->get_ref<const std::string&>());
    if (trimmed.empty()) return fail(CoreError::translation(std::string(kEmptyContentMessage)));
    return std::string(trimmed);
}

std::string chat_completions_url(std::string_view base_url) {
    while (!base_url.empty() && base_url.back() == '/') base_url.remove_suffix(1);
    std::string url(base_url);
    url += "/chat/completions";
    return url;
}

std::string build_chat_completion_body(std::string_view system_prompt,
                                       std::string_view user_message, std::string_view model,
                                       float temperature,
                                       std::optional<std::uint32_t> max_tokens) {
    std::string out;
    JsonWriter writer(out, true);
    writer.begin_object();
    if (max_tokens) {
        writer.key("max_tokens");
        writer.u64(*max_tokens);
    }
    writer.key("messages");
    writer.begin_array();
    for (auto [content, role] : {std::pair{system_prompt, std::string_view("system")},
                                 std::pair{user_message, std::string_view("user")}}) {
        writer.begin_object();
        writer.member("content", content);
        writer.member("role", role);
        writer.end_object();
    }
    writer.end_array();
    writer.member("model", model);
    writer.key("temperature");
    writer.f32(temperature);
    writer.end_object();
    writer.finish();
    return out;
}

std::string redact_secret(std::string_view text, std::string_view secret) {
    constexpr std::string_view kRedacted = "[redacted]";
    std::string replaced;
    if (secret.empty()) {
        replaced = text;
    } else {
        std::size_t from = 0;
        for (std::size_t at = text.find(secret); at != std::string_view::npos;
             at = text.find(secret, from)) {
            replaced.append(text, from, at - from);
            replaced += kRedacted;
            from = at + secret.size();
        }
        replaced.append(text, from);
    }

    constexpr std::string_view kBearer = "Bearer ";
    std::string out;
    std::string_view rest = replaced;
    for (std::size_t at = rest.find(kBearer); at != std::string_view::npos; at = rest.find(kBearer)) {
        out.append(rest, 0, at + kBearer.size());
        out += kRedacted;
        std::size_t token_end = at + kBearer.size();
        while (token_end < rest.size()) {
            Utf8Step step = utf8_decode_at(rest, token_end);
            if (is_unicode_white_space(step.scalar) || step.scalar == U'"' || step.scalar == U'\'')
                break;
            token_end += step.length;
        }
        rest.remove_prefix(token_end);
    }
    out.append(rest);
    return out;
}

bool is_transient_transport_error(std::string_view text) {
    const std::string lower = ascii_lower(text);
    for (std::string_view phrase : {"io:", "unexpected end of file", "connection reset",
                                    "connection aborted", "peer disconnected",
                                    "incomplete message"}) {
        if (lower.find(phrase) != std::string::npos) return true;
    }
    return false;
}

bool is_retryable_backend_error(std::string_view display_text) {
    for (int status : {500, 502, 503, 429}) {
        if (display_text.find("HTTP status " + std::to_string(status)) != std::string_view::npos)
            return true;
    }
    return is_transient_transport_error(display_text);
}

}  // namespace zvk
