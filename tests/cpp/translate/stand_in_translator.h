// The real LLM client pointed at the stand-in service, wrapped as the run's
// translator, with helpers to script answers and to read back what was sent.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/llm_server.h"
#include "support/scoped_env.h"
#include "translator/select.h"

namespace zvk::test {

// The answer content {"translations":[{"id":…,"text":…},…]}.
inline std::string answer_json(const std::vector<std::pair<std::uint64_t, std::string>>& items) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& [id, text] : items) list.push_back({{"id", id}, {"text", text}});
    return nlohmann::json{{"translations", list}}.dump();
}

// Scripted actions.
inline nlohmann::json says(const std::string& content) { return {{"content", content}}; }
inline nlohmann::json blank() { return {{"content", ""}}; }
inline nlohmann::json status(int code) { return {{"status", code}, {"body", "{}"}}; }

// One request as the stand-in recorded it: its system prompt and the user
// message read back as JSON.
struct SentRequest {
    std::string system;
    nlohmann::json user;
};

// A fresh client (so an empty answer cache) on a stand-in of its own, or on
// one shared by the cases of a table: starting the service costs most of a
// second, and a shared one is cleared of its script and log first.
class StandInTranslator {
public:
    StandInTranslator() : owned_(std::make_unique<LlmServer>()), server_(*owned_) { connect(); }
    explicit StandInTranslator(LlmServer& shared) : server_(shared) {
        server_.command({{"clear", true}});
        connect();
    }

    const TranslatorBackend& translator() const { return *translator_; }
    LlmServer& server() { return server_; }
    void script(const nlohmann::json& actions) { server_.script(actions); }

    std::vector<SentRequest> sent() {
        std::vector<SentRequest> out;
        for (const auto& request : server_.requests()) {
            auto body = nlohmann::json::parse(request.at("body").get<std::string>());
            const auto& messages = body.at("messages");
            out.push_back({messages.at(0).at("content").get<std::string>(),
                           nlohmann::json::parse(messages.at(1).at("content").get<std::string>())});
        }
        return out;
    }

private:
    void connect() {
        TranslateOptions options;
        options.base_url = server_.base_url();
        options.model = "m";
        options.timeout_secs = 30;
        // The client pauses only on errors it retries itself; the tests send
        // none of those, and a pause must never sleep in a test.
        LlmClientHooks hooks{[](std::chrono::seconds) {}, nullptr, {}};
        auto made = new_llm_translator(options, std::move(hooks));
        if (!made) throw std::runtime_error(made.error().display());
        translator_ = std::make_unique<TranslatorBackend>(std::move(*made));
    }

    CleanZvkEnv clean_;
    ScopedEnv key_{"ZVK_LLM_API_KEY", "sk-test"};
    std::unique_ptr<LlmServer> owned_;
    LlmServer& server_;
    std::unique_ptr<TranslatorBackend> translator_;
};

}  // namespace zvk::test
