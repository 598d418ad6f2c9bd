#include "translator/google_client.h"

#include <limits>

#include "base/ascii.h"
#include "base/json_reader.h"
#include "base/json_writer.h"
#include "base/text.h"
#include "base/utf8.h"
#include "translator/llm_client.h"

namespace zvk {

namespace {

constexpr std::string_view kSpanOpen = "<span translate=\"no\">";
constexpr std::string_view kSpanClose = "</span>";

// The first occurrence of `needle` (lower-case ASCII) at or after `from`,
// ASCII case ignored.
std::size_t find_ascii_ci(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.size() > text.size()) return std::string_view::npos;
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < needle.size() && ascii_lower_char(text[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return i;
    }
    return std::string_view::npos;
}

std::string trim_trailing_slashes(std::string_view url) {
    while (!url.empty() && url.back() == '/') url.remove_suffix(1);
    return std::string(url);
}

// The value of a numeric character reference's digits, when they fit u32.
std::optional<std::uint32_t> parse_reference_digits(std::string_view digits, unsigned base) {
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        unsigned d;
        if (c >= '0' && c <= '9') d = static_cast<unsigned>(c - '0');
        else if (base == 16 && ascii_lower_char(c) >= 'a' && ascii_lower_char(c) <= 'f')
            d = static_cast<unsigned>(ascii_lower_char(c) - 'a' + 10);
        else return std::nullopt;
        value = value * base + d;
        if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// What an entity name stands for, or nothing when it is not one we decode.
std::optional<std::string> decode_entity_name(std::string_view name) {
    if (name == "lt") return "<";
    if (name == "gt") return ">";
    if (name == "amp") return "&";
    if (name == "quot") return "\"";
    if (name == "apos" || name == "#39") return "'";
    if (name.empty() || name.front() != '#') return std::nullopt;
    name.remove_prefix(1);
    unsigned base = 10;
    if (!name.empty() && (name.front() == 'x' || name.front() == 'X')) {
        base = 16;
        name.remove_prefix(1);
    }
    std::optional<std::uint32_t> code = parse_reference_digits(name, base);
    if (!code || *code > 0x10FFFF || (*code >= 0xD800 && *code <= 0xDFFF)) return std::nullopt;
    std::string out;
    append_utf8(out, static_cast<char32_t>(*code));
    return out;
}

// Characters an entity name we decode can hold; the scan for its ";" stops at
// any other, so it never runs past the next "&".
bool is_entity_name_char(char c) {
    return is_ascii_digit(c) || is_ascii_letter(static_cast<unsigned char>(c)) || c == '#' ||
           c == '+';
}

std::string decode_entities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t amp = text.find('&', i);
        if (amp == std::string_view::npos) break;
        out.append(text, i, amp - i);
        std::size_t end = amp + 1;
        while (end < text.size() && is_entity_name_char(text[end])) ++end;
        if (end < text.size() && text[end] == ';') {
            if (auto decoded = decode_entity_name(text.substr(amp + 1, end - amp - 1))) {
                out += *decoded;
                i = end + 1;
                continue;
            }
        }
        out += '&';
        i = amp + 1;
    }
    out.append(text, i);
    return out;
}

std::string strip_no_translate_spans(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    // Once a search for "</span>" fails, every later one would too.
    bool closing_tags_left = true;
    for (;;) {
        std::size_t open = find_ascii_ci(text, "<span", i);
        if (open == std::string_view::npos) break;
        out.append(text, i, open - i);
        std::size_t tag_end = text.find('>', open);
        if (tag_end == std::string_view::npos) {
            i = open;
            break;
        }
        std::string_view tag = text.substr(open, tag_end + 1 - open);
        bool no_translate = find_ascii_ci(tag, "translate", 0) != std::string_view::npos &&
                            find_ascii_ci(tag, "no", 0) != std::string_view::npos;
        if (no_translate && closing_tags_left) {
            std::size_t close = find_ascii_ci(text, "</span>", tag_end + 1);
            if (close != std::string_view::npos) {
                out.append(text, tag_end + 1, close - tag_end - 1);
                i = close + kSpanClose.size();
                continue;
            }
            closing_tags_left = false;
        }
        out.append(tag);
        i = tag_end + 1;
    }
    out.append(text, i);
    return out;
}

// The answer's translatedText items, unwrapped; `version` names the service
// in the messages.
Result<std::vector<std::string>> collect_translations(const nlohmann::json* items,
                                                      std::size_t expected,
                                                      std::string_view version) {
    std::string prefix = "Google " + std::string(version);
    if (items == nullptr || !items->is_array())
        return fail(CoreError::translation(prefix + " response has no translations"));
    if (items->size() != expected)
        return fail(CoreError::translation(prefix + " returned " + std::to_string(items->size()) +
                                           " translations for " + std::to_string(expected) +
                                           " inputs"));
    std::vector<std::string> out;
    out.reserve(expected);
    for (const nlohmann::json& item : *items) {
        const nlohmann::json* text = nullptr;
        if (item.is_object()) {
            auto found = item.find("translatedText");
            if (found != item.end() && found->is_string()) text = &*found;
        }
        if (text == nullptr)
            return fail(CoreError::translation(prefix + " item missing translatedText"));
        out.push_back(unwrap_protected_html(text->get_ref<const std::string&>()));
    }
    return out;
}

Result<std::vector<std::string>> translate_keyed(const GoogleTranslator& translator,
                                                 const std::vector<std::string>& texts) {
    const bool v3 = translator.api_kind == GoogleApiKind::V3;
    std::vector<HttpHeader> headers;
    if (v3) {
        // Before the request is built: a token failure sends nothing.
        Result<std::string> token = v3_access_token(translator);
        if (!token) return fail(std::move(token.error()));
        headers.push_back({"Authorization", "Bearer " + *token});
    }
    headers.push_back({"Content-Type", "application/json"});

    std::string url = trim_trailing_slashes(translator.base_url);
    std::string body;
    JsonWriter writer(body, true);
    writer.begin_object();
    if (v3) {
        url += "/v3/projects/" + translator.project + "/locations/" + translator.location +
               ":translateText";
        writer.key("contents");
        writer.begin_array();
        for (const std::string& text : texts) writer.string(protect_placeholders_html(text));
        writer.end_array();
        writer.member("mimeType", "text/html");
        writer.member("sourceLanguageCode", translator.source_lang);
        writer.member("targetLanguageCode", translator.target_lang);
    } else {
        url += "/language/translate/v2?key=" + percent_encode_component(translator.api_key);
        writer.member("format", "html");
        writer.key("q");
        writer.begin_array();
        for (const std::string& text : texts) writer.string(protect_placeholders_html(text));
        writer.end_array();
        writer.member("source", translator.source_lang);
        writer.member("target", translator.target_lang);
    }
    writer.end_object();
    writer.finish();

    HttpResult response = translator.http_client.post(url, headers, body);
    if (!response) return fail(format_google_http_error(translator, response.error()));
    auto answer = read_json(*response);
    if (!answer)
        return fail(CoreError::translation(
            redact_google_secrets(translator, "json: " + answer.error())));
    const nlohmann::json* items = nullptr;
    if (v3) {
        if (answer->is_object()) {
            auto found = answer->find("translations");
            if (found != answer->end()) items = &*found;
        }
        return collect_translations(items, texts.size(), "v3");
    }
    if (answer->is_object()) {
        auto data = answer->find("data");
        if (data != answer->end() && data->is_object()) {
            auto found = data->find("translations");
            if (found != data->end()) items = &*found;
        }
    }
    return collect_translations(items, texts.size(), "v2");
}

}  // namespace

GoogleTranslator::GoogleTranslator(GoogleApiKind kind, std::string source, std::string target,
                                   std::string key, std::string project_id,
                                   std::string location_id, std::string token,
                                   std::optional<ServiceAccount> account, std::string base,
                                   std::uint64_t timeout_secs, const GoogleClientHooks& hooks)
    : api_kind(kind),
      source_lang(std::move(source)),
      target_lang(std::move(target)),
      api_key(std::move(key)),
      project(std::move(project_id)),
      location(std::move(location_id)),
      access_token(std::move(token)),
      service_account(std::move(account)),
      base_url(std::move(base)),
      http_client(HttpClientSettings{timeout_secs, kDefaultHttpBodyLimit, hooks.trusted_roots_pem, hooks.stop}),
      sleeper(hooks.sleeper),
      stop(hooks.stop) {}

std::string_view google_kind_word(GoogleApiKind kind) {
    switch (kind) {
    case GoogleApiKind::V2:
        return "google-v2";
    case GoogleApiKind::V3:
        return "google-v3";
    case GoogleApiKind::Keyless:
        break;
    }
    return "google-unofficial";
}

bool is_google_resource_id(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        bool ok = is_ascii_digit(c) || is_ascii_letter(static_cast<unsigned char>(c)) ||
                  c == '-' || c == '.' || c == '_' || c == ':';
        if (!ok) return false;
    }
    return true;
}

Result<GoogleTranslatorPtr> new_google_v2_translator(std::string source, std::string target,
                                                     std::string api_key,
                                                     const GoogleClientHooks& hooks) {
    if (trim_white_space(api_key).empty())
        return fail(CoreError::translation("Google Translation v2 requires ZVK_GOOGLE_API_KEY"));
    return std::make_unique<GoogleTranslator>(GoogleApiKind::V2, std::move(source),
                                              std::move(target), std::move(api_key), "", "global",
                                              "", std::nullopt, std::string(kGoogleDefaultBaseUrl),
                                              kGoogleTimeoutSecs, hooks);
}

Result<GoogleTranslatorPtr> new_google_v3_with_token(std::string source, std::string target,
                                                     std::string project, std::string location,
                                                     std::string access_token,
                                                     const GoogleClientHooks& hooks) {
    if (trim_white_space(project).empty())
        return fail(CoreError::translation("Google Translation v3 requires ZVK_GOOGLE_PROJECT"));
    // The project and location go into the URL path as they are: anything
    // beyond the characters of real ids ("/", "?", "#", spaces) would change
    // the request's target.
    if (!is_google_resource_id(project))
        return fail(CoreError::translation(
            "ZVK_GOOGLE_PROJECT may hold only ASCII letters, digits, '-', '.', '_' and ':'"));
    if (trim_white_space(access_token).empty())
        return fail(CoreError::translation("Google Translation v3 access token is empty"));
    // Sent as read in the Authorization header; a line break would end it and
    // let the rest of the variable write headers of its own. Never quoted.
    if (!is_sendable_header_value(access_token))
        return fail(CoreError::translation(
            "ZVK_GOOGLE_ACCESS_TOKEN holds a control character (a line break?); it cannot be "
            "sent in a header"));
    if (trim_white_space(location).empty()) location = "global";
    else if (!is_google_resource_id(location))
        return fail(CoreError::translation(
            "ZVK_GOOGLE_LOCATION may hold only ASCII letters, digits, '-', '.', '_' and ':'"));
    return std::make_unique<GoogleTranslator>(
        GoogleApiKind::V3, std::move(source), std::move(target), "", std::move(project),
        std::move(location), std::move(access_token), std::nullopt,
        std::string(kGoogleDefaultBaseUrl), kGoogleTimeoutSecs, hooks);
}

Result<std::string> google_translate_payload(const GoogleTranslator& translator,
                                             std::string_view user_message) {
    auto payload = read_json(user_message);
    if (!payload)
        return fail(CoreError::translation("Google backend expected the segment JSON payload"));
    const nlohmann::json* segments = nullptr;
    if (payload->is_object()) {
        auto found = payload->find("segments");
        if (found != payload->end() && found->is_array()) segments = &*found;
    }
    if (segments == nullptr)
        return fail(CoreError::translation("Google backend payload has no segments"));

    std::vector<std::uint32_t> ids;
    std::vector<std::string> texts;
    for (const nlohmann::json& segment : *segments) {
        const nlohmann::json* id = nullptr;
        if (segment.is_object()) {
            auto found = segment.find("id");
            if (found != segment.end() && found->is_number_unsigned() &&
                found->get<std::uint64_t>() <= std::numeric_limits<std::uint32_t>::max())
                id = &*found;
        }
        if (id == nullptr) return fail(CoreError::translation("segment missing id"));
        auto id_value = static_cast<std::uint32_t>(id->get<std::uint64_t>());
        auto text = segment.find("text");
        if (text == segment.end() || !text->is_string())
            return fail(CoreError::translation("segment " + std::to_string(id_value) +
                                               " missing text"));
        ids.push_back(id_value);
        texts.push_back(text->get<std::string>());
    }

    Result<std::vector<std::string>> translated = google_translate_texts(translator, texts);
    if (!translated) return fail(std::move(translated.error()));

    std::string out;
    JsonWriter writer(out, false);
    writer.begin_object();
    writer.key("translations");
    writer.begin_array();
    for (std::size_t i = 0; i < ids.size(); ++i) {
        writer.begin_object();
        writer.key("id");
        writer.u64(ids[i]);
        writer.member("text", (*translated)[i]);
        writer.end_object();
    }
    writer.end_array();
    writer.end_object();
    writer.finish();
    return out;
}

Result<std::vector<std::string>> google_translate_texts(const GoogleTranslator& translator,
                                                        const std::vector<std::string>& texts) {
    if (translator.api_kind == GoogleApiKind::Keyless)
        return translate_keyless_texts(translator, texts);
    return translate_keyed(translator, texts);
}

std::string escape_html_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string protect_placeholders_html(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    for (;;) {
        std::size_t open = text.find(kOpenMark, i);
        if (open == std::string_view::npos) break;
        out += escape_html_text(text.substr(i, open - i));
        std::size_t length = placeholder_token_length(text, open);
        if (length == 0) {
            out += kOpenMark;
            i = open + kOpenMark.size();
            continue;
        }
        out += kSpanOpen;
        out.append(text, open, length);
        out += kSpanClose;
        i = open + length;
    }
    out += escape_html_text(text.substr(i));
    return out;
}

std::string unwrap_protected_html(std::string_view text) {
    // Spans first: a source that held span markup comes back escaped, and
    // decoding first would turn it into a tag that the second pass drops.
    return decode_entities(strip_no_translate_spans(text));
}

std::string percent_encode_component(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (is_ascii_digit(c) || is_ascii_letter(c) || c == '-' || c == '.' || c == '_' ||
            c == '~') {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

CoreError format_google_http_error(const GoogleTranslator& translator,
                                   const HttpFailure& failure) {
    if (failure.status >= 400 && failure.status <= 599)
        return CoreError::translation("Google HTTP status " + std::to_string(failure.status));
    return CoreError::translation(redact_google_secrets(translator, failure.text));
}

std::string redact_google_secrets(const GoogleTranslator& translator, std::string_view text) {
    std::string out = redact_secret(text, translator.api_key);
    if (!translator.api_key.empty())
        out = redact_secret(out, percent_encode_component(translator.api_key));
    out = redact_secret(out, translator.access_token);
    if (translator.service_account) out = redact_secret(out, translator.service_account->private_key);
    return out;
}

}  // namespace zvk
