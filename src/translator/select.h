// Choosing the translator of a call from its options and the environment.
#pragma once

#include <memory>

#include "base/core_error.h"
#include "base/options.h"

namespace zvk {

// The translation service behind a call; the clients of the services implement it.
class TranslatorBackend {
public:
    virtual ~TranslatorBackend() = default;
};

// Builds the call's translator. No service client exists in this build yet, so
// this always fails with a translation error saying so.
Result<std::unique_ptr<TranslatorBackend>> select_translator(const TranslateOptions& options);

}  // namespace zvk
