// The JSON text that extract returns (and that translate extends).
#pragma once

#include <string>

#include "api/core_error.h"
#include "content/records.h"

namespace zvk {

// The extraction JSON, pretty-printed, with no line break after the last brace.
Result<std::string> extracted_document_to_pretty_json(const ExtractedDocument& extraction);

}  // namespace zvk
