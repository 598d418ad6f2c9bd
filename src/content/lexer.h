// The content lexer: the decoded bytes of one content stream become operations
// (operator, operands, exact byte range), one at a time on demand, with a
// message for every malformed token. It never fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "content/operands.h"

namespace zvk {

// The 73 content-stream operators, in the order of their groups.
enum class OperatorCode : std::uint8_t {
    // graphics state
    q, Q, cm, w, J, j, M, d, ri, i, gs,
    // colour
    CS, cs, SC, SCN, sc, scn, G, g, RG, rg, K, k,
    // path construction
    m, l, c, v, y, h, re,
    // path painting
    S, s, f, F, f_star, B, B_star, b, b_star, n,
    // clipping
    W, W_star,
    // text objects and state
    BT, ET, Tc, Tw, Tz, TL, Tf, Tr, Ts,
    // text positioning
    Td, TD, Tm, T_star,
    // text showing
    Tj, TJ, quote, double_quote,
    // XObjects
    Do,
    // marked content
    BMC, BDC, EMC, MP, DP,
    // compatibility
    BX, EX,
    // Type3 glyph metrics
    d0, d1,
    // inline images
    BI, ID, EI,
    // shading
    sh,
};

inline constexpr std::size_t kOperatorCount = 73;

// The operator a keyword names (byte for byte), or none.
std::optional<OperatorCode> find_operator(std::string_view keyword);
// The operator's name as written in content.
std::string_view operator_name(OperatorCode code);

struct ContentOperation {
    OperandList operands;
    OperatorCode op = OperatorCode::n;
    // Offset of the first operand read in this stream since the previous
    // operation, or of the operator when none was.
    std::uint64_t byte_start = 0;
    // Just past the operator (for an inline image, where lexing resumes).
    std::uint64_t byte_end = 0;
};

// Nesting of arrays and dictionaries inside one operand is cut here so that no
// stream can drive the parser (or the destructor of the value) deep into the
// C++ stack; no real content nests more than a few levels.
inline constexpr std::size_t kMaxOperandNesting = 256;
// Elements of one operand, nested ones included. A TJ array of a full page of
// kerned text holds a few thousand; the cap keeps a hostile array of millions
// of numbers from costing tens of bytes of memory per byte of stream.
inline constexpr std::size_t kMaxOperandElements = 65536;
// Messages quote at most this many bytes of a token (then "…"), so a huge bad
// token costs a short message.
inline constexpr std::size_t kMaxQuotedTokenBytes = 64;

// Receives each message of the lexer as it is met. Messages are handed on at
// once rather than gathered, since a hostile stream can hold millions of bad
// tokens between two operators.
using LexerMessageSink = std::function<void(std::string)>;

// Lexes one stream on demand. The data must outlive the lexer.
class ContentLexer {
public:
    // `carried`: the operands left pending by the previous stream of the page.
    // Without a sink, messages are dropped.
    // Without `build_operands`, operands are read and checked (the same
    // messages) but every one is handed over as null: for a pass that only
    // gathers the messages.
    explicit ContentLexer(std::string_view data, OperandList carried = {},
                          LexerMessageSink sink = {}, bool build_operands = true);

    // The next operation, or none at the end of the data.
    std::optional<ContentOperation> next();
    // The same into `op`, false at the end of the data. Handing the same
    // operation back each time lets its operand list be reused.
    bool next(ContentOperation& op);

    // The operands pending after the last operation (valid at the end).
    // Without build_operands, only those carried in are there.
    OperandList take_leftover() { return std::move(pending_); }
    // Whether any operand is pending after the last operation, built or not.
    bool operands_left() const { return !pending_.empty() || skipped_operands_ != 0; }

private:
    void read_inline_image();
    void report(std::string message) {
        if (sink_) sink_(std::move(message));
    }

    std::string_view data_;
    std::size_t pos_ = 0;
    OperandList pending_;
    bool operand_read_ = false;
    std::size_t start_ = 0;
    LexerMessageSink sink_;
    bool build_operands_ = true;
    // Operands read since the last operator without build_operands.
    std::size_t skipped_operands_ = 0;
};

// A whole stream's operations at once: for tests and tools. Interpretation
// runs the lexer on demand instead, so a stream never exists in memory as a
// list of operations.
struct LexedContent {
    std::vector<ContentOperation> operations;
    std::vector<std::string> messages;
    OperandList leftover_operands;
};

LexedContent lex_content(std::string_view data, OperandList carried = {});
// A stream complete in itself (form, appearance, glyph procedure): operands
// left at the end are dropped with a message.
LexedContent lex_content_stream(std::string_view data);
// The message lex_content_stream adds for operands left at the end.
std::string trailing_operands_message(std::size_t data_length);

// Helpers of the grammar, exposed for tests.
struct ParsedOperand {
    std::optional<Operand> operand;  // none on error
    std::string error;
};
ParsedOperand parse_operand(std::string_view data, std::size_t& pos);
std::optional<std::string_view> read_keyword(std::string_view data, std::size_t pos);
// The token's text for a message: lossy UTF-8 of at most kMaxQuotedTokenBytes
// bytes, cut at a character boundary and followed by "…" when cut.
std::string quote_token(std::string_view bytes);

}  // namespace zvk
