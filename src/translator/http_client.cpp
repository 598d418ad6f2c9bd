#include "translator/http_client.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <new>
#include <string.h>  // strerrordesc_np

#include "base/ascii.h"

namespace zvk {

namespace {

// The process's one libcurl initialisation. OpenSSL goes first with
// OPENSSL_INIT_NO_ATEXIT: a request thread may still be inside a handshake
// when the process exits, and OpenSSL's exit handler would free what that
// thread is using. curl_global_cleanup is never called for the same reason.
void initialise_curl_once() {
    static std::once_flag once;  // trivially destructible: nothing runs at exit
    std::call_once(once, [] {
        OPENSSL_init_ssl(OPENSSL_INIT_NO_ATEXIT | OPENSSL_INIT_LOAD_SSL_STRINGS |
                             OPENSSL_INIT_LOAD_CRYPTO_STRINGS,
                         nullptr);
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

bool is_control_byte(unsigned char c) { return c < 0x20 || c == 0x7f; }

bool is_token_byte(unsigned char c) {
    if (c >= '0' && c <= '9') return true;
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') return true;
    return std::strchr("!#$%&'*+-.^_`|~", c) != nullptr && c != 0;
}

bool is_sendable_header_name(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return is_token_byte(static_cast<unsigned char>(c));
    });
}

bool starts_with_https(std::string_view url) {
    constexpr std::string_view kPrefix = "https:";
    if (url.size() < kPrefix.size()) return false;
    for (std::size_t i = 0; i < kPrefix.size(); ++i) {
        if (ascii_lower_char(url[i]) != kPrefix[i]) return false;
    }
    return true;
}

// "io: " + the system's own words for the error number, in English whatever
// the locale (a Python host may have set one); `fallback` when the transfer
// failed without one (the peer closed the connection in order).
std::string io_text(long os_errno, const char* fallback) {
    const char* description = os_errno > 0 && os_errno <= INT_MAX
                                  ? strerrordesc_np(static_cast<int>(os_errno))
                                  : nullptr;
    return std::string("io: ") + (description != nullptr ? description : fallback);
}

struct BodySink {
    CURL* handle = nullptr;
    std::string body;
    std::size_t limit = 0;
    std::size_t received = 0;
    bool over_limit = false;
    bool out_of_memory = false;
};

// Receives the decoded body (curl has already undone gzip), so the cap bounds
// what a compression bomb expands to, not what it sends.
std::size_t write_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    std::size_t length = size * count;
    if (length > sink->limit - sink->received) {
        sink->over_limit = true;
        return 0;  // anything but `length` ends the transfer
    }
    sink->received += length;
    long status = 0;
    curl_easy_getinfo(sink->handle, CURLINFO_RESPONSE_CODE, &status);
    // An error status is reported by its code alone; its body is only drained
    // so the connection stays usable.
    if (status >= 400) return length;
    try {
        sink->body.append(data, length);
    } catch (const std::bad_alloc&) {
        sink->out_of_memory = true;
        return 0;
    }
    return length;
}

// The progress callback: nonzero ends the transfer.
int stop_requested(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed) ? 1 : 0;
}

std::string failure_text(CURLcode code, CURL* handle, const BodySink& sink) {
    long os_errno = 0;
    curl_easy_getinfo(handle, CURLINFO_OS_ERRNO, &os_errno);
    switch (code) {
    case CURLE_ABORTED_BY_CALLBACK:
        return "stopped";
    case CURLE_OPERATION_TIMEDOUT:
        return "timeout: global";
    case CURLE_COULDNT_CONNECT:
        return io_text(os_errno, "could not connect");
    case CURLE_SEND_ERROR:
        return io_text(os_errno, "send failed");
    case CURLE_RECV_ERROR:
        return io_text(os_errno, "receive failed");
    case CURLE_GOT_NOTHING:
        return io_text(0, "the server closed the connection without a reply");
    case CURLE_PARTIAL_FILE:
        return io_text(0, "unexpected end of file");
    case CURLE_WRITE_ERROR:
        if (sink.over_limit)
            return "response body larger than the limit of " + std::to_string(sink.limit) +
                   " bytes";
        if (sink.out_of_memory) return "out of memory for the response body";
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        return "dns: could not resolve the host";
    case CURLE_PEER_FAILED_VERIFICATION:
        return "tls: the server's certificate did not verify";
    case CURLE_SSL_CACERT_BADFILE:
        return "tls: no usable root certificates";
    case CURLE_SSL_CONNECT_ERROR:
        return "tls: handshake failed";
    case CURLE_UNSUPPORTED_PROTOCOL:
        return "refused: only http and https are used, and https never redirects to http";
    case CURLE_URL_MALFORMAT:
        return "malformed URL";
    case CURLE_TOO_MANY_REDIRECTS:
        return "too many redirects";
    case CURLE_BAD_CONTENT_ENCODING:
        return "the response's content encoding could not be decoded";
    default:
        break;
    }
    // curl's fixed description of the code: never the URL or a header.
    return std::string("http: ") + curl_easy_strerror(code);
}

}  // namespace

std::uint64_t clamp_timeout_secs(std::uint64_t secs) {
    return std::clamp<std::uint64_t>(secs, 1, kMaxHttpTimeoutSecs);
}

bool is_sendable_header_value(std::string_view value) {
    return std::none_of(value.begin(), value.end(),
                        [](char c) { return is_control_byte(static_cast<unsigned char>(c)); });
}

// The handles of a client. A handle keeps its live connections, the TLS
// sessions and the parsed root store (curl caches it per handle), so a request
// on a returned handle rarely needs a handshake. The lock guards only the list:
// it is never held across a request.
struct HttpClient::Pool {
    HttpClientSettings settings;
    std::mutex mutex;
    std::vector<CURL*> idle;
    CURLSH* share = nullptr;
    // DNS answers and TLS sessions are shared between the handles, each kind
    // under its own lock (curl asks for them from the request threads).
    std::mutex dns_mutex;
    std::mutex tls_mutex;
    std::mutex share_mutex;

    explicit Pool(HttpClientSettings s) : settings(std::move(s)) {
        settings.timeout_secs = clamp_timeout_secs(settings.timeout_secs);
        share = curl_share_init();
        if (share != nullptr) {
            curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &Pool::lock);
            curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &Pool::unlock);
            curl_share_setopt(share, CURLSHOPT_USERDATA, this);
            curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
            curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        }
    }

    ~Pool() {
        for (CURL* handle : idle) curl_easy_cleanup(handle);
        if (share != nullptr) curl_share_cleanup(share);
    }

    std::mutex& mutex_for(curl_lock_data data) {
        if (data == CURL_LOCK_DATA_DNS) return dns_mutex;
        if (data == CURL_LOCK_DATA_SSL_SESSION) return tls_mutex;
        return share_mutex;
    }
    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Pool*>(user)->mutex_for(data).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Pool*>(user)->mutex_for(data).unlock();
    }

    // The most recently returned handle first: it holds the warmest connection.
    CURL* take() {
        {
            std::lock_guard<std::mutex> guard(mutex);
            if (!idle.empty()) {
                CURL* handle = idle.back();
                idle.pop_back();
                return handle;
            }
        }
        return curl_easy_init();
    }

    void give_back(CURL* handle) {
        try {
            std::lock_guard<std::mutex> guard(mutex);
            idle.push_back(handle);
            return;
        } catch (...) {
        }
        curl_easy_cleanup(handle);
    }
};

HttpClient::HttpClient(HttpClientSettings settings) {
    initialise_curl_once();
    pool_ = std::make_shared<Pool>(std::move(settings));
}

HttpClient::~HttpClient() = default;

std::uint64_t HttpClient::timeout_secs() const { return pool_->settings.timeout_secs; }

HttpResult HttpClient::post(std::string_view url, const std::vector<HttpHeader>& headers,
                            std::string_view body) const {
    return perform(url, headers, &body);
}

HttpResult HttpClient::get(std::string_view url, const std::vector<HttpHeader>& headers) const {
    return perform(url, headers, nullptr);
}

HttpResult HttpClient::perform(std::string_view url, const std::vector<HttpHeader>& headers,
                               const std::string_view* body) const {
    for (const HttpHeader& header : headers) {
        if (!is_sendable_header_name(header.name) || !is_sendable_header_value(header.value))
            return std::unexpected(HttpFailure{0, "a header holds a control character or an "
                                                  "invalid name; the request was not sent"});
    }
    const HttpClientSettings& settings = pool_->settings;
    std::string url_text(url);  // curl wants a NUL-terminated copy

    curl_slist* header_list = nullptr;
    auto append_header = [&](const std::string& line) {
        curl_slist* next = curl_slist_append(header_list, line.c_str());
        if (next == nullptr) throw std::bad_alloc();
        header_list = next;
    };
    struct ListGuard {
        curl_slist*& list;
        ~ListGuard() { curl_slist_free_all(list); }
    } list_guard{header_list};
    for (const HttpHeader& header : headers) append_header(header.name + ": " + header.value);
    // No "Expect: 100-continue" round trip before larger bodies.
    append_header("Expect:");

    CURL* handle = pool_->take();
    if (handle == nullptr) return std::unexpected(HttpFailure{0, "http: could not create a handle"});
    // Options start afresh on every request; the reset keeps the handle's
    // connections, sessions and cached roots.
    curl_easy_reset(handle);

    BodySink sink;
    sink.handle = handle;
    sink.limit = settings.max_body_bytes;

    const bool https = starts_with_https(url_text);
    curl_easy_setopt(handle, CURLOPT_URL, url_text.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // An empty proxy turns off every proxy, those of the environment included.
    curl_easy_setopt(handle, CURLOPT_PROXY, "");
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // A key sent over https must never follow a redirect onto plain http.
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");
    curl_easy_setopt(handle, CURLOPT_DEFAULT_PROTOCOL, "https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    // Headers such as Authorization go to the first host and port only.
    curl_easy_setopt(handle, CURLOPT_UNRESTRICTED_AUTH, 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(handle, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    if (!settings.trusted_roots_pem.empty()) {
        curl_blob roots{const_cast<char*>(settings.trusted_roots_pem.data()),
                        settings.trusted_roots_pem.size(), CURL_BLOB_NOCOPY};
        curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &roots);
    }
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS,
                     static_cast<long>(settings.timeout_secs * 1000));
    curl_easy_setopt(handle, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(handle, CURLOPT_USERAGENT, "zentavolurmix/0.1.3");
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, header_list);
    if (body != nullptr) {
        curl_easy_setopt(handle, CURLOPT_POST, 1L);
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body->data());
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(body->size()));
    } else {
        curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    }
    if (settings.stop != nullptr) {
        // curl asks about once a second, and more often while data flows.
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &stop_requested);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA,
                         const_cast<std::atomic<bool>*>(settings.stop.get()));
    }
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &write_body);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
    if (pool_->share != nullptr) curl_easy_setopt(handle, CURLOPT_SHARE, pool_->share);

    CURLcode code = curl_easy_perform(handle);
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    HttpResult result;
    if (status >= 400 && status <= 599 && (code == CURLE_OK || code == CURLE_WRITE_ERROR)) {
        result = std::unexpected(HttpFailure{status, {}});
    } else if (code != CURLE_OK) {
        result = std::unexpected(HttpFailure{0, failure_text(code, handle, sink)});
    } else {
        result = std::move(sink.body);
    }
    // The handle must not keep pointers into this call's buffers.
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, nullptr);
    pool_->give_back(handle);
    return result;
}

}  // namespace zvk
