// Choosing the translator: kind words, the automatic order, the OpenAI
// presets, the backend name, and dispatch through translate_prompt.
#include <gtest/gtest.h>

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
constexpr const char* kNothing =
    "translation failed: no translator is configured and Google Translate is not available "
    "yet; set ZVK_LLM_API_KEY or ZVK_TRANSLATOR";

std::string google(const char* kind) {
    return std::string("translation failed: Google Translate (") + kind +
           ") is not available yet; use the tervox or openai translator";
}

struct Case {
    const char* name;
    std::optional<std::string> translator;  // the option
    std::optional<std::string> base_url;    // the option
    std::optional<std::string> model;       // the option
    std::map<std::string, std::string> env;
    // Success: backend name, base URL and model; failure: the display text.
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
        {"Google-V3 with spaces", " Google-V3 ", {}, {}, key, "", "", "", google("google-v3")},
        {"underscore is not a dash", "google_v3", {}, {}, key, "", "", "",
         "translation failed: unknown translator `google_v3`; expected tervox, openai, "
         "google-v2, google-v3, or google-unofficial"},
        {"unknown word shown lower-cased", " DeepL ", {}, {}, key, "", "", "",
         "translation failed: unknown translator `deepl`; expected tervox, openai, google-v2, "
         "google-v3, or google-unofficial"},
        {"google alias", "google", {}, {}, key, "", "", "", google("google-v2")},
        {"google-web ignores the Google base URL",
         "google-web", {}, {}, with_key({{"ZVK_GOOGLE_BASE_URL", "http://127.0.0.1:9"}}), "", "",
         "", google("google-unofficial")},
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
         {{"ZVK_GOOGLE_API_KEY", "   "}, {"ZVK_GOOGLE_ACCESS_TOKEN", "t"}}, "", "", "",
         google("google-v3")},
        {"Google key", {}, {}, {}, {{"ZVK_GOOGLE_API_KEY", "g"}}, "", "", "", google("google-v2")},
        {"credentials JSON", {}, {}, {}, {{"ZVK_GOOGLE_CREDENTIALS_JSON", "{}"}}, "", "", "",
         google("google-v3")},
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
        auto chosen = select_translator(options);
        if (!c.error.empty()) {
            ASSERT_FALSE(chosen);
            EXPECT_EQ(chosen.error().display(), c.error);
            EXPECT_EQ(chosen.error().kind(), CoreError::Kind::Translation);
            continue;
        }
        ASSERT_TRUE(chosen) << chosen.error().display();
        EXPECT_EQ(translator_backend_name(*chosen), c.backend);
        ASSERT_NE(chosen->llm(), nullptr);
        EXPECT_EQ(chosen->llm()->base_url(), c.want_base_url);
        EXPECT_EQ(chosen->llm()->model(), c.want_model);
        TranslatorSummary summary = translator_summary(*chosen);
        EXPECT_EQ(summary.backend, c.backend);
        EXPECT_EQ(summary.model, c.want_model);
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

}  // namespace
}  // namespace zvk
