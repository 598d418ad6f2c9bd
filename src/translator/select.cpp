#include "translator/select.h"

namespace zvk {

Result<std::unique_ptr<TranslatorBackend>> select_translator(const TranslateOptions&) {
    return fail(CoreError::translation(
        "translation is not available yet: this build of zentavolurmix has no translator "
        "clients; only extract works"));
}

}  // namespace zvk
