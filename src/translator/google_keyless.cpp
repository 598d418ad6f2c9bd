// The keyless Google client: the public web endpoint, one text per GET, so
// texts travel in batches joined by a separator line, placeholders in a
// plain-letter form, four workers per call, and one request per text when an
// answer does not split back.
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "base/ascii.h"
#include "base/json_reader.h"
#include "base/text.h"
#include "base/utf8.h"
#include "translator/google_client.h"
#include "translator/llm_client.h"

namespace zvk {

namespace {

constexpr std::string_view kSeparatorLine = "\nXPHSEPX\n";
constexpr std::string_view kUserAgent = "ZentaVolurMix";
constexpr int kMaxCalls = 4;
constexpr std::chrono::milliseconds kPauses[] = {std::chrono::milliseconds(400),
                                                 std::chrono::milliseconds(800),
                                                 std::chrono::milliseconds(1600)};
// "XPHSEPX" and the two line feeds around it.
constexpr std::size_t kSeparatorCost = 9;


bool matches_ci(std::string_view text, std::size_t at, std::string_view lower) {
    if (at + lower.size() > text.size()) return false;
    for (std::size_t k = 0; k < lower.size(); ++k)
        if (ascii_lower_char(text[at + k]) != lower[k]) return false;
    return true;
}

// Length of "xph", spaces, digits, spaces, "x" at `at` (ASCII case ignored),
// or 0; the digits are returned through `digits`.
std::size_t keyless_token_length(std::string_view text, std::size_t at, std::string_view& digits) {
    if (!matches_ci(text, at, "xph")) return 0;
    std::size_t i = at + 3;
    while (i < text.size() && text[i] == ' ') ++i;
    std::size_t start = i;
    while (i < text.size() && is_ascii_digit(text[i])) ++i;
    if (i == start) return 0;
    digits = text.substr(start, i - start);
    while (i < text.size() && text[i] == ' ') ++i;
    if (i >= text.size() || ascii_lower_char(text[i]) != 'x') return 0;
    return i + 1 - at;
}

std::string keyless_url(const GoogleTranslator& translator, std::string_view text) {
    std::string_view base = translator.base_url;
    while (!base.empty() && base.back() == '/') base.remove_suffix(1);
    std::string url(base);
    url += "/translate_a/single?client=gtx&sl=" + percent_encode_component(translator.source_lang) +
           "&tl=" + percent_encode_component(translator.target_lang) +
           "&dt=t&q=" + percent_encode_component(text);
    return url;
}

// The answer's pieces split at every "xphsepx" (ASCII case ignored), trimmed.
std::vector<std::string> split_at_separator(std::string_view answer) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (std::size_t i = 0; i + 7 <= answer.size();) {
        if (matches_ci(answer, i, "xphsepx")) {
            pieces.emplace_back(trim_white_space(answer.substr(from, i - from)));
            i += 7;
            from = i;
        } else {
            ++i;
        }
    }
    pieces.emplace_back(trim_white_space(answer.substr(from)));
    return pieces;
}

struct WorkerPool {
    const GoogleTranslator& translator;
    const std::vector<std::vector<std::string>>& batches;
    std::atomic<std::size_t> next_batch{0};
    std::mutex error_mutex;
    std::optional<CoreError> first_error;
    std::mutex results_mutex;
    std::vector<std::optional<std::vector<std::string>>> batch_results;

    bool failed() {
        std::lock_guard<std::mutex> guard(error_mutex);
        return first_error.has_value();
    }
    // The first failure stays; a later one never replaces it.
    void store_error(CoreError error) {
        std::lock_guard<std::mutex> guard(error_mutex);
        if (!first_error) first_error = std::move(error);
    }
};

void run_google_batch_worker(WorkerPool& pool) {
    for (;;) {
        if (pool.failed()) return;
        std::size_t index = pool.next_batch.fetch_add(1);
        if (index >= pool.batches.size()) return;
        Result<std::vector<std::string>> answers =
            translate_keyless_batch(pool.translator, pool.batches[index]);
        if (!answers) {
            pool.store_error(std::move(answers.error()));
            return;
        }
        std::lock_guard<std::mutex> guard(pool.results_mutex);
        pool.batch_results[index] = std::move(*answers);
    }
}

// A worker thread's body: nothing may escape a thread.
void run_worker_thread(WorkerPool& pool) noexcept {
    try {
        if (!ready_thread_for_exceptions()) {
            // Nothing that may throw before the blocks are there.
            pool.store_error(CoreError::out_of_memory());
            return;
        }
        run_google_batch_worker(pool);
    } catch (const std::bad_alloc&) {
        try {
            pool.store_error(CoreError::out_of_memory());
        } catch (...) {
        }
    } catch (...) {
        try {
            pool.store_error(CoreError::translation("Google worker failed"));
        } catch (...) {
        }
    }
}

}  // namespace

GoogleTranslatorPtr new_keyless_google_translator(std::string source, std::string target,
                                                  const GoogleClientHooks& hooks) {
    std::string base = hooks.keyless_base_url.empty() ? std::string(kGoogleKeylessBaseUrl)
                                                      : hooks.keyless_base_url;
    return std::make_unique<GoogleTranslator>(GoogleApiKind::Keyless, std::move(source),
                                              std::move(target), "", "", "global", "",
                                              std::nullopt, std::move(base), kGoogleTimeoutSecs,
                                              hooks);
}

GoogleTranslatorPtr probe_keyless_google(std::string source, std::string target,
                                         const GoogleClientHooks& hooks) {
    std::string base = hooks.keyless_base_url.empty() ? std::string(kGoogleKeylessBaseUrl)
                                                      : hooks.keyless_base_url;
    GoogleTranslator probe(GoogleApiKind::Keyless, source, target, "", "", "global", "",
                           std::nullopt, base, kKeylessProbeTimeoutSecs, hooks);
    Result<std::string> answer = request_keyless_translation(probe, "Hi");
    if (!answer || trim_white_space(*answer).empty()) return nullptr;
    return new_keyless_google_translator(std::move(source), std::move(target), hooks);
}

std::string encode_placeholders_keyless(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    for (;;) {
        std::size_t open = text.find(kOpenMark, i);
        if (open == std::string_view::npos) break;
        out.append(text, i, open - i);
        if (std::size_t length = placeholder_token_length(text, open)) {
            out += "XPH";
            out.append(text, open + kOpenMark.size(), length - kOpenMark.size() - kCloseMark.size());
            out += 'X';
            i = open + length;
        } else {
            out += kOpenMark;
            i = open + kOpenMark.size();
        }
    }
    out.append(text, i);
    return out;
}

std::string decode_placeholders_keyless(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::string_view digits;
        if (ascii_lower_char(text[i]) == 'x') {
            if (std::size_t length = keyless_token_length(text, i, digits)) {
                out += kOpenMark;
                out += digits;
                out += kCloseMark;
                i += length;
                continue;
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}

std::vector<KeylessBatchRange> plan_keyless_batches(const std::vector<std::string>& texts) {
    std::vector<KeylessBatchRange> batches;
    std::size_t sum = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::size_t cost = count_scalar_values(texts[i]) + kSeparatorCost;
        if (!batches.empty()) {
            KeylessBatchRange& current = batches.back();
            std::size_t held = current.end - current.begin;
            if (held >= kKeylessBatchTexts || sum + cost > kKeylessBatchCost) {
                batches.push_back({i, i});
                sum = 0;
            }
        } else {
            batches.push_back({i, i});
        }
        batches.back().end = i + 1;
        sum += cost;
    }
    return batches;
}

Result<std::vector<std::string>> translate_keyless_texts(const GoogleTranslator& translator,
                                                         const std::vector<std::string>& texts) {
    if (texts.empty()) return std::vector<std::string>{};
    std::vector<std::string> encoded;
    encoded.reserve(texts.size());
    for (const std::string& text : texts) encoded.push_back(encode_placeholders_keyless(text));
    std::vector<std::vector<std::string>> batches;
    for (const KeylessBatchRange& range : plan_keyless_batches(encoded))
        batches.emplace_back(std::make_move_iterator(encoded.begin() + range.begin),
                             std::make_move_iterator(encoded.begin() + range.end));

    WorkerPool pool{translator, batches, {}, {}, {}, {}, {}};
    pool.batch_results.resize(batches.size());
    std::size_t wanted = std::min(batches.size(), kKeylessWorkers);
    {
        std::vector<std::jthread> workers;
        workers.reserve(wanted);
        for (std::size_t i = 0; i < wanted; ++i) {
            try {
                workers.emplace_back(run_worker_thread, std::ref(pool));
            } catch (const std::system_error&) {
                break;  // fewer workers; the batches still all get taken
            }
        }
        // Not even one thread: the caller does the work itself.
        if (workers.empty()) run_google_batch_worker(pool);
    }  // every worker joined here

    if (pool.first_error) return fail(std::move(*pool.first_error));
    std::vector<std::string> answers;
    answers.reserve(texts.size());
    for (auto& slot : pool.batch_results) {
        if (!slot) return fail(CoreError::translation("Google unofficial batch did not finish"));
        for (const std::string& answer : *slot) answers.push_back(decode_placeholders_keyless(answer));
    }
    if (answers.size() != texts.size())
        return fail(CoreError::translation("Google unofficial returned " +
                                           std::to_string(answers.size()) + " translations for " +
                                           std::to_string(texts.size()) + " inputs"));
    return answers;
}

Result<std::vector<std::string>> translate_keyless_batch(const GoogleTranslator& translator,
                                                         const std::vector<std::string>& batch) {
    if (batch.size() == 1) {
        Result<std::string> one = request_keyless_with_retry(translator, batch[0]);
        if (!one) return fail(std::move(one.error()));
        return std::vector<std::string>{std::move(*one)};
    }
    std::string joined;
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (i > 0) joined += kSeparatorLine;
        joined += batch[i];
    }
    Result<std::string> answer = request_keyless_with_retry(translator, joined);
    if (!answer) return fail(std::move(answer.error()));
    std::vector<std::string> pieces = split_at_separator(*answer);
    if (pieces.size() == batch.size()) return pieces;
    // The service damaged the separator: one request per text.
    std::vector<std::string> singles;
    singles.reserve(batch.size());
    for (const std::string& text : batch) {
        Result<std::string> one = request_keyless_with_retry(translator, text);
        if (!one) return fail(std::move(one.error()));
        singles.push_back(std::move(*one));
    }
    return singles;
}

namespace {
bool stopped(const GoogleTranslator& translator) {
    return translator.stop != nullptr && translator.stop->load(std::memory_order_relaxed);
}
}  // namespace

Result<std::string> request_keyless_with_retry(const GoogleTranslator& translator,
                                               std::string_view text) {
    for (int call = 1;; ++call) {
        Result<std::string> answer = request_keyless_translation(translator, text);
        if (answer || call >= kMaxCalls || !is_retryable_backend_error(answer.error().display()))
            return answer;
        std::chrono::milliseconds pause = kPauses[call - 1];
        if (translator.sleeper) {
            translator.sleeper(pause);
        } else {
            // In short slices, so that a stopped run does not sit out the pause.
            const auto end = std::chrono::steady_clock::now() + pause;
            while (!stopped(translator) && std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                    std::chrono::milliseconds(20), end - std::chrono::steady_clock::now()));
            }
        }
        if (stopped(translator)) return answer;
    }
}

Result<std::string> request_keyless_translation(const GoogleTranslator& translator,
                                                std::string_view text) {
    HttpResult response = translator.http_client.get(keyless_url(translator, text),
                                                     {{"User-Agent", std::string(kUserAgent)}});
    if (!response) return fail(format_google_http_error(translator, response.error()));
    auto answer = read_json(*response);
    if (!answer)
        return fail(CoreError::translation(
            redact_google_secrets(translator, "json: " + answer.error())));
    if (!answer->is_array() || answer->empty() || !(*answer)[0].is_array())
        return fail(CoreError::translation(
            "unofficial Google response did not contain a translation"));
    std::string translation;
    for (const nlohmann::json& item : (*answer)[0]) {
        if (item.is_array() && !item.empty() && item[0].is_string())
            translation += item[0].get_ref<const std::string&>();
    }
    if (translation.empty())
        return fail(CoreError::translation("unofficial Google response had empty translation text"));
    return translation;
}

}  // namespace zvk
