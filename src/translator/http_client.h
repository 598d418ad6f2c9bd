// The one HTTP client of the module, over libcurl and OpenSSL (nothing else
// includes curl headers): verified TLS, proxies of the environment ignored,
// only http and https, a cap on the decoded body, one overall time limit per
// request, and a pool of handles so connections and loaded roots are reused.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zvk {

// Answers are tens of kilobytes; anything near this is a misbehaving service
// or a compression bomb, and must not grow our memory without bound.
inline constexpr std::size_t kDefaultHttpBodyLimit = std::size_t{8} << 20;

// Far beyond any useful time limit, yet small enough that a deadline of
// now + this many seconds fits std::chrono's nanosecond clock and curl's
// millisecond `long`.
inline constexpr std::uint64_t kMaxHttpTimeoutSecs = 1'000'000'000;

// A time limit as the client applies it: 0 is 1 second, and values past
// kMaxHttpTimeoutSecs are that.
std::uint64_t clamp_timeout_secs(std::uint64_t secs);

struct HttpClientSettings {
    std::uint64_t timeout_secs = 60;
    std::size_t max_body_bytes = kDefaultHttpBodyLimit;
    // PEM certificates trusted in place of the system's root bundle. Only C++
    // code sets this (the tests' own root); no option or variable reaches it,
    // and verification of peer and host stays on whatever it holds.
    std::string trusted_roots_pem;
    // Raised when the run is stopped (Ctrl-C): a request under way ends
    // within about a second with the failure "stopped".
    std::shared_ptr<const std::atomic<bool>> stop;
};

struct HttpHeader {
    std::string name;
    std::string value;
};

// Why a request brought no body: an error status (400 to 599) with its code,
// or a text for everything else. The texts hold no URL, header or body; the
// retry rules read three of their forms: "io: " + the system's message (connect,
// send, receive, empty reply, cut-off body), "timeout: global", and, from the
// callers that parse the body, "json: " + the parser's message. A request
// ended by the stop flag fails with "stopped", which no rule retries.
struct HttpFailure {
    long status = 0;
    std::string text;
};

using HttpResult = std::expected<std::string, HttpFailure>;

class HttpClient {
public:
    explicit HttpClient(HttpClientSettings settings = {});

    // A copy shares the connection pool; copies may be used on several
    // threads at once, and a copy keeps the pool alive after the original
    // is gone (a request thread may outlive its caller).
    HttpClient(const HttpClient&) = default;
    HttpClient& operator=(const HttpClient&) = default;
    ~HttpClient();

    // POSTs `body` with the headers and returns the decoded body of the answer.
    HttpResult post(std::string_view url, const std::vector<HttpHeader>& headers,
                    std::string_view body) const;
    // GETs the URL with the headers (a "User-Agent" among them replaces ours).
    HttpResult get(std::string_view url, const std::vector<HttpHeader>& headers) const;

    std::uint64_t timeout_secs() const;

    struct Pool;

private:
    // One request; `body` null makes it a GET.
    HttpResult perform(std::string_view url, const std::vector<HttpHeader>& headers,
                       const std::string_view* body) const;

    std::shared_ptr<Pool> pool_;
};

// Whether a header name or value may be sent as it is: no control character
// (a CR or LF would start a header of the text's choosing), and a name made of
// HTTP token characters.
bool is_sendable_header_value(std::string_view value);

}  // namespace zvk
