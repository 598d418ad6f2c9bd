// The one JSON writer of the module: streams into a std::string, pretty
// (two-space indent) or compact. It builds no tree, so a document of a million
// glyphs costs only its text. Callers write object members in byte order of
// their names; debug builds check it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zvk {

// A finite double in the module's notation: shortest round-trip digits, plain
// decimal for magnitudes in [1e-5, 1e16) with ".0" on integral values,
// otherwise "1e-7" / "1.5e16"; zero as 0.0 or -0.0. Non-finite gives "null".
std::string format_json_number(double value);
void append_json_number(std::string& out, double value);
// The JSON string literal of a text, quotes included.
void append_json_string(std::string& out, std::string_view text);

// Receives the text of a writer in pieces, each ending at a token boundary
// (never inside a UTF-8 sequence), so a huge document never has to exist
// whole in one buffer of ours.
class JsonSink {
public:
    virtual ~JsonSink() = default;
    virtual void write(std::string_view chunk) = 0;
};

class JsonWriter {
public:
    // Appends everything to `out`.
    explicit JsonWriter(std::string& out, bool pretty = true);
    // Hands the text to `sink` in pieces of about kChunkBytes; call finish()
    // after the last value.
    explicit JsonWriter(JsonSink& sink, bool pretty = true);
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;
    static constexpr std::size_t kChunkBytes = 1 << 16;

    // Hands what is buffered to the sink (no-op when writing to a string).
    void finish();

    // Goes on with a text that another writer began, from within `depth`
    // open containers that all hold values already, except the innermost
    // when `innermost_empty`: the pieces of one document written apart (on
    // several threads) join into exactly the text of a single writer. Call
    // before anything else is written.
    void resume(std::size_t depth, bool innermost_empty);

    void begin_object();
    void end_object();
    void begin_array();
    void end_array();
    // The name of the next member; the value follows with one of the calls below.
    void key(std::string_view name);

    void string(std::string_view text);
    void null();
    void boolean(bool value);
    void u64(std::uint64_t value);
    void i64(std::int64_t value);
    // 32-bit floats are widened exactly to double first.
    void f32(float value);
    void f64(double value);

    // A name that needs no escape (a writer's own word, such as a record's
    // member names): spares the check that key() makes of every name. Debug
    // builds check it.
    void plain_key(std::string_view name);

    // Convenience for the common "key": value pairs.
    void member(std::string_view name, std::string_view text) { key(name); string(text); }
    void plain_member(std::string_view name, std::string_view text) { plain_key(name); string(text); }

private:
    void before_value();
    void newline_indent();
    // A comma when `comma`, then (pretty) a line break and the indent of the
    // current depth, in one append: the writer's commonest text.
    void separate(bool comma);
    // Books a member named `name` in the open object (names in byte order,
    // checked in debug builds); whether a comma must go before it.
    bool begin_member(std::string_view name);

    struct Level {
        bool empty = true;
#ifndef NDEBUG
        std::string last_key;
        bool has_key = false;
#endif
    };

    void maybe_flush();

    std::string buffer_;  // the pending piece, when writing to a sink
    std::string& out_;
    JsonSink* sink_ = nullptr;
    bool pretty_;
    bool after_key_ = false;
    std::vector<Level> levels_;

    // The texts of floats printed lately, by their bits: a glyph's
    // coordinates, sizes and colours repeat along a line and across a page,
    // and formatting a float costs far more than copying its text. Owned by
    // the writer (never per thread: the C library aborts a thread whose
    // thread-local block finds no memory); absent when it could not be had.
    struct FloatText {
        std::uint32_t bits = 0;
        std::uint8_t size = 0;  // 0: the slot is empty
        char text[27] = {};
    };
    static constexpr unsigned kFloatTextBits = 12;
    static constexpr std::size_t kFloatTexts = std::size_t{1} << kFloatTextBits;
    std::unique_ptr<FloatText[]> float_texts_;
    bool float_texts_tried_ = false;
};

}  // namespace zvk
