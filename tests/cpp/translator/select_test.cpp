// Choosing the translator: kind words, the automatic order, the OpenAI
// presets, the backend name, and dispatch through translate_prompt.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/settings.h"
#include "support/llm_server.h"
#include "support/scoped_env.h"
#include "translator/select.h"

namespace zvk {
namespace {

using test::CleanZvkEnv;
using test::ScopedEnv;

const std::string kDefault(kDefaultLlmBaseUrl);
constexpr const char* kOpenAi = "https://api.openai.com/v1";
constexpr const char* kKeyMessage =
    "translation failed: ZVK_LLM_API_KEY is not set; the API key is accepted only from that "
    "environment variable";
constexpr const char* kNeedsCredentials =
    "translation failed: Google Translation v3 needs ZVK_GOOGLE_ACCESS_TOKEN or "
    "ZVK_GOOGLE_CREDENTIALS";
constexpr const char* kNothing =
    "translation failed: no translator is configured and Google Translate is unreachable; set "
    "ZVK_LLM_API_KEY or ZVK_TRANSLATOR";
// Where the table's keyless probe goes: a local port where nothing listens,
// so no case reaches the internet.
constexpr const char* kRefusedBase = "http://127.0.0.1:9";
constexpr const char* kGoogleDefault = "https://translation.googleapis.com";

struct Case {
    const char* name;
    std::optional<std::string> translator;  // the option
    std::optional<std::string> base_url;    // the option
    std::optional<std::string> model;       // the option
    std::map<std::string, std::string> env;
    // Success: backend name, base URL and model (a Google translator's kind
    // word); failure: the display text.
    std::string backend;
    std::string want_base_url;
    std::string want_model;
    std::string error;
};

std::vector<Case> cases() {
    const std::map<std::string, std::string> key = {{"ZVK_LLM_API_KEY", "k"}};
    auto with_key = [&](std::map<std::string, std::string> more) {
        more.insert(key.begin(), key.end());
        return more;
    };
    return {
        {"no word, key only", {}, {}, {}, key, "tervox", kDefault, "auto", ""},
        {"word with spaces and capitals", " LLM ", {}, {}, key, "tervox", kDefault, "auto", ""},
        {"Google-V3 with spaces", " Google-V3 ", {}, {},
         with_key({{"ZVK_GOOGLE_ACCESS_TOKEN", "t"}, {"ZVK_GOOGLE_PROJECT", "p"}}), "google-v3",
         kGoogleDefault, "google-v3", ""},
        {"underscore is not a dash", "google_v3", {}, {}, key, "", "", "",
         "translation failed: unknown translator `google_v3`; expected tervox, openai, "
         "google-v2, google-v3, or google-unofficial"},
        {"unknown word shown lower-cased", " DeepL ", {}, {}, key, "", "", "",
         "translation failed: unknown translator `deepl`; expected tervox, openai, google-v2, "
         "google-v3, or google-unofficial"},
        {"google alias, key as read, base URL as read", "google", {}, {},
         with_key({{"ZVK_GOOGLE_API_KEY", " g "}, {"ZVK_GOOGLE_BASE_URL", " http://127.0.0.1:9 "}}),
         "google-v2", " http://127.0.0.1:9 ", "google-v2", ""},
        {"v2 without its key", "google-v2", {}, {}, key, "", "", "",
         "translation failed: ZVK_GOOGLE_API_KEY is not set; the Google API key is accepted "
         "only from that environment variable"},
        {"v2 with a blank key", "google-v2", {}, {}, {{"ZVK_GOOGLE_API_KEY", " "}}, "", "", "",
         "translation failed: Google Translation v2 requires ZVK_GOOGLE_API_KEY"},
        {"blank Google base URL keeps the default", "google-v2", {}, {},
         {{"ZVK_GOOGLE_API_KEY", "g"}, {"ZVK_GOOGLE_BASE_URL", " "}}, "google-v2", kGoogleDefault,
         "google-v2", ""},
        {"google-web ignores the Google base URL",
         "google-web", {}, {}, with_key({{"ZVK_GOOGLE_BASE_URL", "http://127.0.0.1:8"}}),
         "google-unofficial", kRefusedBase, "google-unofficial", ""},
        {"google-unofficial", "GOOGLE-UNOFFICIAL", {}, {}, {}, "google-unofficial", kRefusedBase,
         "google-unofficial", ""},
        {"v3 with nothing", "google-v3", {}, {}, {{"ZVK_GOOGLE_PROJECT", "p"}}, "", "", "",
         kNeedsCredentials},
        {"v3 blank JSON does not fall back on the file", "google-v3", {}, {},
         {{"ZVK_GOOGLE_CREDENTIALS_JSON", ""}, {"ZVK_GOOGLE_CREDENTIALS", "/etc/hostname"},
          {"ZVK_GOOGLE_PROJECT", "p"}},
         "", "", "", kNeedsCredentials},
        {"v3 missing credentials file", "google-v3", {}, {},
         {{"ZVK_GOOGLE_CREDENTIALS", "/nonexistent/key.json"}}, "", "", "",
         "translation failed: read ZVK_GOOGLE_CREDENTIALS: No such file or directory"},
        {"v3 token wins over credentials; location blank", "google-v3", {}, {},
         {{"ZVK_GOOGLE_ACCESS_TOKEN", "t"}, {"ZVK_GOOGLE_CREDENTIALS_JSON", "{"},
          {"ZVK_GOOGLE_PROJECT", "p"}, {"ZVK_GOOGLE_LOCATION", " "}},
         "google-v3", kGoogleDefault, "google-v3", ""},
        {"v3 token without a project", "google-v3", {}, {}, {{"ZVK_GOOGLE_ACCESS_TOKEN", "t"}},
         "", "", "", "translation failed: Google Translation v3 requires ZVK_GOOGLE_PROJECT"},
        {"v3 project holding a slash", "google-v3", {}, {},
         {{"ZVK_GOOGLE_ACCESS_TOKEN", "t"}, {"ZVK_GOOGLE_PROJECT", "p/x"}}, "", "", "",
         "translation failed: ZVK_GOOGLE_PROJECT may hold only ASCII letters, digits, '-', '.', "
         "'_' and ':'"},
        {"blank option, variable openai", "  ", {}, {}, with_key({{"ZVK_TRANSLATOR", "openai"}}),
         "openai", kOpenAi, "gpt-4o-mini", ""},
        {"openai keeps the variables", "openai", {}, {},
         with_key({{"ZVK_LLM_BASE_URL", " https://proxy.example/v9 "}, {"ZVK_LLM_MODEL", "m2"}}),
         "openai", "https://proxy.example/v9", "m2", ""},
        {"openai with a blank base URL variable", "openai", {}, {},
         with_key({{"ZVK_LLM_BASE_URL", " "}}), "openai", kOpenAi, "gpt-4o-mini", ""},
        {"openai keeps the options", "openai", "https://o/v1", "mx", key, "openai",
         "https://o/v1", "mx", ""},
        {"openai pointed at the default endpoint", "openai", {}, {},
         with_key({{"ZVK_LLM_BASE_URL", kDefault}}), "tervox", kDefault, "gpt-4o-mini", ""},
        {"default endpoint with two slashes", "llm", kDefault + "//", {}, key, "tervox",
         kDefault + "//", "auto", ""},
        {"another base URL", "tervox", "https://LLM.tervox.cloud/api/llm/v1", {}, key, "openai",
         "https://LLM.tervox.cloud/api/llm/v1", "auto", ""},
        {"only a model, no key, Google set", {}, {}, {},
         {{"ZVK_LLM_MODEL", "m"}, {"ZVK_GOOGLE_API_KEY", "g"}}, "", "", "", kKeyMessage},
        {"only the model option", {}, {}, "m", {{"ZVK_GOOGLE_API_KEY", "g"}}, "", "", "",
         kKeyMessage},
        {"blank Google key, access token", {}, {}, {},
         {{"ZVK_GOOGLE_API_KEY", "   "}, {"ZVK_GOOGLE_ACCESS_TOKEN", "t"},
          {"ZVK_GOOGLE_PROJECT", "p"}},
         "google-v3", kGoogleDefault, "google-v3", ""},
        {"Google key", {}, {}, {}, {{"ZVK_GOOGLE_API_KEY", "g"}, {"ZVK_GOOGLE_ACCESS_TOKEN", "t"}},
         "google-v2", kGoogleDefault, "google-v2", ""},
        {"credentials JSON", {}, {}, {}, {{"ZVK_GOOGLE_CREDENTIALS_JSON", "{}"}}, "", "", "",
         "translation failed: service account JSON needs client_email and private_key"},
        {"blank LLM variables count as unset", {}, {}, {},
         {{"ZVK_LLM_BASE_URL", " "}, {"ZVK_LLM_MODEL", "\t"}, {"ZVK_TRANSLATOR", " "}}, "", "",
         "", kNothing},
        {"nothing at all", {}, {}, {}, {}, "", "", "", kNothing},
    };
}

TEST(TranslatorSelect, Table) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        CleanZvkEnv clean;
        std::vector<std::unique_ptr<ScopedEnv>> env;
        for (const auto& [name, value] : c.env)
            env.push_back(std::make_unique<ScopedEnv>(name.c_str(), value.c_str()));
        TranslateOptions options;
        options.translator = c.translator;
        options.base_url = c.base_url;
        options.model = c.model;
        GoogleClientHooks google;
        google.keyless_base_url = kRefusedBase;
        auto chosen = select_translator(options, {}, google);
        if (!c.error.empty()) {
            ASSERT_FALSE(chosen);
            EXPECT_EQ(chosen.error().display(), c.error);
            EXPECT_EQ(chosen.error().kind(), CoreError::Kind::Translation);
            continue;
        }
        ASSERT_TRUE(chosen) << chosen.error().display();
        EXPECT_EQ(translator_backend_name(*chosen), c.backend);
        if (c.backend.starts_with("google")) {
            ASSERT_NE(chosen->google(), nullptr);
            EXPECT_EQ(chosen->llm(), nullptr);
            EXPECT_EQ(chosen->google()->base_url, c.want_base_url);
        } else {
            ASSERT_NE(chosen->llm(), nullptr);
            EXPECT_EQ(chosen->google(), nullptr);
            EXPECT_EQ(chosen->llm()->base_url(), c.want_base_url);
            EXPECT_EQ(chosen->llm()->model(), c.want_model);
        }
        TranslatorSummary summary = translator_summary(*chosen);
        EXPECT_EQ(summary.backend, c.backend);
        EXPECT_EQ(summary.model, c.want_model);
    }
}

// The last automatic rule: one request of the probe, then the keyless
// translator, or the "nothing configured" failure within the probe's limit.
TEST(TranslatorSelect, KeylessProbe) {
    test::LlmServer server;
    CleanZvkEnv clean;
    GoogleClientHooks google;
    google.keyless_base_url = "http://127.0.0.1:" + std::to_string(server.port());

    auto chosen = select_translator(TranslateOptions{}, {}, google);
    ASSERT_TRUE(chosen) << chosen.error().display();
    EXPECT_EQ(translator_backend_name(*chosen), "google-unofficial");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["method"], "GET");
    EXPECT_EQ(requests[0]["path"], "/translate_a/single?client=gtx&sl=en&tl=zh&dt=t&q=Hi");

    struct Row {
        const char* name;
        nlohmann::json action;
    } rows[] = {
        {"stalled", {{"stall", 10}}},
        {"blank answer", {{"translation", " \n"}}},
        {"error status", {{"status", 503}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        server.command({{"clear", true}});
        server.script(nlohmann::json::array({r.action}));
        auto start = std::chrono::steady_clock::now();
        auto none = select_translator(TranslateOptions{}, {}, google);
        auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
        ASSERT_FALSE(none);
        EXPECT_EQ(none.error().display(), kNothing);
        EXPECT_LT(seconds.count(), 5.0);
        EXPECT_EQ(server.requests().size(), 1u);  // no retry
    }
}

TEST(TranslatorSelect, EnvVarIsSet) {
    CleanZvkEnv clean;
    struct Row {
        const char* value;
        bool set;
    } rows[] = {{nullptr, false}, {"", false}, {" \t\n", false}, {"\xe3\x80\x80", false},
                {"\xff", false}, {"x", true}, {" x ", true}};
    for (const Row& r : rows) {
        ScopedEnv env("ZVK_TEST_SELECT_VAR", r.value);
        EXPECT_EQ(env_var_is_set("ZVK_TEST_SELECT_VAR"), r.set) << (r.value ? r.value : "unset");
    }
    EXPECT_TRUE(string_is_blank(""));
    EXPECT_TRUE(string_is_blank("\xc2\xa0 "));
    EXPECT_FALSE(string_is_blank(" a"));
}

TEST(TranslatorSelect, TranslatePromptReachesTheChosenService) {
    test::LlmServer server;
    CleanZvkEnv clean;
    ScopedEnv key("ZVK_LLM_API_KEY", "k");
    ScopedEnv url("ZVK_LLM_BASE_URL", server.base_url().c_str());
    auto chosen = select_translator(TranslateOptions{});
    ASSERT_TRUE(chosen) << chosen.error().display();
    server.script(nlohmann::json::array({{{"content", "答"}}}));
    auto answer = translate_prompt(*chosen, "system", "question");
    ASSERT_TRUE(answer) << answer.error().display();
    EXPECT_EQ(*answer, "答");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    auto body = nlohmann::json::parse(requests[0].at("body").get<std::string>());
    EXPECT_EQ(body["messages"][0]["content"], "system");
    EXPECT_EQ(body["messages"][1]["content"], "question");
}

// A Google translator gets the user message alone: the segment payload, whose
// texts it sends to the service named by ZVK_GOOGLE_BASE_URL.
TEST(TranslatorSelect, TranslatePromptReachesGoogle) {
    test::LlmServer server;
    CleanZvkEnv clean;
    ScopedEnv kind("ZVK_TRANSLATOR", "google-v2");
    ScopedEnv key("ZVK_GOOGLE_API_KEY", "g-key");
    std::string base = "http://127.0.0.1:" + std::to_string(server.port());
    ScopedEnv url("ZVK_GOOGLE_BASE_URL", base.c_str());
    auto chosen = select_translator(TranslateOptions{});
    ASSERT_TRUE(chosen) << chosen.error().display();
    EXPECT_EQ(translator_summary(*chosen).model, "google-v2");
    auto answer = translate_prompt(*chosen, "system words",
                                   R"({"segments":[{"id":3,"text":"hello"}]})");
    ASSERT_TRUE(answer) << answer.error().display();
    EXPECT_EQ(*answer, "{\"translations\":[{\"id\":3,\"text\":\"\u8bd1\u6587\"}]}");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["path"], "/language/translate/v2?key=g-key");
    EXPECT_EQ(requests[0]["body"].get<std::string>().find("system"), std::string::npos);
}

}  // namespace
}  // namespace zvk
