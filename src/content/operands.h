// The operands of content-stream operations, and the bounded list in which
// operands wait for their operator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zvk {

enum class OperandKind : std::uint8_t { Number, Name, String, Array, Dictionary, Boolean, Null };

struct OperandName {
    std::string text;  // without the slash, escapes decoded, valid UTF-8
    bool operator==(const OperandName&) const = default;
};

struct DictionaryEntry;

struct Operand {
    // The alternatives stand in the order of OperandKind, so index() is the kind.
    std::variant<float, OperandName, std::string, std::vector<Operand>, std::vector<DictionaryEntry>,
                 bool, std::nullptr_t>
        value;

    OperandKind kind() const { return static_cast<OperandKind>(value.index()); }
    bool is_number() const { return kind() == OperandKind::Number; }

    const float* number() const { return std::get_if<float>(&value); }
    const OperandName* name() const { return std::get_if<OperandName>(&value); }
    const std::string* string() const { return std::get_if<std::string>(&value); }
    const std::vector<Operand>* array() const { return std::get_if<std::vector<Operand>>(&value); }
    const std::vector<DictionaryEntry>* dictionary() const {
        return std::get_if<std::vector<DictionaryEntry>>(&value);
    }

    // Defined below, once DictionaryEntry is complete: building or comparing
    // the variant needs every alternative complete.
    static Operand make_number(float v);
    static Operand make_name(std::string text);
    static Operand make_string(std::string bytes);
    static Operand make_array(std::vector<Operand> items);
    static Operand make_dictionary(std::vector<DictionaryEntry> entries);
    static Operand make_boolean(bool v);
    static Operand make_null();

    bool operator==(const Operand& other) const;
};

// A repeated key gives a second entry; entries stay in the order written.
struct DictionaryEntry {
    std::string key;
    Operand value;
    bool operator==(const DictionaryEntry&) const = default;
};

inline Operand Operand::make_number(float v) { return {v}; }
inline Operand Operand::make_name(std::string text) { return {OperandName{std::move(text)}}; }
inline Operand Operand::make_string(std::string bytes) { return {std::move(bytes)}; }
inline Operand Operand::make_array(std::vector<Operand> items) { return {std::move(items)}; }
inline Operand Operand::make_dictionary(std::vector<DictionaryEntry> entries) {
    return {std::move(entries)};
}
inline Operand Operand::make_boolean(bool v) { return {v}; }
inline Operand Operand::make_null() { return {nullptr}; }
inline bool Operand::operator==(const Operand& other) const { return value == other.value; }

// No colour space of the standard has more components than this; sc/scn keep
// the first this many numbers of a longer list.
inline constexpr std::size_t kMaxColorComponents = 32;

// The operands read since the last operator (plus any carried in from the
// previous stream of a page). Operators read at most the first three operands
// (the quotation-mark operator), the last six (cm, Tm) or the numbers in order
// (sc, scn), so the list keeps exactly those and counts the rest: a hostile run
// of millions of operands before one operator costs constant memory, and every
// operator sees what it would see in the full list.
class OperandList {
public:
    static constexpr std::size_t kLeading = 4;
    static constexpr std::size_t kTrailing = 8;

    void push_back(Operand operand);
    // push_back(Operand::make_number(value)), without moving a variant about.
    void push_number(float value);
    // Every operand pushed, kept or not.
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // The operand at `index` (counted from the first), or nullptr when it lies
    // in the uncounted middle of a long list or past the end.
    const Operand* at(std::size_t index) const;
    // The first kMaxColorComponents numbers in order, and how many numbers
    // there were in all.
    const std::vector<float>& leading_numbers() const { return numbers_; }
    std::size_t number_count() const { return number_count_; }
    // The operands held, in order; every operand when no more than
    // kLeading + kTrailing were pushed.
    std::vector<Operand> held() const;
    void clear();
    void swap(OperandList& other) noexcept;

private:
    std::vector<Operand> leading_;
    std::vector<Operand> trailing_;  // the last ones after `leading_`, oldest first
    std::vector<float> numbers_;
    std::size_t number_count_ = 0;
    std::size_t count_ = 0;
};

}  // namespace zvk
