// Compact text forms of operands and operations, so that lexer and
// interpreter tables can state expected results on one line.
#pragma once

#include <charconv>
#include <string>
#include <vector>

#include "content/lexer.h"

namespace zvk::test {

inline std::string float_text(float v) {
    char buf[32];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

// Numbers in shortest form, names with their slash, strings in parentheses
// with bytes outside printable ASCII (and \ ( )) as \xNN.
inline std::string operand_text(const Operand& op) {
    switch (op.kind()) {
    case OperandKind::Number: return float_text(*op.number());
    case OperandKind::Name: return "/" + op.name()->text;
    case OperandKind::String: {
        std::string out = "(";
        static const char* digits = "0123456789ABCDEF";
        for (char ch : *op.string()) {
            auto c = static_cast<unsigned char>(ch);
            if (c >= 0x20 && c < 0x7F && c != '\\' && c != '(' && c != ')') {
                out += static_cast<char>(c);
            } else {
                out += "\\x";
                out += digits[c >> 4];
                out += digits[c & 15];
            }
        }
        return out + ")";
    }
    case OperandKind::Array: {
        std::string out = "[";
        for (const auto& item : *op.array()) out += (out.size() > 1 ? " " : "") + operand_text(item);
        return out + "]";
    }
    case OperandKind::Dictionary: {
        std::string out = "<<";
        for (const auto& e : *op.dictionary()) out += " /" + e.key + " " + operand_text(e.value);
        return out + " >>";
    }
    case OperandKind::Boolean: return *std::get_if<bool>(&op.value) ? "true" : "false";
    case OperandKind::Null: return "null";
    }
    return "?";
}

inline std::string operands_text(const std::vector<Operand>& operands) {
    std::string out;
    for (const auto& op : operands) out += operand_text(op) + " ";
    return out;
}

// "operands operator @start-end", e.g. "10 20 m @0-7".
inline std::string operation_text(const ContentOperation& op) {
    return operands_text(op.operands.held()) + std::string(operator_name(op.op)) + " @" +
           std::to_string(op.byte_start) + "-" + std::to_string(op.byte_end);
}

inline std::vector<std::string> operations_text(const std::vector<ContentOperation>& ops) {
    std::vector<std::string> out;
    for (const auto& op : ops) out.push_back(operation_text(op));
    return out;
}

}  // namespace zvk::test
