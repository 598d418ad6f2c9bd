// The stand-in chat-completions service (tests/support/llm_server.py) as a
// child process: started on 127.0.0.1, scripted and read through its stdin and
// stdout, every wait bounded.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/temp_dir.h"

extern char** environ;

namespace zvk::test {

class LlmServer {
public:
    explicit LlmServer(bool tls = false) {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        std::string python = ZVK_PYTHON3;
        std::string script = std::string(ZVK_SOURCE_DIR) + "/tests/support/llm_server.py";
        std::vector<char*> argv = {python.data(), script.data()};
        std::string flag = "--tls";
        if (tls) argv.push_back(flag.data());
        argv.push_back(nullptr);
        int rc = posix_spawn(&pid_, python.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        to_child_ = in[1];
        from_child_ = out[0];
        if (rc != 0) {
            pid_ = -1;
            throw std::runtime_error("cannot start the stand-in service");
        }
        // Making a TLS key takes a moment.
        nlohmann::json first = read_line(std::chrono::seconds(60));
        port_ = first.at("port").get<int>();
        if (first.at("cert").is_string()) cert_pem_ = read_file(first.at("cert").get<std::string>());
        base_url_ = std::string(tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) +
                    "/v1";
    }

    ~LlmServer() {
        if (to_child_ >= 0) ::close(to_child_);
        if (pid_ > 0) {
            // The end of stdin stops it; a stuck one is killed after a while.
            for (int i = 0; i < 100; ++i) {
                if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                    pid_ = -1;
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            if (pid_ > 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
        if (from_child_ >= 0) ::close(from_child_);
    }
    LlmServer(const LlmServer&) = delete;
    LlmServer& operator=(const LlmServer&) = delete;

    int port() const { return port_; }
    // "http(s)://127.0.0.1:PORT/v1"
    const std::string& base_url() const { return base_url_; }
    // The PEM of the certificate it serves (HTTPS only): the root to trust.
    const std::string& cert_pem() const { return cert_pem_; }

    nlohmann::json command(const nlohmann::json& request) {
        std::string line = request.dump() + "\n";
        if (::write(to_child_, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            throw std::runtime_error("cannot write to the stand-in service");
        return read_line(std::chrono::seconds(30));
    }
    void script(const nlohmann::json& actions) { command({{"script", actions}}); }
    nlohmann::json requests() { return command({{"log", true}}).at("requests"); }

private:
    nlohmann::json read_line(std::chrono::seconds limit) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return nlohmann::json::parse(line);
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) throw std::runtime_error("the stand-in service is silent");
            pollfd fd{from_child_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[4096];
            ssize_t n = ::read(from_child_, buffer, sizeof buffer);
            if (n <= 0) throw std::runtime_error("the stand-in service ended");
            pending_.append(buffer, static_cast<std::size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int to_child_ = -1;
    int from_child_ = -1;
    int port_ = 0;
    std::string cert_pem_;
    std::string base_url_;
    std::string pending_;
};

}  // namespace zvk::test
