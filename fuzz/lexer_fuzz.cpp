// libFuzzer target for the content lexer. The input is lexed as two streams of
// one page (split where the first byte says, so that operands are carried
// across) and as one self-contained stream, and the lexer's promises are
// checked: byte ranges inside the data and in order, messages short and valid
// UTF-8, and the on-demand lexer agreeing with the whole-stream one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "content/lexer.h"

namespace {

// A quoted token is at most 64 bytes, the longest fixed text under 60.
constexpr std::size_t kMaxMessageBytes = 160;

void require(bool condition) {
    if (!condition) std::abort();
}

void check_names(const zvk::Operand& op) {
    if (const auto* name = op.name()) require(zvk::is_valid_utf8(name->text));
    if (const auto* items = op.array()) {
        for (const auto& item : *items) check_names(item);
    }
    if (const auto* entries = op.dictionary()) {
        for (const auto& e : *entries) {
            require(zvk::is_valid_utf8(e.key));
            check_names(e.value);
        }
    }
}

// Lexes one stream; returns the operations seen.
std::size_t lex_checked(std::string_view data, zvk::OperandList carried, zvk::OperandList* leftover) {
    auto sink = [](std::string message) {
        require(message.size() <= kMaxMessageBytes);
        require(zvk::is_valid_utf8(message));
    };
    zvk::ContentLexer lexer(data, std::move(carried), sink);
    std::uint64_t previous_end = 0;
    std::size_t count = 0;
    while (auto op = lexer.next()) {
        require(op->byte_start >= previous_end);
        require(op->byte_start < op->byte_end);
        require(op->byte_end <= data.size());
        require(op->byte_end > previous_end);
        previous_end = op->byte_end;
        for (const auto& operand : op->operands.held()) check_names(operand);
        ++count;
    }
    if (leftover) *leftover = lexer.take_leftover();
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::string_view data(reinterpret_cast<const char*>(bytes), size);
    const std::size_t split = size == 0 ? 0 : bytes[0] * size / 256;

    zvk::OperandList carried;
    lex_checked(data.substr(0, split), {}, &carried);
    lex_checked(data.substr(split), std::move(carried), nullptr);

    const std::size_t on_demand = lex_checked(data, {}, nullptr);
    zvk::LexedContent whole = zvk::lex_content_stream(data);
    require(whole.operations.size() == on_demand);
    require(whole.leftover_operands.empty());
    return 0;
}
