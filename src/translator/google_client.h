// The Google translators: Translation v2 (API key), v3 (an access token or a
// service-account key) and the keyless web endpoint. They take no prompt: the
// segment payload's texts go out as HTML (v2, v3) or plain text (keyless) and
// come back as the same answer JSON an LLM gives.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <expected>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/core_error.h"
#include "translator/http_client.h"
#include "translator/placeholder_token.h"

namespace zvk {

enum class GoogleApiKind : std::uint8_t { V2 = 0, V3 = 1, Keyless = 2 };

// "https://" + host, no path: the v2 and v3 service, and the keyless endpoint.
inline constexpr std::string_view kGoogleDefaultBaseUrl = "https://translation.googleapis.com";
inline constexpr std::string_view kGoogleKeylessBaseUrl = "https://translate.googleapis.com";
inline constexpr std::string_view kGoogleTokenUri = "https://oauth2.googleapis.com/token";
inline constexpr std::string_view kGoogleTranslateScope =
    "https://www.googleapis.com/auth/cloud-translation";

inline constexpr std::uint64_t kGoogleTimeoutSecs = 60;
inline constexpr std::uint64_t kKeylessProbeTimeoutSecs = 3;

// The pause between keyless attempts; tests inject one that records.
using GoogleSleeper = std::function<void(std::chrono::milliseconds)>;

// What the C++ side hands the Google clients beyond the options and the
// environment; nothing here is reachable from options_json or a variable.
struct GoogleClientHooks {
    GoogleSleeper sleeper;
    // The keyless endpoint and the probe in place of Google's (tests only).
    std::string keyless_base_url;
    // Roots trusted in place of the system bundle (the tests' own).
    std::string trusted_roots_pem;
    // Raised when the run is stopped (Ctrl-C): requests and pauses end at once.
    std::shared_ptr<const std::atomic<bool>> stop;
};

struct ServiceAccount {
    std::string client_email;
    std::string private_key;  // PEM
    std::string token_uri;
};

struct CachedAccessToken {
    std::string token;
    std::uint64_t expiry = 0;  // seconds since the epoch
};

// One translator for one call; shared by the run's worker threads. Only the
// token cache changes after construction, and only under its lock.
struct GoogleTranslator {
    GoogleApiKind api_kind = GoogleApiKind::V2;
    std::string source_lang;
    std::string target_lang;
    std::string api_key;
    std::string project;
    std::string location;
    std::string access_token;
    std::optional<ServiceAccount> service_account;
    std::string base_url;
    HttpClient http_client;
    GoogleSleeper sleeper;
    std::shared_ptr<const std::atomic<bool>> stop;
    mutable std::mutex token_mutex;
    mutable std::optional<CachedAccessToken> token_cache;

    GoogleTranslator(GoogleApiKind kind, std::string source, std::string target,
                     std::string key, std::string project_id, std::string location_id,
                     std::string token, std::optional<ServiceAccount> account, std::string base,
                     std::uint64_t timeout_secs, const GoogleClientHooks& hooks);
    GoogleTranslator(const GoogleTranslator&) = delete;
    GoogleTranslator& operator=(const GoogleTranslator&) = delete;
};

using GoogleTranslatorPtr = std::unique_ptr<GoogleTranslator>;

// The word a translator of each kind is reported by.
std::string_view google_kind_word(GoogleApiKind kind);

Result<GoogleTranslatorPtr> new_google_v2_translator(std::string source, std::string target,
                                                     std::string api_key,
                                                     const GoogleClientHooks& hooks = {});
Result<GoogleTranslatorPtr> new_google_v3_with_token(std::string source, std::string target,
                                                     std::string project, std::string location,
                                                     std::string access_token,
                                                     const GoogleClientHooks& hooks = {});
// Reads the key file's JSON text; sends nothing (a bad key shows at the first
// request).
Result<GoogleTranslatorPtr> new_google_v3_with_service_account(
    std::string source, std::string target, std::string project, std::string location,
    std::string_view key_json, const GoogleClientHooks& hooks = {});

// The translate_prompt of a Google translator: the segment payload in, the
// compact answer JSON out.
Result<std::string> google_translate_payload(const GoogleTranslator& translator,
                                             std::string_view user_message);
// One answer per text, in order; v2 and v3 send one request whatever the count.
Result<std::vector<std::string>> google_translate_texts(const GoogleTranslator& translator,
                                                        const std::vector<std::string>& texts);

// HTML form of a text: specials escaped, every placeholder token inside a
// span the service leaves alone.
std::string escape_html_text(std::string_view text);
std::string protect_placeholders_html(std::string_view text);
// Undoes it on an answer: no-translate spans dropped, then one level of
// entities decoded. Linear in the text, whatever it holds.
std::string unwrap_protected_html(std::string_view text);
std::string percent_encode_component(std::string_view text);
CoreError format_google_http_error(const GoogleTranslator& translator,
                                   const HttpFailure& failure);
// The API key (as written and as sent, percent-encoded), the access token, the
// private key and any bearer token become "[redacted]".
std::string redact_google_secrets(const GoogleTranslator& translator, std::string_view text);

// Ids of the project and location as they go into the v3 URL path: ASCII
// letters, digits and - . _ : only.
bool is_google_resource_id(std::string_view text);

// ---- service-account tokens ------------------------------------------------

struct JwtClaims {
    std::string iss;
    std::string scope;
    std::string aud;
    std::uint64_t iat = 0;
    std::uint64_t exp = 0;
};

// Compact JSON, members in record order (iss, scope, aud, iat, exp).
std::string serialize_jwt_claims(const JwtClaims& claims);
// header.claims.signature, RS256 with the PEM key.
Result<std::string> sign_jwt_assertion(const JwtClaims& claims, std::string_view private_key_pem);
// The fixed token, or the cached one while it has more than a minute left,
// or a new one from the token endpoint.
Result<std::string> v3_access_token(const GoogleTranslator& translator);
CoreError missing_access_token_error();
// a + b, at most the largest u64.
std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b);

// The credentials file: opened without blocking, a regular file of at most
// 1 MiB of UTF-8. The error is the text after "read ZVK_GOOGLE_CREDENTIALS: ".
std::expected<std::string, std::string> read_credentials_file(const std::string& path);
inline constexpr std::size_t kCredentialsFileLimit = std::size_t{1} << 20;

// ---- keyless client ----------------------------------------------------------

GoogleTranslatorPtr new_keyless_google_translator(std::string source, std::string target,
                                                  const GoogleClientHooks& hooks = {});
// One request of "Hi" within 3 seconds; a translator when it came back.
GoogleTranslatorPtr probe_keyless_google(std::string source, std::string target,
                                         const GoogleClientHooks& hooks = {});

std::string encode_placeholders_keyless(std::string_view text);
std::string decode_placeholders_keyless(std::string_view text);

// The batches of the texts (already encoded): index ranges [begin, end).
struct KeylessBatchRange {
    std::size_t begin = 0;
    std::size_t end = 0;
};
std::vector<KeylessBatchRange> plan_keyless_batches(const std::vector<std::string>& texts);
inline constexpr std::size_t kKeylessBatchTexts = 8;
inline constexpr std::size_t kKeylessBatchCost = 1500;
inline constexpr std::size_t kKeylessWorkers = 4;

Result<std::vector<std::string>> translate_keyless_texts(const GoogleTranslator& translator,
                                                         const std::vector<std::string>& texts);
Result<std::vector<std::string>> translate_keyless_batch(const GoogleTranslator& translator,
                                                         const std::vector<std::string>& batch);
Result<std::string> request_keyless_with_retry(const GoogleTranslator& translator,
                                               std::string_view text);
Result<std::string> request_keyless_translation(const GoogleTranslator& translator,
                                                std::string_view text);

}  // namespace zvk
