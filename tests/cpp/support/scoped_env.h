// Environment variables set or unset for the scope of a test, the previous
// state put back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>  // environ

namespace zvk::test {

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = std::string(old);
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_.c_str(), old_->c_str(), 1);
        else ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// Every ZVK_ variable unset for the scope, so a test sees only what it sets.
class CleanZvkEnv {
public:
    CleanZvkEnv() {
        std::vector<std::string> names;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            std::string text(*entry);
            if (text.starts_with("ZVK_")) names.push_back(text.substr(0, text.find('=')));
        }
        for (const std::string& name : names) {
            saved_.emplace_back(name, std::getenv(name.c_str()));
            ::unsetenv(name.c_str());
        }
    }
    ~CleanZvkEnv() {
        for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
    }
    CleanZvkEnv(const CleanZvkEnv&) = delete;
    CleanZvkEnv& operator=(const CleanZvkEnv&) = delete;

private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

}  // namespace zvk::test
