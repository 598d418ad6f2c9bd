// The Google v2 and v3 clients: the HTML form of texts and its undoing (also
// on hostile answers), the requests they send to the stand-in service, the
// segment payload and its answer, and the texts of their errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/llm_server.h"
#include "support/scoped_env.h"
#include "translator/google_client.h"

namespace zvk {
namespace {

using test::LlmServer;

constexpr const char* kKey = "AIza/secret+key";
const std::string kSpanZero = "<span translate=\"no\">\u27e60\u27e7</span>";

std::string google_base(const LlmServer& server) {
    return "http://127.0.0.1:" + std::to_string(server.port());
}

nlohmann::json one(nlohmann::json action) { return nlohmann::json::array({std::move(action)}); }

TEST(GoogleHtml, ProtectTable) {
    struct Row {
        const char* in;
        std::string want;
    } rows[] = {
        {"a < b & \u27e63\u27e7", "a &lt; b &amp; <span translate=\"no\">\u27e63\u27e7</span>"},
        {"\u27e6x\u27e7 and \u27e6\u27e7", "\u27e6x\u27e7 and \u27e6\u27e7"},
        // A mark that opens no token leaves a later token in reach.
        {"\u27e6\u27e60\u27e7", "\u27e6" + kSpanZero},
        {"\u27e612", "\u27e612"},
        {"say \"hi\" it's", "say &quot;hi&quot; it's"},
    };
    for (const Row& r : rows) EXPECT_EQ(protect_placeholders_html(r.in), r.want) << r.in;
}

TEST(GoogleHtml, UnwrapTable) {
    struct Row {
        std::string in;
        std::string want;
    } rows[] = {
        {"a &lt; b &amp; " + kSpanZero, "a < b & \u27e60\u27e7"},
        {"Tom&#39;s &amp;amp; &nbsp;", "Tom's &amp; &nbsp;"},
        {"&#x1F600; &#X1f600; &#128512; &#+65;", "\U0001F600 \U0001F600 \U0001F600 A"},
        {"&#xD800; &#-5; &#; &; &#x110000; &#4294967296;",
         "&#xD800; &#-5; &#; &; &#x110000; &#4294967296;"},
        {"&quot;&apos;&gt;&LT;", "\"'>&LT;"},
        {"no semicolon & here &amp", "no semicolon & here &amp"},
        {"&&amp;", "&&"},
        {"<SPAN TRANSLATE=\"NO\">\u27e61\u27e7</SPAN> x", "\u27e61\u27e7 x"},
        {"<span class=\"c\">kept</span>", "<span class=\"c\">kept</span>"},
        {"<span translate=\"no\">open only", "<span translate=\"no\">open only"},
        {"<span translate=\"no\" no closing bracket", "<span translate=\"no\" no closing bracket"},
        // A source that held span markup was sent escaped: it must come back
        // as the text it was, not be taken for our own span and stripped.
        {escape_html_text("<span translate=\"no\">keep</span>"),
         "<span translate=\"no\">keep</span>"},
    };
    for (const Row& r : rows) EXPECT_EQ(unwrap_protected_html(r.in), r.want) << r.in;
}

TEST(GoogleHtml, RoundTripOfProtectedTexts) {
    for (const char* text : {"a < b & \u27e63\u27e7", "<span translate=\"no\">x</span> \u27e60\u27e7",
                             "&amp; &lt; \"q\" '", "\u27e6\u27e6\u27e61\u27e7\u27e7"})
        EXPECT_EQ(unwrap_protected_html(protect_placeholders_html(text)), text) << text;
}

// Each of these ran for hours when every "&" sought the next ";" and every
// unclosed span the next "</span>"; a test timeout catches a relapse.
TEST(GoogleHtml, HostileTextsAreLinear) {
    constexpr std::size_t kSize = std::size_t{8} << 20;
    std::string ampersands(kSize, '&');
    EXPECT_EQ(unwrap_protected_html(ampersands), ampersands);
    std::string names = "&";
    while (names.size() < kSize) names += "ab&";
    EXPECT_EQ(unwrap_protected_html(names + ";").size(), names.size() + 1);

    std::string spans;
    while (spans.size() < kSize) spans += "<span translate=\"no\">";
    EXPECT_EQ(unwrap_protected_html(spans), spans);

    std::string marks;
    while (marks.size() < kSize) marks += "\u27e6123";
    EXPECT_EQ(protect_placeholders_html(marks), marks);
    EXPECT_EQ(encode_placeholders_keyless(marks), marks);
}

TEST(GoogleHtml, PercentEncoding) {
    EXPECT_EQ(percent_encode_component(kKey), "AIza%2Fsecret%2Bkey");
    EXPECT_EQ(percent_encode_component("a-b.c_d~e f:\u00e9"), "a-b.c_d~e%20f%3A%C3%A9");
}

TEST(GoogleClient, ConstructorErrors) {
    struct Row {
        const char* project;
        const char* location;
        const char* token;
        const char* error;  // null: builds
    } rows[] = {
        {"p-1.x_y:z", "", "tok", nullptr},
        {"  ", "global", "tok", "Google Translation v3 requires ZVK_GOOGLE_PROJECT"},
        {"p", "global", " \t", "Google Translation v3 access token is empty"},
        {"proj/../x", "global", "tok",
         "ZVK_GOOGLE_PROJECT may hold only ASCII letters, digits, '-', '.', '_' and ':'"},
        {" proj", "global", "tok",
         "ZVK_GOOGLE_PROJECT may hold only ASCII letters, digits, '-', '.', '_' and ':'"},
        {"proj", "us?x=1", "tok",
         "ZVK_GOOGLE_LOCATION may hold only ASCII letters, digits, '-', '.', '_' and ':'"},
        {"proj", "global", "tok\nX-Injected: 1",
         "ZVK_GOOGLE_ACCESS_TOKEN holds a control character (a line break?); it cannot be sent "
         "in a header"},
    };
    for (const Row& r : rows) {
        auto made = new_google_v3_with_token("en", "zh", r.project, r.location, r.token);
        if (r.error == nullptr) {
            ASSERT_TRUE(made) << made.error().display();
            EXPECT_EQ((*made)->location, "global");
            EXPECT_EQ((*made)->base_url, "https://translation.googleapis.com");
        } else {
            ASSERT_FALSE(made) << r.project;
            EXPECT_EQ(made.error().text(), r.error);
            EXPECT_EQ(made.error().display().find("Injected"), std::string::npos);
        }
    }
    auto blank = new_google_v2_translator("en", "zh", " ");
    ASSERT_FALSE(blank);
    EXPECT_EQ(blank.error().text(), "Google Translation v2 requires ZVK_GOOGLE_API_KEY");
}

TEST(GoogleClient, V2RequestAndAnswer) {
    LlmServer server;
    auto made = new_google_v2_translator("en", "zh", kKey);
    ASSERT_TRUE(made);
    (*made)->base_url = google_base(server) + "//";
    auto answer = google_translate_payload(
        **made, R"({"segments":[{"id":5,"text":"a < b & ⟦3⟧","context":"x"},)"
                R"({"id":2,"text":"two"},{"id":9,"text":"⟦0⟧⟦1⟧"}]})");
    ASSERT_TRUE(answer) << answer.error().display();
    EXPECT_EQ(*answer, "{\"translations\":[{\"id\":5,\"text\":\"\u8bd1\u6587\u27e63\u27e7\"},"
                       "{\"id\":2,\"text\":\"\u8bd1\u6587\"},"
                       "{\"id\":9,\"text\":\"\u8bd1\u6587\u27e60\u27e7\u27e61\u27e7\"}]}");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["path"], "/language/translate/v2?key=AIza%2Fsecret%2Bkey");
    EXPECT_EQ(requests[0]["headers"]["content-type"], "application/json");
    EXPECT_FALSE(requests[0]["headers"].contains("authorization"));
    EXPECT_EQ(requests[0]["body"],
              "{\n  \"format\": \"html\",\n  \"q\": [\n    \"a &lt; b &amp; <span "
              "translate=\\\"no\\\">\u27e63\u27e7</span>\",\n    \"two\",\n    \"" +
                  std::string("<span translate=\\\"no\\\">\u27e60\u27e7</span><span "
                              "translate=\\\"no\\\">\u27e61\u27e7</span>") +
                  "\"\n  ],\n  \"source\": \"en\",\n  \"target\": \"zh\"\n}");
}

TEST(GoogleClient, V3RequestCarriesTheToken) {
    LlmServer server;
    auto made = new_google_v3_with_token("en", "de", "my-proj", "us-central1", "ya29.tok");
    ASSERT_TRUE(made);
    (*made)->base_url = google_base(server);
    auto texts = google_translate_texts(**made, {"x \u27e67\u27e7", "y"});
    ASSERT_TRUE(texts) << texts.error().display();
    EXPECT_EQ(*texts, (std::vector<std::string>{"\u8bd1\u6587\u27e67\u27e7", "\u8bd1\u6587"}));
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["path"], "/v3/projects/my-proj/locations/us-central1:translateText");
    EXPECT_EQ(requests[0]["headers"]["authorization"], "Bearer ya29.tok");
    auto body = nlohmann::json::parse(requests[0]["body"].get<std::string>());
    EXPECT_EQ(body["mimeType"], "text/html");
    EXPECT_EQ(body["sourceLanguageCode"], "en");
    EXPECT_EQ(body["targetLanguageCode"], "de");
    EXPECT_EQ(body["contents"][0], "x <span translate=\"no\">\u27e67\u27e7</span>");
}

TEST(GoogleClient, AnswerAndPayloadErrors) {
    LlmServer server;
    auto v2 = new_google_v2_translator("en", "zh", kKey);
    auto v3 = new_google_v3_with_token("en", "zh", "p", "", "ya29.secret-token");
    ASSERT_TRUE(v2 && v3);
    (*v2)->base_url = (*v3)->base_url = google_base(server);
    const std::string payload = R"({"segments":[{"id":0,"text":"a"},{"id":1,"text":"b"},{"id":2,"text":"c"}]})";
    struct Row {
        bool v3;
        nlohmann::json action;  // null: nothing is sent
        std::string message;
        std::string error;
    } rows[] = {
        {false, {{"body", R"({"data":{"translations":[{"translatedText":"A"},{"translatedText":"B"}]}})"}},
         payload, "Google v2 returned 2 translations for 3 inputs"},
        {false, {{"body", R"({"data":{}})"}}, payload, "Google v2 response has no translations"},
        {false, {{"body", R"({"data":{"translations":[{"x":1},{},{}]}})"}}, payload,
         "Google v2 item missing translatedText"},
        {true, {{"body", R"({"translations":{}})"}}, payload, "Google v3 response has no translations"},
        {true, {{"body", R"({"translations":[{"translatedText":1},{},{}]})"}}, payload,
         "Google v3 item missing translatedText"},
        {true, {{"body", R"({"translations":[]})"}}, payload,
         "Google v3 returned 0 translations for 3 inputs"},
        {false, {{"status", 403}}, payload, "Google HTTP status 403"},
        {true, {{"status", 403}}, payload, "Google HTTP status 403"},
        {false, {{"body", "not json"}}, payload, "json: "},
        {false, nullptr, "not json", "Google backend expected the segment JSON payload"},
        {false, nullptr, "[]", "Google backend payload has no segments"},
        {false, nullptr, R"({"segments":{}})", "Google backend payload has no segments"},
        {false, nullptr, R"({"segments":[{"id":-1,"text":"a"}]})", "segment missing id"},
        {false, nullptr, R"({"segments":[{"id":1.5,"text":"a"}]})", "segment missing id"},
        {false, nullptr, R"({"segments":[{"id":4294967296,"text":"a"}]})", "segment missing id"},
        {false, nullptr, R"({"segments":[7]})", "segment missing id"},
        {false, nullptr, R"({"segments":[{"id":7,"text":null}]})", "segment 7 missing text"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.error);
        server.command({{"clear", true}});
        if (!r.action.is_null()) server.script(one(r.action));
        auto answer = google_translate_payload(r.v3 ? **v3 : **v2, r.message);
        ASSERT_FALSE(answer);
        EXPECT_EQ(answer.error().kind(), CoreError::Kind::Translation);
        EXPECT_TRUE(answer.error().text().starts_with(r.error)) << answer.error().text();
        for (const char* secret : {"secret", "%2F", "ya29"})
            EXPECT_EQ(answer.error().display().find(secret), std::string::npos);
        EXPECT_EQ(server.requests().size(), r.action.is_null() ? 0u : 1u);
    }
}

TEST(GoogleClient, RedactionCoversEveryFormOfTheSecrets) {
    auto v2 = new_google_v2_translator("en", "zh", kKey);
    ASSERT_TRUE(v2);
    std::string text = redact_google_secrets(
        **v2, std::string("io: ") + kKey + " key=AIza%2Fsecret%2Bkey Bearer ya29.x");
    EXPECT_EQ(text, "io: [redacted] key=[redacted] Bearer [redacted]");
    // A transport failure's text passes the redaction too.
    auto failure = format_google_http_error(**v2, HttpFailure{0, std::string("io: ") + kKey});
    EXPECT_EQ(failure.text(), "io: [redacted]");
}

}  // namespace
}  // namespace zvk
