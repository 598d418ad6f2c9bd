// Reading the operands of one operation: each reader gives the value or the
// text of what was wrong, which the interpreter reports as "operator '{}'
// skipped: {}".
#pragma once

#include <array>
#include <cstddef>
#include <expected>
#include <string>
#include <vector>

#include "content/operands.h"

namespace zvk {

template <typename T>
using OperandResult = std::expected<T, std::string>;

// The last n operands as numbers, in order (n at most OperandList::kTrailing);
// operands before them are ignored.
template <std::size_t N>
OperandResult<std::array<float, N>> operand_numbers(const OperandList& operands) {
    static_assert(N <= OperandList::kTrailing);
    if (operands.size() < N) {
        return std::unexpected("expected " + std::to_string(N) + " operands, found " +
                               std::to_string(operands.size()));
    }
    std::array<float, N> out{};
    const std::size_t first = operands.size() - N;
    for (std::size_t k = 0; k < N; ++k) {
        const Operand* op = operands.at(first + k);
        const float* v = op ? op->number() : nullptr;
        if (!v) return std::unexpected(std::string("expected a number operand"));
        out[k] = *v;
    }
    return out;
}

OperandResult<const std::string*> operand_name(const OperandList& operands, std::size_t index = 0);
OperandResult<const std::string*> operand_string(const OperandList& operands,
                                                 std::size_t index = 0);
OperandResult<const std::vector<Operand>*> operand_array(const OperandList& operands,
                                                         std::size_t index = 0);
// Operand 1 by default: the size of Tf.
OperandResult<float> operand_number(const OperandList& operands, std::size_t index = 1);

struct NumberOperands {
    const std::vector<float>& numbers;  // the first kMaxColorComponents, in order
    std::size_t count;                  // all number operands
};
// Every number operand in order; other kinds are skipped. Never fails.
NumberOperands collect_number_operands(const OperandList& operands);

}  // namespace zvk
