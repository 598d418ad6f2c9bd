// Service-account access tokens for Translation v3: the key file, the signed
// assertion (RS256 through OpenSSL's EVP interface, in this unit only), the
// token exchange and its cache.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cerrno>
#include <chrono>
#include <limits>
#include <string.h>  // strerrordesc_np

#include "base/json_reader.h"
#include "base/json_writer.h"
#include "base/text.h"
#include "base/utf8.h"
#include "translator/google_client.h"

namespace zvk {

namespace {

constexpr std::uint64_t kAssertionLifetimeSecs = 3600;
constexpr std::uint64_t kDefaultExpiresInSecs = 3600;
// A cached token with this little time left is exchanged anew.
constexpr std::uint64_t kRefreshMarginSecs = 60;

std::string base64url(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t v = (std::uint32_t(std::uint8_t(bytes[i])) << 16) |
                          (std::uint32_t(std::uint8_t(bytes[i + 1])) << 8) |
                          std::uint32_t(std::uint8_t(bytes[i + 2]));
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16;
        if (rest == 2) v |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        if (rest == 2) out += kAlphabet[(v >> 6) & 63];
    }
    return out;
}

// OpenSSL's description of its latest error on this thread: library and
// reason words, never the bytes it was reading.
std::string openssl_error_text() {
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) return "unknown OpenSSL error";
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    return buffer;
}

std::uint64_t unix_now() {
    auto since = std::chrono::system_clock::now().time_since_epoch();
    auto secs = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    return secs > 0 ? static_cast<std::uint64_t>(secs) : 0;
}

struct PkeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};
struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

}  // namespace

std::uint64_t saturating_add(std::uint64_t a, std::uint64_t b) {
    return a > std::numeric_limits<std::uint64_t>::max() - b ? std::numeric_limits<std::uint64_t>::max()
                                                            : a + b;
}

CoreError missing_access_token_error() {
    return CoreError::translation("Google token response had no access_token");
}

std::string serialize_jwt_claims(const JwtClaims& claims) {
    // Record order, not byte order: JsonWriter would refuse it.
    std::string out = "{\"iss\":";
    append_json_string(out, claims.iss);
    out += ",\"scope\":";
    append_json_string(out, claims.scope);
    out += ",\"aud\":";
    append_json_string(out, claims.aud);
    out += ",\"iat\":" + std::to_string(claims.iat);
    out += ",\"exp\":" + std::to_string(claims.exp);
    out += '}';
    return out;
}

Result<std::string> sign_jwt_assertion(const JwtClaims& claims, std::string_view private_key_pem) {
    ERR_clear_error();
    if (private_key_pem.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return fail(CoreError::translation("service account key: the key is too long"));
    std::unique_ptr<BIO, BioFree> bio(
        BIO_new_mem_buf(private_key_pem.data(), static_cast<int>(private_key_pem.size())));
    if (!bio) return fail(CoreError::translation("service account key: " + openssl_error_text()));
    // No passphrase callback: an encrypted key fails instead of prompting.
    std::unique_ptr<EVP_PKEY, PkeyFree> key(
        PEM_read_bio_PrivateKey(bio.get(), nullptr, [](char*, int, int, void*) { return 0; },
                                nullptr));
    if (!key) return fail(CoreError::translation("service account key: " + openssl_error_text()));
    if (!EVP_PKEY_is_a(key.get(), "RSA"))
        return fail(CoreError::translation("service account key: not an RSA private key"));

    std::string signing_input = base64url(R"({"alg":"RS256","typ":"JWT"})");
    signing_input += '.';
    signing_input += base64url(serialize_jwt_claims(claims));

    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    std::size_t length = 0;
    if (!ctx ||
        EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), nullptr, &length,
                       reinterpret_cast<const unsigned char*>(signing_input.data()),
                       signing_input.size()) != 1)
        return fail(CoreError::translation("service account assertion: " + openssl_error_text()));
    std::string signature(length, '\0');
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(signing_input.data()),
                       signing_input.size()) != 1)
        return fail(CoreError::translation("service account assertion: " + openssl_error_text()));
    signature.resize(length);
    signing_input += '.';
    signing_input += base64url(signature);
    return signing_input;
}

Result<GoogleTranslatorPtr> new_google_v3_with_service_account(
    std::string source, std::string target, std::string project, std::string location,
    std::string_view key_json, const GoogleClientHooks& hooks) {
    auto key = read_json(key_json);
    if (!key) return fail(CoreError::translation("service account JSON: " + key.error()));
    auto non_empty_string = [&](const char* name) -> std::optional<std::string> {
        if (!key->is_object()) return std::nullopt;
        auto found = key->find(name);
        if (found == key->end() || !found->is_string() || found->get_ref<const std::string&>().empty())
            return std::nullopt;
        return found->get<std::string>();
    };
    std::optional<std::string> email = non_empty_string("client_email");
    std::optional<std::string> private_key = non_empty_string("private_key");
    if (!email || !private_key)
        return fail(CoreError::translation(
            "service account JSON needs client_email and private_key"));

    const char* project_source = "ZVK_GOOGLE_PROJECT";
    if (trim_white_space(project).empty()) {
        project.clear();
        auto found = key->find("project_id");
        if (found != key->end() && found->is_string()) project = found->get<std::string>();
        project_source = "the service account's project_id";
    }
    if (trim_white_space(project).empty())
        return fail(CoreError::translation("Google Translation v3 requires a project id"));
    // Project and location become parts of the URL path as they are.
    if (!is_google_resource_id(project))
        return fail(CoreError::translation(std::string(project_source) +
                                           " may hold only ASCII letters, digits, '-', '.', '_' "
                                           "and ':'"));
    if (trim_white_space(location).empty()) location = "global";
    else if (!is_google_resource_id(location))
        return fail(CoreError::translation(
            "ZVK_GOOGLE_LOCATION may hold only ASCII letters, digits, '-', '.', '_' and ':'"));

    ServiceAccount account;
    account.client_email = std::move(*email);
    account.private_key = std::move(*private_key);
    account.token_uri = non_empty_string("token_uri").value_or(std::string(kGoogleTokenUri));
    return std::make_unique<GoogleTranslator>(
        GoogleApiKind::V3, std::move(source), std::move(target), "", std::move(project),
        std::move(location), "", std::move(account), std::string(kGoogleDefaultBaseUrl),
        kGoogleTimeoutSecs, hooks);
}

Result<std::string> v3_access_token(const GoogleTranslator& translator) {
    if (!translator.access_token.empty()) return translator.access_token;
    if (!translator.service_account)
        return fail(CoreError::translation(
            "Google Translation v3 needs ZVK_GOOGLE_ACCESS_TOKEN or ZVK_GOOGLE_CREDENTIALS"));
    const ServiceAccount& account = *translator.service_account;
    const std::uint64_t now = unix_now();
    {
        std::lock_guard<std::mutex> guard(translator.token_mutex);
        if (translator.token_cache &&
            saturating_add(now, kRefreshMarginSecs) < translator.token_cache->expiry)
            return translator.token_cache->token;
    }
    // Not held across the exchange: two threads that find the token stale
    // both fetch one, and the later store wins; both tokens are valid.
    JwtClaims claims{account.client_email, std::string(kGoogleTranslateScope), account.token_uri,
                     now, saturating_add(now, kAssertionLifetimeSecs)};
    Result<std::string> assertion = sign_jwt_assertion(claims, account.private_key);
    if (!assertion) return fail(std::move(assertion.error()));

    std::string body = "grant_type=" +
                       percent_encode_component("urn:ietf:params:oauth:grant-type:jwt-bearer") +
                       "&assertion=" + percent_encode_component(*assertion);
    HttpResult response = translator.http_client.post(
        account.token_uri, {{"Content-Type", "application/x-www-form-urlencoded"}}, body);
    if (!response) return fail(format_google_http_error(translator, response.error()));
    auto answer = read_json(*response);
    if (!answer)
        return fail(CoreError::translation(
            redact_google_secrets(translator, "json: " + answer.error())));
    if (!answer->is_object()) return fail(missing_access_token_error());
    auto token = answer->find("access_token");
    // The token goes into a header as it is: one with a control character
    // is no usable token.
    if (token == answer->end() || !token->is_string() ||
        token->get_ref<const std::string&>().empty() ||
        !is_sendable_header_value(token->get_ref<const std::string&>()))
        return fail(missing_access_token_error());
    std::uint64_t expires_in = kDefaultExpiresInSecs;
    auto expires = answer->find("expires_in");
    if (expires != answer->end() && expires->is_number_unsigned())
        expires_in = expires->get<std::uint64_t>();

    std::string value = token->get<std::string>();
    std::lock_guard<std::mutex> guard(translator.token_mutex);
    // Saturates: a wrapped expiry would lie in the past and make every request
    // exchange anew.
    translator.token_cache = CachedAccessToken{value, saturating_add(now, expires_in)};
    return value;
}

std::expected<std::string, std::string> read_credentials_file(const std::string& path) {
    auto os_error = [](int error) -> std::string {
        const char* text = strerrordesc_np(error);
        return text != nullptr ? text : "error " + std::to_string(error);
    };
    // Without O_NONBLOCK, opening a FIFO that no one writes waits forever.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::unexpected(os_error(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info{};
    if (::fstat(fd, &info) != 0) return std::unexpected(os_error(errno));
    // A FIFO, socket or device (/dev/zero) is no key file: reading it could
    // block or never end.
    if (!S_ISREG(info.st_mode)) return std::unexpected(std::string("not a regular file"));
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::unexpected(os_error(errno));
        }
        if (n == 0) break;
        if (text.size() + static_cast<std::size_t>(n) > kCredentialsFileLimit)
            return std::unexpected(std::string("the file is larger than 1 MiB"));
        text.append(buffer, static_cast<std::size_t>(n));
    }
    if (!is_valid_utf8(text)) return std::unexpected(std::string("stream did not contain valid UTF-8"));
    return text;
}

}  // namespace zvk
